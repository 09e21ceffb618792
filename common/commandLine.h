// The program's parameters, read from the ANSI command line (Windows 95, 98 and ME have no
// wide-character one).
#pragma once
#include <string>
#include <vector>

// The parameters after the program name. Blanks and control characters separate them, except
// between double quotes; the quotes themselves are dropped ("a b"c is one parameter, a bc).
std::vector<std::string> commandLineParameters(const char* commandLine);

// "/q" in any letter case asks for a silent install.
bool isSilentSwitch(const std::string& parameter);
