// The saver data file (record 8, at installPaths.saverDataPath): its settings block, the entries it
// installs into saverDir, and the settings file "saver.dat". Windows only.
#pragma once
#include "common/constants_shared.h"
#include "common/installerState.h"

#include <array>
#include <cstdint>
#include <string>

// The entry table of the open data file: slot 0 is never used, slots 1 to entryCount hold the
// file's entries, every other slot is zero (an empty name).
constexpr int saverEntrySlots = maxEntryCount + 1;  // 1010
extern std::array<SaverEntry, saverEntrySlots> saverEntries;
// Set once the data file is open and its block read; cleared by closeSaverDataFile.
extern std::uint8_t saverDataFileOpen;

// Reads the block from saverDataPath into state.settings; a failure is reported with that path.
ResultCode readSettingsBlock(InstallerState& state);
// Opens the data file, installs every entry into saverDir, closes the file and sets the archive
// attribute of the first entry's file. After a failure the file stays open.
ResultCode installSaverEntries(InstallerState& state, InstallerUi& ui);
// Opens path, reads the block and the entry table and leaves the file open. A second call while
// it is open shows the "already in use" message and returns 0, reading nothing. An entry count
// above 1009 or below 0 is refused with -535 before the table is read.
ResultCode openSaverDataFile(InstallerState& state, const std::string& path, bool showErrors);
// Installs entry index (1 to entryCount) under directory; a half-written target is deleted.
ResultCode installSaverEntry(const std::string& directory, int index);
ResultCode closeSaverDataFile();
// Writes state.settings to saverDir + "saver.dat"; a failure is reported with that path.
ResultCode writeSaverSettings(const InstallerState& state, InstallerUi& ui);
