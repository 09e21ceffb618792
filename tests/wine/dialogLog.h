// Answers every "Error" and "Information" dialog this process shows while the object lives, with
// the "&Abort" button, and keeps their texts, so a test can check how many reports a call made
// (none included) without waiting for a timeout.
#pragma once
#include "tests/harness/testlib.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

class DialogLog {
 public:
  struct Dialog {
    std::string caption;
    std::string text;  // the message, the first child text other than the button
  };

  DialogLog() { thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr); }
  ~DialogLog() { stop(); }

  // Every dialog of a call has been answered when the call returns, so stopping right after it
  // loses none.
  const std::vector<Dialog>& dialogs() {
    stop();
    return dialogs_;
  }

 private:
  void stop() {
    if (!thread_) return;
    stopping_ = true;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
  }

  static DWORD WINAPI run(void* self) {
    auto* log = static_cast<DialogLog*>(self);
    while (!log->stopping_) {
      for (const char* caption : {"Error", "Information"}) {
        HWND dialog = testlib::waitForWindow(caption, GetCurrentProcessId(), 20);
        if (!dialog) continue;
        Dialog seen{caption, ""};
        for (const std::string& text : testlib::childTexts(dialog)) {
          if (text != "&Abort" && !text.empty() && seen.text.empty()) seen.text = text;
        }
        log->dialogs_.push_back(seen);
        testlib::pressButton(dialog, "&Abort");
        for (int i = 0; i < 200 && IsWindow(dialog) && IsWindowVisible(dialog); ++i) Sleep(10);
      }
    }
    return 0;
  }

  HANDLE thread_ = nullptr;
  std::atomic<bool> stopping_{false};
  std::vector<Dialog> dialogs_;
};
