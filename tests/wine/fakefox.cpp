// A stand-in Firefox for the Wine tests: a "MozillaUIWindowClass" window with a content
// child and the "Firefox" DDE server. Usage: fakefox answer|silent URL PAGE-TITLE.
// WM_COPYDATA kGoToTag "URL\nPAGE-TITLE" moves it. Ends when closed, or after two minutes.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ddeml.h>

#include <string>

namespace {

DWORD instance = 0;
HSZ serviceName = nullptr, topicName = nullptr;
bool silent = false;
std::string reply;

constexpr ULONG_PTR kGoToTag = 0x58464F46;  // 'FFOX'

HDDEDATA CALLBACK OnDde(UINT type, UINT format, HCONV, HSZ topic, HSZ, HDDEDATA, ULONG_PTR,
                        ULONG_PTR) {
  switch (type) {
    case XTYP_CONNECT:
      return reinterpret_cast<HDDEDATA>(
          static_cast<ULONG_PTR>(::DdeCmpStringHandles(topic, topicName) == 0));
    case XTYP_REQUEST:
      if (silent) return CBR_BLOCK;  // the conversation waits; the client times out
      if (format != CF_TEXT) return nullptr;
      return ::DdeCreateDataHandle(instance, reinterpret_cast<BYTE*>(reply.data()),
                                   static_cast<DWORD>(reply.size() + 1), 0, nullptr, CF_TEXT, 0);
    default:
      return nullptr;
  }
}

std::string Ansi(const wchar_t* text) {
  int n = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 1), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), n, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

std::string Reply(const wchar_t* url, const wchar_t* page) {
  return "\"" + Ansi(url) + "\",\"" + Ansi(page) + "\",\"\"";
}

// Switches to the page named by a kGoToTag message; false for any other data.
bool GoTo(HWND window, const COPYDATASTRUCT& data) {
  if (data.dwData != kGoToTag || !data.lpData || data.cbData % sizeof(wchar_t) != 0) return false;
  std::wstring text(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t));
  size_t split = text.find(L'\n');
  if (split == std::wstring::npos) return false;
  std::wstring url = text.substr(0, split), page = text.substr(split + 1);
  reply = Reply(url.c_str(), page.c_str());
  ::SetWindowTextW(window, (page + L" - Mozilla Firefox").c_str());
  ::SetForegroundWindow(window);
  return true;
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_DESTROY || (message == WM_TIMER && wp == 1)) {
    ::PostQuitMessage(0);
    return 0;
  }
  if (message == WM_COPYDATA)
    return GoTo(window, *reinterpret_cast<const COPYDATASTRUCT*>(lp)) ? TRUE : FALSE;
  return ::DefWindowProcW(window, message, wp, lp);
}

HWND MakeWindows(const std::wstring& page) {
  WNDCLASSW main{};
  main.lpfnWndProc = MainProc;
  main.hInstance = ::GetModuleHandleW(nullptr);
  main.lpszClassName = L"MozillaUIWindowClass";
  ::RegisterClassW(&main);
  WNDCLASSW content = main;
  content.lpfnWndProc = ::DefWindowProcW;
  content.lpszClassName = L"MozillaContentWindowClass";
  ::RegisterClassW(&content);
  std::wstring title = page + L" - Mozilla Firefox";
  HWND frame = ::CreateWindowExW(0, main.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 40, 40,
                                 640, 480, nullptr, nullptr, main.hInstance, nullptr);
  ::CreateWindowExW(0, content.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 0, 60, 640, 400, frame,
                    nullptr, main.hInstance, nullptr);
  return frame;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 2;  // more arguments (a component server's "-Embedding") are ignored
  silent = std::wstring(argv[1]) == L"silent";
  reply = Reply(argv[2], argv[3]);
  if (::DdeInitializeW(&instance, &OnDde, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS, 0) !=
      DMLERR_NO_ERROR)
    return 3;
  serviceName = ::DdeCreateStringHandleW(instance, L"Firefox", CP_WINUNICODE);
  topicName = ::DdeCreateStringHandleW(instance, L"WWW_GetWindowInfo", CP_WINUNICODE);
  if (!::DdeNameService(instance, serviceName, nullptr, DNS_REGISTER)) return 4;
  // The window appears once the server is ready: tests wait for the window.
  HWND frame = MakeWindows(argv[3]);
  ::ShowWindow(frame, SW_SHOW);
  ::SetForegroundWindow(frame);
  ::SetTimer(frame, 1, 120000, nullptr);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  ::DdeNameService(instance, serviceName, nullptr, DNS_UNREGISTER);
  ::DdeUninitialize(instance);
  return 0;
}
