// What follows a successful install: the read-me, the Display control panel, and the restart
// question after a Flash update that needs one. Windows only.
#pragma once
#include "common/installerState.h"

#include <windows.h>

#include <functional>
#include <string>

void openReadMe();
void offerDisplayControlPanel();
void openDisplayControlPanel();
// closeInstallerWindow runs after a restart was requested.
void offerRestart(InstallerState& state, const std::function<void()>& closeInstallerWindow);
bool btnExitWindowsClick();
bool Win9X();
bool WinExit(UINT flags);
bool SetPrivilege(const std::string& name, bool enable);

// The call that ends the Windows session, ExitWindowsEx unless a test replaces it so that it never
// restarts the machine it runs on.
using ExitWindowsFunction = BOOL(WINAPI*)(UINT flags, DWORD reason);
extern ExitWindowsFunction exitWindowsCall;
