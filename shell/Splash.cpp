// The start-up banner window and the thread that shows it for four seconds.
#include "shell/Splash.h"

#include "app/ErrorReport.h"
#include "app/Messages.h"

namespace zq {

CSplash::CSplash(unsigned bitmapId, std::uint32_t transparentColor)
    : transparentColor_(transparentColor) {
  SetBitmap(bitmapId);
}

CSplash::~CSplash() {
  if (!CurrentPlatform()) return;
  Close();
}

bool CSplash::SetBitmap(unsigned bitmapId) {
  bitmap_ = Plat().resources().LoadBitmap(bitmapId);
  width_ = bitmap_ ? bitmap_->width : 0;
  height_ = bitmap_ ? bitmap_->height : 0;
  return true;  // a missing picture leaves no bitmap and is not a failure
}

void CSplash::SetTransparentColor(std::uint32_t color) {
  transparentColor_ = color;
  ApplyTransparency();
}

void CSplash::Show() {
  Close();
  Windows& w = Plat().windows();
  WindowClass splashClass;
  splashClass.name = ClassName;
  splashClass.style = WindowClass::ByteAlignClient | WindowClass::ByteAlignWindow;
  splashClass.cursor = WindowClass::AppStartingCursor;
  splashClass.brush = WindowClass::Brush::Stock;
  splashClass.brushIndex = WindowClass::LightGrayStock;
  splashClass.extraBytes = 30;
  if (!w.RegisterClass(splashClass)) return;
  Rect screen = w.ScreenRect();
  int x = (screen.Width() - width_) / 2;
  int y = (screen.Height() - height_) / 2;
  WindowSpec desc;
  desc.className = ClassName;
  desc.title = L"Banner";
  desc.style = ws::Popup;
  desc.exStyle = ws::ExTopmost | ws::ExToolWindow;
  desc.rect = Rect{x, y, x + width_, y + height_};
  desc.handler = this;
  window_ = w.Create(desc);
  if (!window_) return;
  if (bitmap_) w.SetPicture(window_, &*bitmap_);  // painted at (0, 0) on WM_PAINT
  ApplyTransparency();
  w.Show(window_, sw::ShowNormal);
}

void CSplash::Close() {
  if (!window_) return;
  Windows& w = Plat().windows();
  w.Destroy(window_);
  w.UnregisterClass(ClassName);
  window_ = 0;
}

void CSplash::ApplyTransparency() {
  Windows& w = Plat().windows();
  if (!window_ || !w.LayeredSupported() || transparentColor_ == 0) return;
  w.SetExStyle(window_, w.ExStyle(window_) | ws::ExLayered);
  w.SetLayeredAttributes(window_, transparentColor_, 0, 1);
}

LResult CSplash::OnMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
  // Painting copies the picture; the backend draws it from the window's bitmap.
  return Plat().windows().DefaultProc(window, message, wParam, lParam);
}

void RunSplashThread() {
  Guarded(0, L"Cannot show the splash screen", [] {
    CSplash splash(IDB_SPLASH, Rgb(255, 0, 255));
    splash.Show();
    Plat().clock().Sleep(4000);
  });
}

}  // namespace zq
