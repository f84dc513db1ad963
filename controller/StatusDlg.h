// The connectivity status window ("Connectivity Status Information"): a modeless dialog
// whose read-only edit box collects the client's diagnostic lines.
#pragma once
#include <cstddef>
#include <string>

#include "platform/platform.h"

namespace zq {

class CStatusDlg : public WindowHandler {
 public:
  static constexpr unsigned IDD = 137;
  static constexpr unsigned IDC_MORE_DETAILS = 1000;
  static constexpr unsigned IDC_MESSAGES = 1001;
  static constexpr unsigned IDC_CLEAR_MESSAGES = 1009;
  // A box holding more characters than this is emptied before the next line.
  static constexpr std::size_t kMaxText = 102400;

  CStatusDlg() = default;
  ~CStatusDlg() override;
  CStatusDlg(const CStatusDlg&) = delete;
  CStatusDlg& operator=(const CStatusDlg&) = delete;

  // Creates the dialog from its template, owned by `owner`; false when no window was made.
  // Main thread.
  bool Create(WindowHandle owner);
  WindowHandle Hwnd() const { return hwnd_; }
  // The edit box (the template's control 1001).
  WindowHandle MessagesBox() const { return edit_; }

  // Adds a finished line: a box over kMaxText characters starts afresh with it.
  void AddLine(const std::wstring& line);
  void ClearMessages();
  std::wstring Text() const;

  LResult OnMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam) override;

 private:
  void FindOrMakeControls();

  WindowHandle hwnd_ = 0;
  WindowHandle edit_ = 0;
};

}  // namespace zq
