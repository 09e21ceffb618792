// A top-level window with event handlers: the thin base of the installer's two windows. The form
// owns its HWND (destroyed with the object); handlers are virtual functions with empty defaults.
// Bounds are given in outer (window) or client terms, as the layout rules need both.
#pragma once
#include <windows.h>

#include <string>

class Form {
 public:
  enum class Border { single, sizeable };

  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  HWND handle() const { return handle_; }
  void setCaption(const std::string& caption);
  std::string caption() const;
  void setBorder(Border border);
  void setMinimumSize(int width, int height) { minWidth_ = width, minHeight_ = height; }

  RECT outerBounds() const;  // screen coordinates
  int width() const;
  int height() const;
  int clientWidth() const;
  int clientHeight() const;
  void setBounds(int left, int top, int width, int height);  // outer
  void setPosition(int left, int top);
  void setSize(int width, int height);                        // outer
  void setClientSize(int width, int height);
  void show();
  void hide();
  void setNormalState();
  // Asks FormCloseQuery, then runs FormClose and destroys the window. False when refused.
  bool close();
  bool closed() const { return handle_ == nullptr; }

 protected:
  // Creates the window (not yet visible) with the given client size at left, top.
  Form(const char* className, int left, int top, int clientWidth, int clientHeight, DWORD exStyle);

  virtual bool FormCloseQuery() { return true; }
  virtual void FormClose() {}
  virtual void FormShow() {}
  virtual void FormResize() {}
  virtual void onCommand(HWND /*control*/, int /*notification*/) {}
  virtual void onTimer(UINT_PTR /*id*/) {}

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

  HWND handle_ = nullptr;
  int minWidth_ = 0;
  int minHeight_ = 0;
  bool shown_ = false;
};
