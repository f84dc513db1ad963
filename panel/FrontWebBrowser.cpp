// The front host's loading cover: the back host shows "Please wait..." from the moment a
// top-level page starts loading until its document is complete.
#include "panel/FrontWebBrowser.h"

namespace zq {

void CFrontWebBrowser::OnNavigateComplete2(const std::wstring& url) {
  if (BackBrowser) {
    Windows& windows = Plat().windows();
    windows.Show(BackBrowser->Hwnd(), sw::ShowNormal);
    windows.Show(Hwnd(), sw::Hide);
  }
  CWebBrowser::OnNavigateComplete2(url);
}

void CFrontWebBrowser::OnDocumentComplete(const std::wstring& url) {
  if (BackBrowser) {
    Windows& windows = Plat().windows();
    windows.Show(Hwnd(), sw::ShowNormal);
    windows.Show(BackBrowser->Hwnd(), sw::Hide);
  }
  CWebBrowser::OnDocumentComplete(url);
}

}  // namespace zq
