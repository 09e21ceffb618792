#include "app/completionActions.h"

#include "common/texts.h"
#include "flash/KTV_FlashUtils.h"
#include "system/KTV_FileUtils.h"
#include "toolkit/application.h"
#include "toolkit/messageDialog.h"

#include <shellapi.h>

ExitWindowsFunction exitWindowsCall = ExitWindowsEx;

namespace {

constexpr int readMeRecord = 5;
constexpr int dialogTries = 1000;
constexpr int displayWindowLookups = 1000;
const char* const displayPanelCommand = "rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,1";
const char* const shutdownPrivilege = "SeShutdownPrivilege";

}  // namespace

void openReadMe() {
  if (!packageDirectory.header.hasReadMe) return;
  const std::string path = installPaths.saverDir + packageDirectory.records[readMeRecord].fileName();
  ShellExecuteA(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void offerDisplayControlPanel() {
  if (!packageDirectory.header.offerDisplayPanel) return;
  Application& application = Application::instance();
  application.bringToFront();
  if (messageDialog(loadText(IDS_OPEN_CONTROL_PANEL), DialogKind::confirmation, {IDYES, IDNO}) != IDYES) return;
  application.minimize();
  openDisplayControlPanel();
}

void openDisplayControlPanel() {
  if (!packageDirectory.header.offerDisplayPanel) return;
  HourglassCursor cursor;
  WinExec(displayPanelCommand, SW_SHOWNORMAL);
  // The panel starts in its own process; looking for its window (without pausing) only gives it
  // a moment to come up before the installer goes on.
  const std::string title = loadText(IDS_DISPLAY_PROPERTIES);
  for (int i = 0; i < displayWindowLookups; ++i) {
    if (FindWindowA(nullptr, title.c_str())) break;
  }
}

void offerRestart(InstallerState& state, const std::function<void()>& closeInstallerWindow) {
  Application& application = Application::instance();
  application.bringToFront();
  confirmFlashInstallerDialog(state, dialogTries);
  if (MessageBoxA(application.mainWindow(), loadText(IDS_RESTART_QUESTION).c_str(),
                  loadText(IDS_INSTALLATION_SUCCESSFUL).c_str(), MB_YESNO) == IDYES) {
    btnExitWindowsClick();
    if (closeInstallerWindow) closeInstallerWindow();
  }
  confirmFlashInstallerDialog(state, dialogTries);
}

bool btnExitWindowsClick() {
  // The Windows 9x family has no privileges to enable.
  if (Win9X()) return exitWindowsCall(EWX_REBOOT, 0) != FALSE;
  return WinExit(EWX_REBOOT);
}

bool Win9X() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) return false;
  return version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

bool WinExit(UINT flags) {
  if (!SetPrivilege(shutdownPrivilege, true)) return false;
  const bool result = exitWindowsCall(flags, 0) != FALSE;
  SetPrivilege(shutdownPrivilege, false);
  return result;
}

bool SetPrivilege(const std::string& name, bool enable) {
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token);
  bool result = false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  if (LookupPrivilegeValueA(nullptr, name.c_str(), &privileges.Privileges[0].Luid)) {
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    TOKEN_PRIVILEGES previous{};
    DWORD previousLength = 0;
    result = AdjustTokenPrivileges(token, FALSE, &privileges, sizeof previous, &previous, &previousLength) != FALSE;
  }
  if (token) CloseHandle(token);
  return result;
}
