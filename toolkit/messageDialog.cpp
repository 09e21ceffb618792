#include "toolkit/messageDialog.h"

#include "common/texts.h"

#include <windows.h>

#include <vector>

namespace {

struct DialogSetup {
  std::string text;
  DialogKind kind;
  std::vector<int> buttons;
};

constexpr int kTextId = 100;
constexpr int kMargin = 12;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;

TextId captionText(DialogKind kind) {
  switch (kind) {
    case DialogKind::error: return IDS_CAPTION_ERROR;
    case DialogKind::warning: return IDS_CAPTION_WARNING;
    case DialogKind::information: return IDS_CAPTION_INFORMATION;
    case DialogKind::confirmation: return IDS_CAPTION_CONFIRM;
  }
  return IDS_CAPTION_ERROR;
}

LPCSTR iconName(DialogKind kind) {
  switch (kind) {
    case DialogKind::error: return IDI_HAND;
    case DialogKind::warning: return IDI_EXCLAMATION;
    case DialogKind::information: return IDI_ASTERISK;
    case DialogKind::confirmation: return IDI_QUESTION;
  }
  return IDI_HAND;
}

std::string buttonCaption(int id) {
  switch (id) {
    case IDOK: return loadText(IDS_BUTTON_OK);
    case IDCANCEL: return loadText(IDS_BUTTON_CANCEL);
    case IDABORT: return loadText(IDS_BUTTON_ABORT);
    case IDYES: return loadText(IDS_BUTTON_YES);
    case IDNO: return loadText(IDS_BUTTON_NO);
  }
  return std::string();
}

// Controls are made and measured here rather than in the template, so the dialog fits its text.
void layOut(HWND dialog, const DialogSetup& setup) {
  SetWindowTextA(dialog, loadText(captionText(setup.kind)).c_str());
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  HINSTANCE instance = GetModuleHandleA(nullptr);

  HDC dc = GetDC(dialog);
  HGDIOBJ oldFont = SelectObject(dc, font);
  RECT textRect = {0, 0, 400, 0};
  DrawTextA(dc, setup.text.empty() ? " " : setup.text.c_str(), -1, &textRect,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, oldFont);
  ReleaseDC(dialog, dc);

  const int iconSize = GetSystemMetrics(SM_CXICON);
  const int textLeft = kMargin + iconSize + kMargin;
  const int textHeight = textRect.bottom > iconSize ? textRect.bottom : iconSize;
  const int buttonCount = static_cast<int>(setup.buttons.size());
  const int buttonsWidth = buttonCount * kButtonWidth + (buttonCount - 1) * kButtonGap;
  int clientWidth = textLeft + textRect.right + kMargin;
  if (clientWidth < buttonsWidth + 2 * kMargin) clientWidth = buttonsWidth + 2 * kMargin;
  const int buttonTop = kMargin + textHeight + kMargin;
  const int clientHeight = buttonTop + kButtonHeight + kMargin;

  HWND icon = CreateWindowExA(0, "STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, kMargin, kMargin,
                              iconSize, iconSize, dialog, nullptr, instance, nullptr);
  SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, iconName(setup.kind))), 0);
  HWND label = CreateWindowExA(0, "STATIC", setup.text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                               textLeft, kMargin, textRect.right, textHeight, dialog,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextId)), instance, nullptr);
  SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  int left = (clientWidth - buttonsWidth) / 2;
  bool first = true;
  for (int id : setup.buttons) {
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (first ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    HWND button = CreateWindowExA(0, "BUTTON", buttonCaption(id).c_str(), style, left, buttonTop, kButtonWidth,
                                  kButtonHeight, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  instance, nullptr);
    SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (first) SetFocus(button);
    first = false;
    left += kButtonWidth + kButtonGap;
  }

  RECT outer = {0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)));
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  SetWindowPos(dialog, HWND_TOP, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, 0);
}

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      layOut(dialog, *reinterpret_cast<const DialogSetup*>(lParam));
      return FALSE;  // focus was set on the first button
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      if (id == IDOK || id == IDCANCEL || id == IDABORT || id == IDYES || id == IDNO) {
        // Enter without a focused button arrives as IDOK; only a real OK button may answer it.
        if (id == IDOK && !GetDlgItem(dialog, IDOK)) return TRUE;
        EndDialog(dialog, id);
      }
      return TRUE;
    }
    case WM_CLOSE:
      EndDialog(dialog, IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

int messageDialog(const std::string& text, DialogKind kind, std::initializer_list<int> buttons) {
  DialogSetup setup{text, kind, std::vector<int>(buttons)};

  // An empty template: caption, controls and size are set in WM_INITDIALOG.
  struct {
    DLGTEMPLATE head;
    WORD menu, windowClass, title;
  } empty = {};
  empty.head.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
  empty.head.dwExtendedStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;

  INT_PTR answer = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &empty.head, GetActiveWindow(), dialogProc,
                                           reinterpret_cast<LPARAM>(&setup));
  return answer > 0 ? static_cast<int>(answer) : IDCANCEL;
}

void showErrorMessage(const std::string& text) { messageDialog(text, DialogKind::error, {IDABORT}); }

void showInformationMessage(const std::string& text) { messageDialog(text, DialogKind::information, {IDABORT}); }
