// The status window: created once from dialog template 137, its edit box with the
// 102,400-character rule, "Clear Messages", and the controller's handler that shows it.
#include "controller/StatusDlg.h"

#include "app/CommandText.h"
#include "app/ErrorReport.h"
#include "app/Messages.h"
#include "controller/ClientDlg.h"

namespace zq {

namespace {

constexpr std::uint32_t kEditStyles = ws::Child | ws::Visible | 0x00200000 /* vertical scroll */ |
                                      0x00800000 /* border */ | 0x0004 /* multi-line */ |
                                      0x0040 /* auto vertical scroll */ | 0x0800 /* read-only */;

}  // namespace

CStatusDlg::~CStatusDlg() {
  if (hwnd_ && CurrentPlatform() && Plat().windows().IsWindow(hwnd_))
    Plat().windows().Destroy(hwnd_);
}

bool CStatusDlg::Create(WindowHandle owner) {
  Windows& w = Plat().windows();
  WindowSpec desc;
  desc.className = L"#32770";
  desc.title = L"Connectivity Status Information";
  desc.style = ws::Popup | ws::Caption | ws::SysMenu | ws::Visible;
  desc.rect = Rect{0, 0, 503, 250};  // 335 x 154 dialog units
  desc.parent = owner;
  desc.handler = this;
  desc.createParam = IDD;
  hwnd_ = w.Create(desc);
  if (!hwnd_) return false;
  FindOrMakeControls();
  return true;
}

// The template's controls exist on a real system; where the dialog comes without them the
// edit box is made here, at its place in the template (7, 22, 321 x 104 units).
void CStatusDlg::FindOrMakeControls() {
  Windows& w = Plat().windows();
  edit_ = w.FindWindow(hwnd_, 0, L"Edit", L"");
  if (edit_) return;
  WindowSpec box;
  box.className = L"Edit";
  box.style = kEditStyles;
  box.rect = Rect{11, 36, 492, 205};
  box.parent = hwnd_;
  edit_ = w.Create(box);
}

std::wstring CStatusDlg::Text() const {
  return edit_ ? Plat().windows().Title(edit_) : std::wstring();
}

void CStatusDlg::AddLine(const std::wstring& line) {
  if (!edit_) return;
  std::wstring text = Text();
  if (text.size() > kMaxText) text.clear();
  Plat().windows().SetTitle(edit_, text + line);
}

void CStatusDlg::ClearMessages() {
  if (edit_) Plat().windows().SetTitle(edit_, L"");
}

LResult CStatusDlg::OnMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
  Windows& w = Plat().windows();
  switch (message) {
    case wm::InitDialog:
      return 1;
    case UM_STATUS_MESSAGE: {
      OwnedText line(wParam);
      Quietly([&] { AddLine(line.Text()); });
      return 0;
    }
    case wm::Command:
      switch (wParam & 0xFFFF) {
        case IDC_CLEAR_MESSAGES:
          ClearMessages();
          return 0;
        case mb::IdOk:
        case mb::IdCancel:
          // A modeless dialog's OK and Close only hide it; its text stays.
          w.Show(window, sw::Hide);
          return 0;
        default:
          return 0;
      }
    case wm::Close:
      w.Show(window, sw::Hide);
      return 0;
    case wm::NcDestroy:
      if (window == hwnd_) {
        hwnd_ = 0;
        edit_ = 0;
      }
      return w.DefaultProc(window, message, wParam, lParam);
    default:
      return w.DefaultProc(window, message, wParam, lParam);
  }
}

// ---------------------------------------------------------------------------------------
// The controller's side

void CClientDlg::OnShowStatusWindow() {
  Guarded(2, L"Cannot launch status window", [&] {
    Windows& w = Plat().windows();
    if (!StatusWindow) {
      auto made = std::make_unique<CStatusDlg>();
      if (!made->Create(hwnd_)) ThrowFail();
      StatusWindow = std::move(made);
    }
    if (!w.IsWindow(StatusWindow->Hwnd())) return;
    w.Show(StatusWindow->Hwnd(), sw::Show);
    w.SetForeground(StatusWindow->Hwnd());
  });
}

std::wstring CClientDlg::StatusText() const {
  return StatusWindow && StatusWindow->Hwnd() ? StatusWindow->Text() : std::wstring();
}

}  // namespace zq
