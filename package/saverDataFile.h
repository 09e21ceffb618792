// The saver data file (record 8, at installPaths.saverDataPath): its settings block, the entries it
// installs into saverDir, and the settings file "saver.dat". Windows only.
#pragma once
#include "common/constants_shared.h"
#include "common/installerState.h"

#include <string>

ResultCode readSettingsBlock(InstallerState& state);
ResultCode installSaverEntries(InstallerState& state, InstallerUi& ui);
ResultCode openSaverDataFile(InstallerState& state, const std::string& path, bool showErrors);
ResultCode installSaverEntry(const std::string& directory, int index);
ResultCode closeSaverDataFile();
ResultCode writeSaverSettings(const InstallerState& state, InstallerUi& ui);
