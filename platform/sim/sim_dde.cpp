// The simulated desktop's DDE: requests answered by the fake Firefox that was focused last,
// and the desktop's ANSI code page.
#include "app/Text.h"
#include "platform/sim/sim_browsers.h"
#include "platform/sim/sim_desktop.h"

namespace zq::sim {

// The simulated desktop's ANSI code page is Latin-1: what it lacks becomes '?'.
std::string Latin1(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) out += static_cast<std::uint32_t>(c) < 0x100 ? static_cast<char>(c) : '?';
  return out;
}

std::optional<std::string> SimDde::Request(const std::wstring& service, const std::wstring& topic,
                                           const std::wstring& item, unsigned timeoutMs) {
  FakeBrowser* firefox = Browsers(d_).MostRecentFirefox();
  if (!firefox || !EqualsNoCase(service, L"Firefox") || !EqualsNoCase(topic, L"WWW_GetWindowInfo"))
    return std::nullopt;  // no such server: the connection fails at once
  // The item names the window (0xFFFFFFFF: the most recent one), then the fields wanted.
  if (!EqualsNoCase(item.substr(0, item.find(L',')), L"0xFFFFFFFF")) return std::nullopt;
  const FakeTab& page = firefox->tabs[firefox->active];
  switch (firefox->dde) {
    case DdeMode::Silent:
      d_.SleepMs(timeoutMs);
      return std::nullopt;
    case DdeMode::NoSeparator:
      return Latin1(L"\"" + page.url + L"\"") + '\0';
    case DdeMode::Answer:
      break;
  }
  return Latin1(L"\"" + page.url + L"\",\"" + page.title + L"\",\"\"") + '\0';
}

std::wstring SimDde::FromAnsi(const std::string& bytes) {
  std::wstring out;
  for (char c : bytes) {
    if (c == '\0') break;
    out += static_cast<wchar_t>(static_cast<unsigned char>(c));
  }
  return out;
}

}  // namespace zq::sim
