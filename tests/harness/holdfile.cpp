// Test helper: holds the given files open without any sharing until told to let go.
// Usage: holdfile <event-name> <path>...  Signals <event-name>-ready once every file is open and
// exits when <event-name>-release is set.
#include <windows.h>

#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string name = argv[1];
  std::vector<HANDLE> files;
  for (int i = 2; i < argc; ++i) {
    files.push_back(CreateFileA(argv[i], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, (name + "-ready").c_str());
  HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, (name + "-release").c_str());
  if (ready) SetEvent(ready);
  if (release) WaitForSingleObject(release, 120000);
  for (HANDLE file : files) CloseHandle(file);
  return 0;
}
