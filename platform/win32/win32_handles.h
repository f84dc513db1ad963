// Small owners for the Windows backend's handles: kernel objects, registry keys, GDI
// objects, menus, device contexts and critical sections, each released when it goes.
#pragma once
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The seam's methods share some names with the system's narrow/wide macros; the backend
// calls the wide functions by their full names.
#undef MessageBox
#undef FindWindow
#undef RegisterClass
#undef UnregisterClass
#undef LoadMenu
#undef LoadIcon
#undef LoadBitmap
#undef CreateProcess
#undef MoveFile
#undef DeleteFile

#include <cstdint>
#include <utility>

namespace zq::win32 {

// One owned handle of type H, closed by Close(H); `Null` marks "no handle".
template <class H, class Traits>
class Owned {
 public:
  Owned() = default;
  explicit Owned(H h) : h_(h) {}
  Owned(Owned&& o) noexcept : h_(std::exchange(o.h_, Traits::Null())) {}
  Owned& operator=(Owned&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, Traits::Null()));
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { reset(); }

  H get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::Null(); }
  H release() { return std::exchange(h_, Traits::Null()); }
  void reset(H h = Traits::Null()) {
    if (h_ != Traits::Null()) Traits::Close(h_);
    h_ = h;
  }

 private:
  H h_ = Traits::Null();
};

struct KernelTraits {
  static HANDLE Null() { return nullptr; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct FileTraits {
  static HANDLE Null() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct KeyTraits {
  static HKEY Null() { return nullptr; }
  static void Close(HKEY k) { ::RegCloseKey(k); }
};
template <class G>
struct GdiTraits {
  static G Null() { return nullptr; }
  static void Close(G g) { ::DeleteObject(g); }
};
struct MenuTraits {
  static HMENU Null() { return nullptr; }
  static void Close(HMENU m) { ::DestroyMenu(m); }
};
struct MemoryDcTraits {
  static HDC Null() { return nullptr; }
  static void Close(HDC dc) { ::DeleteDC(dc); }
};

using UniqueHandle = Owned<HANDLE, KernelTraits>;
using UniqueFile = Owned<HANDLE, FileTraits>;
using UniqueKey = Owned<HKEY, KeyTraits>;
using UniqueBitmap = Owned<HBITMAP, GdiTraits<HBITMAP>>;
using UniqueRegion = Owned<HRGN, GdiTraits<HRGN>>;
using UniqueFont = Owned<HFONT, GdiTraits<HFONT>>;
using UniqueMenu = Owned<HMENU, MenuTraits>;
using UniqueMemoryDc = Owned<HDC, MemoryDcTraits>;

// Selects a GDI object into a device context for the guard's life.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~SelectGuard() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// BeginPaint/EndPaint as a scope.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window) { dc_ = ::BeginPaint(window, &ps_); }
  ~PaintScope() { ::EndPaint(window_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT ps_{};
  HDC dc_ = nullptr;
};

// A critical section owned by the object; recursive for its owner thread.
class CriticalSection {
 public:
  CriticalSection() { ::InitializeCriticalSection(&cs_); }
  ~CriticalSection() { ::DeleteCriticalSection(&cs_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  void Enter() { ::EnterCriticalSection(&cs_); }
  void Leave() { ::LeaveCriticalSection(&cs_); }

 private:
  CRITICAL_SECTION cs_;
};

class CsGuard {
 public:
  explicit CsGuard(CriticalSection& cs) : cs_(cs) { cs_.Enter(); }
  ~CsGuard() { cs_.Leave(); }
  CsGuard(const CsGuard&) = delete;
  CsGuard& operator=(const CsGuard&) = delete;

 private:
  CriticalSection& cs_;
};

// Handle values of the seam and of the system convert both ways without loss.
inline HWND ToHwnd(std::uintptr_t h) { return reinterpret_cast<HWND>(h); }
inline std::uintptr_t FromHwnd(HWND h) { return reinterpret_cast<std::uintptr_t>(h); }

}  // namespace zq::win32
