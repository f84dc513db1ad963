// The popup in which notifications appear: a skinned, borderless, topmost window whose
// shape is cut out of its skin picture by a colour key and which slides out of the taskbar.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace zq {

class CTaskbarNotifier : public WindowHandler {
 public:
  // AnimStatus values; the window's timers 1 to 3 carry the same numbers.
  enum Status { Idle = 0, Appearing = 1, Waiting = 2, Disappearing = 3 };
  // TaskbarPlacement values: the screen edge the taskbar stands on.
  enum Placement { Left = 0, Top = 1, Right = 2, Bottom = 3 };
  struct Steps {
    unsigned delay;      // timer period, milliseconds
    unsigned increment;  // pixels per tick
  };

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

  // Shows the text: slides out (appearMs), stays (stayMs, longer while the mouse rests on
  // it) and slides back (hideMs). While already out it only takes the new text.
  void Show(const std::wstring& text, unsigned appearMs, unsigned stayMs, unsigned hideMs);
  void Hide();

  WindowHandle Window() const { return window_; }
  int GetSkinWidth() const { return SkinWidth; }
  int GetSkinHeight() const { return SkinHeight; }
  const Rect& GetTextRect() const { return TextRect; }
  const FontSpec& GetNormalFont() const { return NormalFont; }
  const FontSpec& GetSelectedFont() const { return SelectedFont; }
  std::uint32_t GetNormalTextColor() const { return NormalTextColor; }
  std::uint32_t GetSelectedTextColor() const { return SelectedTextColor; }
  const std::wstring& GetCaption() const { return Caption; }
  int GetStatus() const { return AnimStatus; }
  int GetPlacement() const { return TaskbarPlacement; }
  bool IsMouseOver() const { return MouseIsOver; }
  unsigned GetTimerPrecision() const { return TimerPrecision; }
  unsigned GetTimeToStay() const { return TimeToStay; }
  Steps GetShowSteps() const { return Steps{ShowDelay, ShowIncrement}; }
  Steps GetHideSteps() const { return Steps{HideDelay, HideIncrement}; }
  Rect GetGeometry() const {
    return Rect{WindowX, WindowY, WindowX + WindowWidth, WindowY + WindowHeight};
  }

  LResult OnMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override;

  // The opaque runs of the skin, bottom row first, as the window's region. `key` is
  // 0x00RRGGBB like the bitmap's pixels.
  static std::vector<Rect> GenerateRegion(const Bitmap& skin, std::uint32_t key);
  // The edge of a taskbar rectangle on a screen `screenWidth` pixels wide.
  static Placement PlacementOf(const Rect& taskbar, int screenWidth);
  // Timer period and step for sliding `size` pixels in `timeMs` at `precisionMs`.
  static Steps SlideSteps(unsigned timeMs, unsigned precisionMs, unsigned size);

 private:
  Rect TaskbarRect();
  void StartGeometry(const Rect& bar);
  void FullGeometry(const Rect& bar);
  void OnAppearTick();
  void OnStayTick();
  void OnDisappearTick();
  void Place();
  void Redraw();
  void Paint();
  bool SlidesSideways() const { return TaskbarPlacement == Left || TaskbarPlacement == Right; }

  WindowHandle Parent = 0;
  FontSpec NormalFont;
  FontSpec SelectedFont;
  std::uint32_t NormalTextColor = 0xB59285;
  std::uint32_t SelectedTextColor = 0x6A240A;
  unsigned HandCursor = 32649;  // IDC_HAND
  std::optional<Bitmap> SkinBitmap;
  int SkinWidth = 0;
  int SkinHeight = 0;
  std::wstring Caption;
  Rect TextRect;
  unsigned TextFormat = 0x8015;  // DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_END_ELLIPSIS
  bool MouseIsOver = false;
  int AnimStatus = Idle;
  int TaskbarPlacement = Bottom;
  unsigned TimerPrecision = 10;
  unsigned TimeToStay = 0;
  unsigned ShowDelay = 0, HideDelay = 0;
  unsigned ShowIncrement = 0, HideIncrement = 0;
  int WindowX = 0, WindowY = 0, WindowWidth = 0, WindowHeight = 0;
  WindowHandle window_ = 0;
};

}  // namespace zq
