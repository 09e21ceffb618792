// The copy of the installer file into the work directory and the reading of the package directory
// from it. Windows only.
#pragma once
#include "common/constants_shared.h"
#include "common/installerState.h"

// Makes installPaths.packageCopy a byte-for-byte copy of installPaths.installerPath. A failure is
// reported as -523 with the copy's path; the underlying code is returned.
ResultCode copyPackage();
// Fills packageDirectory from packageCopy at payloadOffset (-31 when the file ends before 3152
// bytes) and extracts record 1, the decompression library.
ResultCode readPackageDirectory(InstallerUi& ui);
