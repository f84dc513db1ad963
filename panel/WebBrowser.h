// The browser host of a panel page: turns the page's command addresses into command
// messages for its command window and navigation failures into the "naverror" command.
#pragma once
#include <string>

#include "panel/SimpleBrowser.h"

namespace zq {

// Used on the main thread only, like every host.
class CWebBrowser : public SimpleBrowser {
 public:
  CWebBrowser() = default;

  // The receiver of command messages (the panel); null after construction.
  void SetCommandWindow(WindowHandle window) { CommandWindow = window; }
  WindowHandle GetCommandWindow() const { return CommandWindow; }

 protected:
  // Cancels every command address of the top-level page and sends its command to the
  // command window, provided the page that navigates and every frame inside it are the
  // service's and the number is one of the panel's commands; anything else is cancelled
  // and reported without effect. Other addresses go ahead.
  bool OnBeforeNavigate2(const std::wstring& url, const std::wstring& frame,
                         const std::uint8_t* postData, std::uint32_t postDataSize,
                         const std::wstring& headers) override;
  // Cancels and reports a frame's command address; other frame addresses go ahead.
  bool OnFrameBeforeNavigate2(const std::wstring& url) override;
  // Sends "naverror" with a description to the command window and suppresses the
  // control's own error page. A failure of the local blank page is only traced.
  void OnNavigateError(const std::wstring& url, const std::wstring& frame, std::int32_t statusCode,
                       bool& cancel) override;

  WindowHandle CommandWindow = 0;

 private:
  // Whether the top-level page now shown may issue commands; reports why not.
  bool PageMayCommand();
};

}  // namespace zq
