// Move-only owners of the window system's handles.
//
// Each owner frees its handle exactly once, in its destructor or when it is
// given a new one; a null handle is never freed.
//
//   UniqueFont font(CreateFontIndirectW(&logfont));
//   SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
//
// Stock objects (GetStockObject), system colour brushes (GetSysColorBrush) and
// shared icons (LoadIconW, LR_SHARED) belong to the system: never put them in
// an owner.
#pragma once

#include <windows.h>

#include <utility>

namespace velkoran {

template <typename Handle, auto Free>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, nullptr));
    return *this;
  }

  [[nodiscard]] Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

  // Frees the current handle (if any) and owns `handle` instead.
  void reset(Handle handle = nullptr) {
    if (handle_ != nullptr) Free(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

namespace detail {
inline void delete_gdi_object(HGDIOBJ object) { DeleteObject(object); }
inline void destroy_icon(HICON icon) { DestroyIcon(icon); }
inline void close_handle(HANDLE handle) { CloseHandle(handle); }
}  // namespace detail

using UniqueFont = UniqueHandle<HFONT, detail::delete_gdi_object>;
using UniqueBrush = UniqueHandle<HBRUSH, detail::delete_gdi_object>;
using UniqueBitmap = UniqueHandle<HBITMAP, detail::delete_gdi_object>;
using UniqueIcon = UniqueHandle<HICON, detail::destroy_icon>;
// Kernel objects: threads, processes, events, pipe ends.
using UniqueKernelHandle = UniqueHandle<HANDLE, detail::close_handle>;

}  // namespace velkoran
