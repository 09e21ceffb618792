#include "toolkit/controls.h"

#include <commctrl.h>


namespace {

const char panelClass[] = "TPanel";

// Panels are containers: notifications of their children belong to the top-level window.
LRESULT CALLBACK panelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
      return SendMessageA(GetAncestor(window, GA_ROOT), message, wParam, lParam);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void registerPanelClass() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  INITCOMMONCONTROLSEX init = {sizeof init, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&init);
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = panelProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = panelClass;
  RegisterClassExA(&windowClass);
}

HWND createChild(DWORD exStyle, const char* className, const std::string& text, DWORD style, HWND parent, int left,
                 int top, int width, int height) {
  registerPanelClass();
  HWND control = CreateWindowExA(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, left, top, width,
                                 height, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont()), FALSE);
  return control;
}

}  // namespace

HFONT dialogFont() {
  static HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
  return font;
}

HWND createPanel(HWND parent, int left, int top, int width, int height, bool loweredBevel) {
  return createChild(loweredBevel ? WS_EX_STATICEDGE : 0, panelClass, "", WS_CLIPCHILDREN, parent, left, top, width,
                     height);
}

HWND createLabel(HWND parent, int left, int top, int width, int height, const std::string& text, bool centred) {
  return createChild(0, "STATIC", text, SS_NOPREFIX | (centred ? SS_CENTER | SS_CENTERIMAGE : SS_LEFT), parent, left,
                     top, width, height);
}

HWND createButton(HWND parent, int left, int top, int width, int height, const std::string& caption) {
  return createChild(0, "BUTTON", caption, WS_TABSTOP | BS_PUSHBUTTON, parent, left, top, width, height);
}

HWND createProgressBar(HWND parent, int left, int top, int width, int height) {
  HWND bar = createChild(0, PROGRESS_CLASSA, "", 0, parent, left, top, width, height);
  SendMessageA(bar, PBM_SETRANGE32, 0, 100);
  SendMessageA(bar, PBM_SETSTEP, 1, 0);
  return bar;
}

HWND createTextBox(HWND parent, int left, int top, int width, int height) {
  return createChild(WS_EX_CLIENTEDGE, "EDIT", "", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
                     parent, left, top, width, height);
}

bool loadTextFile(HWND textBox, const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string content;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
  CloseHandle(file);
  // The edit control breaks lines only at CR LF; text files from elsewhere often end lines in LF.
  std::string lines;
  for (std::size_t i = 0; i < content.size(); ++i) {
    if (content[i] == '\n' && (i == 0 || content[i - 1] != '\r')) lines += '\r';
    lines += content[i];
  }
  setText(textBox, lines);
  return true;
}

void moveControl(HWND control, int left, int top, int width, int height) {
  SetWindowPos(control, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT boundsInParent(HWND control) {
  RECT bounds{};
  GetWindowRect(control, &bounds);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&bounds), 2);
  return bounds;
}

void setText(HWND control, const std::string& text) { SetWindowTextA(control, text.c_str()); }

std::string text(HWND control) {
  int length = GetWindowTextLengthA(control);
  std::string result(static_cast<size_t>(length) + 1, '\0');
  length = GetWindowTextA(control, &result[0], length + 1);
  result.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return result;
}

void setVisible(HWND control, bool visible) { ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE); }
void setEnabled(HWND control, bool enabled) { EnableWindow(control, enabled); }
