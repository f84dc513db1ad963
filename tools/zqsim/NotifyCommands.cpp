// Scenario commands that play the notification page ("notify ..."): a whole notification,
// one field, or any word, sent as command addresses from the hidden notification window.
#include <ostream>
#include <string>
#include <vector>

#include "app/ClientApp.h"
#include "app/ClientProcess.h"
#include "app/Text.h"
#include "controller/ClientDlg.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_ie_app.h"
#include "platform/sim/sim_web_control.h"
#include "tools/zqsim/Scenario.h"

namespace zq::sim {

namespace {

const char kUsage[] =
    "notify ID TYPE LINK TIME [MESSAGE...] | notify field NAME [VALUE...] | "
    "notify word WORD [ARGUMENT...]";

bool Notify(Scenario& s, const std::vector<std::string>& words, const std::string& line) {
  SimWebControlRecord* page = NotificationPage(s);
  if (!page) {
    s.out() << "note: the client has no notification page\n";
    return true;
  }
  if (words.size() >= 3 && words[1] == "field")
    return PlayCommandWord(s, *page, "nextnotification" + words[2], Scenario::RestAfter(line, 3));
  if (words.size() >= 3 && words[1] == "word")
    return PlayCommandWord(s, *page, words[2], Scenario::RestAfter(line, 3));
  if (words.size() < 5) return false;
  const std::string message = Scenario::RestAfter(line, 5);
  return PlayCommandWord(s, *page, "clearnotifycontent", "") &&
         PlayCommandWord(s, *page, "nextnotificationmsgtype", words[2]) &&
         PlayCommandWord(s, *page, "nextnotificationmsg", message) &&
         PlayCommandWord(s, *page, "nextnotificationlink", words[3]) &&
         PlayCommandWord(s, *page, "nextnotificationcontentid", words[1]) &&
         PlayCommandWord(s, *page, "shownotificationmsg", words[4]);
}

bool Command(Scenario& s, const std::vector<std::string>& words, const std::string& line,
             bool& ok) {
  if (words.empty() || words[0] != "notify") return false;
  ok = Notify(s, words, line);
  if (!ok) s.out() << "usage: " << kUsage << "\n";
  return true;
}

void Dump(Scenario& s, std::vector<std::string>& lines) {
  Desktop& d = s.desktop();
  if (d.ieApps().Records().empty()) return;
  for (std::string& line : d.ieApps().Dump()) lines.push_back(std::move(line));
}

const int kRegistered = RegisterScenarioExtension(ScenarioExtension{&Command, &Dump});

}  // namespace

// The web control of the newest client's notification window; null without one.
SimWebControlRecord* NotificationPage(Scenario& s) {
  Desktop& d = s.desktop();
  std::uint32_t pid = s.Target({}, 0);
  for (auto& [h, w] : d.AllWindows())
    if (w.pid == pid && w.title == L"ZephquillNotificationWnd") return d.web().ControlIn(h);
  return nullptr;
}

bool PlayCommandWord(Scenario& s, SimWebControlRecord& page, const std::string& word,
                     const std::string& argument) {
  SimWebControls& web = s.desktop().web();
  if (page.pending) web.Complete(page.index, L"");
  std::wstring address =
      L"zqwndcmd::CMD:1227~wParam:" + FromUtf8(word) + L"~lParam:" + FromUtf8(argument) + L"~";
  return web.Navigate(page.index, address);
}

}  // namespace zq::sim
