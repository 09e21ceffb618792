// The installer run end to end, as its users run it: packages built by saverpack (tests/e2e/
// make-packages), started as processes in the prefix's real Windows and system directories, each
// with a TEMP of its own and the Flash Player installer stand-in. A helper thread answers the
// dialogs the installer shows, as a user would. Every case leaves the prefix as it found it.
#include "common/constants_shared.h"
#include "common/dataStructures_shared.h"
#include "tests/harness/testlib.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

using testlib::ScratchDir;

const std::string saverName = "Sample Saver";
const std::string startupFailure31 = "Installer file is corrupted. Morvane Error: -31. ";
const std::string startupFailure531 = "Installer file is corrupted. Morvane Error: -531. ";
const std::string restartQuestion =
    "The installation was successful. You must restart your computer before the new settings will take "
    "effect.\r\n\r\nDo you want to restart your computer now?";
const std::string installedTrace = "args=/Q install=ok dialog=none\r\n";
const std::string installerCaption = "Install: Sample Saver";
const std::string displayPanelQuestion =
    "The installation of the screen saver was successful.\r\n\r\nWould you like to open the screen saver control "
    "panel?";
const std::string overwriteQuestion = "Sample Saver screen saver already exists. Overwrite?";
const std::string saverBusyReport =
    "Installation Error: Screen saver cannot be replaced.\r\n\r\nPlease close the screen saver control panel and try "
    "again. If the install fails again, you may have insufficient privileges to install screen savers. Please "
    "contact your system administrator for assistance.";

std::string withBackslash(std::string dir) { return dir.empty() || dir.back() == '\\' ? dir : dir + '\\'; }

std::string systemDir() {
  char path[MAX_PATH];
  UINT length = GetSystemDirectoryA(path, MAX_PATH);
  return withBackslash(std::string(path, length));
}

std::string windowsDir() {
  char path[MAX_PATH];
  UINT length = GetWindowsDirectoryA(path, MAX_PATH);
  return withBackslash(std::string(path, length));
}

std::string packages() { return testlib::buildDir() + "e2e\\"; }
std::string extracted() { return packages() + "sample.files\\"; }
std::string saverFile(const std::string& dir) { return dir + saverName + ".scr"; }
std::string saverDir(const std::string& dir) { return dir + saverName + " dir\\"; }
std::string flashDir() { return systemDir() + "Macromed\\Flash\\"; }
std::string flashOcx() { return flashDir() + "Flash.ocx"; }
std::string standIn(const std::string& version) { return testlib::programDir() + "flashctl-" + version + ".ocx"; }
std::string uninstallKey() { return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + saverName; }

// ---- Packages -------------------------------------------------------------------------------

PackageDirectory directoryOf(const std::string& bytes) {
  return parsePackageDirectory(reinterpret_cast<const std::uint8_t*>(bytes.data() + payloadOffset));
}

// A faulty package made from a good one by changing its directory in place.
std::string withDirectoryEdit(const std::string& package, const std::function<void(PackageDirectory&)>& edit) {
  std::string bytes = testlib::readFile(package);
  PackageDirectory directory = directoryOf(bytes);
  edit(directory);
  serialisePackageDirectory(directory, reinterpret_cast<std::uint8_t*>(&bytes[payloadOffset]));
  return bytes;
}

// ---- Files and the registry -------------------------------------------------------------------

void removeTree(const std::string& dir) {
  std::string from = dir;
  if (!from.empty() && from.back() == '\\') from.pop_back();
  if (!testlib::exists(from)) return;
  from += '\0';  // the list ends with two NULs
  SHFILEOPSTRUCTA operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  SHFileOperationA(&operation);
}

// Files below dir, as paths relative to it.
std::set<std::string> filesUnder(const std::string& dir, const std::string& prefix = "") {
  std::set<std::string> files;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((dir + prefix + "*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      for (const std::string& file : filesUnder(dir, prefix + name + "\\")) files.insert(file);
    } else {
      files.insert(prefix + name);
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return files;
}

std::string registryValue(HKEY root, const std::string& path, const char* name) {
  char buffer[1024];
  DWORD size = sizeof buffer;
  if (SHGetValueA(root, path.c_str(), name, nullptr, buffer, &size) != ERROR_SUCCESS || size == 0) return "<missing>";
  return std::string(buffer, size - 1);
}

bool keyExists(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::string activeSaver() {
  char value[MAX_PATH];
  DWORD length = GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "", value, sizeof value, "system.ini");
  return std::string(value, length);
}

std::string shortPath(const std::string& path) {
  char value[MAX_PATH];
  DWORD length = GetShortPathNameA(path.c_str(), value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

// ---- The Flash control ------------------------------------------------------------------------

bool callServer(const std::string& path, const char* function) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) return false;
  using ServerFunction = HRESULT(STDAPICALLTYPE*)();
  auto entry = reinterpret_cast<ServerFunction>(reinterpret_cast<void*>(GetProcAddress(module, function)));
  const bool ok = entry && SUCCEEDED(entry());
  FreeLibrary(module);
  return ok;
}

void placeControl(const std::string& version) {
  CreateDirectoryA((systemDir() + "Macromed").c_str(), nullptr);
  CreateDirectoryA(flashDir().c_str(), nullptr);
  ASSERT_TRUE(CopyFileA(standIn(version).c_str(), flashOcx().c_str(), FALSE)) << version;
}

// No control registered and no control file: every stand-in registers the same class.
void removeFlash() {
  callServer(standIn("8.0.22.0"), "DllUnregisterServer");
  removeTree(systemDir() + "Macromed\\");
}

// ---- Windows the installer leaves open ----------------------------------------------------------

// Closes a window another program left open (WM_CLOSE, or a press of the named button) and waits
// until that program has ended; false when no such window came within timeoutMs.
bool closeProgramWindow(const std::string& caption, DWORD timeoutMs, const std::string& button = "") {
  HWND window = testlib::waitForWindow(caption, 0, timeoutMs);
  if (!window) return false;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (button.empty()) {
    PostMessageA(window, WM_CLOSE, 0, 0);
  } else {
    testlib::pressButton(window, button);
  }
  if (process) {
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
  }
  return true;
}

// The installer's dialogs as a user answers them, in the programs this test starts (not those of
// other tests running in the same prefix): reports are acknowledged; questions are declined (No, or
// Cancel where there is no No) unless the run gives other buttons for them.
std::vector<testlib::DialogLog::Answer> installerAnswers(const std::vector<std::string>& confirmButtons) {
  return {{"Error", {"&Abort"}},
          {"Information", {"&Abort"}},
          {"Confirm", confirmButtons.empty() ? std::vector<std::string>{"&No", "Cancel"} : confirmButtons},
          {"Installation Successful.", {"&No"}},
          // the application's own failure box, titled in silent mode
          {"Preparing installation...", {"OK"}}};
}

// ---- Running the installer --------------------------------------------------------------------

struct Outcome {
  DWORD exitCode = 0;
  std::vector<testlib::DialogLog::Dialog> dialogs;
  std::string flashTrace;              // the Flash Player installer stand-in's lines, one per run
  std::set<std::string> workDirsLeft;  // TEMP\QPF<n> directories still there afterwards
};

std::vector<std::string> captions(const Outcome& outcome) {
  std::vector<std::string> result;
  for (const auto& dialog : outcome.dialogs) result.push_back(dialog.caption);
  return result;
}

// Runs a function on a thread of its own; the object waits for it to end.
class Worker {
 public:
  explicit Worker(std::function<void()> work) : work_(std::move(work)) {
    if (work_) thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
  }
  ~Worker() {
    if (!thread_) return;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

 private:
  static DWORD WINAPI run(void* self) {
    static_cast<Worker*>(self)->work_();
    return 0;
  }
  std::function<void()> work_;
  HANDLE thread_ = nullptr;
};

struct RunOptions {
  int flashRuns = 0;  // runs of the Flash Player installer to wait for (each writes its trace line as it ends)
  std::vector<std::string> environment;  // these win over the run's own TEMP and the stand-in's variables
  std::vector<std::string> workDirsBefore;  // directories made in TEMP first, as earlier runs left them
  // Acts on the installer's window while it runs, on a thread of its own; must time out itself.
  std::function<void(const testlib::DialogLog&)> user;
  std::vector<std::string> confirmButtons;  // the answer to questions, when not the declining one
};

// Runs one installer with a TEMP of its own and waits for it.
Outcome runInstaller(const std::string& package, const std::string& arguments, const RunOptions& options = {}) {
  ScratchDir temp("e2etemp");
  const std::string tempDir = temp.path().substr(0, temp.path().size() - 1);
  const std::string trace = temp / "flash-trace.txt";
  std::vector<std::string> variables = options.environment;
  for (const std::string& standard : {"TEMP=" + tempDir, "TMP=" + tempDir, "SAVER_FLASH_STANDIN=" + standIn("7.0.19.0"),
                                      "SAVER_FLASH_TRACE=" + trace}) {
    const std::string key = standard.substr(0, standard.find('=') + 1);
    bool given = false;
    for (const std::string& variable : variables) given = given || variable.compare(0, key.size(), key) == 0;
    if (!given) variables.push_back(standard);
  }
  for (const std::string& dir : options.workDirsBefore) {
    CreateDirectoryA((temp / dir).c_str(), nullptr);
    testlib::writeFile(temp / (dir + "\\temp.dat"), "an earlier run's copy");
  }

  Outcome outcome;
  testlib::DialogLog dialogs(testlib::DialogLog::Owner::startedHere, installerAnswers(options.confirmButtons));
  {
    Worker user(options.user ? std::function<void()>([&] { options.user(dialogs); }) : std::function<void()>());
    outcome.exitCode = testlib::runProcess("\"" + package + "\"" + arguments, variables, 60000);
  }
  outcome.dialogs = dialogs.dialogs();
  for (int i = 0; i < 200; ++i) {
    outcome.flashTrace = testlib::readFile(trace);
    int lines = 0;
    for (char c : outcome.flashTrace) lines += c == '\n';
    if (lines >= options.flashRuns) break;
    Sleep(50);
  }
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((temp / "QPF*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do outcome.workDirsLeft.insert(entry.cFileName);
    while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  return outcome;
}

// ---- The fixture ------------------------------------------------------------------------------

// Starts and ends every case with the prefix clean of everything an install touches; a current
// Flash control is installed and registered, so that no case waits for one unless it means to.
class Installer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { originalSaver_ = activeSaver(); }

  void SetUp() override {
    ASSERT_TRUE(testlib::exists(packages() + "sample.exe")) << "run the e2e.packages fixture first";
    cleanPrefix();
    installCurrentControl();
  }
  void TearDown() override { cleanPrefix(); }

  static void installCurrentControl() {
    placeControl("8.0.22.0");
    ASSERT_TRUE(callServer(flashOcx(), "DllRegisterServer"));
  }

  static void cleanPrefix() {
    // The shell's editor showing a read-me, and a Flash Player installer whose dialog nobody
    // confirmed (it would wait two minutes).
    while (closeProgramWindow("readme.txt - Notepad", 0)) {
    }
    while (closeProgramWindow("Macromedia Flash Player 7", 0, "No")) {
    }
    for (const std::string& dir : {systemDir(), windowsDir()}) {
      DeleteFileA(saverFile(dir).c_str());
      removeTree(saverDir(dir));
    }
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, uninstallKey().c_str());
    SHDeleteKeyA(HKEY_CURRENT_USER, uninstallKey().c_str());
    WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", originalSaver_.empty() ? nullptr : originalSaver_.c_str(),
                               "system.ini");
    removeFlash();
  }

  // Nothing of the saver anywhere: what a failed run must leave.
  static void expectNothingInstalled() {
    EXPECT_FALSE(testlib::exists(saverFile(systemDir())));
    EXPECT_FALSE(testlib::exists(saverDir(systemDir())));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, uninstallKey()));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, uninstallKey()));
    EXPECT_EQ(activeSaver(), originalSaver_);
  }

  // A scratch copy of a faulty package.
  std::string writePackage(const std::string& name, const std::string& bytes) {
    testlib::writeFile(scratch_ / name, bytes);
    return scratch_ / name;
  }

  ScratchDir scratch_{"e2epkg"};
  static inline std::string originalSaver_;
};

// ---- Silent installs ("/q") ---------------------------------------------------------------------

TEST_F(Installer, SilentInstallPlacesTheSaverActivatesAndRegistersIt) {
  const PackageDirectory directory = directoryOf(testlib::readFile(packages() + "sample.exe"));
  const auto record = [&](int index) { return directory.records[index].fileName(); };
  ASSERT_TRUE(directory.header.hasReadMe && directory.header.hasLicense);

  const Outcome outcome = runInstaller(packages() + "sample.exe", " /q");
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_EQ(captions(outcome), std::vector<std::string>{});
  EXPECT_EQ(outcome.flashTrace, "");  // the current control is kept
  EXPECT_EQ(outcome.workDirsLeft, std::set<std::string>{});
  // The shell opens the copied read-me for the user.
  EXPECT_TRUE(closeProgramWindow(record(5) + " - Notepad", 15000));

  const std::string system = systemDir();
  const std::string dir = saverDir(system);
  EXPECT_EQ(record(6), saverName + ".scr");
  EXPECT_EQ(testlib::readFile(system + record(6)), testlib::readFile(extracted() + record(6)));

  // The saver's directory holds the companions, the data file's entries, the settings and the
  // read-me: nothing less and nothing more (no license in silent mode).
  std::set<std::string> expected = {record(5), record(7), record(9), record(10), "saver.dat"};
  for (const std::string& entry : filesUnder(extracted() + "entries\\")) expected.insert(entry);
  EXPECT_EQ(filesUnder(dir), expected);
  for (int index : {5, 7, 9, 10}) {
    EXPECT_EQ(testlib::readFile(dir + record(index)), testlib::readFile(extracted() + record(index))) << record(index);
  }
  for (const std::string& entry : filesUnder(extracted() + "entries\\")) {
    EXPECT_EQ(testlib::readFile(dir + entry), testlib::readFile(extracted() + "entries\\" + entry)) << entry;
  }
  EXPECT_EQ(testlib::readFile(dir + "saver.dat"),
            testlib::readFile(extracted() + record(8)).substr(0, settingsBlockSize));
  EXPECT_FALSE(testlib::exists(dir + record(4)));

  EXPECT_EQ(activeSaver(), shortPath(saverFile(system)));
  EXPECT_FALSE(activeSaver().empty());
  EXPECT_EQ(registryValue(HKEY_LOCAL_MACHINE, uninstallKey(), "DisplayName"), saverName);
  EXPECT_EQ(registryValue(HKEY_LOCAL_MACHINE, uninstallKey(), "UninstallString"), saverFile(system) + " /u");
}

TEST_F(Installer, SilentInstallReplacesAnEarlierSaverWithoutAsking) {
  const std::string newSaver = testlib::readFile(extracted() + saverName + ".scr");
  for (const std::string& dir : {systemDir(), windowsDir()}) {
    SCOPED_TRACE(dir);
    testlib::writeFile(saverFile(dir), "old saver");
    CreateDirectoryA(saverDir(dir).c_str(), nullptr);
    testlib::writeFile(saverDir(dir) + "old.txt", "old companion");

    const Outcome outcome = runInstaller(packages() + "plain.exe", " /q");
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_EQ(captions(outcome), std::vector<std::string>{});
    EXPECT_EQ(testlib::readFile(saverFile(systemDir())), newSaver);
    EXPECT_FALSE(testlib::exists(saverDir(systemDir()) + "old.txt"));
    EXPECT_TRUE(testlib::exists(saverDir(systemDir()) + "saver.dat"));
    if (dir != systemDir()) {
      EXPECT_FALSE(testlib::exists(saverFile(dir)));
      EXPECT_FALSE(testlib::exists(saverDir(dir)));
    }
    cleanPrefix();
    installCurrentControl();
  }
}

// Work directories of other runs are left alone; this run's own goes.
TEST_F(Installer, SilentInstallTakesTheNextFreeWorkDirectoryAndRemovesOnlyThat) {
  RunOptions options;
  options.workDirsBefore = {"QPF1", "QPF2"};
  const Outcome outcome = runInstaller(packages() + "plain.exe", " /q", options);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_EQ(outcome.workDirsLeft, (std::set<std::string>{"QPF1", "QPF2"}));
  EXPECT_TRUE(testlib::exists(saverDir(systemDir()) + "saver.dat"));
}

// Only a whole "/q", in any case and anywhere among the parameters, installs silently; otherwise the
// window comes up (and is cancelled here).
TEST_F(Installer, OnlyAWholeSlashQSelectsSilentMode) {
  const struct Case {
    const char* arguments;
    bool silent;
  } cases[] = {{" /Q", true}, {" other /q /Q", true}, {" -q", false}, {" /quiet", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    bool windowShown = false;
    RunOptions options;
    options.user = [&](const testlib::DialogLog&) {
      HWND window = testlib::waitForWindow(installerCaption, 0, c.silent ? 0 : 30000);
      windowShown = window != nullptr;
      if (window) testlib::pressButton(window, "Cancel");
    };
    const Outcome outcome = runInstaller(packages() + "plain.exe", c.arguments, options);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_EQ(captions(outcome), std::vector<std::string>{});
    EXPECT_EQ(windowShown, !c.silent);
    EXPECT_EQ(testlib::exists(saverDir(systemDir()) + "saver.dat"), c.silent);
    EXPECT_EQ(outcome.workDirsLeft, std::set<std::string>{});
    cleanPrefix();
    installCurrentControl();
  }
}

TEST_F(Installer, SilentFailuresEndWithTheirCodeAndLeaveNothingInstalled) {
  const std::string good = testlib::readFile(packages() + "plain.exe");
  const std::string packed = testlib::readFile(packages() + "packed-engine.exe");
  ASSERT_TRUE(directoryOf(packed).records[6].compressed());
  struct Case {
    const char* name;
    std::string package;
    ResultCode code;
    std::vector<std::string> errors;  // the texts of the "Error" dialogs; "" for any text
    std::vector<std::string> environment;
  } cases[] = {
      {"TEMP that does not exist", packages() + "plain.exe", ERROR_PATH_NOT_FOUND,
       {"Installer file is corrupted. Morvane Error: 3. "}, {"TEMP=" + windowsDir() + "no such directory"}},
      {"stub without payload", writePackage("stub.exe", good.substr(0, payloadOffset)), rcShortDirectory,
       {"", startupFailure31}},
      {"empty Flash installer record",
       writePackage("noflash.exe", withDirectoryEdit(packages() + "plain.exe",
                                                     [](PackageDirectory& d) { d.records[2].setFileName(""); })),
       rcNoRecordName, {startupFailure531}},
      {"compressed .scr one byte longer than recorded",
       writePackage("badsize.exe", withDirectoryEdit(packages() + "packed-engine.exe",
                                                     [](PackageDirectory& d) { d.records[6].size -= 1; })),
       rcSizeMismatch, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunOptions options;
    options.environment = c.environment;
    const Outcome outcome = runInstaller(c.package, " /q", options);
    EXPECT_EQ(outcome.exitCode, static_cast<DWORD>(c.code));
    ASSERT_EQ(outcome.dialogs.size(), c.errors.size());
    for (size_t i = 0; i < c.errors.size(); ++i) {
      EXPECT_EQ(outcome.dialogs[i].caption, "Error");
      if (!c.errors[i].empty()) {
        EXPECT_EQ(outcome.dialogs[i].text, c.errors[i]);
      }
    }
    EXPECT_EQ(outcome.workDirsLeft, std::set<std::string>{});
    expectNothingInstalled();
    cleanPrefix();
    installCurrentControl();
  }
}

TEST_F(Installer, BusySaverFailsSilentlyAndKeepsTheOldFile) {
  testlib::writeFile(saverFile(systemDir()), "old saver");
  Outcome outcome;
  {
    testlib::FileHolder holder({saverFile(systemDir())});
    outcome = runInstaller(packages() + "plain.exe", " /q");
  }
  EXPECT_EQ(outcome.exitCode, static_cast<DWORD>(rcSaverBusy));
  EXPECT_EQ(captions(outcome), std::vector<std::string>{});
  EXPECT_EQ(testlib::readFile(saverFile(systemDir())), "old saver");
  EXPECT_FALSE(testlib::exists(saverDir(systemDir())));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, uninstallKey()));
  EXPECT_EQ(activeSaver(), originalSaver_);
  EXPECT_EQ(outcome.workDirsLeft, std::set<std::string>{});
}

// Puts a directory in place of a file until the object goes, so that the file cannot be written
// (a read-only attribute does not stop Wine's root user).
class FileReplacedByDirectory {
 public:
  explicit FileReplacedByDirectory(const std::string& path) : path_(path), saved_(path + ".e2e-saved") {
    moved_ = MoveFileA(path_.c_str(), saved_.c_str()) != FALSE;
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~FileReplacedByDirectory() {
    RemoveDirectoryA(path_.c_str());
    if (moved_) MoveFileA(saved_.c_str(), path_.c_str());
  }
  FileReplacedByDirectory(const FileReplacedByDirectory&) = delete;
  FileReplacedByDirectory& operator=(const FileReplacedByDirectory&) = delete;

 private:
  std::string path_, saved_;
  bool moved_ = false;
};

// A "system.ini" that cannot be written fails the run without a result code of its own: the
// failure is shown, what was installed goes again, and the exit code is not success.
TEST_F(Installer, UnwritableSystemIniFailsTheSilentInstallAndUndoesIt) {
  Outcome outcome;
  {
    FileReplacedByDirectory ini(windowsDir() + "system.ini");
    outcome = runInstaller(packages() + "plain.exe", " /q");
  }
  EXPECT_NE(outcome.exitCode, 0u);
  ASSERT_EQ(captions(outcome), std::vector<std::string>{"Preparing installation..."});
  EXPECT_EQ(outcome.dialogs[0].text, "Unable to write to system.ini.");
  expectNothingInstalled();
  EXPECT_EQ(outcome.workDirsLeft, std::set<std::string>{});
}

// ---- The Flash player ---------------------------------------------------------------------------

TEST_F(Installer, FlashPlayerInstallerRunsOnlyForAMissingOrOldControl) {
  const std::string current = testlib::readFile(standIn("7.0.19.0"));
  struct Case {
    const char* installed;  // the control file's version, "" for none
    bool runsInstaller;
  } cases[] = {{"6.0.79.0", true},  {"7.0.18.0", true},  {"7.0.19.0", false},
               {"8.0.22.0", false}, {"8.0.0.0", true},   {"", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("control ") + (*c.installed ? c.installed : "none"));
    removeFlash();
    if (*c.installed) placeControl(c.installed);

    const Outcome outcome = runInstaller(packages() + "plain.exe", " /q", {c.runsInstaller ? 1 : 0});
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_EQ(captions(outcome), std::vector<std::string>{});
    EXPECT_EQ(outcome.flashTrace, c.runsInstaller ? installedTrace : "");
    // The old control made way for the one the Flash Player installer brings.
    EXPECT_EQ(testlib::readFile(flashOcx()) == current, c.runsInstaller || std::string(c.installed) == "7.0.19.0");
    EXPECT_TRUE(testlib::exists(saverDir(systemDir()) + "saver.dat"));
    cleanPrefix();
  }
}

// Holds a file as a program that has loaded it does: it can be read (its version too) but neither
// deleted nor replaced. A file held without any sharing would have no readable version at all.
class LoadedFile {
 public:
  explicit LoadedFile(const std::string& path)
      : file_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~LoadedFile() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }
  LoadedFile(const LoadedFile&) = delete;
  LoadedFile& operator=(const LoadedFile&) = delete;
  bool held() const { return file_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE file_;
};

// A major update whose old control file cannot be removed: the Flash Player installer runs during
// the install (its copy of the new control fails on the held file; another current control is
// registered, so the wait for one ends) and the restart question follows, which the user declines.
TEST_F(Installer, LockedOldControlEndsWithTheRestartQuestion) {
  removeFlash();
  placeControl("6.0.79.0");
  ASSERT_TRUE(callServer(standIn("8.0.22.0"), "DllRegisterServer"));
  Outcome outcome;
  {
    LoadedFile control(flashOcx());
    ASSERT_TRUE(control.held());
    outcome = runInstaller(packages() + "plain.exe", " /q", {1, {"SAVER_FLASH_DIALOG=1"}});
  }
  EXPECT_EQ(outcome.exitCode, 0u);
  ASSERT_EQ(captions(outcome), std::vector<std::string>{"Installation Successful."});
  EXPECT_EQ(outcome.dialogs[0].text, restartQuestion);
  // The installer confirmed the Flash Player installer's dialog itself.
  EXPECT_EQ(outcome.flashTrace, "args=/Q install=copy-failed dialog=7\r\n");
  EXPECT_TRUE(testlib::exists(saverDir(systemDir()) + "saver.dat"));
  EXPECT_EQ(outcome.workDirsLeft, std::set<std::string>{});
}

// ---- The installer window -----------------------------------------------------------------------

// The user's way: the window, the license accepted with its button, the display panel declined.
TEST_F(Installer, InteractiveInstallCopiesTheLicenseAndOffersTheDisplayPanel) {
  const PackageDirectory directory = directoryOf(testlib::readFile(packages() + "sample.exe"));
  const std::string license = testlib::readFile(extracted() + directory.records[4].fileName());
  bool licenseShown = false;
  std::string taskBarText;  // the caption of the window that owns the installer's
  RunOptions options;
  options.user = [&](const testlib::DialogLog&) {
    HWND window = testlib::waitForWindow(installerCaption, 0, 30000);
    if (!window) return;
    licenseShown = testlib::findChildByText(window, license) != nullptr;
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner && IsWindowVisible(owner)) taskBarText = testlib::windowText(owner);
    testlib::pressButton(window, "Accept and Install");
  };
  const Outcome outcome = runInstaller(packages() + "sample.exe", "", options);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_TRUE(licenseShown);
  EXPECT_EQ(taskBarText, installerCaption);
  ASSERT_EQ(captions(outcome), std::vector<std::string>{"Confirm"});
  EXPECT_EQ(outcome.dialogs[0].text, displayPanelQuestion);
  EXPECT_TRUE(closeProgramWindow(directory.records[5].fileName() + " - Notepad", 15000));
  const std::string dir = saverDir(systemDir());
  for (int index : {4, 5, 7}) {
    const std::string name = directory.records[index].fileName();
    EXPECT_EQ(testlib::readFile(dir + name), testlib::readFile(extracted() + name)) << name;
  }
  EXPECT_EQ(testlib::readFile(saverFile(systemDir())), testlib::readFile(extracted() + saverName + ".scr"));
  EXPECT_EQ(activeSaver(), shortPath(saverFile(systemDir())));
  EXPECT_EQ(registryValue(HKEY_LOCAL_MACHINE, uninstallKey(), "DisplayName"), saverName);
  EXPECT_EQ(outcome.workDirsLeft, std::set<std::string>{});
}

// Declining the overwrite question leaves the earlier saver alone and the window ready; Cancel ends.
TEST_F(Installer, InteractiveOverwriteDeclinedKeepsTheEarlierSaver) {
  testlib::writeFile(saverFile(systemDir()), "old saver");
  CreateDirectoryA(saverDir(systemDir()).c_str(), nullptr);
  testlib::writeFile(saverDir(systemDir()) + "old.txt", "old companion");
  RunOptions options;
  options.user = [](const testlib::DialogLog& dialogs) {
    HWND window = testlib::waitForWindow(installerCaption, 0, 30000);
    if (!window || !testlib::pressButton(window, "Accept and Install")) return;
    // The dialog thread declines the question; then the Install button is enabled again.
    if (!dialogs.waitForAnswers(1, 20000)) return;
    HWND install = testlib::findChildByText(window, "Accept and Install");
    for (int i = 0; i < 1000 && install && !IsWindowEnabled(install); ++i) Sleep(10);
    testlib::pressButton(window, "Cancel");
  };
  const Outcome outcome = runInstaller(packages() + "plain.exe", "", options);
  EXPECT_EQ(outcome.exitCode, 0u);
  ASSERT_EQ(captions(outcome), std::vector<std::string>{"Confirm"});
  EXPECT_EQ(outcome.dialogs[0].text, overwriteQuestion);
  EXPECT_EQ(testlib::readFile(saverFile(systemDir())), "old saver");
  EXPECT_EQ(filesUnder(saverDir(systemDir())), std::set<std::string>{"old.txt"});
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, uninstallKey()));
  EXPECT_EQ(activeSaver(), originalSaver_);
  EXPECT_EQ(outcome.workDirsLeft, std::set<std::string>{});
}

// Cancel while the files are being written: what was written goes again, and the program ends.
TEST_F(Installer, CancelDuringExtractionRemovesWhatWasWritten) {
  RunOptions options;
  options.user = [](const testlib::DialogLog&) {
    HWND window = testlib::waitForWindow(installerCaption, 0, 30000);
    if (!window || !testlib::pressButton(window, "Accept and Install")) return;
    for (int i = 0; i < 2000 && !testlib::findChildByText(window, "Writing screen saver files..."); ++i) Sleep(5);
    testlib::pressButton(window, "Cancel");
  };
  const Outcome outcome = runInstaller(packages() + "plain.exe", "", options);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_EQ(captions(outcome), std::vector<std::string>{});
  expectNothingInstalled();
  EXPECT_EQ(outcome.workDirsLeft, std::set<std::string>{});
}

// A busy saver in the window: the user overwrites, the run stops with the status and the
// report, the window stays for Cancel.
TEST_F(Installer, BusySaverInTheWindowIsReportedAndCancelEnds) {
  testlib::writeFile(saverFile(systemDir()), "old saver");
  RunOptions options;
  options.confirmButtons = {"OK"};
  bool statusShown = false;
  options.user = [&](const testlib::DialogLog& dialogs) {
    HWND window = testlib::waitForWindow(installerCaption, 0, 30000);
    if (!window || !testlib::pressButton(window, "Accept and Install")) return;
    // The question and the report are answered by the dialog thread; Cancel waits for both.
    if (!dialogs.waitForAnswers(2, 30000)) return;
    statusShown = testlib::findChildByText(window, "Installation Aborted: Screen saver cannot be replaced.") != nullptr;
    testlib::pressButton(window, "Cancel");
  };
  Outcome outcome;
  {
    testlib::FileHolder holder({saverFile(systemDir())});
    outcome = runInstaller(packages() + "plain.exe", "", options);
  }
  EXPECT_EQ(outcome.exitCode, 0u);
  ASSERT_EQ(captions(outcome), (std::vector<std::string>{"Confirm", "Error"}));
  EXPECT_EQ(outcome.dialogs[0].text, overwriteQuestion);
  EXPECT_EQ(outcome.dialogs[1].text, saverBusyReport);
  EXPECT_TRUE(statusShown);
  EXPECT_EQ(testlib::readFile(saverFile(systemDir())), "old saver");
  EXPECT_FALSE(testlib::exists(saverDir(systemDir())));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, uninstallKey()));
  EXPECT_EQ(outcome.workDirsLeft, std::set<std::string>{});
}

TEST_F(Installer, InteractiveStartupFailureShowsBothMessagesAndEndsWithZero) {
  const std::string plain = testlib::readFile(packages() + "plain.exe");
  const std::string stub = writePackage("stub.exe", plain.substr(0, payloadOffset));
  const Outcome outcome = runInstaller(stub, "");
  EXPECT_EQ(outcome.exitCode, 0u);
  ASSERT_EQ(captions(outcome), (std::vector<std::string>{"Error", "Error"}));
  EXPECT_EQ(outcome.dialogs[1].text, startupFailure31);
  EXPECT_EQ(outcome.workDirsLeft, std::set<std::string>{});
}

}  // namespace
