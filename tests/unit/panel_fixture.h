// A whole client process whose main thread also runs test code on request, for tests of
// panels that must be made and used on the thread that owns them.
#pragma once
#include <functional>
#include <string>

#include "app/ClientApp.h"
#include "app/PanelRegistry.h"
#include "panel/FrontWebBrowser.h"
#include "panel/ZephquillWnd.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_web_control.h"
#include "tests/unit/client_fixture.h"

namespace zq::testing {

class PanelFixture : public ClientFixture {
 protected:
  static constexpr unsigned kRunOnMain = wm::App + 77;

  // Runs the function whose address a message carries; made by the client's main thread
  // before the client starts, so that the client's message loop serves it.
  struct Driver : WindowHandler {
    LResult OnMessage(WindowHandle window, unsigned message, WParam wParam,
                      LParam lParam) override {
      if (message == kRunOnMain) {
        (*reinterpret_cast<std::function<void()>*>(wParam))();
        return 0;
      }
      return Plat().windows().DefaultProc(window, message, wParam, lParam);
    }
  };

  // Starts the client with the driver window and lets it finish start-up.
  void Start() {
    pid = desktop.StartProcess(kModule, L"\"" + std::wstring(kModule) + L"\"", [this] {
      WindowSpec desc;
      desc.className = L"TestDriver";
      desc.handler = &driver_;
      driverWindow_ = Plat().windows().Create(desc);
      return ClientMain();
    });
    desktop.SleepMs(10);
    if (CClientDlg* c = Controller())
      c->StatusListener = [this](const std::wstring& line) { status.push_back(line); };
    desktop.SleepMs(3490);
  }

  // Runs `body` on the client's main thread and waits for it.
  void OnMain(std::function<void()> body) {
    Win().Send(driverWindow_, kRunOnMain, reinterpret_cast<WParam>(&body), 0);
  }

  // A visible top-level window of the client's main thread standing in for a browser.
  static WindowHandle MakeBrowser(WindowHandler* handler = nullptr) {
    WindowSpec desc;
    desc.className = L"TestBrowser";
    desc.style = ws::Visible;
    desc.rect = Rect{0, 0, 1000, 700};
    desc.handler = handler;
    return Plat().windows().Create(desc);
  }

  // Opens a fake Internet Explorer window and returns the panel the client attaches to it.
  ZephquillWnd* BrowserPanel(Rect rect = Rect{100, 80, 1000, 760}) {
    sim::Browsers(desktop).Open("ie", sim::FakeKind::IE6, L"http://news.example/", L"News", rect);
    desktop.SleepMs(1100);
    CClientApp* app = App();
    if (!app || app->BrowserPanels.empty()) return nullptr;
    return app->BrowserPanels.begin()->second->Panel.get();
  }

  // A page's request for a service window, through the controller's hidden window.
  ZephquillWnd* ServiceWindow(const std::wstring& title,
                              const std::wstring& address = L"http://127.0.0.1:8701/Panel/x") {
    ToWindow(Controller()->NotificationWindow.Hwnd(), UM_OPEN_FLOATING_PANEL,
             title + L";" + address);
    ZephquillWnd* found = nullptr;
    for (auto& w : App()->ServiceWindows)
      if (w && w->Hwnd() && Win().Title(w->Hwnd()) == title) found = w.get();
    return found;
  }

  // Posts a command message with its two texts and lets the client handle it.
  void ToWindow(WindowHandle window, unsigned message, const std::wstring& w,
                const std::wstring& l = L"", unsigned waitMs = 10) {
    Win().Post(window, message, GiveText(w), GiveLParamText(l));
    desktop.SleepMs(waitMs);
  }
  void ToPanel(ZephquillWnd* panel, unsigned message, const std::wstring& w = L"",
               const std::wstring& l = L"", unsigned waitMs = 10) {
    ToWindow(panel->Hwnd(), message, w, l, waitMs);
  }

  Rect Placed(ZephquillWnd* panel) { return Win().WindowRect(panel->Hwnd()); }

  sim::SimWebControlRecord* FrontControl(ZephquillWnd& panel) {
    return desktop.web().ControlIn(panel.FrontBrowser->Hwnd());
  }

  size_t TraceWith(const std::string& fragment) {
    size_t n = 0;
    for (const std::string& line : desktop.TraceLines())
      n += line.find(fragment) != std::string::npos;
    return n;
  }

 private:
  Driver driver_;
  WindowHandle driverWindow_ = 0;
};

}  // namespace zq::testing
