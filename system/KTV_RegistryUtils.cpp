#include "system/KTV_RegistryUtils.h"

#include "system/KTV_FileUtils.h"
#include "system/KTV_StringUtils.h"

UninstallRoots uninstallRoots;

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// An open registry key, closed when the object goes.
class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() {
    if (key_) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY get() const { return key_; }
  PHKEY receive() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

bool setString(HKEY key, const char* name, const std::string& value) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

// RegDeleteKeyA takes the subkeys along on Windows 9x but refuses a key that has any on NT, so the
// tree is emptied from below first.
bool deleteKeyTree(HKEY parent, const std::string& path) {
  {
    RegistryKey key;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, key.receive()) != ERROR_SUCCESS) return false;
    char child[256];  // registry key names have at most 255 characters
    for (;;) {
      DWORD length = sizeof child;
      LONG result = RegEnumKeyExA(key.get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr);
      if (result == ERROR_NO_MORE_ITEMS) break;
      if (result != ERROR_SUCCESS || !deleteKeyTree(key.get(), child)) return false;
    }
  }
  return RegDeleteKeyA(parent, path.c_str()) == ERROR_SUCCESS;
}

// Windows 95, 98 and ME know no long names in commands they run from the registry.
std::string uninstallCommand(const std::string& name) {
  std::string saverFile = installPaths.systemDir + name + ".scr";
  if (isWindows9x()) {
    std::string shortForm = shortPathName(saverFile);
    if (!shortForm.empty()) saverFile = shortForm;
  }
  return saverFile + " /u";
}

}  // namespace

ResultCode registerUninstall(const std::string& name) {
  ResultCode result = writeUninstallEntry(name, uninstallRoots.machine);
  if (result != 0) result = writeUninstallEntry(name, uninstallRoots.user);
  return result;
}

ResultCode unregisterUninstall(const std::string& name) {
  ResultCode result = deleteUninstallEntry(name, uninstallRoots.machine);
  if (result != 0) result = deleteUninstallEntry(name, uninstallRoots.user);
  return result;
}

ResultCode writeUninstallEntry(const std::string& name, HKEY root) {
  if (name.empty()) return rcUninstallWrite;
  const std::string displayName = uninstallDisplayName(name);
  const std::string command = uninstallCommand(name);
  RegistryKey key;
  DWORD disposition = 0;
  if (RegCreateKeyExA(root, (kUninstallKey + name).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, key.receive(), &disposition) != ERROR_SUCCESS) {
    return rcUninstallWrite;
  }
  if (!setString(key.get(), "DisplayName", displayName)) return rcUninstallWrite;
  if (!setString(key.get(), "UninstallString", command)) return rcUninstallWrite;
  return 0;
}

ResultCode deleteUninstallEntry(const std::string& name, HKEY root) {
  // An empty name would make the whole Uninstall key the entry.
  if (name.empty()) return 0;
  const std::string path = kUninstallKey + name;
  ResultCode result = 0;
  {
    RegistryKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, key.receive()) != ERROR_SUCCESS) return 0;
    if (RegDeleteValueA(key.get(), "DisplayName") != ERROR_SUCCESS) result = rcUninstallDelete;
    if (result == 0 && RegDeleteValueA(key.get(), "UninstallString") != ERROR_SUCCESS) result = rcUninstallDelete;
  }
  if (result == 0 && !deleteKeyTree(root, path)) result = rcUninstallDelete;
  return result;
}

bool isWindows9x() {
  OSVERSIONINFOA info{};
  static_assert(sizeof info == 148, "the basic version record");
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) return false;
  return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && info.dwMajorVersion == 4 &&
         (info.dwMinorVersion == 0 || info.dwMinorVersion == 10 || info.dwMinorVersion == 90);
}
