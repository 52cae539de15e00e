#include "test_support.h"

#include <cstdint>

#include <commctrl.h>

#include <algorithm>

#include "app/win32/handles.h"
#include "app/win32/main_window.h"

namespace velkoran::testing {

bool running_under_wine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

void pump_messages(const MainWindow* window) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;  // a destroyed window's; nothing to end here
    if (window != nullptr) {
      dispatch_message(*window, message);
    } else {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

MessageRecorder::MessageRecorder(HWND window, std::vector<UINT> messages)
    : window_(window), watched_(std::move(messages)) {
  SetWindowSubclass(window_, procedure, 1, reinterpret_cast<DWORD_PTR>(this));
}

MessageRecorder::~MessageRecorder() {
  if (IsWindow(window_)) RemoveWindowSubclass(window_, procedure, 1);
}

int MessageRecorder::count(UINT message) const {
  return static_cast<int>(std::count(arrived_.begin(), arrived_.end(), message));
}

LRESULT CALLBACK MessageRecorder::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                            UINT_PTR, DWORD_PTR self) {
  auto* recorder = reinterpret_cast<MessageRecorder*>(self);
  if (std::find(recorder->watched_.begin(), recorder->watched_.end(), message) !=
      recorder->watched_.end()) {
    recorder->arrived_.push_back(message);
    if (message == WM_SETTEXT && lparam != 0) {
      recorder->texts_.emplace_back(reinterpret_cast<const wchar_t*>(lparam));
    }
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

std::wstring window_text(HWND window) {
  const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied =
      SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

std::wstring class_name(HWND window) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? length : 0);
}

RECT rect_in_parent(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

Picture paint_client(HWND window, COLORREF background) {
  RECT client{};
  GetClientRect(window, &client);
  Picture picture;
  picture.width = client.right;
  picture.height = client.bottom;
  if (picture.width <= 0 || picture.height <= 0) return picture;

  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ReleaseDC(nullptr, screen);
  HGDIOBJ previous = SelectObject(dc, bitmap.get());
  UniqueBrush fill(CreateSolidBrush(background));
  FillRect(dc, &client, fill.get());
  SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  GdiFlush();

  const auto* raw = static_cast<const std::uint32_t*>(bits);
  picture.pixels.reserve(static_cast<std::size_t>(picture.width) * picture.height);
  for (int i = 0; i < picture.width * picture.height; ++i) {
    const std::uint32_t bgrx = raw[i];
    picture.pixels.push_back(RGB((bgrx >> 16) & 0xff, (bgrx >> 8) & 0xff, bgrx & 0xff));
  }
  SelectObject(dc, previous);
  DeleteDC(dc);
  return picture;
}

int ink_width(const Picture& picture) {
  if (picture.pixels.empty()) return 0;
  const COLORREF background = picture.at(0, 0);
  int first = -1;
  int last = -1;
  for (int x = 0; x < picture.width; ++x) {
    for (int y = 0; y < picture.height; ++y) {
      if (picture.at(x, y) != background) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  }
  return first < 0 ? 0 : last - first + 1;
}

}  // namespace velkoran::testing
