// The debug log. Callers build their texts whether or not anything is written; in the shipped
// program the five calls compile to nothing (no file, no window, no debugger output). A developer
// build configured with -DSAVER_DEBUG_LOG=ON appends them to saverinstall.log in the current directory.
#pragma once
#include <string>

#ifdef SAVER_DEBUG_LOG
void logMessage(const std::string& text);
void logValue(const std::string& label, const std::string& value);
void logEnter(const std::string& procedure);
void logLeave(const std::string& procedure);
void logResult(const std::string& procedure, int result);
#else
inline void logMessage(const std::string&) {}
inline void logValue(const std::string&, const std::string&) {}
inline void logEnter(const std::string&) {}
inline void logLeave(const std::string&) {}
inline void logResult(const std::string&, int) {}
#endif
