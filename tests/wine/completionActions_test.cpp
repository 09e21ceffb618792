// The completion actions with their real dialogs, answered like a user. The session is never
// really ended: the shutdown call is replaced by a recorder.
#include "app/completionActions.h"
#include "common/texts.h"
#include "system/KTV_FileUtils.h"
#include "tests/harness/testlib.h"
#include "toolkit/application.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct ShutdownCall {
  int count = 0;
  UINT flags = 0;
  DWORD reason = 0;
};
ShutdownCall shutdownCall;

BOOL WINAPI recordShutdown(UINT flags, DWORD reason) {
  ++shutdownCall.count;
  shutdownCall.flags = flags;
  shutdownCall.reason = reason;
  return TRUE;
}

bool contains(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// The application's main window is a plain visible window of the test; the package header comes
// from each test.
class CompletionActions : public ::testing::Test {
 protected:
  void SetUp() override {
    shutdownCall = {};
    exitWindowsCall = recordShutdown;
    packageDirectory = PackageDirectory{};
    mainWindow_ = CreateWindowExA(0, "STATIC", "installer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    Application::instance().setMainWindow(mainWindow_);
  }
  void TearDown() override {
    // Minimised by a test, the application's window would stay so for the next one.
    ShowWindow(Application::instance().handle(), SW_RESTORE);
    ShowWindow(Application::instance().handle(), SW_HIDE);
    Application::instance().setMainWindow(nullptr);
    DestroyWindow(mainWindow_);
    exitWindowsCall = ExitWindowsEx;
  }
  HWND mainWindow_ = nullptr;
};

TEST_F(CompletionActions, NoDisplayPanelOfferMeansNoQuestion) {
  packageDirectory.header.offerDisplayPanel = 0;
  testlib::DialogAnswerer answer("Confirm", "&Yes", 1500);
  offerDisplayControlPanel();
  openDisplayControlPanel();
  EXPECT_FALSE(answer.seen());
  EXPECT_FALSE(IsIconic(Application::instance().handle()));
}

TEST_F(CompletionActions, DisplayPanelQuestionAnsweredNoStartsNothing) {
  packageDirectory.header.offerDisplayPanel = 1;
  testlib::DialogAnswerer answer("Confirm", "&No");
  offerDisplayControlPanel();
  ASSERT_TRUE(answer.seen());
  const auto& texts = answer.texts();
  EXPECT_TRUE(contains(texts, loadText(IDS_OPEN_CONTROL_PANEL)));
  EXPECT_TRUE(contains(texts, "&Yes"));
  EXPECT_TRUE(contains(texts, "&No"));
  // On Yes the installer would step aside (minimise) before the panel opens.
  EXPECT_FALSE(IsIconic(Application::instance().handle()));
}

// Wine has no Display control panel: the command starts and ends at once, so Yes is safe here.
TEST_F(CompletionActions, DisplayPanelQuestionAnsweredYesStepsAsideForThePanel) {
  packageDirectory.header.offerDisplayPanel = 1;
  testlib::DialogAnswerer answer("Confirm", "&Yes");
  offerDisplayControlPanel();
  ASSERT_TRUE(answer.seen());
  EXPECT_TRUE(IsIconic(Application::instance().handle()));
}

TEST_F(CompletionActions, ReadMeOpensFromTheSaverDirectoryOnlyWhenThePackageHasOne) {
  testlib::ScratchDir saverDir("readme");
  installPaths.saverDir = saverDir.path();
  packageDirectory.records[5].setFileName("saver readme.txt");
  testlib::writeFile(saverDir / "saver readme.txt", "Read me.");

  packageDirectory.header.hasReadMe = 0;
  openReadMe();
  EXPECT_EQ(testlib::waitForWindow("saver readme.txt - Notepad", 0, 1500), nullptr);

  packageDirectory.header.hasReadMe = 1;
  openReadMe();
  HWND editor = testlib::waitForWindow("saver readme.txt - Notepad");
  ASSERT_NE(editor, nullptr);
  DWORD editorProcess = 0;
  GetWindowThreadProcessId(editor, &editorProcess);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, editorProcess);
  PostMessageA(editor, WM_CLOSE, 0, 0);
  // The editor must let go of the file before the scratch directory goes.
  if (process) {
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
  }
  installPaths.saverDir.clear();
}

TEST_F(CompletionActions, RestartQuestionAnsweredNoKeepsWindowsRunning) {
  InstallerState state;
  state.flashDialogDismissed = 1;  // the installer's dialog is no part of this case
  int closed = 0;
  testlib::DialogAnswerer answer("Installation Successful.", "&No");
  offerRestart(state, [&] { ++closed; });
  ASSERT_TRUE(answer.seen());
  EXPECT_TRUE(contains(answer.texts(), loadText(IDS_RESTART_QUESTION)));
  EXPECT_EQ(shutdownCall.count, 0);
  EXPECT_EQ(closed, 0);
}

TEST_F(CompletionActions, RestartQuestionAnsweredYesRebootsAndClosesTheWindow) {
  InstallerState state;
  state.flashDialogDismissed = 1;
  int closed = 0;
  testlib::DialogAnswerer answer("Installation Successful.", "&Yes");
  offerRestart(state, [&] { ++closed; });
  ASSERT_TRUE(answer.seen());
  EXPECT_EQ(shutdownCall.count, 1);
  EXPECT_EQ(shutdownCall.flags, static_cast<UINT>(EWX_REBOOT));
  EXPECT_EQ(shutdownCall.reason, 0u);
  EXPECT_EQ(closed, 1);
}

// The Flash Player installer's dialog would otherwise stay on top of the question.
TEST_F(CompletionActions, RestartQuestionComesAfterTheFlashInstallersDialogIsConfirmed) {
  HWND flashDialog = CreateWindowExA(0, "STATIC", "Macromedia Flash Player 7", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200,
                                     100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  InstallerState state;
  testlib::DialogAnswerer answer("Installation Successful.", "&No");
  offerRestart(state, [] {});
  EXPECT_TRUE(answer.seen());
  EXPECT_EQ(state.flashDialogDismissed, 1);
  DestroyWindow(flashDialog);
}

// The test program also runs as <name>-win98.exe with the Windows 98 version set for that name.
TEST(Shutdown, Win9XOnlyForTheWindows9xPlatform) {
  const bool runAsWin98 = std::string(GetCommandLineA()).find("-win98.exe") != std::string::npos;
  EXPECT_EQ(Win9X(), runAsWin98);
}

TEST(Shutdown, RebootGoesThroughThePrivilegeOnNtAndDirectlyOn9x) {
  shutdownCall = {};
  exitWindowsCall = recordShutdown;
  EXPECT_TRUE(btnExitWindowsClick());
  exitWindowsCall = ExitWindowsEx;
  EXPECT_EQ(shutdownCall.count, 1);
  EXPECT_EQ(shutdownCall.flags, static_cast<UINT>(EWX_REBOOT));
  EXPECT_EQ(shutdownCall.reason, 0u);
}

TEST(Shutdown, UnknownPrivilegeCannotBeSet) { EXPECT_FALSE(SetPrivilege("SeNoSuchPrivilege", true)); }

}  // namespace
