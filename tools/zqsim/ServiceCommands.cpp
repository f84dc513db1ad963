// Scenario commands that run the client against the real reference service ("service ..."):
// start and stop zqservice, put it behind the simulated network, and act as its pages.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/Text.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_internet.h"
#include "platform/sim/sim_network.h"
#include "platform/sim/sim_profile.h"
#include "platform/sim/sim_web_control.h"
#include "tools/zqsim/Scenario.h"
#include "tools/zqsim/Tour.h"

namespace zq::sim {

namespace {

namespace fs = std::filesystem;

const char kUsage[] =
    "service start [--keep] | service stop | service register [NAME] | "
    "service comment SITE TEXT... | service feed | service element MATCH ID";
constexpr int kAppPort = 8701;
constexpr int kWebPort = 8702;
constexpr const char* kVisitor = "Ann";

// The running service and who the scenario is on it.
struct LiveService {
  pid_t pid = 0;
  int appPort = 0, webPort = 0;  // where it really listens
  std::string clientId;          // this computer's client
  std::string visitorId;         // the other user who comments
  long long after = 0;           // the last notification played

  ~LiveService() { Stop(); }
  bool Running() const { return pid > 0; }
  void Stop() {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 500; ++i) {
      if (::waitpid(pid, nullptr, WNOHANG) == pid) {
        pid = 0;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = 0;
  }
};

LiveService& Live() {
  static LiveService live;
  return live;
}

// ---------------------------------------------------------------------------------------
// HTTP

// A byte string percent-encoded for a form value or a query.
std::string FormEncode(const std::string& text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

// A request target as the old control sends it: bytes outside ASCII and blanks escaped,
// everything else (several '?' included) as it is; the fragment stays home.
std::string RequestTarget(const std::string& pathAndQuery) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : pathAndQuery) {
    if (c == '#') break;
    if (c <= 0x20 || c >= 0x7F) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out.empty() ? "/" : out;
}

httplib::Client ClientFor(int port) {
  httplib::Client client("127.0.0.1", port);
  client.set_connection_timeout(2, 0);
  client.set_read_timeout(10, 0);
  client.set_url_encode(false);
  return client;
}

// True for an address of the client's two hosts, with the service's port for it and where
// the address's path begins.
bool ServiceHost(const std::string& address, int& port, size_t& hostEnd) {
  const std::string scheme = "http://";
  if (ToLower(FromUtf8(address.substr(0, scheme.size()))) != L"http://") return false;
  hostEnd = address.find_first_of("/?#", scheme.size());
  const std::wstring host =
      ToLower(FromUtf8(address.substr(scheme.size(), hostEnd - scheme.size())));
  if (host == ToLower(ZQ_APP_HOST))
    port = Live().appPort;
  else if (host == ToLower(ZQ_WEB_HOST))
    port = Live().webPort;
  else
    return false;
  return true;
}

// The service's answer to an address of the client's two hosts; nothing for other hosts.
std::optional<NetAnswer> FetchFromService(const std::wstring& url) {
  const std::string address = ToUtf8(url);
  size_t hostEnd = 0;
  int port = 0;
  if (!ServiceHost(address, port, hostEnd)) return std::nullopt;
  LiveService& live = Live();
  NetAnswer answer;
  if (!live.Running()) {
    answer.kind = NetAnswer::Kind::Unreachable;
    return answer;
  }
  httplib::Client client = ClientFor(port);
  auto result =
      client.Get(RequestTarget(hostEnd == std::string::npos ? "/" : address.substr(hostEnd)));
  if (!result) {
    answer.kind = NetAnswer::Kind::Unreachable;
    return answer;
  }
  answer.status = result->status;
  answer.body = result->body;
  return answer;
}

// A form post to the application host; the answer's body, or nothing when it failed.
std::optional<std::string> Post(const std::string& path, const std::string& form) {
  LiveService& live = Live();
  if (!live.Running()) return std::nullopt;
  httplib::Client client = ClientFor(live.appPort);
  auto result = client.Post(path, form, "application/x-www-form-urlencoded");
  if (!result || result->status != 200) return std::nullopt;
  return result->body;
}

std::optional<std::string> Get(const std::string& target) {
  LiveService& live = Live();
  if (!live.Running()) return std::nullopt;
  httplib::Client client = ClientFor(live.appPort);
  auto result = client.Get(target);
  if (!result || result->status != 200) return std::nullopt;
  return result->body;
}

std::vector<std::string> SplitOn(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  return parts;
}

// "ok\tID\tNAME" from api/register: the new client's identifier.
std::optional<std::string> Register(const std::string& name) {
  std::optional<std::string> answer = Post("/Panel/api/register", "name=" + FormEncode(name));
  if (!answer) return std::nullopt;
  std::vector<std::string> fields = SplitOn(answer->substr(0, answer->find('\n')), '\t');
  if (fields.size() < 2 || fields[0] != "ok") return std::nullopt;
  return fields[1];
}

// ---------------------------------------------------------------------------------------
// Starting and stopping

std::string ServiceBinary() {
  if (const char* given = std::getenv("ZQSERVICE")) return given;
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : (self.parent_path() / "service" / "zqservice").string();
}

// The port a line "<label>http://127.0.0.1:PORT/" of the service's output names; 0 if none.
int PortAfter(const std::string& log, const std::string& label) {
  size_t at = log.find(label);
  if (at == std::string::npos) return 0;
  size_t colon = log.find(':', log.find("//", at));
  size_t end = log.find('/', colon);
  if (colon == std::string::npos || end == std::string::npos) return 0;
  // NOLINTNEXTLINE(cert-err34-c): the service writes the port; a bad one reads as 0, no port
  return std::atoi(log.substr(colon + 1, end - colon - 1).c_str());
}

// Starts the binary and waits (in real time, up to 10 s) for it to name its addresses.
bool Launch(const std::string& binary, const fs::path& dir, int appPort, int webPort) {
  const std::string log = (dir / "service.log").string();
  // Emptied here, not in the child: a log still holding the last run's addresses would
  // pass for the new one's.
  std::ofstream(log, std::ios::trunc).close();
  std::vector<std::string> args = {binary,
                                   "--app-port",
                                   std::to_string(appPort),
                                   "--web-port",
                                   std::to_string(webPort),
                                   "--db",
                                   (dir / "zq.db").string(),
                                   "--download",
                                   (dir / "Download").string(),
                                   "--signing-key",
                                   ZQ_TEST_SIGNING_KEY};
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    // Ends with the thread that started it, should zqsim die without stopping it.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
      ::dup2(fd, 1);
      ::dup2(fd, 2);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  LiveService& live = Live();
  for (int i = 0; i < 1000; ++i) {
    if (::waitpid(pid, nullptr, WNOHANG) == pid) return false;
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int app = PortAfter(text, "Application host:");
    int web = PortAfter(text, "Public web host:");
    if (app > 0 && web > 0) {
      live.pid = pid;
      live.appPort = app;
      live.webPort = web;
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return false;
}

// service start [--keep]: a fresh database unless --keep, and the current executable in
// the download folder, signed with the repository's test key. The client's own ports when free;
// others (translated by the network) when something else holds them, so that runs side by side do
// not collide.
bool Start(Scenario& s, const std::vector<std::string>& words) {
  const bool keep = words.size() == 3 && words[2] == "--keep";
  if (words.size() > 3 || (words.size() == 3 && !keep)) return false;
  LiveService& live = Live();
  Desktop& d = s.desktop();
  if (live.Running()) {
    s.out() << "note: the service is already running\n";
    return true;
  }
  const std::string binary = ServiceBinary();
  if (binary.empty() || ::access(binary.c_str(), X_OK) != 0) {
    s.out() << "error: zqservice not found at " << binary
            << " (build the target zqservice, or set ZQSERVICE)\n";
    return false;
  }
  const fs::path dir = fs::path(d.Root()) / "service";
  if (!keep) fs::remove_all(dir);
  fs::create_directories(dir / "Download");
  std::ofstream(dir / "Download" / "ZephquillClient.exe", std::ios::binary)
      << FakeImage(0x014C, 8192);
  if (!Launch(binary, dir, kAppPort, kWebPort) && !Launch(binary, dir, 0, 0)) {
    s.out() << "error: zqservice did not start; see " << (dir / "service.log").string() << "\n";
    return false;
  }
  if (!keep) {  // a fresh database knows nobody
    live.clientId.clear();
    live.visitorId.clear();
    live.after = 0;
  }
  d.network().fetcher = &FetchFromService;
  d.Trace(std::string("service: started") + (keep ? " with its database" : ""));
  s.out() << "service: started" << (keep ? " with its database" : "") << "\n";
  return true;
}

// ---------------------------------------------------------------------------------------
// Acting as the pages

// service register [NAME]: the start-using page's first start: a new client, whose
// identifier the client keeps.
bool RegisterClient(Scenario& s, const std::vector<std::string>& words) {
  const std::string name = words.size() > 2 ? words[2] : "";
  std::optional<std::string> id = Register(name);
  if (!id) {
    s.out() << "service: cannot register\n";
    return true;
  }
  Live().clientId = *id;
  s.desktop().profile().WriteString(L"General", L"ClientIdentifier", FromUtf8(*id),
                                    L"C:\\Program Files\\Zephquill\\ZQConfig.ini");
  s.desktop().Trace("service: this computer is registered");
  s.out() << "service: this computer is registered" << (name.empty() ? "" : " as " + name) << "\n";
  return true;
}

// service comment SITE TEXT...: another user says something about SITE.
bool Comment(Scenario& s, const std::vector<std::string>& words, const std::string& line) {
  if (words.size() < 4) return false;
  LiveService& live = Live();
  if (live.visitorId.empty()) live.visitorId = Register(kVisitor).value_or("");
  std::optional<std::string> answer =
      Post("/Panel/api/comment", "client=" + FormEncode(live.visitorId) +
                                     "&url=" + FormEncode(words[2]) +
                                     "&text=" + FormEncode(Scenario::RestAfter(line, 3)));
  std::string what = answer ? std::string(kVisitor) + " comments on " + words[2]
                            : "the comment on " + words[2] + " was refused";
  s.desktop().Trace("service: " + what);
  s.out() << "service: " << what << "\n";
  return true;
}

// One command of the page: a top-level navigation to its command address, then the
// 150 ms the page's timer leaves between two commands.
void Tell(Scenario& s, SimWebControlRecord& page, const std::string& word,
          const std::string& argument) {
  PlayCommandWord(s, page, word, argument);
  s.desktop().SleepMs(150);
}

// service feed: reads this client's notifications and plays each one through the
// notification page as that page does: clear, the fields that are not empty, show with
// the stay time; the next one after the stay and half a second. Each is acknowledged.
bool Feed(Scenario& s) {
  LiveService& live = Live();
  SimWebControlRecord* page = NotificationPage(s);
  if (!page) {
    s.out() << "note: the client has no notification page\n";
    return true;
  }
  std::optional<std::string> answer = Get("/Panel/api/feed?client=" + FormEncode(live.clientId) +
                                          "&after=" + std::to_string(live.after));
  std::vector<std::string> lines = answer ? SplitOn(*answer, '\n') : std::vector<std::string>();
  if (lines.empty() || lines[0] != "zqfeed") {
    s.out() << "service: no feed\n";
    return true;
  }
  static const char* const kFields[] = {"msgtype",     "msg",          "link",   "contentid",
                                        "contexttype", "issitemurmel", "context"};
  int played = 0;
  for (size_t i = 1; i < lines.size(); ++i) {
    std::vector<std::string> f = SplitOn(lines[i], '\t');
    if (f.size() < 9) continue;
    // NOLINTNEXTLINE(cert-err34-c): the feed's own numbers, written by the service
    if (played++) s.desktop().SleepMs(static_cast<unsigned>(std::atoi(f[1].c_str())) + 500);
    s.out() << "service: notification " << f[5] << " " << f[2] << " \"" << f[3] << "\"\n";
    Tell(s, *page, "clearnotifycontent", "0");
    for (size_t k = 0; k < 7; ++k)
      if (!f[k + 2].empty()) Tell(s, *page, std::string("nextnotification") + kFields[k], f[k + 2]);
    Tell(s, *page, "shownotificationmsg", f[1]);
    live.after = std::atoll(f[0].c_str());  // NOLINT(cert-err34-c): the service's own ids
    Post("/Panel/api/ack", "client=" + FormEncode(live.clientId) + "&upto=" + f[0]);
  }
  s.out() << "service: " << played << " notification(s) played\n";
  return true;
}

// service element MATCH ID: the text of element ID in the newest live control whose
// document's address contains MATCH (without regard to case).
bool Element(Scenario& s, const std::vector<std::string>& words) {
  if (words.size() != 4) return false;
  const std::wstring match = ToLower(FromUtf8(words[2]));
  const auto& controls = s.desktop().web().Controls();
  for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
    const SimWebControlRecord& c = **it;
    if (c.released || !c.document || ToLower(c.document->url).find(match) == std::wstring::npos)
      continue;
    auto e = c.document->elements.find(FromUtf8(words[3]));
    s.out() << "service: element " << words[3] << " "
            << (e == c.document->elements.end() ? "missing" : Quoted(e->second)) << "\n";
    return true;
  }
  s.out() << "service: no page matches " << words[2] << "\n";
  return true;
}

bool Service(Scenario& s, const std::vector<std::string>& words, const std::string& line) {
  const std::string verb = words.size() > 1 ? words[1] : "";
  if (verb == "start") return Start(s, words);
  if (verb == "stop" && words.size() == 2) {
    Live().Stop();
    s.desktop().Trace("service: stopped");
    s.out() << "service: stopped\n";
    return true;
  }
  if (verb == "register" && words.size() <= 3) return RegisterClient(s, words);
  if (verb == "comment") return Comment(s, words, line);
  if (verb == "feed" && words.size() == 2) return Feed(s);
  if (verb == "element") return Element(s, words);
  return false;
}

bool Command(Scenario& s, const std::vector<std::string>& words, const std::string& line,
             bool& ok) {
  if (words.empty()) return false;
  if (words[0] != "service") return false;
  ok = Service(s, words, line);
  if (!ok) s.out() << "usage: " << kUsage << "\n";
  return true;
}

const int kRegistered = RegisterScenarioExtension(ScenarioExtension{&Command, nullptr});

}  // namespace

std::string LiveServiceAddress(const std::string& url) {
  size_t hostEnd = 0;
  int port = 0;
  if (!ServiceHost(url, port, hostEnd) || !Live().Running()) return "";
  return "http://127.0.0.1:" + std::to_string(port) +
         (hostEnd == std::string::npos ? "/" : url.substr(hostEnd));
}

}  // namespace zq::sim
