// Dynamic data exchange on Windows: one client instance and one conversation per request,
// because a conversation kept open answers a second request wrongly on some systems.
#include "platform/win32/win32_backend.h"

#include <ddeml.h>

namespace zq::win32 {

namespace {

// The client never serves anything: the callback only has to exist.
HDDEDATA CALLBACK IgnoreTransactions(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

// One client instance; uninitialising it frees its string handles and conversations.
class DdeClient {
 public:
  DdeClient() {
    if (::DdeInitializeW(&instance_, &IgnoreTransactions, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
      instance_ = 0;
  }
  ~DdeClient() {
    if (instance_) ::DdeUninitialize(instance_);
  }
  DdeClient(const DdeClient&) = delete;
  DdeClient& operator=(const DdeClient&) = delete;

  DWORD instance() const { return instance_; }
  HSZ Name(const std::wstring& text) {
    HSZ handle = ::DdeCreateStringHandleW(instance_, text.c_str(), CP_WINUNICODE);
    if (handle) names_[count_++] = handle;
    return handle;
  }
  void FreeNames() {
    while (count_ > 0) ::DdeFreeStringHandle(instance_, names_[--count_]);
  }

 private:
  DWORD instance_ = 0;
  HSZ names_[3] = {};
  int count_ = 0;
};

std::optional<std::string> RequestText(HCONV conversation, HSZ item, unsigned timeoutMs) {
  DWORD result = 0;
  HDDEDATA data = ::DdeClientTransaction(nullptr, 0, conversation, item, CF_TEXT, XTYP_REQUEST,
                                         timeoutMs, &result);
  if (!data) return std::nullopt;
  std::optional<std::string> out;
  DWORD size = 0;
  if (auto* bytes = ::DdeAccessData(data, &size)) {
    out.emplace(reinterpret_cast<const char*>(bytes), size);
    ::DdeUnaccessData(data);
  }
  ::DdeFreeDataHandle(data);
  return out;
}

class Win32Dde : public Dde {
 public:
  std::optional<std::string> Request(const std::wstring& service, const std::wstring& topic,
                                     const std::wstring& item, unsigned timeoutMs) override {
    DdeClient client;
    if (!client.instance()) return std::nullopt;
    std::optional<std::string> answer;
    HSZ serviceName = client.Name(service), topicName = client.Name(topic),
        itemName = client.Name(item);
    if (serviceName && topicName && itemName) {
      if (HCONV conversation = ::DdeConnect(client.instance(), serviceName, topicName, nullptr)) {
        answer = RequestText(conversation, itemName, timeoutMs);
        ::DdeDisconnect(conversation);
      }
    }
    client.FreeNames();
    return answer;
  }

  std::wstring FromAnsi(const std::string& bytes) override {
    std::string text = bytes.substr(0, bytes.find('\0'));
    if (text.empty()) return std::wstring();
    int n =
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
  }
};

}  // namespace

std::unique_ptr<Dde> NewDde() { return std::make_unique<Win32Dde>(); }

}  // namespace zq::win32
