// The notifier popup's window, skin, region, fonts and colours, its slide out of the
// taskbar and back on three timers, and its answers to the mouse.
#include "shell/TaskbarNotifier.h"

#include <algorithm>
#include <cstdlib>

#include "app/ErrorReport.h"
#include "app/Messages.h"

namespace zq {

namespace {
constexpr int kEdgeSlack = 20;      // how near a screen edge a taskbar edge counts as on it
constexpr int kRightMargin = 20;    // a bottom taskbar's popup keeps this far from the right
constexpr unsigned kHitClient = 1;  // HTCLIENT
constexpr unsigned kNtPlatform = 2;
constexpr unsigned kHoverMs = 1;
}  // namespace

CTaskbarNotifier::CTaskbarNotifier() {
  SetTextDefaultFont();
  if (CurrentPlatform())
    TimerPrecision = Plat().system().PlatformId() == static_cast<int>(kNtPlatform) ? 10 : 50;
}

CTaskbarNotifier::~CTaskbarNotifier() {
  if (window_ && CurrentPlatform()) Plat().windows().Destroy(window_);
}

bool CTaskbarNotifier::Create(WindowHandle parent) {
  Parent = parent;
  Windows& w = Plat().windows();
  w.RegisterClass(WindowClass::ArrowOnWindowColor(L"TaskbarNotifierClass",
                                                  WindowClass::DblClks | WindowClass::SaveBits));
  WindowSpec desc;
  desc.className = L"TaskbarNotifierClass";
  desc.style = ws::Popup;
  desc.exStyle = ws::ExTopmost;
  desc.parent = parent;
  desc.handler = this;
  window_ = w.Create(desc);
  return window_ != 0;
}

// A skin that cannot be loaded leaves no skin; a skin without a colour key leaves the
// window rectangular, also when an earlier skin had cut it.
bool CTaskbarNotifier::SetSkin(unsigned bitmapId, unsigned red, unsigned green, unsigned blue) {
  Windows& w = Plat().windows();
  auto skin = Plat().resources().LoadBitmap(bitmapId);
  if (!skin) {
    SkinBitmap.reset();
    SkinWidth = SkinHeight = 0;
    if (window_) {
      w.SetPicture(window_, nullptr);
      w.SetRegion(window_, {});
    }
    return false;
  }
  SkinBitmap = std::move(skin);
  SkinWidth = SkinBitmap->width;
  SkinHeight = SkinBitmap->height;
  TextRect = Rect{0, 0, SkinWidth, SkinHeight};
  if (window_) w.SetPicture(window_, &*SkinBitmap);  // the erased background
  if (red == 0xFFFF || green == 0xFFFF || blue == 0xFFFF) {
    if (window_) w.SetRegion(window_, {});
    return true;
  }
  std::uint32_t key = ((red & 0xFF) << 16) | ((green & 0xFF) << 8) | (blue & 0xFF);
  if (window_) w.SetRegion(window_, GenerateRegion(*SkinBitmap, key));
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
  Redraw();
}

// ---------------------------------------------------------------------------------------
// Showing and hiding

CTaskbarNotifier::Placement CTaskbarNotifier::PlacementOf(const Rect& bar, int screenWidth) {
  if (std::abs(bar.left) < kEdgeSlack && std::abs(bar.right - screenWidth) < kEdgeSlack)
    return std::abs(bar.top) < kEdgeSlack ? Top : Bottom;
  return std::abs(bar.left) < kEdgeSlack ? Left : Right;
}

// n steps of at least `precisionMs` each, no more steps than pixels. A popup without a
// skin has nothing to slide: one step of nothing.
CTaskbarNotifier::Steps CTaskbarNotifier::SlideSteps(unsigned timeMs, unsigned precisionMs,
                                                     unsigned size) {
  if (timeMs > precisionMs && size > 0) {
    unsigned n = std::min(timeMs / precisionMs, size);
    return Steps{timeMs / n, size / n};
  }
  return Steps{precisionMs, size};
}

// The taskbar's window; without one, the position the shell reports; without that, a
// taskbar of no height along the bottom of the screen. A taskbar window of no size (Wine's
// stands hidden at 0, 0 when its tray is a window of its own) tells nothing: taken as it
// is, it would put the popup above the top left corner, off the screen.
Rect CTaskbarNotifier::TaskbarRect() {
  Platform& p = Plat();
  Windows& w = p.windows();
  if (WindowHandle bar = w.FindWindow(0, 0, L"Shell_TrayWnd", L"")) {
    Rect r = w.WindowRect(bar);
    if (!r.IsEmpty()) return r;
  }
  Rect reported = p.shell().TaskbarRect();
  if (!reported.IsEmpty()) return reported;
  Rect screen = w.ScreenRect();
  return Rect{screen.left, screen.bottom, screen.right, screen.bottom};
}

// Closed against the taskbar: the sliding size is 0.
void CTaskbarNotifier::StartGeometry(const Rect& bar) {
  switch (TaskbarPlacement) {
    case Left:
      WindowX = bar.right, WindowY = bar.bottom - SkinHeight;
      WindowWidth = 0, WindowHeight = SkinHeight;
      break;
    case Top:
      WindowX = bar.right - SkinWidth, WindowY = bar.bottom;
      WindowWidth = SkinWidth, WindowHeight = 0;
      break;
    case Right:
      WindowX = bar.left, WindowY = bar.bottom - SkinHeight;
      WindowWidth = 0, WindowHeight = SkinHeight;
      break;
    default:
      WindowX = bar.right - SkinWidth - kRightMargin, WindowY = bar.top;
      WindowWidth = SkinWidth, WindowHeight = 0;
      break;
  }
}

// Fully out of the taskbar; only the sliding edge and size change.
void CTaskbarNotifier::FullGeometry(const Rect& bar) {
  switch (TaskbarPlacement) {
    case Left:
      WindowX = bar.right, WindowWidth = SkinWidth;
      break;
    case Top:
      WindowY = bar.bottom, WindowHeight = SkinHeight;
      break;
    case Right:
      WindowX = bar.left - SkinWidth, WindowWidth = SkinWidth;
      break;
    default:
      WindowY = bar.top - SkinHeight, WindowHeight = SkinHeight;
      break;
  }
}

void CTaskbarNotifier::Show(const std::wstring& text, unsigned appearMs, unsigned stayMs,
                            unsigned hideMs) {
  Windows& w = Plat().windows();
  Caption = text;
  TimeToStay = stayMs;
  Rect bar = TaskbarRect();
  TaskbarPlacement = PlacementOf(bar, w.ScreenRect().Width());
  unsigned size = static_cast<unsigned>(std::max(0, SlidesSideways() ? SkinWidth : SkinHeight));
  Steps show = SlideSteps(appearMs, TimerPrecision, size);
  Steps hide = SlideSteps(hideMs, TimerPrecision, size);
  ShowDelay = show.delay, ShowIncrement = show.increment;
  HideDelay = hide.delay, HideIncrement = hide.increment;
  if (!window_) return;
  switch (AnimStatus) {
    case Idle:
      StartGeometry(bar);
      Place();
      w.Show(window_, sw::ShowNoActivate);
      w.SetTimer(window_, NOTIFIER_TIMER_APPEAR, ShowDelay);
      break;
    case Appearing:
      Redraw();
      break;
    case Waiting:
      Redraw();
      w.SetTimer(window_, NOTIFIER_TIMER_STAY, TimeToStay);
      break;
    default:  // disappearing: back to full size, and the stay begins again
      w.KillTimer(window_, NOTIFIER_TIMER_DISAPPEAR);
      w.SetTimer(window_, NOTIFIER_TIMER_STAY, TimeToStay);
      AnimStatus = Waiting;
      FullGeometry(bar);
      Place();
      Redraw();
      break;
  }
}

// Every timer stops, not only the current state's: between Show and the first appearing
// tick, and between the end of the stay and the first disappearing tick, the state does
// not name the timer that runs, and a timer left running would slide the hidden popup on
// and keep later notifications from showing.
void CTaskbarNotifier::Hide() {
  AnimStatus = Idle;
  if (!window_) return;
  Windows& w = Plat().windows();
  for (unsigned id : {NOTIFIER_TIMER_APPEAR, NOTIFIER_TIMER_STAY, NOTIFIER_TIMER_DISAPPEAR})
    w.KillTimer(window_, id);
  w.SetWindowPos(window_, 0, Rect{0, 0, 0, 0}, swp::NoZOrder | swp::NoActivate);
  w.Show(window_, sw::Hide);
}

void CTaskbarNotifier::Place() {
  if (window_)
    Plat().windows().SetWindowPos(window_, InsertTopmost, GetGeometry(), swp::NoActivate);
}

void CTaskbarNotifier::Redraw() {
  if (window_) Plat().windows().Redraw(window_, rdw::Invalidate | rdw::Erase | rdw::UpdateNow);
}

// ---------------------------------------------------------------------------------------
// Timer ticks

// Grows by the increment. The last step grows by what is left, moving the sliding edge
// with it, so that the popup ends exactly at its full size against the taskbar.
void CTaskbarNotifier::OnAppearTick() {
  AnimStatus = Appearing;
  const int full = SlidesSideways() ? SkinWidth : SkinHeight;
  int& size = SlidesSideways() ? WindowWidth : WindowHeight;
  const int step = static_cast<int>(ShowIncrement);
  const bool done = step <= 0 || size + step > full;
  const int grow = done ? full - size : step;
  size += grow;
  if (TaskbarPlacement == Right) WindowX -= grow;
  if (TaskbarPlacement == Bottom) WindowY -= grow;
  if (done) {
    Windows& w = Plat().windows();
    w.KillTimer(window_, NOTIFIER_TIMER_APPEAR);
    w.SetTimer(window_, NOTIFIER_TIMER_STAY, TimeToStay);
    AnimStatus = Waiting;
  }
  Place();
}

// While the mouse rests on the popup it stays; the test runs again a stay period later.
void CTaskbarNotifier::OnStayTick() {
  if (MouseIsOver) return;
  Windows& w = Plat().windows();
  w.KillTimer(window_, NOTIFIER_TIMER_STAY);
  w.SetTimer(window_, NOTIFIER_TIMER_DISAPPEAR, HideDelay);
}

// Shrinks by the increment, never below nothing; once nothing is left, hides.
void CTaskbarNotifier::OnDisappearTick() {
  AnimStatus = Disappearing;
  int& size = SlidesSideways() ? WindowWidth : WindowHeight;
  if (size <= 0) {
    Hide();
    return;
  }
  const int shrink = std::min(size, static_cast<int>(std::max(1u, HideIncrement)));
  size -= shrink;
  if (TaskbarPlacement == Right) WindowX += shrink;
  if (TaskbarPlacement == Bottom) WindowY += shrink;
  Place();
}

// ---------------------------------------------------------------------------------------
// Messages

void CTaskbarNotifier::Paint() {
  TextPaint text;
  text.text = Caption;
  text.rect = TextRect;
  text.format = TextFormat;
  text.font = MouseIsOver ? SelectedFont : NormalFont;
  text.color = MouseIsOver ? SelectedTextColor : NormalTextColor;
  text.transparent = true;
  Plat().windows().PaintText(window_, text);
}

LResult CTaskbarNotifier::OnMessage(WindowHandle window, unsigned message, WParam wParam,
                                    LParam lParam) {
  Windows& w = Plat().windows();
  switch (message) {
    case wm::Timer:
      if (wParam == NOTIFIER_TIMER_APPEAR) OnAppearTick();
      if (wParam == NOTIFIER_TIMER_STAY) OnStayTick();
      if (wParam == NOTIFIER_TIMER_DISAPPEAR) OnDisappearTick();
      return 0;
    case wm::MouseMove:
      w.TrackMouse(window, tme::Hover | tme::Leave, kHoverMs);
      return 0;
    case wm::MouseHover:
      if (!MouseIsOver) {
        MouseIsOver = true;
        Redraw();
      }
      return 0;
    case wm::MouseLeave:
      if (MouseIsOver) {
        MouseIsOver = false;
        Redraw();
      }
      return 0;
    case wm::LButtonUp:
      w.Post(Parent, UM_NOTIFICATION_CLICKED, 0, 0);
      return 0;
    case wm::SetCursor:
      if ((static_cast<unsigned>(lParam) & 0xFFFF) != kHitClient) break;
      w.SetCursor(HandCursor);
      return 1;
    case wm::Paint:
      Quietly([&] { Paint(); });
      return 0;
    default:
      break;
  }
  // The background (WM_ERASEBKGND) is the skin picture, painted by the default handling.
  return w.DefaultProc(window, message, wParam, lParam);
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
