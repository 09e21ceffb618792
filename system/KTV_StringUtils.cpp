#include "system/KTV_StringUtils.h"

#include "common/texts.h"

namespace {

std::string foldAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// "saver" is part of both longer words, so the first two tests never decide on their own; they
// stay for the order the rule is written in.
bool mentionsSaver(const std::string& name) {
  return containsIgnoreCase(name, "screen saver") || containsIgnoreCase(name, "screensaver") ||
         containsIgnoreCase(name, "saver");
}

}  // namespace

bool containsIgnoreCase(const std::string& text, const std::string& word) {
  if (word.empty()) return false;
  return foldAscii(text).find(foldAscii(word)) != std::string::npos;
}

std::string installerTitle(const std::string& name, const std::string& installText,
                           const std::string& screenSaverText) {
  if (mentionsSaver(name) || containsIgnoreCase(name, screenSaverText)) return installText + ": " + name;
  return installText + " " + screenSaverText + ": " + name;
}

std::string installerTitle(const std::string& name) {
  return installerTitle(name, loadText(IDS_INSTALL_WORD), loadText(IDS_SCREEN_SAVER));
}

std::string uninstallDisplayName(const std::string& name, const std::string& screenSaverText) {
  return mentionsSaver(name) ? name : name + " " + screenSaverText;
}

std::string uninstallDisplayName(const std::string& name) { return uninstallDisplayName(name, loadText(IDS_SCREEN_SAVER)); }
