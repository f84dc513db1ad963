// The process-wide table of configuration constants (addresses, protocol and command
// words, layout numbers) read once from section "General", and the TextList helper.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zq {

// An ordered list of texts with the separator used to split a text into it.
class TextList {
 public:
  explicit TextList(std::wstring separator = L";") : separator_(std::move(separator)) {}

  int Count() const { return static_cast<int>(items_.size()); }
  // The item at a 1-based position; std::out_of_range outside 1..Count().
  const std::wstring& Item(int position) const;
  void Append(std::wstring item) { items_.push_back(std::move(item)); }
  void AppendList(const TextList& other);
  // Appends the separator-delimited pieces of text, each trimmed of white space; empty
  // pieces become empty items. An empty text adds nothing.
  void Split(const std::wstring& text);
  void Clear() { items_.clear(); }

  void SetSeparator(std::wstring separator) { separator_ = std::move(separator); }
  const std::wstring& Separator() const { return separator_; }
  const std::vector<std::wstring>& Items() const { return items_; }

 private:
  std::vector<std::wstring> items_;
  std::wstring separator_;
};

// Reads a key of the configuration file with a default (the controller's ReadSetting).
using SettingReader = std::function<std::wstring(const std::wstring& key, const std::wstring& def)>;

// Converts a setting's text to a signed 32-bit number the way the platform's variant
// conversion does for plain integers: blanks around it, an optional sign, decimal digits.
// Throws ComError with 0x80020005 (type mismatch) for anything else and 0x8002000A
// (out of present range) when the number does not fit.
std::int32_t SettingToInt32(const std::wstring& text);

// The constants. Immutable once built; read the fields directly after GetAppConsts().
class CAppConsts {
 public:
  // Reads every configurable entry through `read`, in field order. Throws on a number
  // entry that is not a number in range, and on allocation failure.
  explicit CAppConsts(const SettingReader& read);
  virtual ~CAppConsts() = default;

  std::wstring EmptyText;
  std::wstring StopPostBacksURL;  // lower case
  std::wstring ClosedFltWndURL;
  std::wstring MinFltWndURL;  // lower case
  std::wstring WhereAreMyFriendsURL;
  std::wstring ZQSettingsURL;
  std::wstring MyEventsURL;  // configurable under the key "MyEventsURL"
  std::wstring ManageMyFriendsURL;
  std::wstring ClientLoadURL;
  std::wstring PollingURL;
  std::wstring ZephquillProtocolURL;
  std::wstring ZephquillCMDURL;
  std::wstring ZephquillWParamURL;
  std::wstring ZephquillLParamURL;
  std::wstring ZephquillSeparatorURL;
  std::wstring UpdateClientVersionCmd;
  std::wstring UpdateClientURL;
  std::wstring ClearNotifyContentCmd;
  std::wstring NextNotificationMsgTypeCmd;
  std::wstring NextNotificationMsgCmd;
  std::wstring NextNotificationLinkCmd;
  std::wstring NextNotificationContentIdCmd;
  std::wstring NextNotificationContextTypeCmd;
  std::wstring NextNotificationContextCmd;
  std::wstring NextNotificationIsSiteMurmelCmd;
  std::wstring ShowNotificationMsgCmd;
  std::wstring ClickOnNotificationMsgCmd;
  std::wstring ShowNotificationsCmd;
  std::wstring StartWithComputerCmd;
  std::wstring NavErrorCmd;
  std::wstring TraceMessageCmd;
  std::wstring EnableOrDisableCmd;
  std::wstring AppClientRestartCmd;
  std::wstring AppClientExitCmd;
  std::wstring DragCmd;
  std::wstring TrasparencyCmd;
  std::wstring DrillPopupMenuCmd;
  std::wstring LastBaseURLNavigatedKey;
  std::wstring DefaultNotifyURL;
  std::wstring ZQFloatWndClassName;
  std::wstring AboutPrefix;
  std::wstring FilePrefix;
  std::wstring EmptyHostHttpPrefix;
  std::wstring HttpPrefix;
  std::wstring WindowsStartupKey;
  std::wstring ExcludedInURLKey;
  std::wstring ExcludedStartWithURLKey;
  TextList ExcludedStartWithDefaults;
  std::wstring OnAboutURL;
  std::wstring SendFeedbackURL;
  std::wstring ConnectionAliveStaticCheckURL;
  std::int32_t FLT_WND_Y_OFFSET = 0;
  std::int32_t FLT_WND_X_OFFSET = 0;
  std::int32_t FLT_WND_ICON_OFFSET = 0;
  std::int32_t FLT_WND_X_PADDING = 0;
  std::int32_t FLT_WND_Y_PADDING = 0;
  std::int32_t FLT_WND_MIN_HEIGHT = 0;
  std::int32_t FLT_WND_MIN_WIDTH = 0;
};

// The constants of the calling process, built on the first call (any thread) through
// the controller's ReadSetting. A failure while building them shows the fatal
// "Cannot initialize application." box and ends the process with exit code 0.
CAppConsts& GetAppConsts();
// The same constants, held: for a worker thread, which may run past the end of the
// process's shutdown. Throws ComError 0x80004005 once they were destroyed.
std::shared_ptr<const CAppConsts> HoldAppConsts();
// Lets go of the constants at the end of the process (they go with the last holder);
// from then on GetAppConsts and HoldAppConsts fail instead of building them again.
void DestroyAppConsts();

}  // namespace zq
