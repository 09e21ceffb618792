// The Flash player check and installation against the stand-ins: control files with real version
// resources in a scratch system directory, files held open by another process, the stand-in
// control registered for real, and the stand-in Flash Player installer started through the shell.
#include "flash/KTV_FlashUtils.h"
#include "system/KTV_FileUtils.h"
#include "tests/harness/testlib.h"

#include <gtest/gtest.h>
#include <ole2.h>

#include <algorithm>
#include <iterator>

namespace {

using testlib::ScratchDir;

const CLSID clsidShockwaveFlash = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID iidShockwaveFlash = {0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const char* const dialogTitle = "Macromedia Flash Player 7";

class OleEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
  void TearDown() override { OleUninitialize(); }
};
const auto* const oleEnvironment = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

std::string standIn(const std::string& version) { return testlib::programDir() + "flashctl-" + version + ".ocx"; }
// A real program without a version resource.
std::string fileWithoutVersion() { return testlib::programDir() + "holdfile.exe"; }

// Calls one of a stand-in control's registration entry points.
void callServer(const std::string& path, const char* function) {
  HMODULE module = LoadLibraryA(path.c_str());
  ASSERT_NE(module, nullptr) << path;
  using ServerFunction = HRESULT(STDAPICALLTYPE*)();
  auto entry = reinterpret_cast<ServerFunction>(reinterpret_cast<void*>(GetProcAddress(module, function)));
  ASSERT_NE(entry, nullptr) << function;
  EXPECT_EQ(entry(), S_OK) << function;
  FreeLibrary(module);
}

// Sets an environment variable for the scope of a test (inherited by the programs it starts).
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    SetEnvironmentVariableA(name, value.c_str());
  }
  ~ScopedEnvironment() { SetEnvironmentVariableA(name_, nullptr); }

 private:
  const char* name_;
};

// A scratch system directory with the Macromed\Flash directory in it.
class FlashFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    installPaths.systemDir = system_.path();
    CreateDirectoryA((system_ / "Macromed").c_str(), nullptr);
    CreateDirectoryA((system_ / "Macromed\\Flash").c_str(), nullptr);
  }
  void TearDown() override { installPaths.systemDir.clear(); }
  std::string flashOcx() const { return system_ / "Macromed\\Flash\\Flash.ocx"; }
  std::string swflashOcx() const { return system_ / "Macromed\\Flash\\swflash.ocx"; }
  void place(const std::string& source, const std::string& target) {
    if (!source.empty()) {
      ASSERT_TRUE(CopyFileA(source.c_str(), target.c_str(), FALSE)) << source;
    }
  }

  ScratchDir system_{"flashsys"};
};

struct VersionCase {
  const char* name;
  std::string flash;    // source of Flash.ocx, "" for none
  std::string swflash;  // source of swflash.ocx, "" for none
  int major;
  int release;
};

TEST_F(FlashFiles, VersionComesFromTheFirstControlFileOnly) {
  const VersionCase cases[] = {
      {"no control file", "", "", 0, 0},
      {"only swflash.ocx", "", standIn("6.0.79.0"), 6, 79},
      {"both, Flash.ocx older", standIn("7.0.18.0"), standIn("8.0.22.0"), 7, 18},
      {"Flash.ocx without version, newer swflash.ocx", fileWithoutVersion(), standIn("8.0.22.0"), 0, 0},
      {"only Flash.ocx", standIn("7.0.19.0"), "", 7, 19},
      {"second and fourth numbers unused", standIn("8.0.0.0"), "", 8, 0},
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteFileA(flashOcx().c_str());
    DeleteFileA(swflashOcx().c_str());
    place(c.flash, flashOcx());
    place(c.swflash, swflashOcx());
    int major = -1, release = -1;
    getFlashOcxVersion(major, release);
    EXPECT_EQ(major, c.major);
    EXPECT_EQ(release, c.release);
    bool installed = !c.major;
    int installedMajor = -1;
    isFlashOcxInstalled(installed, installedMajor);
    EXPECT_EQ(installed, c.major > 0);
    EXPECT_EQ(installedMajor, c.major);
  }
}

TEST_F(FlashFiles, RemovalReportsALockedFileAndStillTriesTheOther) {
  struct Case {
    const char* name;
    bool flashHeld, swflashHeld;
  } cases[] = {{"Flash.ocx held", true, false}, {"swflash.ocx held", false, true}, {"none held", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    place(standIn("6.0.79.0"), flashOcx());
    place(standIn("6.0.79.0"), swflashOcx());
    std::vector<std::string> held;
    if (c.flashHeld) held.push_back(flashOcx());
    if (c.swflashHeld) held.push_back(swflashOcx());
    testlib::FileHolder holder(held);
    EXPECT_EQ(removeFlashOcxFiles(), c.flashHeld || c.swflashHeld);
    EXPECT_EQ(testlib::exists(flashOcx()), c.flashHeld);
    EXPECT_EQ(testlib::exists(swflashOcx()), c.swflashHeld);
  }
}

TEST_F(FlashFiles, RemovalWithoutControlFilesIsNoFailure) { EXPECT_FALSE(removeFlashOcxFiles()); }

TEST(FlashInstaller, InstallerThatCannotStartChangesNoFlag) {
  struct Case {
    const char* name;
    const char* content;  // nullptr: no installer file
    bool expectShellReason;
  } cases[] = {{"missing", nullptr, false}, {"not a program", "not a program", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir work("flashwork");
    installPaths.workDir = work.path();
    if (c.content) testlib::writeFile(work / "flashax.exe", c.content);
    const ResultCode result = runFlashInstaller();
    if (c.expectShellReason) {
      EXPECT_GE(result, 1);  // the shell's own reason, passed on unchanged
      EXPECT_LE(result, 32);
    } else {
      EXPECT_EQ(result, rcNoFlashInstaller);
    }
    InstallerState state;
    state.flashUpdateKind = 2;
    state.flashControlLocked = 1;
    EXPECT_EQ(installFlashPlayer(state), result);
    EXPECT_EQ(state.flashInstallerRun, 0);
    EXPECT_EQ(state.restartNeeded, 0);
    installPaths.workDir.clear();
  }
}

// Every probe test starts with no control registered and nothing cached, and leaves it so.
class FlashProbe : public ::testing::Test {
 protected:
  void SetUp() override {
    cachedFlashVersion = -1;
    callServer(standIn("8.0.22.0"), "DllUnregisterServer");
  }
  void TearDown() override {
    CoFreeUnusedLibrariesEx(0, 0);
    callServer(standIn("8.0.22.0"), "DllUnregisterServer");
    cachedFlashVersion = -1;
  }
};

TEST_F(FlashProbe, NoTriesMakesNoAttempt) {
  bool installed = true;
  int version = 0;
  EXPECT_EQ(probeFlashPlayerVersion(installed, version, 0), 0);
  EXPECT_FALSE(installed);
  EXPECT_EQ(version, -1);
}

TEST_F(FlashProbe, UnregisteredControlFailsAfterEveryTry) {
  bool installed = true;
  int version = 0;
  DWORD start = GetTickCount();
  EXPECT_EQ(probeFlashPlayerVersion(installed, version, 2), rcFlashProbeFailed);
  EXPECT_GE(GetTickCount() - start, 900u);  // a pause before each of the two attempts
  EXPECT_FALSE(installed);
  EXPECT_EQ(version, -1);
  EXPECT_EQ(cachedFlashVersion, -1);
}

TEST_F(FlashProbe, RegisteredControlGivesMajorVersionOnceAndThenTheCache) {
  callServer(standIn("8.0.22.0"), "DllRegisterServer");
  bool installed = false;
  int version = 0;
  EXPECT_EQ(probeFlashPlayerVersion(installed, version, 3), 0);
  EXPECT_TRUE(installed);
  EXPECT_EQ(version, 8);
  EXPECT_EQ(cachedFlashVersion, 8);

  // Later probes never create the control again, even when it is gone.
  callServer(standIn("8.0.22.0"), "DllUnregisterServer");
  installed = false;
  version = 0;
  DWORD start = GetTickCount();
  EXPECT_EQ(probeFlashPlayerVersion(installed, version, 1000), 0);
  EXPECT_LT(GetTickCount() - start, 400u);
  EXPECT_TRUE(installed);
  EXPECT_EQ(version, 8);
}

// The stand-in must also answer through the vtable, as the movie panel calls it.
TEST_F(FlashProbe, StandInAnswersFlashVersionInVtableSlot39) {
  callServer(standIn("6.0.79.0"), "DllRegisterServer");
  IUnknown* control = nullptr;
  ASSERT_EQ(CoCreateInstance(clsidShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER, iidShockwaveFlash,
                             reinterpret_cast<void**>(&control)),
            S_OK);
  using FlashVersionMethod = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, long*);
  auto flashVersion = reinterpret_cast<FlashVersionMethod>((*reinterpret_cast<void***>(control))[39]);
  long value = 0;
  EXPECT_EQ(flashVersion(control, &value), S_OK);
  EXPECT_EQ(value, 0x00060000);
  control->Release();
  CoFreeUnusedLibrariesEx(0, 0);
  callServer(standIn("6.0.79.0"), "DllUnregisterServer");
}

// The stand-in installer run from a scratch work directory; it installs the 7.0.19.0 control into
// the prefix's real system directory, which every test removes again.
class FlashInstallerRun : public FlashProbe {
 protected:
  void SetUp() override {
    FlashProbe::SetUp();
    installPaths.workDir = work_.path();
    ASSERT_TRUE(CopyFileA((testlib::programDir() + "flashax.exe").c_str(), (work_ / "flashax.exe").c_str(), FALSE));
  }
  void TearDown() override {
    FlashProbe::TearDown();
    char system[MAX_PATH];
    UINT length = GetSystemDirectoryA(system, MAX_PATH);
    const std::string dir = std::string(system, length) + "\\Macromed\\";
    EXPECT_TRUE(DeleteFileA((dir + "Flash\\Flash.ocx").c_str()));
    RemoveDirectoryA((dir + "Flash").c_str());
    RemoveDirectoryA(dir.c_str());
    installPaths.workDir.clear();
  }
  // The stand-in's trace once it holds this many lines (each run writes one as it ends).
  std::string traceLines(int lines) {
    std::string text;
    for (int i = 0; i < 200; ++i) {
      text = testlib::readFile(trace());
      if (std::count(text.begin(), text.end(), '\n') >= lines) break;
      Sleep(50);
    }
    return text;
  }
  std::string trace() const { return work_ / "trace.txt"; }

  ScratchDir work_{"flashrun"};
  ScopedEnvironment standIn_{"SAVER_FLASH_STANDIN", standIn("7.0.19.0")};
  ScopedEnvironment trace_{"SAVER_FLASH_TRACE", work_ / "trace.txt"};
};

TEST_F(FlashInstallerRun, RunsInstallerQuietlyAndWaitsForTheNewControl) {
  InstallerState state;
  state.flashUpdateKind = 2;
  state.flashControlLocked = 1;
  EXPECT_EQ(installFlashPlayer(state), 0);
  EXPECT_EQ(state.flashInstallerRun, 1);
  EXPECT_EQ(state.restartNeeded, 1);
  EXPECT_EQ(cachedFlashVersion, 7);
  EXPECT_EQ(traceLines(1), "args=/Q install=ok dialog=none\r\n");
}

TEST_F(FlashInstallerRun, RestartIsNeededOnlyForALockedMajorUpdate) {
  struct Case {
    std::uint8_t kind, locked, restart;
  } cases[] = {{2, 0, 0}, {3, 1, 0}, {4, 0, 0}};
  int runs = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE("kind " + std::to_string(c.kind) + " locked " + std::to_string(c.locked));
    cachedFlashVersion = 7;  // the wait for the control is not what this checks
    InstallerState state;
    state.flashUpdateKind = c.kind;
    state.flashControlLocked = c.locked;
    EXPECT_EQ(installFlashPlayer(state), 0);
    EXPECT_EQ(state.flashInstallerRun, 1);
    EXPECT_EQ(state.restartNeeded, c.restart);
    traceLines(++runs);  // one installer at a time: each replaces the same control file
  }
}

TEST_F(FlashInstallerRun, ConfirmsTheInstallersDialogOnce) {
  ScopedEnvironment dialog("SAVER_FLASH_DIALOG", "1");
  InstallerState state;
  state.flashUpdateKind = 4;
  EXPECT_EQ(installFlashPlayer(state), 0);
  confirmFlashInstallerDialog(state, 1000);
  EXPECT_EQ(state.flashDialogDismissed, 1);
  EXPECT_EQ(traceLines(1), "args=/Q install=ok dialog=7\r\n");
}

// A window of this process that looks like the installer's dialog and counts the presses of 7.
class FakeInstallerDialog {
 public:
  FakeInstallerDialog() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "FakeFlashInstallerDialog";
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, windowClass.lpszClassName, dialogTitle, WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 0,
                              0, 300, 120, nullptr, nullptr, windowClass.hInstance, nullptr);
    for (int id : {6, 7}) {
      CreateWindowExA(0, "BUTTON", id == 7 ? "No" : "Yes", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10 + id * 20, 40,
                      75, 23, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), windowClass.hInstance,
                      nullptr);
    }
    std::fill(std::begin(presses), std::end(presses), 0);
  }
  ~FakeInstallerDialog() { DestroyWindow(window_); }
  static inline int presses[8];

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) < 8) ++presses[LOWORD(wParam)];
    return DefWindowProcA(window, message, wParam, lParam);
  }
  HWND window_ = nullptr;
};

TEST(FlashInstallerDialog, PressesButtonSevenOnceAndThenNeverAgain) {
  InstallerState state;
  {
    FakeInstallerDialog dialog;
    confirmFlashInstallerDialog(state, 10);
    EXPECT_EQ(FakeInstallerDialog::presses[7], 1);
    EXPECT_EQ(FakeInstallerDialog::presses[6], 0);
    EXPECT_EQ(state.flashDialogDismissed, 1);
    confirmFlashInstallerDialog(state, 10);
    EXPECT_EQ(FakeInstallerDialog::presses[7], 1);
  }
  FakeInstallerDialog shownAgain;
  confirmFlashInstallerDialog(state, 10);
  EXPECT_EQ(FakeInstallerDialog::presses[7], 0);
}

TEST(FlashInstallerDialog, GivesUpWithoutTheDialogAndTriesAgainLater) {
  InstallerState state;
  confirmFlashInstallerDialog(state, 3);
  EXPECT_EQ(state.flashDialogDismissed, 0);
  FakeInstallerDialog dialog;
  confirmFlashInstallerDialog(state, 3);
  EXPECT_EQ(state.flashDialogDismissed, 1);
  EXPECT_EQ(FakeInstallerDialog::presses[7], 1);
}

}  // namespace
