// The container side of a hosted web-browser control (client site, in-place site and frame,
// the DWebBrowserEvents2 sink) and the reading of a browser's HTML document.
#pragma once
// The backend header comes first: it brings <windows.h> and keeps the seam's method names
// (RegisterClass, FindWindow, ...) from being taken by the system's macros.
#include "platform/win32/win32_backend.h"
// The component headers follow it.
#include <ole2.h>
#include <oleidl.h>

#include <exdisp.h>

#include <memory>
#include <vector>

namespace zq::win32 {

// The HTML document of a browser object once its page is complete (READYSTATE_COMPLETE):
// S_OK with none while it loads, has no document or shows something that is not HTML.
HRESULT BrowserDocument(IWebBrowser2& browser, std::shared_ptr<WebDocument>& document);

// One site per control. It is a counted component object: the control keeps it as its
// client site and event sink, and the portable control holds a reference too. Detach()
// stops all events (the sink may be gone afterwards).
class WebSite final : public IOleClientSite,
                      public IOleInPlaceSite,
                      public IOleInPlaceFrame,
                      public IDispatch {
 public:
  WebSite(HWND host, const RECT& rect, WebControlEvents& sink);

  // The control's dispatch object: events whose pDisp is this object are top-level ones.
  void SetControl(IDispatch* control);
  // Links the site to the in-place active control (`object`, `window`): its active object
  // answers accelerator keys, its in-place object takes the sizes; the site is found from
  // the control's window (HostedSite) and from the host's (SiteOfHost).
  void Activate(IOleObject* object, HWND window);
  // Takes the control down on every path: in-place deactivated, closed without saving and
  // told to let go of its site; the links go. After the event being delivered when called
  // from inside one. Takes the caller's reference to `object`.
  void Deactivate(IOleObject* object);
  // Places the control at `rect` (host client coordinates) through its in-place object,
  // which moves its window; the site answers this rectangle from then on.
  bool Place(const RECT& rect);
  // Offers a key message to the control's accelerator handling (its in-place active
  // object's TranslateAccelerator); true when the control consumed it.
  bool TranslateKey(MSG& message);
  // How many key-down messages with this key were offered to the control (for the tests).
  unsigned KeysOffered(WPARAM key) const;
  // No event reaches the sink from now on.
  void Detach();
  // Releases `object` now, or after the event being delivered when called from inside one
  // (a handler may release its control while the control is still raising the event).
  void ReleaseAfterEvents(IUnknown* object);

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return S_OK; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override;
  STDMETHODIMP GetContainer(IOleContainer** out) override;
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (shared by the in-place site and the frame)
  STDMETHODIMP GetWindow(HWND* out) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT rect) override;

  // IOleInPlaceUIWindow and IOleInPlaceFrame: no tool space, menus or accelerators.
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) override;
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDispatch: the DWebBrowserEvents2 sink, by dispatch id only.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                      UINT*) override;

 private:
  ~WebSite();
  bool IsTopLevel(const VARIANT* pDisp) const;
  void Unlink();
  static void CloseControl(IOleObject* object);
  void Deliver(DISPID id, DISPPARAMS& params);
  void DeliverBeforeNavigate2(DISPPARAMS& params);
  void DeliverNavigateError(DISPPARAMS& params);

  ULONG references_ = 1;
  HWND host_;
  RECT rect_;
  WebControlEvents* sink_;
  IDispatch* control_ = nullptr;  // not counted: the portable control owns it
  int delivering_ = 0;
  std::vector<IUnknown*> pending_;
  std::vector<IOleObject*> closing_;           // controls to take down after the event
  IOleInPlaceActiveObject* active_ = nullptr;  // counted
  IOleInPlaceObject* inPlace_ = nullptr;       // counted
  HWND window_ = nullptr;                      // the control's window
  std::vector<std::pair<WPARAM, unsigned>> offered_;
};

// The site of the control whose window this is, and the site of the control that this
// host window holds; null when none.
WebSite* HostedSite(HWND window);
WebSite* SiteOfHost(HWND host);

}  // namespace zq::win32
