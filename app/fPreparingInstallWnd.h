// The small preparing window: the first window of the program (the application's main window),
// created off the screen, showing one centred text. Start-up and the movie fallback report in it.
#pragma once
#include "toolkit/form.h"

#include <string>

class TpreparingInstallWnd : public Form {
 public:
  TpreparingInstallWnd();  // FormCreate included: "Preparing Installation...", visible at -3000, -3000

  void setMessage(const std::string& text);  // then pumps messages
  std::string message() const;
  void moveOffScreen();
  void centerOnScreen();  // then pumps messages

 private:
  HWND Label1 = nullptr;
};

extern TpreparingInstallWnd* preparingInstallWnd;
