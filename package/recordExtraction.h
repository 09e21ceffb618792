// Writing package records to their destinations: one record (extractRecord), the four start-up
// loaders, the extraction loop of the install run, and the copies of license and read-me into
// saverDir. Reads packageDirectory and installPaths. Windows only.
#pragma once
#include "common/constants_shared.h"
#include "common/fileStream.h"
#include "common/installerState.h"

#include <string>

// stream: open read stream on packageCopy (moved). withProgress: status text and one progress step.
ResultCode extractRecord(FileStream& stream, int index, bool withProgress, InstallerUi& ui);

ResultCode loadFlashInstaller(InstallerUi& ui);  // record 2
ResultCode loadIntroMedia(InstallerUi& ui);      // record 3; renamed ".BMP"/".jpg" for presentation 1/8
ResultCode loadLicense(InstallerUi& ui);         // record 4
ResultCode loadReadMe(InstallerUi& ui);          // record 5

// Records 5 (with useReadMe) or 6 to 10, testing cancelRequested before each; a cancelled loop
// returns 0.
ResultCode extractSaverFiles(const std::string& packagePath, const InstallerState& state, InstallerUi& ui);
ResultCode copyLicenseAndReadMe(const InstallerState& state);
