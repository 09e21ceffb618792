#include "toolkit/application.h"

#include "common/errorMessages.h"

Application& Application::instance() {
  static Application application;
  return application;
}

HWND Application::handle() {
  if (handle_) return handle_;
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "SaverApplication";
  RegisterClassExA(&windowClass);
  // Centred, so that the system's minimise and restore animations start and end mid-screen.
  handle_ = CreateWindowExA(0, windowClass.lpszClassName, title_.c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
  return handle_;
}

namespace {

struct OwnedSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK matchVisibleOwned(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<OwnedSearch*>(parameter);
  if (GetWindow(window, GW_OWNER) != search->owner || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
  search->found = window;
  return FALSE;
}

// The form that stands for the application: the one last active while it can still be seen (a
// hidden one, such as the preparing window, cannot take the keyboard), else the first visible one;
// the application's own window when there is none.
HWND activeForm(HWND application) {
  HWND popup = GetLastActivePopup(application);
  if (popup != application && IsWindowVisible(popup) && IsWindowEnabled(popup)) return popup;
  OwnedSearch search{application, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), matchVisibleOwned, reinterpret_cast<LPARAM>(&search));
  return search.found ? search.found : application;
}

}  // namespace

LRESULT CALLBACK Application::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:  // from the task bar: the form the user last worked with decides
      if (HWND form = activeForm(window); form != window) PostMessageA(form, WM_CLOSE, 0, 0);
      return 0;
    case WM_SIZE:  // the forms go with the task-bar button and come back with it
      if (wParam == SIZE_MINIMIZED) ShowOwnedPopups(window, FALSE);
      if (wParam == SIZE_RESTORED) ShowOwnedPopups(window, TRUE);
      break;
    case WM_ACTIVATE:  // the task-bar button was clicked: the form takes over
      if (LOWORD(wParam) == WA_INACTIVE) return 0;
      if (HWND form = activeForm(window); form != window) SetActiveWindow(form);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void Application::showTaskButton() {
  if (!IsWindowVisible(handle())) ShowWindow(handle_, SW_SHOWNA);
}

void Application::setTitle(const std::string& title) {
  title_ = title;
  if (handle_) SetWindowTextA(handle_, title_.c_str());
}

bool Application::dispatch(MSG& message) {
  if (message.message == WM_QUIT) {
    terminated_ = true;
    return false;
  }
  if (hook_ && hook_(message)) return true;
  TranslateMessage(&message);
  DispatchMessageA(&message);
  return true;
}

void Application::processMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (!dispatch(message)) break;
  }
}

void Application::handleMessage() {
  MSG message;
  if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
    terminated_ = true;
    return;
  }
  dispatch(message);
}

int Application::run() {
  while (!terminated_) handleMessage();
  return exitCode_;
}

void Application::setCursor(HCURSOR cursor) {
  cursor_ = cursor;
  SetCursor(cursor ? cursor : LoadCursorA(nullptr, IDC_ARROW));
}

void Application::bringToFront() {
  if (IsIconic(handle())) ShowWindow(handle_, SW_RESTORE);
  SetForegroundWindow(activeForm(handle_));
}

void Application::minimize() { ShowWindow(handle(), SW_MINIMIZE); }

bool Application::isActive() const {
  DWORD foregroundProcess = 0;
  HWND foreground = GetForegroundWindow();
  if (!foreground) return false;
  GetWindowThreadProcessId(foreground, &foregroundProcess);
  return foregroundProcess == GetCurrentProcessId();
}

void Application::showFailure(const std::string& message) {
  MessageBoxA(mainWindow_, applicationErrorText(message).c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
}
