// The panel window: creation in its three forms, the panel page address, the page
// commands it performs or passes to the controller, the keyboard filter, close and destroy.
#include "panel/ZephquillWnd.h"

#include <optional>
#include <utility>

#include "app/AppConsts.h"
#include "app/ClientApp.h"
#include "app/CommandText.h"
#include "app/ControllerAccess.h"
#include "app/ErrorReport.h"
#include "app/Messages.h"
#include "app/PanelRegistry.h"
#include "app/Text.h"
#include "controller/ClientDlg.h"
#include "panel/CommandUrl.h"
#include "panel/FrontWebBrowser.h"
#include "panel/WebBrowser.h"

namespace zq {

namespace {

constexpr std::uint32_t kExNoParentNotify = 0x00000004;
constexpr unsigned kNcLButtonDown = 0x00A1;
constexpr WParam kHitCaption = 2;
constexpr unsigned kTpmRightButton = 0x0002, kTpmRightAlign = 0x0008;
constexpr int kVkBack = 0x08, kVkTab = 0x09, kVkControl = 0x11, kVkMenu = 0x12, kVkEscape = 0x1B,
              kVkLeft = 0x25, kVkRight = 0x27, kVkF5 = 0x74;
// The browser shortcuts with Ctrl: next tab, open, print, new window, find.
constexpr int kCtrlShortcuts[] = {kVkTab, 'O', 'P', 'N', 'F'};

constexpr const wchar_t* kLastBaseUrlKey = L"LastBaseURLNavigated";
// Level of the report of an address a page may not open: a status line, never a box.
constexpr int kRefusedAddressLevel = 2;
constexpr const wchar_t* kClientIdentifierKey = L"ClientIdentifier";

// Writes a setting through the controller; without a controller there is no file to write.
void WriteSettingValue(const std::wstring& key, const std::wstring& value) {
  CClientApp* app = App();
  if (app && app->Controller) app->Controller->WriteSetting(key, value);
}

// Posts a message carrying two texts; they are freed when the post fails.
void PostTexts(WindowHandle window, unsigned message, WParam first, LParam second) {
  if (!window || !Plat().windows().Post(window, message, first, second)) {
    FreeText(first);
    FreeText(static_cast<WParam>(second));
  }
}

// The framework's class of floating panels and hidden page windows: saved bits only.
WindowClass FloatingClass() {
  WindowClass c;
  c.name = kFloatingPanelClass;
  c.style = WindowClass::SaveBits;
  return c;
}

bool IsKeyboard(unsigned message) { return message >= wm::KeyFirst && message <= wm::KeyLast; }
bool IsMouse(unsigned message) { return message >= wm::MouseFirst && message <= wm::MouseLast; }

}  // namespace

ZephquillWnd::ZephquillWnd()
    : PlacementLock(Plat().threads().NewLock()),
      FrontBrowser(std::make_unique<CFrontWebBrowser>()),
      BackBrowser(std::make_unique<CWebBrowser>()),
      gate_(std::make_shared<WorkerGate>()) {}

ZephquillWnd::~ZephquillWnd() {
  if (!CurrentPlatform()) return;
  // A thread that already runs finishes first; threads that have yet to run find the
  // gate closed. The end of the process is left to the next wait outside the destructor.
  try {
    LockGuard lock(*PlacementLock);
    gate_->alive = false;
  } catch (...) {
    gate_->alive = false;
  }
  StopWindowEvents();
  WindowHandle window = hwnd_;
  if (window) {
    announceDestroy_ = false;
    try {
      Plat().windows().Destroy(window);
    } catch (...) {
    }
  }
}

// ---------------------------------------------------------------------------------------
// Creation

void ZephquillWnd::MakeWindow(const WindowSpec& desc) {
  if (hwnd_) ThrowFail();  // one window per panel object
  Windows& w = Plat().windows();
  closeDeferred_ = false;
  WindowHandle window = 0;
  {
    struct Reset {
      bool& flag;
      ~Reset() { flag = false; }  // also when the creation throws
    } reset{creating_};
    creating_ = true;
    window = w.Create(desc);
  }
  // Judged by the handle: the system's last error is only meaningful when this failed,
  // and the platform does not pass it on, so a failure raises the general code. A window
  // destroyed while it was being made (with its parent) counts as not made.
  if (!window || !w.IsWindow(window)) ThrowFail();
  hwnd_ = window;
  announceDestroy_ = true;
  // The close asked for during the creation: the window goes now, and its end reaches
  // the controller as any other panel's does. It is destroyed rather than closed, so that
  // the rectangle it was made with (never placed) is not remembered as its place.
  if (std::exchange(closeDeferred_, false)) w.Destroy(window);
}

void ZephquillWnd::CreateAttached(WindowHandle browser, const std::wstring& title,
                                  bool ownedPopup) {
  Windows& w = Plat().windows();
  const std::wstring& className = GetAppConsts().ZQFloatWndClassName;
  w.RegisterClass(WindowClass::ArrowOnWindowColor(
      className, WindowClass::DblClks |
                     WindowClass::SaveBits));  // registering again fails and changes nothing
  Rect client = w.ClientRect(browser);
  // Set before the window exists: creation may already handle the page's first commands.
  Attached = 1;
  BrowserWindow = browser;
  popup_ = ownedPopup;
  WindowSpec desc;
  desc.className = className;
  desc.title = title;
  desc.style = ws::Child | ws::Visible | ws::ClipSiblings;
  desc.exStyle = ws::ExToolWindow | kExNoParentNotify;
  desc.rect = Rect{client.Width() - 1, client.Height() - 1, client.Width(), client.Height()};
  desc.parent = browser;
  desc.handler = this;
  if (popup_) {
    // Made hidden and shown without activation: a visible pop-up would take the focus.
    Rect frame = w.WindowRect(browser);
    desc.style = ws::Popup | ws::ClipSiblings;
    desc.exStyle = ws::ExToolWindow;
    desc.rect = Rect{frame.right - 1, frame.bottom - 1, frame.right, frame.bottom};
  }
  MakeWindow(desc);
  if (!popup_) {
    w.SetWindowPos(hwnd_, 0, desc.rect, 0);
    return;
  }
  w.SetWindowPos(hwnd_, 0, desc.rect, swp::NoActivate | swp::ShowWindow);
  events_ = Plat().windowEvents().Subscribe(browser, this);
  if (w.IsIconic(browser)) ShowPopup(false);
}

void ZephquillWnd::CreateFloating(WindowHandle controller, const std::wstring& title) {
  Windows& w = Plat().windows();
  w.RegisterClass(FloatingClass());
  Attached = 0;
  BrowserWindow = controller;
  WindowSpec desc;
  desc.className = kFloatingPanelClass;
  desc.title = title;
  desc.style = ws::Popup | ws::Child | ws::Visible;
  desc.exStyle = ws::ExAppWindow | ws::ExTopmost;
  desc.rect = Rect{1, 1, 2, 2};
  desc.parent = controller;
  desc.handler = this;
  MakeWindow(desc);
}

void ZephquillWnd::CreateHidden(WindowHandle controller, const std::wstring& title,
                                std::uint32_t exStyle) {
  Windows& w = Plat().windows();
  w.RegisterClass(FloatingClass());
  Attached = 0;
  BrowserWindow = controller;
  WindowSpec desc;
  desc.className = kFloatingPanelClass;
  desc.title = title;
  desc.style = ws::Popup | ws::Child;
  desc.exStyle = exStyle;
  desc.rect = Rect{0, 0, 0, 0};
  desc.parent = controller;
  desc.handler = this;
  MakeWindow(desc);
}

LResult ZephquillWnd::OnCreate() {
  Windows& w = Plat().windows();
  BaseUrl.clear();
  WidthMode = kSizeRequested;
  HeightMode = kSizeRequested;
  SlideState = kSlideCollapsed;
  Alpha = 255;
  Rect own = w.WindowRect(hwnd_);
  PanelWidth = own.Width();
  PanelHeight = own.Height();

  FrontBrowser->CreateOver(hwnd_);
  // The host's wait handled messages: the window may have gone with its parent meanwhile.
  if (!hwnd_ || destroying_) return 0;
  FrontBrowser->SetCommandWindow(hwnd_);
  if (WebControl* control = FrontBrowser->Browser()) {
    control->SetRegisterAsDropTarget(false);
    control->SetSilent(true);
    control->SetOffline(true);
  }
  if (Attached) {
    BackBrowser->CreateOver(hwnd_);
    if (!hwnd_ || destroying_) return 0;
    BackBrowser->SetCommandWindow(hwnd_);
    if (WebControl* control = BackBrowser->Browser()) control->SetRegisterAsDropTarget(false);
    BackBrowser->LoadFromResource(IDR_HTML_LOADING);
    FrontBrowser->SetBackBrowser(BackBrowser.get());
  }
  // The taskbar button goes at once; nothing is reported when it cannot.
  Quietly([&] { Plat().shell().RemoveTaskbarButton(hwnd_); });
  return 0;
}

void ZephquillWnd::OnDestroy() {
  destroying_ = true;
  StopWindowEvents();
  Quietly([&] {
    FrontBrowser->Destroy();
    BackBrowser->Destroy();
  });
  if (!announceDestroy_) return;
  announceDestroy_ = false;
  WindowHandle controller = ControllerWindow();
  if (controller)
    Plat().windows().Post(controller, UM_PANEL_DESTROYED, reinterpret_cast<WParam>(this), 0);
}

// ---------------------------------------------------------------------------------------
// Pages

std::wstring ZephquillWnd::EncodeQueryValue(const std::wstring& value) {
  static const char kHex[] = "0123456789ABCDEF";
  std::wstring out;
  for (unsigned char c : ToUtf8(value)) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      out += static_cast<wchar_t>(c);
    } else {
      out += L'%';
      out += static_cast<wchar_t>(kHex[c >> 4]);
      out += static_cast<wchar_t>(kHex[c & 0xF]);
    }
  }
  return out;
}

std::wstring ZephquillWnd::ComposePanelAddress(const std::wstring& baseUrl,
                                               const std::wstring& extraQuery,
                                               const std::wstring& clientId,
                                               const std::wstring& siteUrl) {
  return baseUrl + L"?" + extraQuery + L"TavrelZephquillID=" + EncodeQueryValue(clientId) +
         L"&TavrelZephquillURL=" + EncodeQueryValue(siteUrl);
}

void ZephquillWnd::Navigate(const std::wstring& address) {
  loaded_.push_back(address);
  if (loaded_.size() > kLoadedKept) loaded_.pop_front();
  FrontBrowser->Navigate(address);
}

namespace {

// A panel's page: a web address, or one of the two pages the client itself knows (the stop
// marker and the closed page), which the service's pages may choose as well.
bool IsPanelPage(const CAppConsts& k, const std::wstring& address) {
  return address == k.StopPostBacksURL || address == k.ClosedFltWndURL || IsWebAddress(address);
}

}  // namespace

void ZephquillWnd::LoadPanelPage(const std::wstring& siteUrl, const std::wstring& extraQuery) {
  const CAppConsts& k = GetAppConsts();
  if (BaseUrl.empty()) {
    BaseUrl = ControllerReadSetting(kLastBaseUrlKey, L"");
    // A page may store any value under this key: one that is no panel page is not opened,
    // and the minimised page takes its place in the file too.
    if (!BaseUrl.empty() && !IsPanelPage(k, BaseUrl)) {
      ReportError(kRefusedAddressLevel, RefusedAddressText(L"A stored panel page", BaseUrl));
      BaseUrl.clear();
    }
    if (BaseUrl.empty()) {
      BaseUrl = k.MinFltWndURL;
      WriteSettingValue(kLastBaseUrlKey, BaseUrl);
    }
  }
  if (BaseUrl == k.StopPostBacksURL) return;
  if (BaseUrl == k.ClosedFltWndURL) {
    Navigate(BaseUrl);
    return;
  }
  std::wstring clientId = ControllerReadSetting(kClientIdentifierKey, L"");
  Navigate(ComposePanelAddress(BaseUrl, extraQuery, clientId, siteUrl));
}

void ZephquillWnd::NavigatePanel(const std::wstring& address) {
  if (address.empty()) return;
  Navigate(address);
  RemoveTaskbarButton(this);
}

// ---------------------------------------------------------------------------------------
// Messages

LResult ZephquillWnd::OnMessage(WindowHandle window, unsigned message, WParam wParam,
                                LParam lParam) {
  Windows& w = Plat().windows();
  switch (message) {
    case wm::NcCreate:
      hwnd_ = window;
      return w.DefaultProc(window, message, wParam, lParam);
    case wm::Create:
      if (w.DefaultProc(window, message, wParam, lParam) == -1) return -1;
      // A host that cannot be made stays without a control; the panel goes on without it.
      Quietly([&] { OnCreate(); });
      return 0;
    case wm::Close:
      if (creating_) {
        closeDeferred_ = true;
        return 0;
      }
      SaveLastPosition();
      return w.DefaultProc(window, message, wParam, lParam);
    case wm::Destroy:
      w.DefaultProc(window, message, wParam, lParam);
      OnDestroy();
      return 0;
    case wm::NcDestroy:
      hwnd_ = 0;
      return w.DefaultProc(window, message, wParam, lParam);
    case wm::Size:
      w.DefaultProc(window, message, wParam, lParam);
      OnSize();
      return 0;
    case wm::Command: {
      unsigned id = static_cast<unsigned>(wParam & 0xFFFF);
      // The drill-down menu's choices are accepted and have no effect.
      if (id == ID_DRILLDOWN_PRODUCT || id == ID_DRILLDOWN_PERSON || id == ID_DRILLDOWN_COMPANY ||
          id == ID_DRILLDOWN_OTHER)
        return 0;
      return w.DefaultProc(window, message, wParam, lParam);
    }
    default:
      if (message >= UM_PANEL_SET_SIZE && message <= UM_PANEL_APPLY_PLACEMENT)
        return OnUserMessage(message, wParam, lParam);
      return w.DefaultProc(window, message, wParam, lParam);
  }
}

LResult ZephquillWnd::OnUserMessage(unsigned message, WParam wParam, LParam lParam) {
  Windows& w = Plat().windows();
  if (message == UM_PANEL_COMMAND) {
    OnPanelCommand(wParam, lParam);
    return 0;
  }
  OwnedText first(wParam), second(static_cast<WParam>(lParam));
  switch (message) {
    case UM_PANEL_SET_SIZE:
      OnSetSize(first.HasText(), first.Text(), second.HasText(), second.Text());
      return 0;
    case UM_PANEL_SET_BASE_URL:
      // Empty: back to the stored or the default page. Anything else must be a panel page.
      if (!first.Text().empty() && !IsPanelPage(GetAppConsts(), first.Text())) {
        ReportError(kRefusedAddressLevel, RefusedAddressText(L"A panel page", first.Text()));
        return 0;
      }
      BaseUrl = first.Text();
      return 0;
    case UM_OPEN_FLOATING_PANEL:
      OnOpenFloatingPanel(first.Text());
      return 0;
    case UM_PANEL_CLOSE:
      w.Post(hwnd_, wm::Close, 0, 0);
      return 0;
    case UM_PANEL_SET_SLIDE:
      OnSetSlide(first.Text());
      return 0;
    case UM_PANEL_TOGGLE_SLIDE:
      OnToggleSlide();
      return 0;
    case UM_PANEL_SHOW_SETTING:
      OnShowSetting(first.Text(), second.Text());
      return 0;
    case UM_PANEL_STORE_SETTING:
      OnStoreSetting(first.Text(), second.Text());
      return 0;
    case UM_PANEL_SHOW_LAST_URL:
      OnShowLastUrl(first.Text());
      return 0;
    case UM_PANEL_MOVE_RIGHT:
      OnMoveRight();
      return 0;
    case UM_PANEL_APPLY_PLACEMENT:
      OnApplyPlacement();
      return 0;
    default:
      // A number between the panel's commands that is none of them: its texts are freed.
      return 0;
  }
}

void ZephquillWnd::OnPanelCommand(WParam wordParam, LParam argumentParam) {
  OwnedText word(wordParam), argument(static_cast<WParam>(argumentParam));
  const std::wstring name = word.Text();
  Guarded(0, L"Float window cannot perfrom custom operation called " + name, [&] {
    const CAppConsts& k = GetAppConsts();
    Windows& w = Plat().windows();
    if (name == k.DragCmd) {
      w.Send(hwnd_, kNcLButtonDown, kHitCaption, 0);
    } else if (name == k.TrasparencyCmd) {
      int alpha = SettingToInt32(argument.Text());
      if (alpha != Alpha) {
        Alpha = alpha;
        ApplyTransparency();
      }
    } else if (name == k.DrillPopupMenuCmd) {
      SettingToInt32(argument.Text());  // must be a number; its value is not used
      ShowDrilldownMenu();
    } else {
      // Every other word is the controller's, with both texts.
      WindowHandle controller = ControllerWindow();
      if (controller)
        PostTexts(controller, UM_PANEL_COMMAND, word.Release(), argument.ReleaseAsLParam());
    }
  });
}

void ZephquillWnd::ShowDrilldownMenu() {
  Platform& p = Plat();
  Point at = p.windows().CursorPos();
  std::optional<Menu> menu = p.resources().LoadMenu(IDR_DRILLDOWN_MENU);
  if (!menu || menu->empty() || menu->front().popup.empty()) return;
  p.windows().TrackPopupMenu(menu->front().popup, kTpmRightAlign | kTpmRightButton, at, hwnd_);
  p.windows().Post(hwnd_, wm::Size, 0, 0);
}

void ZephquillWnd::OnOpenFloatingPanel(const std::wstring& request) {
  // The address is everything after the first ";", so an address holding ";" stays whole.
  size_t split = request.find(L';');
  std::wstring title = TrimSpace(request.substr(0, split));
  std::wstring address =
      split == std::wstring::npos ? std::wstring() : TrimSpace(request.substr(split + 1));
  if (address.empty()) return;
  if (!IsWebAddress(address)) {
    ReportError(kRefusedAddressLevel, RefusedAddressText(L"A service window's page", address));
    return;
  }
  if (title.empty()) title = kGenericPanelTitle;
  OpenServiceWindow(title, address);
}

void ZephquillWnd::ShowInElement(const std::wstring& elementId, const std::wstring& text) {
  std::shared_ptr<WebDocument> document = FrontBrowser->GetDocument();
  if (!document) return;
  bool found = false;
  ThrowIfFailed(document->SetElementText(elementId, text, found));
}

void ZephquillWnd::OnShowSetting(const std::wstring& key, const std::wstring& elementId) {
  Guarded(0, L"Cannot read from configuration source",
          [&] { ShowInElement(elementId, ControllerReadSetting(key, L"")); });
}

void ZephquillWnd::OnStoreSetting(const std::wstring& key, const std::wstring& value) {
  Guarded(0, L"Cannot write to configuration source", [&] {
    WriteSettingValue(key, value);
    WindowHandle controller = ControllerWindow();
    if (controller) PostTexts(controller, UM_SETTING_STORED, GiveText(key), GiveLParamText(value));
  });
}

void ZephquillWnd::OnShowLastUrl(const std::wstring& elementId) {
  Guarded(0, L"Cannot read from last URL visited by the user",
          [&] { ShowInElement(elementId, GetLastSite()); });
}

// ---------------------------------------------------------------------------------------
// Keyboard filter

bool ZephquillWnd::ForwardToFocusedChild(const ForwardedMessage& record) {
  Windows& w = Plat().windows();
  WindowHandle panel = hwnd_;
  WindowHandle child = w.Focus();
  while (child && w.Parent(child) != panel) child = w.Parent(child);
  if (!child) return false;
  return w.Send(child, wm::ForwardMsg, 0, reinterpret_cast<LParam>(&record)) != 0;
}

bool ZephquillWnd::PreTranslate(WindowHandle window, unsigned message, WParam wParam,
                                LParam lParam) {
  bool keyboard = IsKeyboard(message);
  if (!keyboard && !IsMouse(message)) return false;
  Windows& w = Plat().windows();
  // For mouse messages wParam holds the button flags, which are no key: only keyboard
  // messages can be Escape or Backspace.
  if (keyboard && wParam == kVkEscape) {
    if (!Attached) w.Post(hwnd_, wm::Close, 0, 0);
    return true;
  }
  if (message == wm::KeyDown && w.KeyDown(kVkF5)) {
    w.Post(BrowserWindow, wm::KeyDown, kVkF5, 0);
    return false;
  }
  if (keyboard && wParam == kVkBack) return false;
  if (w.KeyDown(kVkMenu)) {
    if (w.KeyDown(kVkLeft)) {
      w.Post(BrowserWindow, message, kVkLeft, 0);
      return false;
    }
    if (w.KeyDown(kVkRight)) {
      w.Post(BrowserWindow, message, kVkRight, 0);
      return false;
    }
  }
  if (message == wm::KeyDown && w.KeyDown(kVkControl)) {
    for (int key : kCtrlShortcuts) {
      if (w.KeyDown(key)) {
        w.Post(BrowserWindow, wm::KeyDown, static_cast<WParam>(key), 0);
        return false;
      }
    }
  }
  // The page's own keys go to the hosted control that has the focus (its accelerators:
  // Tab, editing and clipboard keys), then to the dialog manager's keyboard handling.
  // The control may act on a key at once (a page's command may close this panel), so the
  // panel's window is kept by value and asked about again.
  const WindowHandle self = hwnd_;
  const ForwardedMessage record{window, message, wParam, lParam};
  return ForwardToFocusedChild(record) || (w.IsWindow(self) && w.DialogMessage(self, record));
}

}  // namespace zq
