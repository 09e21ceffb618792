// Outcome of a saverpack operation: an exit code and the one line that tells the user what went
// wrong and on which file. Every fallible function of the tool returns one; empty means success.
#pragma once
#include <string>

// The tool's exit codes, documented in README.md; scripts rely on them.
enum ExitCode : int {
  exitOk = 0,
  exitFaults = 1,            // verify found faults in the installer
  exitUsage = 2,             // bad command line
  exitInputError = 3,        // a manifest, an input file or an installer cannot be used
  exitOutputError = 4,       // the output file or directory cannot be written
  exitCompressionError = 5,  // the codec did not reproduce the data
};

struct Problem {
  ExitCode code = exitOk;
  std::string message;  // "<file>: <what is wrong>"

  explicit operator bool() const { return code != exitOk; }
};

inline Problem inputError(const std::string& where, const std::string& what) {
  return {exitInputError, where + ": " + what};
}
inline Problem outputError(const std::string& where, const std::string& what) {
  return {exitOutputError, where + ": " + what};
}
