// Drawing and placement for windows with handler objects: pictures, text, regions,
// layered attributes, redraws, z-order, the cursor, mouse tracking and the caption zoom.
#include "platform/win32/win32_window.h"

namespace zq::win32 {

namespace {

RECT ToRect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// A point font like the framework's CreatePointFont: the height follows the screen's
// vertical resolution.
UniqueFont MakeFont(HDC dc, const FontSpec& font) {
  LOGFONTW lf{};
  lf.lfHeight = -::MulDiv(font.tenthsOfPoint, ::GetDeviceCaps(dc, LOGPIXELSY), 720);
  lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = font.italic ? TRUE : FALSE;
  lf.lfUnderline = font.underline ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, font.face.c_str(), LF_FACESIZE);
  return UniqueFont(::CreateFontIndirectW(&lf));
}

}  // namespace

bool Win32Windows::SetPicture(WindowHandle window, const Bitmap* picture) {
  HWND h = ToHwnd(window);
  WindowRecord* record = RecordOf(h);
  if (!record) return false;
  if (picture) {
    UniqueBitmap dib = MakeDib(*picture);
    if (!dib) return false;
    record->picture = std::move(dib);
    record->pictureWidth = picture->width;
    record->pictureHeight = picture->height;
  } else {
    record->picture.reset();
    record->pictureWidth = record->pictureHeight = 0;
  }
  ::InvalidateRect(h, nullptr, TRUE);
  return true;
}

bool Win32Windows::SetRegion(WindowHandle window, const std::vector<Rect>& region) {
  UniqueRegion rgn = MakeRegion(region);
  if (!region.empty() && !rgn) return false;
  if (!::SetWindowRgn(ToHwnd(window), rgn.get(), TRUE)) return false;
  rgn.release();  // the window owns its region now
  return true;
}

namespace {

// SetLayeredWindowAttributes, looked up at run time only: systems without layered windows
// lack it, and a static import would keep the program from loading there.
using SetLayeredFunction = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

SetLayeredFunction SetLayeredLookup() {
  HMODULE user = ::GetModuleHandleW(L"user32.dll");
  return user ? reinterpret_cast<SetLayeredFunction>(
                    reinterpret_cast<void*>(::GetProcAddress(user, "SetLayeredWindowAttributes")))
              : nullptr;
}

}  // namespace

bool Win32Windows::LayeredSupported() { return SetLayeredLookup() != nullptr; }

bool Win32Windows::SetLayeredAttributes(WindowHandle window, std::uint32_t colorKey, int alpha,
                                        unsigned flags) {
  SetLayeredFunction set = SetLayeredLookup();
  if (!set) return false;
  if (set(ToHwnd(window), colorKey, static_cast<BYTE>(alpha), flags)) return true;
  TraceLastError("SetLayeredWindowAttributes");
  return false;
}

bool Win32Windows::Redraw(WindowHandle window, unsigned flags) {
  return ::RedrawWindow(ToHwnd(window), nullptr, nullptr, flags) != 0;
}

bool Win32Windows::PaintText(WindowHandle window, const TextPaint& text) {
  WindowRecord* record = RecordOf(ToHwnd(window));
  if (!record || !record->paintDc) return false;
  HDC dc = record->paintDc;
  UniqueFont font = MakeFont(dc, text.font);
  if (!font) return false;
  SelectGuard select(dc, font.get());
  COLORREF oldColor = ::SetTextColor(dc, text.color);
  int oldMode = ::SetBkMode(dc, text.transparent ? TRANSPARENT : OPAQUE);
  RECT r = ToRect(text.rect);
  int height =
      ::DrawTextW(dc, text.text.c_str(), static_cast<int>(text.text.size()), &r, text.format);
  ::SetBkMode(dc, oldMode);
  ::SetTextColor(dc, oldColor);
  return height != 0 || text.text.empty();
}

// insertAfter keeps the system's values: 0 is HWND_TOP and InsertTopmost is HWND_TOPMOST.
bool Win32Windows::SetWindowPos(WindowHandle window, WindowHandle insertAfter, const Rect& rect,
                                unsigned flags) {
  return ::SetWindowPos(ToHwnd(window), ToHwnd(insertAfter), rect.left, rect.top, rect.Width(),
                        rect.Height(), flags) != 0;
}

void Win32Windows::SetCursor(unsigned systemCursorId) {
  ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(systemCursorId)));
}

bool Win32Windows::TrackMouse(WindowHandle window, unsigned flags, unsigned hoverMs) {
  TRACKMOUSEEVENT track{};
  track.cbSize = sizeof track;
  track.dwFlags = flags;
  track.hwndTrack = ToHwnd(window);
  track.dwHoverTime = hoverMs;
  return ::TrackMouseEvent(&track) != 0;
}

bool Win32Windows::MinimizeAnimation() {
  ANIMATIONINFO info{};
  info.cbSize = sizeof info;
  if (!::SystemParametersInfoW(SPI_GETANIMATION, sizeof info, &info, 0)) return false;
  return info.iMinAnimate != 0;
}

bool Win32Windows::ZoomRects(WindowHandle window, const Rect& from, const Rect& to) {
  RECT a = ToRect(from), b = ToRect(to);
  return ::DrawAnimatedRects(ToHwnd(window), IDANI_CAPTION, &a, &b) != 0;
}

}  // namespace zq::win32
