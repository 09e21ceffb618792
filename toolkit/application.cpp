#include "toolkit/application.h"

#include "common/applicationFailure.h"
#include "common/errorMessages.h"

Application& Application::instance() {
  static Application application;
  return application;
}

void Application::setTitle(const std::string& title) { title_ = title; }

bool Application::dispatch(MSG& message) {
  if (message.message == WM_QUIT) {
    terminated_ = true;
    return false;
  }
  if (hook_ && hook_(message)) return true;
  // A failure that no step turned into a code ends the current action here, not the program.
  try {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  } catch (const ApplicationFailure& failure) {
    showFailure(failure.message());
  }
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

void Application::bringToFront() {
  if (!mainWindow_) return;
  HWND window = GetLastActivePopup(mainWindow_);
  if (IsIconic(mainWindow_)) ShowWindow(mainWindow_, SW_RESTORE);
  SetForegroundWindow(window ? window : mainWindow_);
}

void Application::minimize() {
  if (mainWindow_) ShowWindow(mainWindow_, SW_MINIMIZE);
}

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
