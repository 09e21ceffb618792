// The Flash player control: its version from the control files in the system directory, removal of
// old control files, the Flash Player installer carried in the package, the probe that creates the
// control to ask its version, and the installer's dialog. Windows only.
#pragma once
#include "common/constants_shared.h"
#include "common/installerState.h"

extern int cachedFlashVersion;  // -1 until the first successful probe

void getFlashOcxVersion(int& major, int& release);
void isFlashOcxInstalled(bool& installed, int& major);
bool removeFlashOcxFiles();
ResultCode runFlashInstaller();
ResultCode probeFlashPlayerVersion(bool& installed, int& version, int tries);
ResultCode installFlashPlayer(InstallerState& state);
void confirmFlashInstallerDialog(InstallerState& state, int tries);
