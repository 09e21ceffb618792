#include "package/fileNameRules.h"

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Windows strips trailing dots and blanks from every path component, so ". ." or "..  " climb up
// just as ".." does; such components are never a real file name.
bool isDotsAndBlanksOnly(const std::string& component) {
  return component.find_first_not_of(". ") == std::string::npos;
}

}  // namespace

bool isDeviceName(const std::string& component) {
  std::string base = component.substr(0, component.find('.'));
  base.erase(base.find_last_not_of(' ') + 1);
  for (char& c : base) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (base == device) return true;
  }
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
         base[3] <= '9';
}

bool isPlainFileName(const std::string& name) {
  return name.find_first_of("\\/:") == std::string::npos && !isDotsAndBlanksOnly(name) && !isDeviceName(name);
}

bool isPathInsideDirectory(const std::string& relativePath) {
  if (relativePath.empty() || isSeparator(relativePath.front())) return false;
  if (relativePath.find(':') != std::string::npos) return false;
  std::string::size_type start = 0;
  while (start <= relativePath.size()) {
    std::string::size_type end = relativePath.find_first_of("\\/", start);
    if (end == std::string::npos) end = relativePath.size();
    std::string component = relativePath.substr(start, end - start);
    // Empty components ("a\\b") collapse to nothing and stay inside.
    if (!component.empty() && (isDotsAndBlanksOnly(component) || isDeviceName(component))) return false;
    start = end + 1;
  }
  return true;
}
