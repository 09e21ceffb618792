// The sample screen saver started the way Windows starts one: /s full screen until a key or a
// real mouse movement, /p drawing inside a given window until that window goes, /c a message.
#include "tests/harness/testlib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

const char saverTitle[] = "Sample Saver";

// The saver as a running process, ended by force if a test leaves it running.
class SaverProcess {
 public:
  explicit SaverProcess(const std::string& arguments) {
    std::string line = "\"" + testlib::programDir() + "sample.scr\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_);
  }
  ~SaverProcess() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
  SaverProcess(const SaverProcess&) = delete;
  SaverProcess& operator=(const SaverProcess&) = delete;

  bool started() const { return started_; }
  DWORD id() const { return process_.dwProcessId; }
  // The exit code once the process ends within timeoutMs (pumping this thread's messages), or -1.
  DWORD waitForExit(DWORD timeoutMs = 10000) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
      if (MsgWaitForMultipleObjects(1, &process_.hProcess, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0) {
        DWORD code = DWORD(-1);
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
      }
      pumpMessages();
    }
    return DWORD(-1);
  }
  static void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }

 private:
  PROCESS_INFORMATION process_{};
  bool started_ = false;
};

TEST(SampleSaver, FullScreenEndsOnAKey) {
  SaverProcess saver("/s");
  ASSERT_TRUE(saver.started());
  HWND window = testlib::waitForWindow(saverTitle, saver.id());
  ASSERT_NE(window, nullptr);
  RECT area;
  GetWindowRect(window, &area);
  EXPECT_EQ(area.right - area.left, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(area.bottom - area.top, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(saver.waitForExit(500), DWORD(-1));  // still running on its own
  PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(saver.waitForExit(), 0u);
}

TEST(SampleSaver, FullScreenIgnoresJitterButEndsOnAMouseMove) {
  SaverProcess saver("-S");
  ASSERT_TRUE(saver.started());
  HWND window = testlib::waitForWindow(saverTitle, saver.id());
  ASSERT_NE(window, nullptr);
  // The window may also get a move from the real pointer: the posted ones start where it is.
  POINT pointer;
  GetCursorPos(&pointer);
  PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(pointer.x, pointer.y));
  PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(pointer.x + 2, pointer.y + 1));
  EXPECT_EQ(saver.waitForExit(500), DWORD(-1));
  PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(pointer.x + 60, pointer.y + 40));
  EXPECT_EQ(saver.waitForExit(), 0u);
}

TEST(SampleSaver, PreviewDrawsInsideTheGivenWindowUntilItCloses) {
  HWND parent = CreateWindowExA(0, "STATIC", "preview host", WS_POPUP | WS_VISIBLE, 0, 0, 152, 112, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(parent, nullptr);
  SaverProcess saver("/p " + std::to_string(reinterpret_cast<UINT_PTR>(parent)));
  ASSERT_TRUE(saver.started());
  HWND child = nullptr;
  for (int i = 0; i < 200 && !child; ++i) {
    SaverProcess::pumpMessages();
    Sleep(50);
    child = FindWindowExA(parent, nullptr, "SampleSaverWindow", nullptr);
  }
  ASSERT_NE(child, nullptr);
  RECT area;
  GetClientRect(child, &area);
  EXPECT_EQ(area.right, 152);
  EXPECT_EQ(area.bottom, 112);
  EXPECT_EQ(saver.waitForExit(300), DWORD(-1));
  DestroyWindow(parent);
  EXPECT_EQ(saver.waitForExit(), 0u);
}

TEST(SampleSaver, SettingsAndNoSwitchShowTheNoSettingsMessage) {
  for (const char* arguments : {"/c", "/c:1234", ""}) {
    SCOPED_TRACE(arguments);
    SaverProcess saver(arguments);
    ASSERT_TRUE(saver.started());
    HWND box = testlib::waitForWindow(saverTitle, saver.id());
    ASSERT_NE(box, nullptr);
    std::vector<std::string> texts = testlib::childTexts(box);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "This screen saver has no settings."), texts.end());
    EXPECT_TRUE(testlib::pressButton(box, "OK"));
    EXPECT_EQ(saver.waitForExit(), 0u);
  }
}

TEST(SampleSaver, FlashInstallerSwitchEndsAtOnce) {
  // The sample stands in for the Flash Player installer, which the installer runs with /Q.
  SaverProcess saver("/Q");
  ASSERT_TRUE(saver.started());
  EXPECT_EQ(saver.waitForExit(), 0u);
}

}  // namespace
