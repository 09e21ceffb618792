// Placing and activating the screen saver: dismissing an open Display Properties dialog, finding
// and removing an earlier copy, creating saverDir, making the saver the active one, and removing
// what a failed run put in place. Windows only.
#pragma once
#include "common/constants_shared.h"

#include <string>

void closeDisplayProperties();
// 0, -454 (the user declined to overwrite), or the system's code from createSaverDir.
ResultCode prepareSaverTarget(const std::string& dir, const std::string& name, bool ask,
                              const std::string& overwriteQuestion);
bool saverExists(const std::string& dir, const std::string& name);
ResultCode removeSaverCopy(const std::string& dir, const std::string& name);
ResultCode createSaverDir(const std::string& dir, const std::string& name);
// 0 or -16; a failed "system.ini" write throws ApplicationFailure ("Unable to write to system.ini").
ResultCode activateSaver();
void removeInstalledSaver();
