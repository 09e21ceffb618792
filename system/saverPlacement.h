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
// The code of the last removal (the directory's when there is one); callers ignore it.
ResultCode removeSaverCopy(const std::string& dir, const std::string& name);
// 0 when dir + name + " dir\" exists as a directory afterwards, else the system's code (183 when a
// file of that name stands in its place).
ResultCode createSaverDir(const std::string& dir, const std::string& name);
// 0 or -16; a failed "system.ini" write throws ApplicationFailure ("Unable to write to system.ini").
ResultCode activateSaver();
// Removes saverDir, the saver file of record 6 and the uninstall entry; each step runs whatever
// the one before it achieved.
void removeInstalledSaver();
