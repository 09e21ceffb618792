// The sample screen saver: a ball bouncing over black, drawn full-screen (/s) or into the
// preview window of the display control panel (/p <hwnd>). /c has no settings to offer.
// Windows starts a saver with the switch in either case, with '/' or '-', and "/c:<hwnd>" or
// "/p:<hwnd>" as well as a separate argument; no switch at all means /c.
#include <windows.h>

#include <cctype>
#include <cstdlib>

namespace {

const char windowClass[] = "SampleSaverWindow";
const char saverTitle[] = "Sample Saver";
const char noSettingsText[] = "This screen saver has no settings.";
constexpr UINT_PTR frameTimer = 1;
constexpr UINT frameMilliseconds = 30;
constexpr int mouseSlack = 4;  // pixels the mouse may move (or jitter) before the saver ends

enum class Mode { screen, preview, configure, none };

struct Ball {
  int x = 40, y = 30, dx = 5, dy = 4, radius = 24;
  int hue = 0;
};

struct SaverWindow {
  Mode mode = Mode::screen;
  Ball ball;
  POINT firstMouse{-1, -1};
};

COLORREF hueColour(int hue) {
  int sector = (hue / 60) % 6, rising = (hue % 60) * 255 / 60, falling = 255 - rising;
  switch (sector) {
    case 0: return RGB(255, rising, 0);
    case 1: return RGB(falling, 255, 0);
    case 2: return RGB(0, 255, rising);
    case 3: return RGB(0, falling, 255);
    case 4: return RGB(rising, 0, 255);
    default: return RGB(255, 0, falling);
  }
}

void moveBall(Ball& ball, const RECT& area) {
  int width = area.right - area.left, height = area.bottom - area.top;
  ball.radius = width < 400 ? 8 : 24;  // the preview window is small
  ball.x += ball.dx;
  ball.y += ball.dy;
  if (ball.x < ball.radius || ball.x > width - ball.radius) ball.dx = -ball.dx;
  if (ball.y < ball.radius || ball.y > height - ball.radius) ball.dy = -ball.dy;
  ball.hue = (ball.hue + 3) % 360;
}

// Draws into a memory bitmap first so the ball does not flicker.
void paint(HWND window, const SaverWindow& state) {
  PAINTSTRUCT paintInfo;
  HDC screen = BeginPaint(window, &paintInfo);
  RECT area;
  GetClientRect(window, &area);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, area.right, area.bottom);
  HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
  FillRect(memory, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  HBRUSH brush = CreateSolidBrush(hueColour(state.ball.hue));
  HGDIOBJ oldBrush = SelectObject(memory, brush);
  HGDIOBJ oldPen = SelectObject(memory, GetStockObject(NULL_PEN));
  const Ball& ball = state.ball;
  Ellipse(memory, ball.x - ball.radius, ball.y - ball.radius, ball.x + ball.radius, ball.y + ball.radius);
  BitBlt(screen, 0, 0, area.right, area.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, oldPen);
  SelectObject(memory, oldBrush);
  DeleteObject(brush);
  SelectObject(memory, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(window, &paintInfo);
}

// In full-screen mode any key, click or real mouse movement ends the saver.
bool endsSaver(UINT message, LPARAM lParam, SaverWindow& state) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      return true;
    case WM_MOUSEMOVE: {
      POINT now{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (state.firstMouse.x < 0) {  // the first move message only reports where the mouse is
        state.firstMouse = now;
        return false;
      }
      return std::abs(now.x - state.firstMouse.x) > mouseSlack || std::abs(now.y - state.firstMouse.y) > mouseSlack;
    }
    default:
      return false;
  }
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<SaverWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return DefWindowProcA(window, message, wParam, lParam);
  }
  if (!state) return DefWindowProcA(window, message, wParam, lParam);
  if (state->mode == Mode::screen && endsSaver(message, lParam, *state)) {
    DestroyWindow(window);
    return 0;
  }
  switch (message) {
    case WM_CREATE:
      SetTimer(window, frameTimer, frameMilliseconds, nullptr);
      if (state->mode == Mode::screen) ShowCursor(FALSE);
      return 0;
    case WM_TIMER: {
      RECT area;
      GetClientRect(window, &area);
      moveBall(state->ball, area);
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      paint(window, *state);
      return 0;
    case WM_SETCURSOR:
      if (state->mode == Mode::screen) {
        SetCursor(nullptr);
        return TRUE;
      }
      break;
    case WM_DESTROY:
      KillTimer(window, frameTimer);
      if (state->mode == Mode::screen) ShowCursor(TRUE);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Reads the switch letter and the window handle that may follow it (":<hwnd>" or " <hwnd>").
Mode parseCommandLine(const char* commandLine, HWND& parent) {
  const char* at = commandLine;
  while (*at == ' ' || *at == '\t') ++at;
  if (*at != '/' && *at != '-') return Mode::configure;
  char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(at[1])));
  at += 2;
  while (*at == ':' || *at == ' ' || *at == '\t') ++at;
  parent = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(at, nullptr, 10)));
  switch (letter) {
    case 's': return Mode::screen;
    case 'p': return Mode::preview;
    case 'c': return Mode::configure;
    default: return Mode::none;  // "/a" (change password) and anything unknown: nothing to do
  }
}

HWND createSaverWindow(HINSTANCE instance, SaverWindow& state, HWND parent) {
  if (state.mode == Mode::preview) {
    RECT area;
    if (!IsWindow(parent) || !GetClientRect(parent, &area)) return nullptr;
    return CreateWindowExA(0, windowClass, saverTitle, WS_CHILD | WS_VISIBLE, 0, 0, area.right, area.bottom, parent,
                           nullptr, instance, &state);
  }
  int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (width == 0 || height == 0) {  // Windows 95 and NT 4 have no virtual screen metrics
    left = top = 0;
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
  }
  return CreateWindowExA(WS_EX_TOPMOST, windowClass, saverTitle, WS_POPUP | WS_VISIBLE, left, top, width, height,
                         nullptr, nullptr, instance, &state);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  HWND parent = nullptr;
  SaverWindow state;
  state.mode = parseCommandLine(commandLine, parent);
  if (state.mode == Mode::none) return 0;
  if (state.mode == Mode::configure) {
    // A stale or made-up owner handle would make the box fail to appear at all.
    MessageBoxA(IsWindow(parent) ? parent : nullptr, noSettingsText, saverTitle, MB_OK | MB_ICONINFORMATION);
    return 0;
  }
  WNDCLASSA windowClassInfo{};
  windowClassInfo.lpfnWndProc = windowProcedure;
  windowClassInfo.hInstance = instance;
  windowClassInfo.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClassInfo.lpszClassName = windowClass;
  if (!RegisterClassA(&windowClassInfo)) return 1;
  if (!createSaverWindow(instance, state, parent)) return 1;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
