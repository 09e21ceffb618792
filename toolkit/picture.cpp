#include "toolkit/picture.h"

#include "toolkit/controls.h"

#include <ole2.h>
#include <olectl.h>

namespace {

const char pictureClass[] = "TPicture";

IPicture* pictureOf(HWND window) { return reinterpret_cast<IPicture*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

void setPictureOf(HWND window, IPicture* picture) {
  if (IPicture* old = pictureOf(window)) old->Release();
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(picture));
  InvalidateRect(window, nullptr, TRUE);
}

void paint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  if (IPicture* picture = pictureOf(window)) {
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture->get_Width(&width);
    picture->get_Height(&height);
    // Stretched to the whole control; HIMETRIC runs bottom-up.
    picture->Render(dc, 0, 0, client.right, client.bottom, 0, height, width, -height, nullptr);
  }
  EndPaint(window, &paint);
}

LRESULT CALLBACK pictureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      paint(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_NCDESTROY:
      setPictureOf(window, nullptr);
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HWND createPicture(HWND parent, int left, int top, int width, int height) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (!GetClassInfoExA(GetModuleHandleA(nullptr), pictureClass, &existing)) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = pictureProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = pictureClass;
    RegisterClassExA(&windowClass);
  }
  return CreateWindowExA(0, pictureClass, "", WS_CHILD | WS_VISIBLE, left, top, width, height, parent, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

bool loadPicture(HWND window, const std::string& path) {
  setPictureOf(window, nullptr);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD size = GetFileSize(file, nullptr);
  HGLOBAL memory = size != INVALID_FILE_SIZE && size > 0 ? GlobalAlloc(GMEM_MOVEABLE, size) : nullptr;
  DWORD got = 0;
  bool read = memory && ReadFile(file, GlobalLock(memory), size, &got, nullptr) && got == size;
  if (memory) GlobalUnlock(memory);
  CloseHandle(file);
  IStream* stream = nullptr;
  IPicture* picture = nullptr;
  if (read && SUCCEEDED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
    memory = nullptr;  // the stream owns it now
    if (FAILED(OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(&picture)))) {
      picture = nullptr;
    }
    stream->Release();
  }
  if (memory) GlobalFree(memory);
  setPictureOf(window, picture);
  return picture != nullptr;
}
