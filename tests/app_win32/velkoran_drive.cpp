// velkoran-drive: drives a running velkoran.exe from outside, one step per
// call, for the Windows demo (scripts/run --windows) and the start-up
// benchmark. Part of the test tree, never shipped.
//
//   velkoran-drive wait-window [SECONDS]   until the window shows (default 60)
//   velkoran-drive click NAME              BM_CLICK on a button (按钮1, 按钮2)
//   velkoran-drive click-and-wait NAME [SECONDS]
//                                          click, then wait until 编辑框1 changes
//   velkoran-drive text NAME               print the control's text (UTF-8)
//   velkoran-drive visible NAME            print 1 or 0
//   velkoran-drive shot PATH               save the window as it shows on the
//                                          screen, frame included, as PNG
//   velkoran-drive close                   WM_CLOSE, as the close box sends it
//
// Exit status 0 on success, 1 when the window or the change did not come, 2
// for a bad command line.
#include <windows.h>

#include <wincodec.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/win32/handles.h"
#include "program_driver.h"

namespace velkoran::testing {
namespace {

using namespace std::chrono_literals;

void print_utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                      nullptr, nullptr);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fputc('\n', stdout);
}

// Releases a COM interface when it goes out of scope.
template <typename Interface>
struct ComPtr {
  Interface* p = nullptr;
  ~ComPtr() {
    if (p != nullptr) p->Release();
  }
  Interface** out() { return &p; }
  Interface* operator->() const { return p; }
};

// The screen's pixels under `window` (what the user sees there) as a PNG file,
// through the Windows Imaging Component.
bool save_screenshot(HWND window, const std::wstring& path) {
  // Let the window finish painting what it has been asked to show.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  Sleep(200);
  RECT place{};
  if (!GetWindowRect(window, &place)) return false;
  const int width = place.right - place.left;
  const int height = place.bottom - place.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  UniqueBitmap bitmap(CreateCompatibleBitmap(screen, width, height));
  HGDIOBJ previous = SelectObject(memory, bitmap.get());
  const bool copied =
      BitBlt(memory, 0, 0, width, height, screen, place.left, place.top, SRCCOPY) != FALSE;
  SelectObject(memory, previous);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!copied) return false;

  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmap> image;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(factory.out()))) &&
         SUCCEEDED(factory->CreateBitmapFromHBITMAP(bitmap.get(), nullptr, WICBitmapIgnoreAlpha,
                                                    image.out())) &&
         SUCCEEDED(factory->CreateStream(stream.out())) &&
         SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
         SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out())) &&
         SUCCEEDED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache)) &&
         SUCCEEDED(encoder->CreateNewFrame(frame.out(), nullptr)) &&
         SUCCEEDED(frame->Initialize(nullptr)) && SUCCEEDED(frame->WriteSource(image.p, nullptr)) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

int usage() {
  std::fputs(
      "usage: velkoran-drive wait-window [SECONDS] | click NAME | click-and-wait NAME [SECONDS]"
      " | text NAME | visible NAME | shot PATH | close\n",
      stderr);
  return 2;
}

std::chrono::milliseconds seconds_argument(const std::vector<std::wstring>& args, std::size_t index,
                                           std::chrono::seconds fallback) {
  if (args.size() <= index) return fallback;
  return std::chrono::seconds(std::wcstol(args[index].c_str(), nullptr, 10));
}

int run(const std::vector<std::wstring>& args) {
  if (args.empty()) return usage();
  const std::wstring& command = args[0];
  if (command == L"wait-window") {
    return ProgramWindow::find(0, seconds_argument(args, 1, 60s)) ? 0 : 1;
  }
  std::optional<ProgramWindow> window = ProgramWindow::find(0, 5s);
  if (!window) {
    std::fputs("velkoran-drive: no Velkoran window\n", stderr);
    return 1;
  }
  if (command == L"close") {
    window->close();
    return 0;
  }
  if (args.size() < 2) return usage();
  if (command == L"shot") {
    if (!save_screenshot(window->handle(), args[1])) {
      std::fputs("velkoran-drive: the screenshot could not be saved\n", stderr);
      return 1;
    }
    return 0;
  }
  const std::optional<Control> control = control_named(args[1]);
  if (!control) {
    std::fputs("velkoran-drive: unknown control name\n", stderr);
    return 2;
  }
  if (command == L"click") {
    window->click(*control);
    return 0;
  }
  if (command == L"click-and-wait") {
    const std::wstring before = window->text(Control::编辑框1);
    window->click(*control);
    return window->wait_for_change(Control::编辑框1, before, seconds_argument(args, 2, 60s)) ? 0
                                                                                             : 1;
  }
  if (command == L"text") {
    print_utf8(window->text(*control));
    return 0;
  }
  if (command == L"visible") {
    std::puts(window->visible(*control) ? "1" : "0");
    return 0;
  }
  return usage();
}

}  // namespace
}  // namespace velkoran::testing

int main() {
  // The wide command line: control names are Chinese.
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> args;
  for (int i = 1; argv != nullptr && i < count; ++i) args.emplace_back(argv[i]);
  LocalFree(argv);
  return velkoran::testing::run(args);
}
