// Placing and activating the saver in the prefix's real system and Windows directories: earlier
// copies and the overwrite question, the companion directory, an open Display Properties dialog,
// the "system.ini" entry with the screen-saver-active setting, and the removal after a failed run.
#include "common/applicationFailure.h"
#include "common/installerState.h"
#include "common/texts.h"
#include "system/KTV_FileUtils.h"
#include "system/KTV_RegistryUtils.h"
#include "system/saverPlacement.h"
#include "tests/harness/testlib.h"
#include "tests/wine/registryProbe.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using testlib::exists;
using testlib::writeFile;

std::string windowsDirectory() {
  char buffer[MAX_PATH];
  UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
  return withTrailingBackslash(std::string(buffer, length));
}

std::string systemDirectory() {
  char buffer[MAX_PATH];
  UINT length = GetSystemDirectoryA(buffer, sizeof buffer);
  return withTrailingBackslash(std::string(buffer, length));
}

bool contains(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// A unique saver name per test, and whatever a test put into the system and Windows directories
// or the registry under that name taken away afterwards.
class SaverFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    name_ = "Placement Test " + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    installPaths = InstallPaths();
    installPaths.windowsDir = windowsDirectory();
    installPaths.systemDir = systemDirectory();
    installPaths.saverName = name_;
    installPaths.saverDir = installPaths.systemDir + name_ + " dir\\";
    packageDirectory.records[6].setFileName(name_ + ".scr");
  }
  void TearDown() override {
    for (const std::string& dir : {installPaths.windowsDir, installPaths.systemDir}) {
      SetFileAttributesA(scr(dir).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(scr(dir).c_str());
      removeDirectoryTree(companion(dir));
      DeleteFileA((dir + name_ + " dir").c_str());
    }
    uninstallRoots = UninstallRoots();
    registryProbe::removeTree(HKEY_LOCAL_MACHINE, registryProbe::uninstallPath(name_));
    registryProbe::removeTree(HKEY_CURRENT_USER, registryProbe::uninstallPath(name_));
  }

  std::string scr(const std::string& dir) const { return dir + name_ + ".scr"; }
  std::string companion(const std::string& dir) const { return dir + name_ + " dir\\"; }
  std::string question() const { return name_ + loadText(IDS_OVERWRITE_QUESTION); }
  bool uninstallEntryExists() const {
    return registryProbe::keyExists(HKEY_LOCAL_MACHINE, registryProbe::uninstallPath(name_));
  }

  std::string name_;
};

// ---- earlier copies and the overwrite question ----

enum Copy { none = 0, scrFile = 1, companionDir = 2, both = 3 };

struct Layout {
  int system;   // Copy bits in the system directory
  int windows;  // Copy bits in the Windows directory
};

struct TargetCase {
  const char* what;
  Layout before;
  bool ask;
  const char* answer;  // button pressed in the question, or nullptr when no question may come
  ResultCode result;
  Layout after;      // what is left of the earlier copies (companionDir: the old one, with its file)
  bool saverDirMade;  // the companion directory in the system directory exists afterwards
};

class PrepareSaverTarget : public SaverFixture, public ::testing::WithParamInterface<TargetCase> {
 protected:
  void place(const std::string& dir, int copy) {
    if (copy & scrFile) writeFile(scr(dir), "old saver");
    if (copy & companionDir) {
      CreateDirectoryA(companion(dir).c_str(), nullptr);
      writeFile(companion(dir) + "old.dat", "old data");
    }
  }
  int left(const std::string& dir) const {
    return (exists(scr(dir)) ? scrFile : 0) | (exists(companion(dir) + "old.dat") ? companionDir : 0);
  }
};

TEST_P(PrepareSaverTarget, AsksRemovesAndCreatesSaverDir) {
  const TargetCase& c = GetParam();
  place(installPaths.systemDir, c.before.system);
  place(installPaths.windowsDir, c.before.windows);

  // Without an expected question the answerer only watches, briefly, for one that must not come.
  testlib::DialogAnswerer answerer("Confirm", c.answer ? c.answer : "Cancel", c.answer ? 20000 : 1500);
  EXPECT_EQ(prepareSaverTarget(installPaths.systemDir, name_, c.ask, loadText(IDS_OVERWRITE_QUESTION)), c.result);

  ASSERT_EQ(answerer.seen(), c.answer != nullptr);
  if (c.answer) {
    EXPECT_TRUE(contains(answerer.texts(), question()));
    EXPECT_TRUE(contains(answerer.texts(), "OK"));
    EXPECT_TRUE(contains(answerer.texts(), "Cancel"));
  }
  EXPECT_EQ(left(installPaths.systemDir), c.after.system);
  EXPECT_EQ(left(installPaths.windowsDir), c.after.windows);
  EXPECT_EQ(directoryExists(companion(installPaths.systemDir)), c.saverDirMade);
  // A new saver never goes to the Windows directory.
  if (!(c.after.windows & companionDir)) {
    EXPECT_FALSE(exists(companion(installPaths.windowsDir)));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrepareSaverTarget,
    ::testing::Values(
        TargetCase{"NoEarlierCopy", {none, none}, true, nullptr, 0, {none, none}, true},
        TargetCase{"CopyOnlyInWindowsDirRemovedAfterOk", {none, both}, true, "OK", 0, {none, none}, true},
        TargetCase{"CompanionDirAloneCountsAsCopy", {companionDir, none}, true, "OK", 0, {none, none}, true},
        TargetCase{"SilentReplacesWithoutQuestion", {both, both}, false, nullptr, 0, {none, none}, true},
        TargetCase{"CancelRemovesAndCreatesNothing", {scrFile, both}, true, "Cancel", rcCancelled,
                   {scrFile, both}, false}),
    [](const ::testing::TestParamInfo<TargetCase>& info) { return std::string(info.param.what); });

TEST_F(SaverFixture, OldCopyHeldOpenDoesNotStopPreparation) {
  writeFile(scr(installPaths.windowsDir), "old saver in use");
  {
    testlib::FileHolder holder({scr(installPaths.windowsDir)});
    EXPECT_EQ(prepareSaverTarget(installPaths.systemDir, name_, false, ""), 0);
  }
  EXPECT_TRUE(directoryExists(companion(installPaths.systemDir)));
}

TEST_F(SaverFixture, CreateSaverDirReusesOrReportsTheSystemCode) {
  // Left behind by an earlier failed run: kept, contents and all.
  CreateDirectoryA(companion(installPaths.systemDir).c_str(), nullptr);
  writeFile(companion(installPaths.systemDir) + "kept.dat", "x");
  EXPECT_EQ(createSaverDir(installPaths.systemDir, name_), 0);
  EXPECT_TRUE(exists(companion(installPaths.systemDir) + "kept.dat"));

  testlib::ScratchDir scratch("saverdir");
  EXPECT_EQ(createSaverDir(scratch / "missing\\", name_), ERROR_PATH_NOT_FOUND);
  // A file in the directory's place is no directory to install into.
  writeFile(scratch / (name_ + " dir"), "a file");
  EXPECT_EQ(createSaverDir(scratch.path(), name_), ERROR_ALREADY_EXISTS);
}

// ---- an open Display Properties dialog ----

// A top-level window with a Cancel button (id 2), run by its own thread's message loop the way
// another program's dialog would be; counts the clicks its Cancel button receives. It stays hidden:
// finding it does not depend on that, and hiding a shown window costs two seconds under Wine.
class FakeDialog {
 public:
  explicit FakeDialog(const std::string& title) : title_(title) {
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, &FakeDialog::run, this, 0, nullptr);
    WaitForSingleObject(ready_, 10000);
  }
  ~FakeDialog() {
    PostMessageA(window_, WM_CLOSE, 0, 0);
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
    CloseHandle(ready_);
  }
  long cancelClicks() const { return cancelClicks_; }

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<FakeDialog*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == BN_CLICKED && self) {
      InterlockedIncrement(&self->cancelClicks_);
      return 0;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
  }
  static DWORD WINAPI run(void* parameter) {
    auto* self = static_cast<FakeDialog*>(parameter);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &FakeDialog::procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "PlacementTestDialog";
    RegisterClassA(&windowClass);  // fails harmlessly when a previous dialog registered it
    self->window_ = CreateWindowA("PlacementTestDialog", self->title_.c_str(), WS_OVERLAPPEDWINDOW, 10,
                                  10, 300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    SetWindowLongPtrA(self->window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    for (int id : {IDOK, IDCANCEL}) {
      CreateWindowA("BUTTON", id == IDOK ? "OK" : "Cancel", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10 + 90 * id, 100,
                    80, 25, self->window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), windowClass.hInstance,
                    nullptr);
    }
    SetEvent(self->ready_);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    return 0;
  }

  std::string title_;
  HANDLE ready_ = nullptr;
  HANDLE thread_ = nullptr;
  HWND window_ = nullptr;
  volatile long cancelClicks_ = 0;
};

TEST(CloseDisplayProperties, ClicksCancelOfThatWindowOnly) {
  FakeDialog other("Display Properties - Settings");
  {
    FakeDialog display("Display Properties");
    closeDisplayProperties();
    // Counted already: the click is sent and handled before the call returns.
    EXPECT_EQ(display.cancelClicks(), 1);
  }
  closeDisplayProperties();
  EXPECT_EQ(other.cancelClicks(), 0);
}

// ---- making the saver the active one ----

// Keeps the prefix's "SCRNSAVE.EXE" entry and the screen-saver-active setting as they were.
class ActivateSaver : public SaverFixture {
 protected:
  void SetUp() override {
    SaverFixture::SetUp();
    systemIni_ = installPaths.windowsDir + "system.ini";
    hadEntry_ = entry("\x01") != "\x01";
    oldEntry_ = entry("");
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &wasActive_, 0);
  }
  void TearDown() override {
    WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", hadEntry_ ? oldEntry_.c_str() : nullptr, "system.ini");
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, wasActive_, nullptr, SPIF_SENDWININICHANGE);
    SaverFixture::TearDown();
  }
  static std::string entry(const char* fallback) {
    char buffer[MAX_PATH];
    DWORD length = GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", fallback, buffer, sizeof buffer, "system.ini");
    return std::string(buffer, length);
  }
  static BOOL screenSaverActive() {
    BOOL active = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    return active;
  }

  std::string systemIni_;
  bool hadEntry_ = false;
  std::string oldEntry_;
  BOOL wasActive_ = FALSE;
};

TEST_F(ActivateSaver, MissingSaverFileChangesNothing) {
  WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", "C:\\OLDSAVER.SCR", "system.ini");
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 0, nullptr, 0);
  EXPECT_EQ(activateSaver(), rcNotCreated);
  EXPECT_EQ(entry(""), "C:\\OLDSAVER.SCR");
  EXPECT_FALSE(screenSaverActive());
}

TEST_F(ActivateSaver, WritesShortPathAndSwitchesScreenSavingOn) {
  writeFile(scr(installPaths.systemDir), "saver");
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 0, nullptr, 0);
  EXPECT_EQ(activateSaver(), 0);

  const std::string written = entry("");
  EXPECT_EQ(written.find(' '), std::string::npos) << written;
  char longForm[MAX_PATH] = "";
  GetLongPathNameA(written.c_str(), longForm, sizeof longForm);
  EXPECT_EQ(lstrcmpiA(longForm, scr(installPaths.systemDir).c_str()), 0) << written << " -> " << longForm;
  EXPECT_TRUE(screenSaverActive());
}

TEST_F(ActivateSaver, UnwritableSystemIniThrowsUnableToWrite) {
  writeFile(scr(installPaths.systemDir), "saver");
  // The profile functions create a missing file, so make sure there is one to hold.
  WritePrivateProfileStringA("boot", "placement.test", "x", "system.ini");
  WritePrivateProfileStringA("boot", "placement.test", nullptr, "system.ini");
  // A read-only attribute stops nobody when the tests run as root; another program's lock does.
  testlib::FileHolder holder({systemIni_});
  try {
    activateSaver();
    ADD_FAILURE() << "no failure raised";
  } catch (const ApplicationFailure& failure) {
    EXPECT_EQ(failure.message(), "Unable to write to system.ini");
    EXPECT_EQ(failure.code(), ERROR_SHARING_VIOLATION);
  }
}

// ---- clean-up after a failed run ----

TEST_F(SaverFixture, RemoveInstalledSaverTakesEverythingAway) {
  writeFile(scr(installPaths.systemDir), "saver");
  CreateDirectoryA(installPaths.saverDir.c_str(), nullptr);
  CreateDirectoryA((installPaths.saverDir + "sub").c_str(), nullptr);
  writeFile(installPaths.saverDir + "sub\\data.bin", "data");
  ASSERT_EQ(registerUninstall(name_), 0);

  removeInstalledSaver();
  EXPECT_FALSE(exists(scr(installPaths.systemDir)));
  EXPECT_FALSE(exists(installPaths.saverDir));
  EXPECT_FALSE(uninstallEntryExists());
}

TEST_F(SaverFixture, RemoveInstalledSaverGoesOnPastASaverFileInUse) {
  writeFile(scr(installPaths.systemDir), "saver");
  CreateDirectoryA(installPaths.saverDir.c_str(), nullptr);
  ASSERT_EQ(registerUninstall(name_), 0);
  {
    testlib::FileHolder holder({scr(installPaths.systemDir)});
    removeInstalledSaver();
  }
  EXPECT_TRUE(exists(scr(installPaths.systemDir)));
  EXPECT_FALSE(exists(installPaths.saverDir));
  EXPECT_FALSE(uninstallEntryExists());
}

}  // namespace
