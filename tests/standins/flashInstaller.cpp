// Test stand-in for the Flash Player installer ("flashax.exe"). With "/Q" it installs a Flash
// control stand-in as the system directory's Macromed\Flash\Flash.ocx and registers it; with
// SAVER_FLASH_DIALOG=1 it then shows the real installer's closing dialog ("Macromedia Flash
// Player 7", button 7) and waits until the button is pressed. Every run appends one line to the
// file named by SAVER_FLASH_TRACE:
//   args=<command line arguments> install=<ok|no-source|copy-failed|register-failed|skipped> dialog=<7|timeout|none>
// The control copied is the file named by SAVER_FLASH_STANDIN, else flashctl.ocx beside this program.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int dialogButtonId = 7;
constexpr UINT_PTR dialogTimeoutTimer = 1;
constexpr UINT dialogTimeoutMs = 120000;  // a test that never answers must not leave this running

std::string environment(const char* name) {
  char value[MAX_PATH * 2];
  DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

std::string controlSource() {
  std::string source = environment("SAVER_FLASH_STANDIN");
  if (!source.empty()) return source;
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string program(path, length);
  return program.substr(0, program.find_last_of('\\') + 1) + "flashctl.ocx";
}

std::string installControl() {
  const std::string source = controlSource();
  if (GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES) return "no-source";
  char system[MAX_PATH];
  UINT length = GetSystemDirectoryA(system, MAX_PATH);
  std::string dir = std::string(system, length) + "\\Macromed";
  CreateDirectoryA(dir.c_str(), nullptr);
  dir += "\\Flash";
  CreateDirectoryA(dir.c_str(), nullptr);
  const std::string target = dir + "\\Flash.ocx";
  if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) return "copy-failed";
  HMODULE control = LoadLibraryA(target.c_str());
  if (!control) return "register-failed";
  using RegisterFunction = HRESULT(STDAPICALLTYPE*)();
  auto registerServer = reinterpret_cast<RegisterFunction>(reinterpret_cast<void*>(GetProcAddress(control, "DllRegisterServer")));
  HRESULT status = registerServer ? registerServer() : E_FAIL;
  FreeLibrary(control);
  return SUCCEEDED(status) ? "ok" : "register-failed";
}

std::string dialogAnswer;

LRESULT CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == dialogButtonId && HIWORD(wParam) == BN_CLICKED) {
        dialogAnswer = std::to_string(dialogButtonId);
        DestroyWindow(window);
      }
      return 0;
    case WM_TIMER:
      dialogAnswer = "timeout";
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::string showDialog(HINSTANCE instance) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = dialogProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = "FlashInstallerStandInDialog";
  RegisterClassA(&windowClass);
  HWND dialog = CreateWindowExA(0, windowClass.lpszClassName, "Macromedia Flash Player 7",
                                WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 100, 100, 300, 120, nullptr, nullptr,
                                instance, nullptr);
  if (!dialog) return "none";
  CreateWindowExA(0, "BUTTON", "No", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 110, 40, 75, 23, dialog,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(dialogButtonId)), instance, nullptr);
  SetTimer(dialog, dialogTimeoutTimer, dialogTimeoutMs, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return dialogAnswer;
}

void appendTrace(const std::string& line) {
  const std::string path = environment("SAVER_FLASH_TRACE");
  if (path.empty()) return;
  HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
  const std::string args = arguments ? arguments : "";
  const bool quiet = lstrcmpiA(args.c_str(), "/Q") == 0;
  const std::string install = quiet ? installControl() : "skipped";
  const std::string dialog = quiet && environment("SAVER_FLASH_DIALOG") == "1" ? showDialog(instance) : "none";
  appendTrace("args=" + args + " install=" + install + " dialog=" + dialog);
  return 0;
}
