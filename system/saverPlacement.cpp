#include "system/saverPlacement.h"

#include "common/applicationFailure.h"
#include "common/installerState.h"
#include "common/texts.h"
#include "system/KTV_FileUtils.h"
#include "system/KTV_RegistryUtils.h"
#include "toolkit/messageDialog.h"

#include <windows.h>

namespace {

constexpr int saverRecord = 6;  // the package record of the saver engine (.scr)

std::string companionDir(const std::string& dir, const std::string& name) { return dir + name + " dir\\"; }
std::string saverFile(const std::string& dir, const std::string& name) { return dir + name + ".scr"; }

// The translated text with the file name in place of its "%s"; never used as a format string.
std::string unableToWriteText(const std::string& file) {
  std::string text = loadText(IDS_UNABLE_TO_WRITE_TO);
  std::string::size_type placeholder = text.find("%s");
  if (placeholder != std::string::npos) text.replace(placeholder, 2, file);
  return text;
}

}  // namespace

void closeDisplayProperties() {
  HWND window = FindWindowA(nullptr, loadText(IDS_DISPLAY_PROPERTIES).c_str());
  // A translated resource still finds the dialog of an untranslated Windows.
  if (!window) window = FindWindowA(nullptr, "Display Properties");
  // Sent, not posted: the old dialog must have let go of the saver before files are touched.
  if (window) SendDlgItemMessageA(window, IDCANCEL, BM_CLICK, 0, 0);
}

bool saverExists(const std::string& dir, const std::string& name) {
  return directoryExists(companionDir(dir, name)) || fileExists(saverFile(dir, name));
}

ResultCode prepareSaverTarget(const std::string& dir, const std::string& name, bool ask,
                              const std::string& overwriteQuestion) {
  const bool inDir = saverExists(dir, name);
  const bool inWindows = saverExists(installPaths.windowsDir, name);
  if ((inDir || inWindows) && ask &&
      messageDialog(name + overwriteQuestion, DialogKind::confirmation, {IDOK, IDCANCEL}) != IDOK) {
    return rcCancelled;
  }
  // A copy that stays behind is caught when extraction cannot replace it (-38 for the saver file).
  if (inWindows) removeSaverCopy(installPaths.windowsDir, name);
  if (inDir) removeSaverCopy(dir, name);
  return createSaverDir(dir, name);
}

ResultCode removeSaverCopy(const std::string& dir, const std::string& name) {
  ResultCode result = 0;
  const std::string file = saverFile(dir, name);
  if (fileExists(file)) result = deleteFile(file);
  const std::string companion = companionDir(dir, name);
  if (directoryExists(companion)) result = removeDirectoryTree(companion);
  return result;
}

ResultCode createSaverDir(const std::string& dir, const std::string& name) {
  const std::string path = companionDir(dir, name);
  if (directoryExists(path)) return 0;
  if (CreateDirectoryA(path.c_str(), nullptr)) return 0;
  const DWORD error = GetLastError();
  // Lost a race with another creator: fine. A file of that name is not a directory to install into.
  if (error == ERROR_ALREADY_EXISTS && directoryExists(path)) return 0;
  return static_cast<ResultCode>(error);
}

ResultCode activateSaver() {
  const std::string shortForm =
      shortPathName(installPaths.systemDir + packageDirectory.records[saverRecord].fileName());
  if (shortForm.empty()) return rcNotCreated;
  if (!WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", shortForm.c_str(), "system.ini")) {
    throw ApplicationFailure(unableToWriteText("system.ini"), static_cast<int>(GetLastError()));
  }
  // Its outcome does not matter: "system.ini" already names the saver.
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 1, nullptr, SPIF_SENDWININICHANGE);
  return 0;
}

void removeInstalledSaver() {
  // Each step runs whatever the one before it achieved; a failed run has nothing left to report.
  removeDirectoryTree(installPaths.saverDir);
  deleteFile(installPaths.systemDir + packageDirectory.records[saverRecord].fileName());
  unregisterUninstall(installPaths.saverName);
}
