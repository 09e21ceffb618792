// The uninstall entry under HKEY_LOCAL_MACHINE, or HKEY_CURRENT_USER when the machine root cannot
// be written. Windows only.
#pragma once
#include "common/constants_shared.h"

#include <windows.h>

#include <string>

ResultCode registerUninstall(const std::string& name);    // 0 or -2201
ResultCode unregisterUninstall(const std::string& name);  // 0 or -2202
ResultCode writeUninstallEntry(const std::string& name, HKEY root);
ResultCode deleteUninstallEntry(const std::string& name, HKEY root);
bool isWindows9x();
