#include "common/commandLine.h"

namespace {

bool isSeparator(char c) { return static_cast<unsigned char>(c) <= ' ' && c != '\0'; }

// Reads one parameter at text, moving text past it.
std::string nextParameter(const char*& text) {
  std::string parameter;
  bool quoted = false;
  for (; *text != '\0' && (quoted || !isSeparator(*text)); ++text) {
    if (*text == '"') {
      quoted = !quoted;
    } else {
      parameter += *text;
    }
  }
  return parameter;
}

void skipSeparators(const char*& text) {
  while (isSeparator(*text)) ++text;
}

}  // namespace

std::vector<std::string> commandLineParameters(const char* commandLine) {
  std::vector<std::string> parameters;
  if (!commandLine) return parameters;
  const char* text = commandLine;
  skipSeparators(text);
  nextParameter(text);  // the program's own name
  for (skipSeparators(text); *text != '\0'; skipSeparators(text)) parameters.push_back(nextParameter(text));
  return parameters;
}

bool isSilentSwitch(const std::string& parameter) {
  return parameter.size() == 2 && parameter[0] == '/' && (parameter[1] == 'q' || parameter[1] == 'Q');
}
