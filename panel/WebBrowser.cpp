// The panel page's host: command addresses become command messages for the panel, and
// navigation failures the "naverror" command; pages outside the service are not obeyed.
#include "panel/WebBrowser.h"

#include "app/AppConsts.h"
#include "app/CommandText.h"
#include "app/ErrorReport.h"
#include "app/Messages.h"
#include "panel/CommandUrl.h"

namespace zq {

namespace {

const wchar_t kCustomOperationFailed[] =
    L"Cannot perform custom operation. Please make sure you got the lastest version installed";
const wchar_t kForeignPage[] =
    L"A command was ignored because the page that sent it is not a service page: ";
const wchar_t kForeignFrame[] =
    L"A command was ignored because the page holds a frame that is not a service page: ";
const wchar_t kFrameCommand[] =
    L"A command was ignored because a frame sent it; only the top-level page may: ";
const wchar_t kNotAPanelCommand[] =
    L"A command was ignored because its number is not a panel command: ";

const wchar_t kTooLong[] = L"A command was ignored because its address is too long: ";
// The longest command address obeyed. The control itself opens no address longer than
// about 2 000 characters; the pages' longest commands (a notification's text) stay far
// below this, and a page cannot make the client copy and store megabytes.
constexpr size_t kMaxCommandChars = 32768;

const wchar_t kBuiltinPageFailed[] = L"The blank page for the built-in pages cannot be shown";
// Level of the reports of refused commands: a status line, never a box.
constexpr int kRefusalLevel = 2;

}  // namespace

bool CWebBrowser::PageMayCommand() {
  // The event names the top level, but any script in the page may have started it: the
  // page's own document and every frame inside it must be the service's.
  WebControl* control = Browser();
  std::wstring location;
  std::vector<std::wstring> frames;
  if (!control || control->LocationUrl(location) < 0 || control->FrameLocations(frames) < 0) {
    ReportError(kRefusalLevel, kForeignPage + location);
    return false;
  }
  std::optional<std::wstring> foreign =
      ForeignSender(location, frames, ServiceAddresses(GetAppConsts()));
  if (!foreign) return true;
  ReportError(kRefusalLevel, (*foreign == location ? kForeignPage : kForeignFrame) + *foreign);
  return false;
}

bool CWebBrowser::OnFrameBeforeNavigate2(const std::wstring& url) {
  // A frame's command address is never obeyed, and never handed to the control either,
  // which would fail to load it and report the service as unreachable.
  if (!ParseCommandUrl(url, CommandUrlWords::From(GetAppConsts())).isCommand) return false;
  ReportError(kRefusalLevel, kFrameCommand + url);
  return true;
}

bool CWebBrowser::OnBeforeNavigate2(const std::wstring& url, const std::wstring& frame,
                                    const std::uint8_t* postData, std::uint32_t postDataSize,
                                    const std::wstring& headers) {
  SimpleBrowser::OnBeforeNavigate2(url, frame, postData, postDataSize, headers);
  CommandUrl command = ParseCommandUrl(url, CommandUrlWords::From(GetAppConsts()));
  if (!command.isCommand) return false;

  if (url.size() > kMaxCommandChars) {
    ReportError(kRefusalLevel, kTooLong + std::to_wstring(url.size()) + L" characters");
    return true;
  }
  if (!PageMayCommand()) return true;
  if (command.numberError == 0 && !IsPanelCommandNumber(command.message)) {
    ReportError(kRefusalLevel, kNotAPanelCommand + command.numberText);
    return true;
  }
  // The receiver may destroy this host while it handles the command: nothing below
  // touches the host after the send.
  const WindowHandle target = CommandWindow;
  Guarded(0, kCustomOperationFailed, [&] {
    if (command.numberError != 0) ThrowComError(command.numberError);
    Windows& windows = Plat().windows();
    if (!windows.IsWindow(target)) return;
    OwnedText first(GiveText(std::move(command.wParam)));
    OwnedText second(GiveText(std::move(command.lParam)));
    windows.Send(target, static_cast<unsigned>(command.message), first.Release(),
                 second.ReleaseAsLParam());
  });
  return true;
}

void CWebBrowser::OnNavigateError(const std::wstring& url, const std::wstring& frame,
                                  std::int32_t statusCode, bool& cancel) {
  cancel = true;  // the control's own error page is never shown
  const WindowHandle target = CommandWindow;
  if (target == 0) return;
  // The blank page that carries the built-in pages is local: a control that cannot show it
  // (no HTML engine) says nothing about the service, so it must not disable the client as
  // "cannot connect to servers". It is only traced.
  if (IsBuiltinPageAddress(url)) {
    ReportComError(kRefusalLevel, kBuiltinPageFailed, ComError(statusCode));
    return;
  }
  Quietly([&] {
    Windows& windows = Plat().windows();
    if (!windows.IsWindow(target)) return;
    OwnedText word(GiveText(GetAppConsts().NavErrorCmd));
    OwnedText text(GiveText(NavigationErrorText(statusCode, url)));
    windows.Send(target, UM_PANEL_COMMAND, word.Release(), text.ReleaseAsLParam());
  });
}

}  // namespace zq
