#include "common/logFile.h"

#ifdef SAVER_DEBUG_LOG
#include <cstdio>

static void writeLine(const std::string& line) {
  if (std::FILE* file = std::fopen("saverinstall.log", "a")) {
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
  }
}

void logMessage(const std::string& text) { writeLine(text); }
void logValue(const std::string& label, const std::string& value) { writeLine(label + " = " + value); }
void logEnter(const std::string& procedure) { writeLine("> " + procedure); }
void logLeave(const std::string& procedure) { writeLine("< " + procedure); }
void logResult(const std::string& procedure, int result) {
  writeLine("< " + procedure + " = " + std::to_string(result));
}
#endif
