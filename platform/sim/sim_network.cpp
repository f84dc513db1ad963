// The simulated network: address prefixes with their answers, the default pages, and the
// element ids that a page's HTML carries.
#include "platform/sim/sim_network.h"

#include "app/Text.h"

namespace zq::sim {

namespace {

const wchar_t kCheckPage[] = L"connectionalivestaticcheck.htm";

bool EndsWithPath(const std::wstring& lowerUrl, const std::wstring& name) {
  size_t end = lowerUrl.find_first_of(L"?#");
  if (end == std::wstring::npos) end = lowerUrl.size();
  return end >= name.size() && lowerUrl.compare(end - name.size(), name.size(), name) == 0;
}

const char* StateName(SimNetwork::State s) {
  switch (s) {
    case SimNetwork::State::Up: return "up";
    case SimNetwork::State::Down: return "down";
    case SimNetwork::State::Silent: return "silent";
  }
  return "?";
}

}  // namespace

SimNetwork::Route& SimNetwork::At(const std::wstring& prefix) {
  return routes_[ToLower(prefix)];
}

void SimNetwork::Reset() {
  routes_.clear();
  up = true;
  checkElement = true;
}

std::string SimNetwork::DefaultBody(const std::wstring& url) const {
  if (checkElement && EndsWithPath(ToLower(url), kCheckPage))
    return "<html><body><div id=\"ConnectionAliveStaticCheck\">OK</div></body></html>";
  return "<html><body></body></html>";
}

NetAnswer SimNetwork::Fetch(const std::wstring& url) {
  ++requests_;
  NetAnswer answer;
  if (!up) {
    answer.kind = NetAnswer::Kind::Unreachable;
    return answer;
  }
  const std::wstring lower = ToLower(url);
  const Route* best = nullptr;
  size_t bestLength = 0;
  for (const auto& [prefix, route] : routes_) {
    if (lower.compare(0, prefix.size(), prefix) == 0 && (!best || prefix.size() > bestLength)) {
      best = &route;
      bestLength = prefix.size();
    }
  }
  if (best && best->state == State::Down) answer.kind = NetAnswer::Kind::Unreachable;
  if (best && best->state == State::Silent) answer.kind = NetAnswer::Kind::Silent;
  if (answer.kind != NetAnswer::Kind::Answered) return answer;
  answer.status = best ? best->status : 200;
  answer.body = best && best->body ? *best->body : DefaultBody(url);
  return answer;
}

std::map<std::wstring, std::wstring> SimNetwork::ElementsOf(const std::string& html) {
  std::map<std::wstring, std::wstring> elements;
  const std::string key = "id=\"";
  for (size_t at = html.find(key); at != std::string::npos; at = html.find(key, at + 1)) {
    size_t start = at + key.size();
    size_t end = html.find('"', start);
    if (end == std::string::npos) break;
    std::string id = html.substr(start, end - start);
    size_t open = html.find('>', end);
    size_t close = open == std::string::npos ? open : html.find('<', open + 1);
    std::string text = close == std::string::npos ? std::string()
                                                   : html.substr(open + 1, close - open - 1);
    elements.emplace(FromUtf8(id), FromUtf8(text));
  }
  return elements;
}

std::vector<std::string> SimNetwork::Dump() const {
  std::vector<std::string> lines;
  lines.push_back(std::string("network: ") + (up ? "up" : "down") +
                  (checkElement ? "" : " no-element") + " requests=" + std::to_string(requests_));
  for (const auto& [prefix, route] : routes_) {
    std::string line = "network.route: " + Quoted(prefix) + " " + StateName(route.state) +
                       " " + std::to_string(route.status);
    if (route.body) line += " body=" + Quoted(FromUtf8(*route.body));
    lines.push_back(line);
  }
  return lines;
}

}  // namespace zq::sim
