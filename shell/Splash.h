// The start-up banner: a borderless, topmost picture centred on the screen, with a colour
// that is made transparent where the system supports layered windows.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace zq {

class CSplash : public WindowHandler {
 public:
  CSplash(unsigned bitmapId, std::uint32_t transparentColor);
  ~CSplash() override;
  CSplash(const CSplash&) = delete;
  CSplash& operator=(const CSplash&) = delete;

  void Show();
  void Close();
  bool SetBitmap(unsigned bitmapId);
  void SetTransparentColor(std::uint32_t color);
  WindowHandle Window() const { return window_; }

  LResult OnMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override;

  static constexpr const wchar_t* ClassName = L"SPLASH";

 private:
  void ApplyTransparency();

  WindowHandle window_ = 0;
  std::uint32_t transparentColor_ = 0;  // 0x00BBGGRR as a COLORREF; 0: opaque
  int width_ = 0;
  int height_ = 0;
  std::optional<Bitmap> bitmap_;
};

// The colour as the platform's COLORREF (0x00BBGGRR).
constexpr std::uint32_t Rgb(int r, int g, int b) {
  return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
         (static_cast<std::uint32_t>(b) << 16);
}

// The splash thread's body: banner 176 keyed on magenta for 4000 ms.
void RunSplashThread();

}  // namespace zq
