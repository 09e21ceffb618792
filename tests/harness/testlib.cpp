#include "tests/harness/testlib.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <set>

namespace testlib {

// Output goes to a pipe under ctest; unbuffered, a hung test still shows how far it came.
static const int unbufferedOutput = [] {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  return 0;
}();

std::string windowsPath(const std::string& unixPath) {
  if (unixPath.empty() || unixPath[0] != '/') return unixPath;
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

static std::string directoryFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  std::string path = windowsPath(value ? value : "");
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path;
}

std::string sourceDir() { return directoryFromEnvironment("SAVER_SOURCE_DIR"); }
std::string buildDir() { return directoryFromEnvironment("SAVER_BUILD_DIR"); }

std::string programDir() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string result(path, length);
  return result.substr(0, result.find_last_of('\\') + 1);
}

static void removeTree(const std::string& dir) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((dir + "*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      std::string item = dir + name;
      SetFileAttributesA(item.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(item + "\\");
      } else {
        DeleteFileA(item.c_str());
      }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  RemoveDirectoryA(dir.c_str());
}

ScratchDir::ScratchDir(const std::string& name) {
  char temp[MAX_PATH];
  DWORD length = GetTempPathA(MAX_PATH, temp);
  std::string base = std::string(temp, length);
  if (base.empty() || base.back() != '\\') base += '\\';
  for (int n = 0;; ++n) {
    std::string candidate = base + name + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(n);
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      path_ = candidate + "\\";
      return;
    }
  }
}

ScratchDir::~ScratchDir() { removeTree(path_); }

void writeFile(const std::string& path, const std::string& bytes) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string readFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
DWORD attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

FileHolder::FileHolder(const std::vector<std::string>& paths) {
  static int serial = 0;
  std::string name = "saverhold-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++);
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, (name + "-ready").c_str());
  release_ = CreateEventA(nullptr, TRUE, FALSE, (name + "-release").c_str());
  std::string commandLine = "\"" + programDir() + "holdfile.exe\" " + name;
  for (const std::string& path : paths) commandLine += " \"" + path + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_)) {
    HANDLE waits[2] = {ready, process_.hProcess};
    WaitForMultipleObjects(2, waits, FALSE, 30000);
  }
  CloseHandle(ready);
}

FileHolder::~FileHolder() {
  SetEvent(release_);
  if (process_.hProcess) {
    WaitForSingleObject(process_.hProcess, 30000);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
  CloseHandle(release_);
}

DWORD runProcess(const std::string& commandLine, const std::vector<std::string>& environment, DWORD timeoutMs) {
  std::string block;
  if (!environment.empty()) {
    LPCH current = GetEnvironmentStringsA();
    for (LPCH at = current; *at; at += strlen(at) + 1) {
      std::string entry = at;
      bool replaced = false;
      for (const std::string& extra : environment) {
        std::string key = extra.substr(0, extra.find('=') + 1);
        if (_strnicmp(entry.c_str(), key.c_str(), key.size()) == 0) replaced = true;
      }
      if (!replaced) block += entry + '\0';
    }
    FreeEnvironmentStringsA(current);
    for (const std::string& extra : environment) block += extra + '\0';
    block += '\0';
  }
  std::string line = commandLine;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, block.empty() ? nullptr : &block[0], nullptr,
                      &startup, &process)) {
    return static_cast<DWORD>(-1);
  }
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  } else {
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return code;
}

namespace {
struct FindRequest {
  const std::string& caption;
  std::function<bool(DWORD)> ownerMatches;
  HWND found;
};
BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
  auto* request = reinterpret_cast<FindRequest*>(parameter);
  if (!IsWindowVisible(window) || windowText(window) != request->caption) return TRUE;
  // A window without size is none a user sees: the installer's task-bar window carries its title.
  RECT area{};
  GetWindowRect(window, &area);
  if (area.right <= area.left || area.bottom <= area.top) return TRUE;
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (!request->ownerMatches(owner)) return TRUE;
  request->found = window;
  return FALSE;
}
HWND findWindow(const std::string& caption, std::function<bool(DWORD)> ownerMatches) {
  FindRequest request{caption, std::move(ownerMatches), nullptr};
  EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&request));
  return request.found;
}
BOOL CALLBACK collectChild(HWND child, LPARAM parameter) {
  reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(child);
  return TRUE;
}
std::vector<HWND> children(HWND window) {
  std::vector<HWND> result;
  EnumChildWindows(window, collectChild, reinterpret_cast<LPARAM>(&result));
  return result;
}
}  // namespace

HWND waitForWindow(const std::string& caption, DWORD pid, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND found = findWindow(caption, [pid](DWORD owner) { return !pid || owner == pid; });
    if (found) return found;
    if (GetTickCount() - start > timeoutMs) return nullptr;
    Sleep(50);
  }
}

std::string windowText(HWND window) {
  char text[4096];
  LRESULT length = SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                                       SMTO_ABORTIFHUNG, 5000, nullptr) ? strlen(text) : 0;
  return std::string(text, static_cast<size_t>(length));
}

std::vector<std::string> childTexts(HWND window) {
  std::vector<std::string> texts;
  for (HWND child : children(window)) texts.push_back(windowText(child));
  return texts;
}

HWND findChildByText(HWND window, const std::string& text) {
  for (HWND child : children(window)) {
    if (windowText(child) == text) return child;
  }
  return nullptr;
}

bool pressButton(HWND window, const std::string& caption) {
  HWND button = findChildByText(window, caption);
  if (!button) return false;
  PostMessageA(button, BM_CLICK, 0, 0);
  return true;
}

DialogAnswerer::DialogAnswerer(const std::string& caption, const std::string& button, DWORD timeoutMs)
    : caption_(caption), button_(button), timeoutMs_(timeoutMs) {
  thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
}

DWORD WINAPI DialogAnswerer::run(void* self) {
  auto* answerer = static_cast<DialogAnswerer*>(self);
  HWND dialog = waitForWindow(answerer->caption_, GetCurrentProcessId(), answerer->timeoutMs_);
  if (!dialog) return 0;
  answerer->seen_ = true;
  answerer->texts_ = childTexts(dialog);
  pressButton(dialog, answerer->button_);
  return 0;
}

void DialogAnswerer::join() {
  if (!thread_) return;
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
}

DialogAnswerer::~DialogAnswerer() { join(); }
bool DialogAnswerer::seen() {
  join();
  return seen_;
}
const std::vector<std::string>& DialogAnswerer::texts() {
  join();
  return texts_;
}

bool startedHere(DWORD pid) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry)) {
    found = entry.th32ProcessID == pid && entry.th32ParentProcessID == GetCurrentProcessId();
  }
  CloseHandle(snapshot);
  return found;
}

DialogLog::DialogLog(Owner owner, std::vector<Answer> answers) : owner_(owner), answers_(std::move(answers)) {
  thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
}

DialogLog::~DialogLog() { stop(); }

void DialogLog::stop() {
  if (!thread_) return;
  stopping_ = true;
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
}

const std::vector<DialogLog::Dialog>& DialogLog::dialogs() {
  stop();
  return dialogs_;
}

bool DialogLog::waitForAnswers(int count, DWORD timeoutMs) const {
  for (DWORD waited = 0; answered_ < count; waited += 10) {
    if (waited > timeoutMs) return false;
    Sleep(10);
  }
  return true;
}

DWORD WINAPI DialogLog::run(void* self) {
  auto* log = static_cast<DialogLog*>(self);
  const DWORD me = GetCurrentProcessId();
  auto ownerMatches = [log, me](DWORD pid) {
    return log->owner_ == Owner::thisProcess ? pid == me : startedHere(pid);
  };
  std::set<HWND> handled;  // a dialog whose buttons did not close it is not taken twice
  while (!log->stopping_) {
    Sleep(10);
    for (const Answer& answer : log->answers_) {
      HWND dialog = findWindow(answer.caption, [&](DWORD pid) { return ownerMatches(pid); });
      if (!dialog || handled.count(dialog)) continue;
      handled.insert(dialog);
      Dialog seen{answer.caption, ""};
      for (HWND child : children(dialog)) {
        char kind[16] = "";
        GetClassNameA(child, kind, sizeof kind);
        if (seen.text.empty() && lstrcmpiA(kind, "Static") == 0) seen.text = windowText(child);
      }
      log->dialogs_.push_back(seen);
      bool pressed = false;
      for (const std::string& button : answer.buttons) {
        if ((pressed = pressButton(dialog, button))) break;
      }
      if (!pressed) continue;  // recorded, but not answered
      for (int i = 0; i < 500 && IsWindow(dialog) && IsWindowVisible(dialog); ++i) Sleep(10);
      ++log->answered_;
    }
  }
  return 0;
}

}  // namespace testlib
