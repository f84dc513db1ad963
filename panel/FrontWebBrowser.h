// The front browser host of an attached panel: while its page loads, the back host with
// the "Please wait..." page stands in its place.
#pragma once
#include <string>

#include "panel/WebBrowser.h"

namespace zq {

class CFrontWebBrowser : public CWebBrowser {
 public:
  CFrontWebBrowser() = default;

  // The loading cover (not owned); null after construction, set by the attached panel.
  void SetBackBrowser(CWebBrowser* back) { BackBrowser = back; }
  CWebBrowser* GetBackBrowser() const { return BackBrowser; }

 protected:
  // A top-level navigation has begun to load: the cover is shown, this host hidden.
  void OnNavigateComplete2(const std::wstring& url) override;
  // The page has loaded: this host is shown, the cover hidden.
  void OnDocumentComplete(const std::wstring& url) override;

  CWebBrowser* BackBrowser = nullptr;
};

}  // namespace zq
