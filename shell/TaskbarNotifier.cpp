// The notifier popup's window, skin, region, fonts and colours.
#include "shell/TaskbarNotifier.h"

namespace zq {

CTaskbarNotifier::CTaskbarNotifier() { SetTextDefaultFont(); }

CTaskbarNotifier::~CTaskbarNotifier() {
  if (window_ && CurrentPlatform()) Plat().windows().Destroy(window_);
}

bool CTaskbarNotifier::Create(WindowHandle parent) {
  Parent = parent;
  Windows& w = Plat().windows();
  w.RegisterClass(L"TaskbarNotifierClass", 0);
  WindowSpec desc;
  desc.className = L"TaskbarNotifierClass";
  desc.style = ws::Popup;
  desc.exStyle = ws::ExTopmost;
  desc.parent = parent;
  desc.handler = this;
  window_ = w.Create(desc);
  return window_ != 0;
}

bool CTaskbarNotifier::SetSkin(unsigned bitmapId, unsigned red, unsigned green, unsigned blue) {
  auto skin = Plat().resources().LoadBitmap(bitmapId);
  if (!skin) return false;
  SkinBitmap = std::move(skin);
  SkinWidth = SkinBitmap->width;
  SkinHeight = SkinBitmap->height;
  TextRect = Rect{0, 0, SkinWidth, SkinHeight};
  if (red == 0xFFFF || green == 0xFFFF || blue == 0xFFFF) return true;
  std::uint32_t key = ((red & 0xFF) << 16) | ((green & 0xFF) << 8) | (blue & 0xFF);
  if (window_) Plat().windows().SetRegion(window_, GenerateRegion(*SkinBitmap, key));
  return true;
}

void CTaskbarNotifier::SetTextFont(const std::wstring& face, int tenthsOfPoint,
                                   unsigned normalStyle, unsigned selectedStyle) {
  auto make = [&](unsigned style) {
    FontSpec f;
    f.face = face;
    f.tenthsOfPoint = tenthsOfPoint;
    f.bold = (style & 1) != 0;
    f.italic = (style & 2) != 0;
    f.underline = (style & 4) != 0;
    return f;
  };
  NormalFont = make(normalStyle);
  SelectedFont = make(selectedStyle);
}

void CTaskbarNotifier::SetTextDefaultFont() {
  NormalFont = FontSpec{};
  SelectedFont = FontSpec{};
  SelectedFont.underline = true;
}

void CTaskbarNotifier::SetTextColor(std::uint32_t normal, std::uint32_t selected) {
  NormalTextColor = normal;
  SelectedTextColor = selected;
}

LResult CTaskbarNotifier::OnMessage(WindowHandle window, unsigned message, WParam wParam,
                                    LParam lParam) {
  return Plat().windows().DefaultProc(window, message, wParam, lParam);
}

std::vector<Rect> CTaskbarNotifier::GenerateRegion(const Bitmap& skin, std::uint32_t key) {
  std::vector<Rect> rects;
  rects.reserve(40);
  const int w = skin.width;
  for (int row = skin.height - 1; row >= 0; --row) {
    int start = -1;
    for (int x = 0; x < w; ++x) {
      bool opaque = (skin.At(x, row) & 0xFFFFFF) != key;
      bool last = x == w - 1;
      if (start < 0) {
        if (!opaque) continue;
        start = x;
        if (!last) continue;
      }
      if (!opaque || last) {
        int right = (opaque && last) ? x + 1 : x;
        rects.push_back(Rect{start, row, right, row + 1});
        start = -1;
      }
    }
  }
  return rects;
}

}  // namespace zq
