// The application object: title (the task-bar text), main window, message pumping, bringing to the
// front, minimising, termination with an exit code, the application-wide message hook, and the
// top-level handler that shows failures without a result code. One per process.
// Its own window is never seen (it has no size): it carries the task-bar button, captioned with the
// title, and owns every form, so that minimising it hides them all and restoring brings them back.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

class Application {
 public:
  static Application& instance();

  // The application's own window, made on first use.
  HWND handle();
  // Gives the application its task-bar button; a form calls it when it is shown.
  void showTaskButton();

  // The first window the program creates; owner of message boxes.
  HWND mainWindow() const { return mainWindow_; }
  void setMainWindow(HWND window) { mainWindow_ = window; }

  const std::string& title() const { return title_; }
  void setTitle(const std::string& title);

  // Handles every pending message, then returns ("pump messages").
  void processMessages();
  // Waits for the next message and handles it.
  void handleMessage();
  // Runs the message loop until terminate() was called; returns the exit code.
  int run();
  void terminate() { terminated_ = true; }
  bool terminated() const { return terminated_; }
  int exitCode() const { return exitCode_; }
  void setExitCode(int code) { exitCode_ = code; }

  // The screen cursor: when set, every form shows it instead of its own (nullptr: their own).
  HCURSOR cursor() const { return cursor_; }
  void setCursor(HCURSOR cursor);

  void bringToFront();
  void minimize();
  bool isActive() const;  // one of the application's windows is the foreground window

  // Called for every message the loop retrieves, before it is dispatched; returning true marks it
  // handled (it is not dispatched).
  void setMessageHook(std::function<bool(MSG&)> hook) { hook_ = std::move(hook); }

  // The top-level error handler: an error box captioned with the application title.
  void showFailure(const std::string& message);

 private:
  Application() = default;
  // Dispatches one retrieved message; false when it was WM_QUIT.
  bool dispatch(MSG& message);

  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND handle_ = nullptr;
  HWND mainWindow_ = nullptr;
  HCURSOR cursor_ = nullptr;
  std::string title_;
  bool terminated_ = false;
  int exitCode_ = 0;
  std::function<bool(MSG&)> hook_;
};

// The hourglass as the screen cursor while work is in progress; the previous screen cursor comes
// back at restore() or, at the latest, when the object goes.
class HourglassCursor {
 public:
  HourglassCursor() : saved_(Application::instance().cursor()) {
    Application::instance().setCursor(LoadCursorA(nullptr, IDC_WAIT));
  }
  ~HourglassCursor() { restore(); }
  HourglassCursor(const HourglassCursor&) = delete;
  HourglassCursor& operator=(const HourglassCursor&) = delete;
  void restore() {
    if (restored_) return;
    restored_ = true;
    Application::instance().setCursor(saved_);
  }

 private:
  HCURSOR saved_;
  bool restored_ = false;
};
