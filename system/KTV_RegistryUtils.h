// The uninstall entry under HKEY_LOCAL_MACHINE, or HKEY_CURRENT_USER when the machine root cannot
// be written. Windows only. Nothing here shows a message; callers ignore the codes.
#pragma once
#include "common/constants_shared.h"

#include <windows.h>

#include <string>

// The two roots registerUninstall and unregisterUninstall try in turn. Only tests change them:
// Wine lets every user write HKEY_LOCAL_MACHINE, so the fallback to the user's root can only be
// reached by pointing machine at a key that refuses.
struct UninstallRoots {
  HKEY machine = HKEY_LOCAL_MACHINE;
  HKEY user = HKEY_CURRENT_USER;
};
extern UninstallRoots uninstallRoots;

ResultCode registerUninstall(const std::string& name);    // 0 or -2201
ResultCode unregisterUninstall(const std::string& name);  // 0 or -2202
// "DisplayName" and "UninstallString" under root\...\Uninstall\<name>, other values kept: 0 or -2201
// (also for an empty name, which would address the Uninstall key itself).
ResultCode writeUninstallEntry(const std::string& name, HKEY root);
// 0 when the key is gone or never opened (an empty name opens nothing); -2202 when a value or the
// key with its subkeys could not be deleted.
ResultCode deleteUninstallEntry(const std::string& name, HKEY root);
// Windows 95, 98 or ME, from GetVersionExA; false when the call fails.
bool isWindows9x();
