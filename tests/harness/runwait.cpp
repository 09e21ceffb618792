// Runs a command line, waits for it and prints its full 32-bit exit code (a Unix shell sees only
// the low 8 bits of a Windows program's exit code). Usage: runwait <program> [arguments...]
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) commandLine += (i > 1 ? " \"" : "\"") + std::string(argv[i]) + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::printf("cannot start %s: error %lu\n", commandLine.c_str(), GetLastError());
    return 2;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  std::printf("exit code: %ld\n", static_cast<long>(code));
  return 0;
}
