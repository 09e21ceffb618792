// Helpers for the Windows test programs: the build's files, scratch directories and files, and
// driving real windows like a user (find a window by caption, read its controls, press buttons,
// answer a dialog that blocks the calling thread).
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace testlib {

// Windows form of a Unix path ("/a/b" -> "Z:\a\b"); Windows paths pass unchanged.
std::string windowsPath(const std::string& unixPath);
// The source tree and the build tree (from SAVER_SOURCE_DIR / SAVER_BUILD_DIR), with a backslash.
std::string sourceDir();
std::string buildDir();
// The directory of the running test program, with a backslash.
std::string programDir();

// A fresh directory TEMP\<name>-<pid>-<n>\ (with backslash), removed with everything in it when the
// object goes; nothing else is ever removed.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& name);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);  // "" when missing
bool exists(const std::string& path);           // file or directory
DWORD attributes(const std::string& path);

// Holds files open in another process without any sharing, so that deleting them fails with a
// sharing violation, until the object goes.
class FileHolder {
 public:
  explicit FileHolder(const std::vector<std::string>& paths);
  ~FileHolder();
  FileHolder(const FileHolder&) = delete;
  FileHolder& operator=(const FileHolder&) = delete;

 private:
  PROCESS_INFORMATION process_{};
  HANDLE release_ = nullptr;
};

// Runs a command line and waits; the 32-bit exit code, or -1 when it cannot start or time runs out.
// environment: extra "NAME=value" entries on top of this process's environment.
DWORD runProcess(const std::string& commandLine, const std::vector<std::string>& environment = {},
                 DWORD timeoutMs = 120000);

// ---- Windows ----
// A visible top-level window of some size with exactly this caption, owned by process pid (0: any), waiting up
// to timeoutMs for it to appear; nullptr when none came.
HWND waitForWindow(const std::string& caption, DWORD pid = 0, DWORD timeoutMs = 20000);
std::string windowText(HWND window);
std::vector<std::string> childTexts(HWND window);  // texts of all child controls, in z-order
HWND findChildByText(HWND window, const std::string& text);
// Presses the child button with this caption (BM_CLICK); false when there is none.
bool pressButton(HWND window, const std::string& caption);

// Runs on another thread while the test calls something that shows a modal dialog: waits for a
// window with the caption in this process, records its texts, then presses the named button.
class DialogAnswerer {
 public:
  DialogAnswerer(const std::string& caption, const std::string& button, DWORD timeoutMs = 20000);
  ~DialogAnswerer();  // joins
  bool seen();         // joins; whether the dialog came
  const std::vector<std::string>& texts();  // joins; the dialog's control texts

 private:
  void join();
  HANDLE thread_ = nullptr;
  std::string caption_, button_;
  DWORD timeoutMs_;
  bool seen_ = false;
  std::vector<std::string> texts_;
  static DWORD WINAPI run(void* self);
};

// Whether process pid was started by this one (its parent is this process).
bool startedHere(DWORD pid);

// Answers dialogs on another thread while the object lives: each visible window captioned like one
// of the answers, shown by the chosen processes, is recorded and the first of the answer's buttons
// that it has is pressed. A test learns from it how many dialogs a call showed, none included,
// without waiting for a timeout: a modal dialog has been answered when the call that showed it returns.
class DialogLog {
 public:
  enum class Owner { thisProcess, startedHere };
  struct Answer {
    std::string caption;
    std::vector<std::string> buttons;
  };
  struct Dialog {
    std::string caption;
    std::string text;  // the message: the first static control's text
  };

  // By default: this process's error and information reports, acknowledged with "&Abort".
  explicit DialogLog(Owner owner = Owner::thisProcess,
                     std::vector<Answer> answers = {{"Error", {"&Abort"}}, {"Information", {"&Abort"}}});
  ~DialogLog();
  DialogLog(const DialogLog&) = delete;
  DialogLog& operator=(const DialogLog&) = delete;

  int answered() const { return answered_; }
  // Waits until at least count dialogs have been answered; false when that took longer than timeoutMs.
  bool waitForAnswers(int count, DWORD timeoutMs) const;
  // Stops answering and gives every dialog seen, in order (one whose buttons were all missing is
  // recorded but not counted as answered).
  const std::vector<Dialog>& dialogs();

 private:
  void stop();
  static DWORD WINAPI run(void* self);
  const Owner owner_;
  const std::vector<Answer> answers_;
  HANDLE thread_ = nullptr;
  std::atomic<bool> stopping_{false};
  std::atomic<int> answered_{0};
  std::vector<Dialog> dialogs_;
};

}  // namespace testlib
