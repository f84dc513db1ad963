// The popup in which notifications appear: a skinned, borderless, topmost window whose
// shape is cut out of its skin picture by a colour key.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace zq {

struct FontSpec {
  std::wstring face = L"MS Shell Dlg";
  int tenthsOfPoint = 80;
  bool bold = false, italic = false, underline = false;
};

class CTaskbarNotifier : public WindowHandler {
 public:
  CTaskbarNotifier();
  ~CTaskbarNotifier() override;
  CTaskbarNotifier(const CTaskbarNotifier&) = delete;
  CTaskbarNotifier& operator=(const CTaskbarNotifier&) = delete;

  bool Create(WindowHandle parent);
  // 0xFFFF in any colour value: no region.
  bool SetSkin(unsigned bitmapId, unsigned red, unsigned green, unsigned blue);
  void SetTextFont(const std::wstring& face, int tenthsOfPoint, unsigned normalStyle,
                   unsigned selectedStyle);
  void SetTextDefaultFont();
  void SetTextColor(std::uint32_t normal, std::uint32_t selected);
  void SetTextRect(const Rect& rect) { TextRect = rect; }

  WindowHandle Window() const { return window_; }
  int GetSkinWidth() const { return SkinWidth; }
  int GetSkinHeight() const { return SkinHeight; }
  const Rect& GetTextRect() const { return TextRect; }
  const FontSpec& GetNormalFont() const { return NormalFont; }
  const FontSpec& GetSelectedFont() const { return SelectedFont; }
  std::uint32_t GetNormalTextColor() const { return NormalTextColor; }
  std::uint32_t GetSelectedTextColor() const { return SelectedTextColor; }

  LResult OnMessage(WindowHandle window, unsigned message, WParam wParam,
                    LParam lParam) override;

  // The opaque runs of the skin, bottom row first, as the window's region. `key` is
  // 0x00RRGGBB like the bitmap's pixels.
  static std::vector<Rect> GenerateRegion(const Bitmap& skin, std::uint32_t key);

 private:
  WindowHandle Parent = 0;
  FontSpec NormalFont;
  FontSpec SelectedFont;
  std::uint32_t NormalTextColor = 0xB59285;
  std::uint32_t SelectedTextColor = 0x6A240A;
  std::optional<Bitmap> SkinBitmap;
  int SkinWidth = 0;
  int SkinHeight = 0;
  Rect TextRect;
  unsigned TextFormat = 0x8015;
  WindowHandle window_ = 0;
};

}  // namespace zq
