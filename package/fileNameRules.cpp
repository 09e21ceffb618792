#include "package/fileNameRules.h"

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Windows strips trailing dots and blanks from every path component, so ". ." or "..  " climb up
// just as ".." does; such components are never a real file name.
bool isDotsAndBlanksOnly(const std::string& component) {
  return component.find_first_not_of(". ") == std::string::npos;
}

}  // namespace

bool isPlainFileName(const std::string& name) {
  return name.find_first_of("\\/:") == std::string::npos && !isDotsAndBlanksOnly(name);
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
    if (!component.empty() && isDotsAndBlanksOnly(component)) return false;
    start = end + 1;
  }
  return true;
}
