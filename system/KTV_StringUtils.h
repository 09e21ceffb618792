// Display names made from the saver's name: the installer window's title and the uninstall entry's
// display name. Pure functions; the resource texts ("Install", "Screen Saver") are parameters with
// the string table's texts as defaults.
#pragma once
#include <string>

// Whether word occurs in text after folding A..Z to a..z (ASCII only). An empty word never occurs.
bool containsIgnoreCase(const std::string& text, const std::string& word);

// "Install: " + name when the name already says "saver" (or the Screen Saver text), else
// "Install Screen Saver: " + name.
std::string installerTitle(const std::string& name, const std::string& installText, const std::string& screenSaverText);
std::string installerTitle(const std::string& name);

// The name alone when it says "saver", else name + " Screen Saver".
std::string uninstallDisplayName(const std::string& name, const std::string& screenSaverText);
std::string uninstallDisplayName(const std::string& name);
