// Reading and clearing uninstall entries behind the back of the unit under test.
#pragma once
#include <windows.h>
#include <shlwapi.h>

#include <string>

namespace registryProbe {

inline std::string uninstallPath(const std::string& name) {
  return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
}

inline bool keyExists(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The string value, or "<missing>" when the key or the value is not there.
inline std::string value(HKEY root, const std::string& path, const char* name) {
  char buffer[1024];
  DWORD size = sizeof buffer;
  DWORD type = 0;
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<missing>";
  LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ || size == 0) return "<missing>";
  return std::string(buffer, size - 1);
}

inline void setValue(HKEY root, const std::string& path, const char* name, const std::string& text) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) return;
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
}

inline void createKey(HKEY root, const std::string& path) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegCloseKey(key);
  }
}

inline void removeTree(HKEY root, const std::string& path) { SHDeleteKeyA(root, path.c_str()); }

}  // namespace registryProbe
