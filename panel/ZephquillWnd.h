// The panel window: attached to a browser window or floating on the screen, it hosts the
// service's panel pages, performs their commands and passes the other words on.
#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "panel/PanelGeometry.h"
#include "platform/platform.h"

namespace zq {

class CFrontWebBrowser;
class CWebBrowser;

// Corner ellipses of the rounded region: floating panels after a size request, attached
// panels after every placement.
constexpr int kFloatingCornerEllipse = 10;
constexpr int kAttachedCornerEllipse = 7;
// Window title of a floating panel opened by a page without a title.
constexpr const wchar_t* kGenericPanelTitle = L"Zephquill Generic Window";
// Class of floating panels and hidden page windows (a framework-registered class).
constexpr const wchar_t* kFloatingPanelClass = L"Afx:00400000:800";

class ZephquillWnd : public WindowHandler, public WindowEventSink {
 public:
  ZephquillWnd();
  // Destroys the window when it still exists (without telling the controller, which no
  // longer knows the object), then the hosts and the lock.
  ~ZephquillWnd() override;
  ZephquillWnd(const ZephquillWnd&) = delete;
  ZephquillWnd& operator=(const ZephquillWnd&) = delete;

  // ---- Creation (main thread). Each throws ComError 0x80004005 when no window was made
  // (judged by the handle; the window seam does not pass the system's reason on).
  // Attached form: registers the panel class (ZQFloatWndClassName), creates the child
  // window of `browser` at (client width - 1, client height - 1), 1 x 1, titled `title`,
  // brings it to the top, and sets Attached = 1 and BrowserWindow = browser.
  // With `ownedPopup` (browsers that lay out their own windows, docs/panel-on-today-browsers.md)
  // it is instead a tool pop-up owned by `browser`, placed in screen coordinates at the
  // corner of the browser's window rectangle, shown without activation, and it follows the
  // browser's window events: moves and resizes at once, hidden while the browser is
  // minimised or covered by the window in front.
  void CreateAttached(WindowHandle browser, const std::wstring& title, bool ownedPopup = false);
  bool OwnedPopup() const { return popup_; }
  // The tracking found this panel's browser in front: a pop-up hidden because another
  // window covered it shows again (a safety net for a foreground event that was missed).
  void BrowserInFront();
  // Floating form: a top-most application pop-up owned by `controller` at (1, 1), 1 x 1;
  // Attached = 0, BrowserWindow = controller.
  void CreateFloating(WindowHandle controller, const std::wstring& title);
  // A hidden page window owned by `controller` (the controller's notification and
  // start-using windows): pop-up style, not visible, at (0, 0), 0 x 0, with `exStyle`.
  void CreateHidden(WindowHandle controller, const std::wstring& title, std::uint32_t exStyle);
  WindowHandle Hwnd() const { return hwnd_.load(); }
  // True from WM_DESTROY on: the panel waits for its hosts there, and whoever meets it
  // meanwhile must leave the object to the controller's UM_PANEL_DESTROYED clean-up.
  bool Destroying() const { return destroying_.load(); }
  // True while its window is being made. Making it waits for the hosts' documents, which
  // handles other messages meanwhile: a close that arrives then (WM_CLOSE) is carried out
  // once the creation has returned, and nothing may delete the object before that.
  bool Creating() const { return creating_; }

  // ---- Pages (main thread).
  // Composes the panel page address for a site and loads it into the front host.
  void LoadPanelPage(const std::wstring& siteUrl, const std::wstring& extraQuery);
  // Loads `address` as it is into the front host and removes the taskbar button; an
  // empty address does nothing.
  void NavigatePanel(const std::wstring& address);
  // The panel page address: BaseUrl "?" extraQuery "TavrelZephquillID=" id
  // "&TavrelZephquillURL=" site, with the identifier and the site address
  // percent-encoded so that "&", "#", "?" and blanks stay inside their values. The extra
  // query is the caller's own and is kept as it is (it must end with "&").
  static std::wstring ComposePanelAddress(const std::wstring& baseUrl,
                                          const std::wstring& extraQuery,
                                          const std::wstring& clientId,
                                          const std::wstring& siteUrl);
  // Percent-encodes a query value as UTF-8: letters, digits and "-._~" stay, the rest
  // becomes %XX.
  static std::wstring EncodeQueryValue(const std::wstring& value);
  // The last addresses loaded into the front host, oldest first (at most kLoadedKept).
  const std::deque<std::wstring>& LoadedAddresses() const { return loaded_; }
  static constexpr size_t kLoadedKept = 32;

  // ---- Placement (ZephquillWndPlacement.cpp). Size and position rules with the
  // panel's own modes and the constants' offsets, paddings and minimum sizes.
  int ComputePanelWidth(int requested, const Rect& reference) const;
  int ComputePanelHeight(int requested, const Rect& reference) const;
  int ComputePanelLeft(const Rect& reference) const;
  int ComputePanelTop(const Rect& reference) const;
  // A floating panel's remembered rectangle, read under its title; false for an attached
  // panel, no value, a malformed value or one off the screen.
  bool LoadLastPosition(Rect& out);
  // Writes a floating panel's rectangle under its title.
  void SaveLastPosition();
  // Applies Alpha as the window's opacity (layered window).
  void ApplyTransparency();

  // ---- Window handler.
  LResult OnMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override;
  // The keyboard filter: Escape, and the browser's own shortcuts forwarded to it.
  bool PreTranslate(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override;
  // The followed browser's window events (owned pop-ups only).
  void OnWindowEvent(WindowEvent event, WindowHandle window) override;

  // ---- Fields.
  // The browser window when attached, the controller's window when floating.
  WindowHandle BrowserWindow = 0;
  // Size handed to the resize thread.
  int PendingWidth = 0;
  int PendingHeight = 0;
  // Serialises the placement: the slide and resize threads hold it for their whole run,
  // the main thread's placement handlers while they compute and move.
  // Shared with the threads, which may still wait for it after the panel is deleted.
  std::shared_ptr<Lock> PlacementLock;
  std::unique_ptr<CFrontWebBrowser> FrontBrowser;  // the panel pages
  std::unique_ptr<CWebBrowser> BackBrowser;        // "Please wait..." cover, attached only
  std::wstring BaseUrl;                            // the panel page, without query
  int Attached = 0;
  std::atomic<int> SlideState{1};  // 1 collapsed, 2 expanded; the resize thread reads it
  int WidthMode = -3;              // -3 requested size, -2 reference minus padding, -1 reference
  int HeightMode = -3;
  int Alpha = 255;
  int PanelWidth = 0;
  int PanelHeight = 0;

 private:
  // Tells the placement threads whether the panel still exists; read and written under
  // PlacementLock.
  struct WorkerGate {
    bool alive = true;
  };
  struct QueuedMove {
    int x, y, width, height;
    int ellipse;  // corner ellipse of the region to set after the move; -1 for none
  };

  void MakeWindow(const WindowSpec& desc);
  LResult OnCreate();
  void OnDestroy();
  LResult OnUserMessage(unsigned message, WParam wParam, LParam lParam);
  void OnPanelCommand(WParam word, LParam argument);
  void OnOpenFloatingPanel(const std::wstring& request);
  void OnShowSetting(const std::wstring& key, const std::wstring& elementId);
  void OnStoreSetting(const std::wstring& key, const std::wstring& value);
  void OnShowLastUrl(const std::wstring& elementId);
  void ShowDrilldownMenu();
  void ShowInElement(const std::wstring& elementId, const std::wstring& text);
  void Navigate(const std::wstring& address);
  bool ForwardToFocusedChild(const ForwardedMessage& record);

  // Placement handlers and threads (ZephquillWndPlacement.cpp). The handlers run on the
  // main thread and hold PlacementLock while they compute and move. The threads hold it
  // for their whole run but never wait for the main thread: they queue their moves and
  // post UM_PANEL_APPLY_PLACEMENT, whose handler makes them.
  PanelGeometry Geometry() const;
  // The rectangle the placement rules measure against: the browser's client area (origin
  // 0, 0, the child's own coordinates) or, for a pop-up, its window rectangle in screen
  // coordinates, whose top left corner is then `origin`.
  Rect Reference(Point& origin) const;
  // Pop-ups: whether `window` is the browser, this panel or a window the browser owns;
  // whether `window` stands above the browser and overlaps this panel.
  bool OfBrowser(WindowHandle window) const;
  bool Covers(WindowHandle window) const;
  void ShowPopup(bool show);
  void StopWindowEvents();
  void OnSetSize(bool hasWidth, const std::wstring& width, bool hasHeight,
                 const std::wstring& height);
  void OnSetSlide(const std::wstring& state);
  void OnToggleSlide();
  void OnMoveRight();
  void OnSize();
  void OnApplyPlacement();
  void MoveTo(int x, int y, int width, int height);
  void SetRoundRegion(int ellipse);
  void StartPlacementThread(void (ZephquillWnd::*work)());
  void ApplyPendingSize();
  void SlideOpen();
  void SlideClosed();
  void Slide(bool open);
  bool QueueMove(const QueuedMove& move);
  void DropQueuedMoves();

  std::atomic<WindowHandle> hwnd_{0};
  bool announceDestroy_ = false;  // the window was made; its end is told to the controller
  std::atomic<bool> destroying_{false};
  bool creating_ = false;
  bool closeDeferred_ = false;  // a WM_CLOSE came while the window was being made
  std::deque<std::wstring> loaded_;
  std::shared_ptr<WorkerGate> gate_;
  std::mutex movesMutex_;
  std::deque<QueuedMove> moves_;
  bool popup_ = false;  // an owned pop-up rather than a child
  WindowEventSubscription events_ = 0;
};

}  // namespace zq
