// Building the configuration constants from section "General" with built-in defaults,
// the text-list splitting, and the once-per-process creation of the constants.
#include "app/AppConsts.h"

#include <cstdlib>
#include <cwctype>
#include <stdexcept>

#include "app/ClientProcess.h"
#include "app/ControllerAccess.h"
#include "app/ErrorReport.h"
#include "app/Text.h"
#include "platform/platform.h"

#if !defined(ZQ_APP_HOST) || !defined(ZQ_WEB_HOST)
#error "ZQ_APP_HOST and ZQ_WEB_HOST must be defined as wide string literals"
#endif

namespace zq {

// ---------------------------------------------------------------------------------------
// TextList

const std::wstring& TextList::Item(int position) const {
  if (position < 1 || position > Count()) throw std::out_of_range("TextList position");
  return items_[static_cast<size_t>(position - 1)];
}

void TextList::AppendList(const TextList& other) {
  if (&other == this) {
    std::vector<std::wstring> copy = items_;
    items_.insert(items_.end(), copy.begin(), copy.end());
    return;
  }
  items_.insert(items_.end(), other.items_.begin(), other.items_.end());
}

void TextList::Split(const std::wstring& text) {
  if (text.empty()) return;
  if (separator_.empty()) {
    // Without a separator the whole text is one piece.
    items_.push_back(TrimSpace(text));
    return;
  }
  const size_t sepLen = separator_.size();
  // Pieces end at each separator found from the left; the text after the last one is a
  // piece too unless that separator closes the text. (Testing only whether the text ends
  // with a separator would drop the tail when separators overlap, as "aa" in "aaa".)
  size_t pos = 0;
  for (;;) {
    size_t next = text.find(separator_, pos);
    if (next == std::wstring::npos) next = text.size();
    items_.push_back(next == pos ? std::wstring() : TrimSpace(text.substr(pos, next - pos)));
    if (next == text.size()) break;
    pos = next + sepLen;
    if (pos == text.size()) break;
  }
}

// ---------------------------------------------------------------------------------------
// Number entries

std::int32_t SettingToInt32(const std::wstring& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && std::iswspace(static_cast<wint_t>(text[begin]))) ++begin;
  while (end > begin && std::iswspace(static_cast<wint_t>(text[end - 1]))) --end;
  bool negative = false;
  if (begin < end && (text[begin] == L'+' || text[begin] == L'-')) {
    negative = text[begin] == L'-';
    ++begin;
  }
  if (begin == end) ThrowComError(hr::TypeMismatch);
  // Every character must be a digit before the range matters: "99999999999x" is not a
  // number at all, "99999999999" is a number out of range.
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t value = 0;
  bool tooLarge = false;
  for (size_t i = begin; i < end; ++i) {
    wchar_t c = text[i];
    if (c < L'0' || c > L'9') ThrowComError(hr::TypeMismatch);
    if (!tooLarge) {
      value = value * 10 + (c - L'0');
      if (value > limit) tooLarge = true;
    }
  }
  if (tooLarge) ThrowComError(hr::Overflow);
  return static_cast<std::int32_t>(negative ? -value : value);
}

// ---------------------------------------------------------------------------------------
// CAppConsts

namespace {

#define ZQ_APP_URL(path) L"http://" ZQ_APP_HOST L"/" path
#define ZQ_WEB_URL(path) L"http://" ZQ_WEB_HOST L"/" path

const wchar_t kFatalText[] =
    L"Cannot initialize application.\nPlease run it again and if the problem consists then\n"
    L"please delete the configuration file called ZQConfig.ini";
const wchar_t kFatalCaption[] = L"Cannot initialize application.";

}  // namespace

// Fields are filled, and keys read, strictly in declaration order.
// MyEventsURL is read under the key "MyEventsURL", named after the field like the others.
CAppConsts::CAppConsts(const SettingReader& read) {
  auto number = [&read](const wchar_t* key, const wchar_t* def) {
    return SettingToInt32(read(key, def));
  };
  EmptyText = L"";
  StopPostBacksURL = ToLower(read(L"StopPostBacksURL", L"StopPostbacks"));
  ClosedFltWndURL = read(L"ClosedFltWndURL", ZQ_APP_URL(L"Panel/DefaultClose.html"));
  MinFltWndURL = ToLower(read(L"MinFltWndURL", ZQ_APP_URL(L"Panel/DefaultMinimize.aspx")));
  WhereAreMyFriendsURL = read(L"WhereAreMyFriendsURL",
                              ZQ_APP_URL(L"Panel/WhereAreMyFriends.aspx?InitialScreen=Friends"));
  ZQSettingsURL = read(L"ZQSettingsURL", ZQ_APP_URL(L"Panel/Settings.aspx?OpenTab=GeneralTab"));
  MyEventsURL = read(L"MyEventsURL", ZQ_APP_URL(L"Panel/Events.aspx"));
  ManageMyFriendsURL = read(L"ManageMyFriendsURL", ZQ_APP_URL(L"Panel/FriendsAdmin.aspx"));
  ClientLoadURL = read(L"ClientLoadURL", ZQ_APP_URL(L"Panel/ClientApplicationLoad.aspx"));
  PollingURL = read(L"PollingURL", ZQ_APP_URL(L"Panel/PollingNotifications.aspx"));
  ZephquillProtocolURL = read(L"ZephquillProtocolURL", L"zqwndcmd::");
  ZephquillCMDURL = read(L"ZephquillCMDURL", L"CMD:");
  ZephquillWParamURL = read(L"ZephquillWParamURL", L"wParam:");
  ZephquillLParamURL = read(L"ZephquillLParamURL", L"lParam:");
  ZephquillSeparatorURL = read(L"ZephquillSeparatorURL", L"~");
  UpdateClientVersionCmd = L"updateclientversion";
  UpdateClientURL = read(L"UpdateClientURL", ZQ_WEB_URL(L"Download/"));
  ClearNotifyContentCmd = L"clearnotifycontent";
  NextNotificationMsgTypeCmd = L"nextnotificationmsgtype";
  NextNotificationMsgCmd = L"nextnotificationmsg";
  NextNotificationLinkCmd = L"nextnotificationlink";
  NextNotificationContentIdCmd = L"nextnotificationcontentid";
  NextNotificationContextTypeCmd = L"nextnotificationcontexttype";
  NextNotificationContextCmd = L"nextnotificationcontext";
  NextNotificationIsSiteMurmelCmd = L"nextnotificationissitemurmel";
  ShowNotificationMsgCmd = L"shownotificationmsg";
  ClickOnNotificationMsgCmd = L"clickonnotificationmsg";
  ShowNotificationsCmd = L"shownotifications";
  StartWithComputerCmd = L"startwithcomputer";
  NavErrorCmd = L"naverror";
  TraceMessageCmd = L"tracemessage";
  EnableOrDisableCmd = L"enableordisablecmd";
  AppClientRestartCmd = L"appclientrestart";
  AppClientExitCmd = L"appclientexit";
  DragCmd = L"Drag";
  TrasparencyCmd = L"Trasparency";
  DrillPopupMenuCmd = L"drillpopupmenu";
  LastBaseURLNavigatedKey = L"LastBaseURLNavigated";
  DefaultNotifyURL = read(L"DefaultNotifyURL", ZQ_APP_URL(L"Panel/DefaultNotify.aspx"));
  ZQFloatWndClassName = read(L"ZQFloatWndClassName", L"ZQFloatWndClassName");
  AboutPrefix = L"about:";
  FilePrefix = L"file:";
  EmptyHostHttpPrefix = L"http:///";
  HttpPrefix = L"http";
  WindowsStartupKey = read(L"WindowsStartupKey", L"Zephquill");
  ExcludedInURLKey = L"ExcludedInURL";
  ExcludedStartWithURLKey = L"ExcludedStartWithURL";
  ExcludedStartWithDefaults.Clear();
  ExcludedStartWithDefaults.SetSeparator(L";");
  ExcludedStartWithDefaults.Split(EmptyText);
  ExcludedStartWithDefaults.Append(AboutPrefix);
  ExcludedStartWithDefaults.Append(FilePrefix);
  ExcludedStartWithDefaults.Append(EmptyHostHttpPrefix);
  OnAboutURL = read(L"OnAboutURL", ZQ_WEB_URL(L"AboutUs.aspx"));
  SendFeedbackURL = read(L"SendFeedbackURL", ZQ_WEB_URL(L"Contactus.aspx"));
  // Only the host of this default is lower-cased; the path keeps its case.
  ConnectionAliveStaticCheckURL =
      read(L"ConnectionAliveStaticCheckURL",
           ToLower(L"http://" ZQ_APP_HOST) + L"/Panel/ConnectionAliveStaticCheck.htm");
  FLT_WND_Y_OFFSET = number(L"FLT_WND_Y_OFFSET", L"15");
  FLT_WND_X_OFFSET = number(L"FLT_WND_X_OFFSET", L"30");
  FLT_WND_ICON_OFFSET = number(L"FLT_WND_ICON_OFFSET", L"0");
  FLT_WND_X_PADDING = number(L"FLT_WND_X_PADDING", L"40");
  FLT_WND_Y_PADDING = number(L"FLT_WND_Y_PADDING", L"100");
  FLT_WND_MIN_HEIGHT = number(L"FLT_WND_MIN_HEIGHT", L"600");
  FLT_WND_MIN_WIDTH = number(L"FLT_WND_MIN_WIDTH", L"800");
}

#undef ZQ_APP_URL
#undef ZQ_WEB_URL

// ---------------------------------------------------------------------------------------
// Creation and destruction

namespace {

// Builds the constants through the controller's settings reads. Any failure is fatal:
// the user is told to remove the configuration file, and the process ends at once.
CAppConsts* BuildConstsOrExit() {
  try {
    return new CAppConsts(&ControllerReadSetting);
  } catch (const ProcessExit&) {
    throw;
  } catch (...) {
    // Falls through to the fatal end below.
  }
  WindowHandle owner = 0;
  Quietly([&owner] { owner = ControllerWindow(); });
  Quietly([owner] {
    Plat().windows().MessageBox(owner, kFatalText, kFatalCaption, mb::IconError | mb::Topmost);
  });
  Plat().processes().ExitProcess(0);
  std::abort();  // not reached: ExitProcess does not return
}

}  // namespace

CAppConsts& GetAppConsts() {
  ClientProcess& proc = Proc();
  if (CAppConsts* built = proc.Consts) return *built;
  HoldAppConsts();  // builds them, or throws once they are gone
  return *proc.Consts;
}

std::shared_ptr<const CAppConsts> HoldAppConsts() {
  ClientProcess& proc = Proc();
  // Tested under the creation lock so that two first callers build one object. The
  // creation lock is always taken before the configuration lock the reads take.
  LockGuard guard(*proc.ConstsCreationLock);
  if (!proc.ConstsOwner) {
    // After the end of the process destroyed them, a late caller gets a failure, not a
    // second set read from a configuration that may be gone with the controller.
    if (proc.ConstsDestroyed) ThrowFail();
    proc.ConstsOwner.reset(BuildConstsOrExit());
    proc.Consts = proc.ConstsOwner.get();
  }
  return proc.ConstsOwner;
}

void DestroyAppConsts() {
  ClientProcess& proc = Proc();
  std::shared_ptr<CAppConsts> last;
  {
    LockGuard guard(*proc.ConstsCreationLock);
    proc.ConstsDestroyed = true;
    proc.Consts = nullptr;
    last = std::move(proc.ConstsOwner);
  }
  // Freed here unless a worker still holds them; then when it lets go.
}

}  // namespace zq
