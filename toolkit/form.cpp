#include "toolkit/form.h"

#include "common/applicationFailure.h"
#include "toolkit/application.h"

namespace {

constexpr DWORD singleStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD sizeableStyle = singleStyle | WS_THICKFRAME;

void registerClass(const char* className) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExA(GetModuleHandleA(nullptr), className, &existing)) return;
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = DefWindowProcA;  // replaced per window in Form's constructor
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = className;
  RegisterClassExA(&windowClass);
}

}  // namespace

Form::Form(const char* className, int left, int top, int clientWidth, int clientHeight, DWORD exStyle) {
  registerClass(className);
  RECT outer = {0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&outer, singleStyle, FALSE, exStyle);
  // Owned by the application's window: its task-bar button stands for all forms.
  handle_ = CreateWindowExA(exStyle, className, "", singleStyle, left, top, outer.right - outer.left,
                            outer.bottom - outer.top, Application::instance().handle(), nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(windowProc));
}

Form::~Form() {
  if (handle_) {
    SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
    DestroyWindow(handle_);
  }
}

LRESULT CALLBACK Form::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<Form*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!form) return DefWindowProcA(window, message, wParam, lParam);
  // A failure that no step turned into a code ends the current action here, not the program. It is
  // caught before the system's frames around this procedure: the 32-bit runtime cannot unwind them.
  try {
    return form->handle(message, wParam, lParam);
  } catch (const ApplicationFailure& failure) {
    Application::instance().showFailure(failure.message());
    return 0;
  }
}

LRESULT Form::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      close();
      return 0;
    case WM_COMMAND:
      if (lParam) onCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
      return 0;
    case WM_TIMER:
      onTimer(wParam);
      return 0;
    case WM_SIZE:
      FormResize();
      break;
    case WM_SHOWWINDOW:
      if (wParam) Application::instance().showTaskButton();
      if (wParam && !shown_) {
        shown_ = true;
        FormShow();
      }
      break;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (minWidth_) info->ptMinTrackSize.x = minWidth_;
      if (minHeight_) info->ptMinTrackSize.y = minHeight_;
      return 0;
    }
    case WM_SETCURSOR:  // also for the controls: their default handling asks the form first
      if (HCURSOR cursor = Application::instance().cursor(); cursor && LOWORD(lParam) == HTCLIENT) {
        SetCursor(cursor);
        return TRUE;
      }
      break;
    case WM_CTLCOLORSTATIC:
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  }
  return DefWindowProcA(handle_, message, wParam, lParam);
}

void Form::setCaption(const std::string& caption) { SetWindowTextA(handle_, caption.c_str()); }

std::string Form::caption() const {
  char text[512];
  int length = GetWindowTextA(handle_, text, sizeof text);
  return std::string(text, length > 0 ? length : 0);
}

void Form::setBorder(Border border) {
  LONG_PTR style = GetWindowLongPtrA(handle_, GWL_STYLE);
  style = (style & ~static_cast<LONG_PTR>(sizeableStyle)) | (border == Border::sizeable ? sizeableStyle : singleStyle);
  SetWindowLongPtrA(handle_, GWL_STYLE, style);
  SetWindowPos(handle_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
}

RECT Form::outerBounds() const {
  RECT bounds{};
  GetWindowRect(handle_, &bounds);
  return bounds;
}

int Form::width() const {
  RECT r = outerBounds();
  return r.right - r.left;
}

int Form::height() const {
  RECT r = outerBounds();
  return r.bottom - r.top;
}

int Form::clientWidth() const {
  RECT r{};
  GetClientRect(handle_, &r);
  return r.right;
}

int Form::clientHeight() const {
  RECT r{};
  GetClientRect(handle_, &r);
  return r.bottom;
}

void Form::setBounds(int left, int top, int width, int height) {
  SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::setPosition(int left, int top) {
  SetWindowPos(handle_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::setSize(int width, int height) {
  SetWindowPos(handle_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::setClientSize(int width, int height) {
  setSize(width + this->width() - clientWidth(), height + this->height() - clientHeight());
}

void Form::show() { ShowWindow(handle_, SW_SHOWNA); }
void Form::hide() { ShowWindow(handle_, SW_HIDE); }
void Form::setNormalState() {
  if (IsIconic(handle_) || IsZoomed(handle_)) ShowWindow(handle_, SW_RESTORE);
}

bool Form::close() {
  if (!handle_ || !FormCloseQuery()) return false;
  FormClose();
  HWND window = handle_;
  handle_ = nullptr;
  SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
  return true;
}
