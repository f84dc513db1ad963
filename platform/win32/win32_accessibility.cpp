// The accessibility seam on Windows: UI Automation's core C API, loaded from
// uiautomationcore.dll at run time, every call into a browser made on one worker thread.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/win32/win32_backend.h"

namespace zq::win32 {

namespace {

// The core API's types, as uiautomationcoreapi.h declares them (mingw-w64 lacks them).
using HUIANODE = void*;
struct UiaCondition {
  int ConditionType;  // ConditionType_True = 0
};
struct UiaCacheRequest {
  UiaCondition* pViewCondition;
  int Scope;  // TreeScope_Element = 1
  int* pProperties;
  int cProperties;
  int* pPatterns;
  int cPatterns;
  int automationElementMode;  // AutomationElementMode_Full = 1
};
constexpr int kNextSibling = 1, kFirstChild = 3;
constexpr int kControlType = 30003, kName = 30005, kAutomationId = 30011, kClassName = 30012,
              kValueValue = 30045, kLegacyValue = 30093;
constexpr HRESULT kElementNotAvailable = static_cast<HRESULT>(0x80040201);

// What a call answers when uiautomationcore.dll or one of its functions is missing.
HRESULT WINAPI NoNode(HWND, HUIANODE*) { return E_NOTIMPL; }
BOOL WINAPI NoRelease(HUIANODE) { return FALSE; }
HRESULT WINAPI NoProperty(HUIANODE, int, VARIANT*) { return E_NOTIMPL; }
HRESULT WINAPI NoStep(HUIANODE, int, UiaCondition*, UiaCacheRequest*, SAFEARRAY**, BSTR*) {
  return E_NOTIMPL;
}
HRESULT WINAPI NoVariantNode(VARIANT*, HUIANODE*) { return E_NOTIMPL; }

struct UiaApi {
  HRESULT(WINAPI* NodeFromHandle)(HWND, HUIANODE*) = NoNode;
  BOOL(WINAPI* NodeRelease)(HUIANODE) = NoRelease;
  HRESULT(WINAPI* GetPropertyValue)(HUIANODE, int, VARIANT*) = NoProperty;
  HRESULT(WINAPI* Navigate)
  (HUIANODE, int, UiaCondition*, UiaCacheRequest*, SAFEARRAY**, BSTR*) = NoStep;
  HRESULT(WINAPI* NodeFromVariant)(VARIANT*, HUIANODE*) = NoVariantNode;
  bool loaded = false;
};

// Binds `function` to the export when the library has it; it keeps its stand-in otherwise.
template <class F>
bool Bind(HMODULE dll, const char* name, F& function) {
  FARPROC found = dll ? ::GetProcAddress(dll, name) : nullptr;
  if (found) function = reinterpret_cast<F>(reinterpret_cast<void*>(found));
  return found != nullptr;
}

const UiaApi& Api() {
  static const UiaApi api = [] {
    UiaApi a;
    HMODULE dll = ::LoadLibraryW(L"uiautomationcore.dll");
    a.loaded = Bind(dll, "UiaNodeFromHandle", a.NodeFromHandle) &
               Bind(dll, "UiaNodeRelease", a.NodeRelease) &
               Bind(dll, "UiaGetPropertyValue", a.GetPropertyValue) &
               Bind(dll, "UiaNavigate", a.Navigate) &
               Bind(dll, "UiaHUiaNodeFromVariant", a.NodeFromVariant);
    return a;
  }();
  return api;
}

AccessResult FromCode(HRESULT code) {
  if (SUCCEEDED(code)) return AccessResult::Ok;
  return code == kElementNotAvailable ? AccessResult::Stale : AccessResult::Failed;
}

// A text property, or nothing when the element has none (UIA answers "not supported" with
// a sentinel object, never with a string).
AccessResult TextProperty(HUIANODE node, int property, std::wstring& text) {
  VARIANT v;
  ::VariantInit(&v);
  HRESULT code = Api().GetPropertyValue(node, property, &v);
  AccessResult r = FromCode(code);
  if (r == AccessResult::Ok && V_VT(&v) == VT_BSTR && V_BSTR(&v))
    text.assign(V_BSTR(&v), ::SysStringLen(V_BSTR(&v)));
  else if (r == AccessResult::Ok)
    r = AccessResult::Failed;
  ::VariantClear(&v);
  return r;
}

int ControlTypeOf(HUIANODE node) {
  VARIANT v;
  ::VariantInit(&v);
  int type = 0;
  if (SUCCEEDED(Api().GetPropertyValue(node, kControlType, &v)) && V_VT(&v) == VT_I4)
    type = V_I4(&v);
  ::VariantClear(&v);
  return type;
}

bool Matches(HUIANODE node, const ElementCondition& c) {
  if (c.controlType != uia::AnyControl && ControlTypeOf(node) != c.controlType) return false;
  std::wstring text;
  for (auto [property, wanted] :
       {std::pair<int, const std::wstring*>{kAutomationId, &c.automationId},
        {kClassName, &c.className},
        {kName, &c.name}}) {
    if (wanted->empty()) continue;
    text.clear();
    TextProperty(node, property, text);
    if (text != *wanted) return false;
  }
  return true;
}

// The node one step away in the raw view, or null at the end (or on any failure).
HUIANODE Step(HUIANODE from, int direction) {
  UiaCondition all{0};
  UiaCacheRequest request{&all, 1, nullptr, 0, nullptr, 0, 1};
  SAFEARRAY* data = nullptr;
  BSTR shape = nullptr;
  HUIANODE node = nullptr;
  if (SUCCEEDED(Api().Navigate(from, direction, &all, &request, &data, &shape)) && data) {
    LONG at[2] = {0, 0};
    VARIANT v;
    ::VariantInit(&v);
    if (SUCCEEDED(::SafeArrayGetElement(data, at, &v)) && FAILED(Api().NodeFromVariant(&v, &node)))
      node = nullptr;
    ::VariantClear(&v);
  }
  if (data) ::SafeArrayDestroy(data);
  ::SysFreeString(shape);
  return node;
}

void Drop(HUIANODE node) {
  if (node) Api().NodeRelease(node);
}

// Depth first in document order below `start`, within the scope; the match is kept, every
// other node taken on the way is released.
HUIANODE Search(HUIANODE start, const ElementCondition& c, SearchScope scope) {
  std::vector<std::pair<HUIANODE, unsigned>> above;  // ancestors of `at` still to continue
  HUIANODE at = Step(start, kFirstChild);
  unsigned depth = 1, looked = 0;
  HUIANODE found = nullptr;
  while (at && looked++ < scope.maxElements) {
    if (Matches(at, c)) {
      found = at;
      at = nullptr;
      break;
    }
    HUIANODE child = depth < scope.maxDepth ? Step(at, kFirstChild) : nullptr;
    if (child) {
      above.emplace_back(at, depth++);
      at = child;
      continue;
    }
    for (;;) {
      HUIANODE next = Step(at, kNextSibling);
      Drop(at);
      at = next;
      if (at || above.empty()) break;
      std::tie(at, depth) = above.back();
      above.pop_back();
    }
  }
  Drop(at);
  for (auto& [node, level] : above) Drop(node);
  return found;
}

// One worker thread in the multithreaded apartment (which also keeps the apartment, and so
// the held elements' proxies, alive between calls). A call waits for its job at most its
// limit; a job that outlives its caller makes every later call fail at once until it ends.
class UiaWorker {
 public:
  ~UiaWorker() {
    std::unique_lock<std::mutex> hold(lock_);
    stop_ = true;
    changed_.notify_all();
    bool hung = abandoned_ && !abandoned_->done;
    hold.unlock();
    // A worker stuck in a browser that never answers is left to the end of the process.
    if (thread_.joinable()) hung ? thread_.detach() : thread_.join();
  }

  // False when the job did not end within `limitMs` (it goes on; `dropped` then runs on the
  // worker after it, to free what it made).
  bool Run(unsigned limitMs, std::function<void()> work, std::function<void()> dropped) {
    std::unique_lock<std::mutex> hold(lock_);
    if ((abandoned_ && !abandoned_->done) || limitMs == 0 || !Started()) return false;
    abandoned_.reset();
    auto job = std::make_shared<Job>();
    job->work = std::move(work);
    job->dropped = std::move(dropped);
    queue_.push_back(job);
    changed_.notify_all();
    if (changed_.wait_for(hold, std::chrono::milliseconds(limitMs), [&] { return job->done; }))
      return true;
    job->abandoned = true;
    abandoned_ = job;
    return false;
  }
  // Queues work without waiting for it (releases).
  void Post(std::function<void()> work) {
    std::lock_guard<std::mutex> hold(lock_);
    if (!Started()) return;
    auto job = std::make_shared<Job>();
    job->work = std::move(work);
    queue_.push_back(job);
    changed_.notify_all();
  }

 private:
  struct Job {
    std::function<void()> work, dropped;
    bool done = false, abandoned = false;
  };
  bool Started() {
    if (thread_.joinable()) return true;
    try {
      thread_ = std::thread([this] { Loop(); });
    } catch (...) {
      return false;
    }
    return true;
  }
  void Loop() {
    HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
      changed_.wait(hold, [&] { return stop_ || !queue_.empty(); });
      if (stop_) break;
      std::shared_ptr<Job> job = queue_.front();
      queue_.pop_front();
      hold.unlock();
      job->work();
      hold.lock();
      // What an abandoned job made is freed outside the lock (freeing may call into the
      // browser, and no caller may wait for the lock behind it); the job counts as under
      // way until then.
      if (job->abandoned && job->dropped) {
        hold.unlock();
        job->dropped();
        hold.lock();
      }
      job->done = true;
      changed_.notify_all();
    }
    hold.unlock();
    if (SUCCEEDED(com)) ::CoUninitialize();
  }

  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Job>> queue_;
  std::shared_ptr<Job> abandoned_;
  bool stop_ = false;
  std::thread thread_;
};

// The version in an executable's version resource, "a.b.c.d"; empty without one.
std::wstring FileVersion(const std::wstring& path) {
  static HMODULE dll = ::LoadLibraryW(L"version.dll");
  using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
  using InfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
  using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
  SizeFn size = nullptr;
  InfoFn info = nullptr;
  QueryFn query = nullptr;
  if (!Bind(dll, "GetFileVersionInfoSizeW", size) || !Bind(dll, "GetFileVersionInfoW", info) ||
      !Bind(dll, "VerQueryValueW", query) || !size || !info || !query)
    return {};
  DWORD ignored = 0, bytes = size(path.c_str(), &ignored);
  if (!bytes) return {};
  std::vector<char> block(bytes);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!info(path.c_str(), 0, bytes, block.data()) ||
      !query(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
    return {};
  return std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
         std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
         std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
         std::to_wstring(LOWORD(fixed->dwFileVersionLS));
}

class Win32Accessibility : public Accessibility {
 public:
  bool ProgramOf(WindowHandle window, WindowProgram& program) override {
    DWORD pid = 0;
    if (!::GetWindowThreadProcessId(reinterpret_cast<HWND>(window), &pid) || !pid) return false;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return false;
    wchar_t path[MAX_PATH * 2];
    DWORD length = MAX_PATH * 2;
    BOOL named = ::QueryFullProcessImageNameW(process, 0, path, &length);
    ::CloseHandle(process);
    if (!named) return false;
    std::wstring full(path, length);
    program.pid = pid;
    program.executable = full.substr(full.find_last_of(L"\\/") + 1);
    // The version resource is read once per process and program (a process keeps the
    // version it started with, also when an update replaces its file meanwhile).
    std::lock_guard<std::mutex> hold(lock_);
    auto known = versions_.find({pid, full});
    if (known == versions_.end()) {
      if (versions_.size() >= 16) versions_.clear();
      known = versions_.emplace(std::make_pair(pid, full), FileVersion(full)).first;
    }
    program.version = known->second;
    return true;
  }

  AccessResult Root(WindowHandle window, unsigned limitMs, AccessibleElement& root) override {
    root = 0;
    if (!Api().loaded) return AccessResult::Failed;
    auto out = std::make_shared<Outcome>();
    HWND hwnd = reinterpret_cast<HWND>(window);
    DWORD pid = 0;
    if (!::GetWindowThreadProcessId(hwnd, &pid)) return AccessResult::Stale;
    return Finish(pid, limitMs, out, root, [out, hwnd] {
      out->result = FromCode(Api().NodeFromHandle(hwnd, &out->node));
      if (!out->node && out->result == AccessResult::Ok) out->result = AccessResult::Failed;
    });
  }

  AccessResult FindFirst(AccessibleElement start, const ElementCondition& condition,
                         SearchScope scope, unsigned limitMs, AccessibleElement& found) override {
    found = 0;
    if (!start) return AccessResult::Failed;
    auto out = std::make_shared<Outcome>();
    auto from = reinterpret_cast<HUIANODE>(start);
    return Finish(OwnerOf(start), limitMs, out, found, [out, from, condition, scope] {
      out->node = Search(from, condition, scope);
      out->result = out->node ? AccessResult::Ok : AccessResult::NotFound;
    });
  }

  AccessResult Value(AccessibleElement element, unsigned limitMs, std::wstring& value) override {
    value.clear();
    if (!element) return AccessResult::Failed;
    auto out = std::make_shared<Outcome>();
    auto node = reinterpret_cast<HUIANODE>(element);
    // The Value pattern's value; the accessible object's value where a provider has no
    // Value pattern (both are what the browser itself answers).
    bool answered = WorkerOf(OwnerOf(element))
                        .Run(
                            limitMs,
                            [out, node] {
                              out->result = TextProperty(node, kValueValue, out->text);
                              if (out->result == AccessResult::Failed)
                                out->result = TextProperty(node, kLegacyValue, out->text);
                            },
                            nullptr);
    if (!answered) return AccessResult::TimedOut;
    value = out->text;
    return out->result;
  }

  void Release(AccessibleElement element) override {
    if (!element) return;
    auto node = reinterpret_cast<HUIANODE>(element);
    DWORD pid = OwnerOf(element);
    {
      std::lock_guard<std::mutex> hold(lock_);
      owners_.erase(element);
    }
    WorkerOf(pid).Post([node] { Drop(node); });
  }

 private:
  struct Outcome {
    AccessResult result = AccessResult::Failed;
    HUIANODE node = nullptr;
    std::wstring text;
  };
  // Runs a call that makes an element on the program's worker; the element is noted as the
  // program's.
  AccessResult Finish(DWORD pid, unsigned limitMs, const std::shared_ptr<Outcome>& out,
                      AccessibleElement& element, std::function<void()> work) {
    if (!WorkerOf(pid).Run(limitMs, std::move(work), [out] { Drop(out->node); }))
      return AccessResult::TimedOut;
    element = reinterpret_cast<AccessibleElement>(out->node);
    if (element) {
      std::lock_guard<std::mutex> hold(lock_);
      owners_[element] = pid;
    }
    return out->result;
  }
  DWORD OwnerOf(AccessibleElement element) {
    std::lock_guard<std::mutex> hold(lock_);
    auto it = owners_.find(element);
    return it == owners_.end() ? 0 : it->second;
  }
  UiaWorker& WorkerOf(DWORD pid) {
    std::lock_guard<std::mutex> hold(lock_);
    // Workers of programs whose elements are all released go when there are many.
    if (workers_.size() >= 8 && !workers_.count(pid))
      for (auto it = workers_.begin(); it != workers_.end();)
        it = std::any_of(owners_.begin(), owners_.end(),
                         [&](const auto& owner) { return owner.second == it->first; })
                 ? std::next(it)
                 : workers_.erase(it);
    std::unique_ptr<UiaWorker>& worker = workers_[pid];
    if (!worker) worker = std::make_unique<UiaWorker>();
    return *worker;
  }

  std::mutex lock_;
  std::map<DWORD, std::unique_ptr<UiaWorker>> workers_;  // one per program asked
  std::map<AccessibleElement, DWORD> owners_;
  std::map<std::pair<DWORD, std::wstring>, std::wstring> versions_;
};

}  // namespace

std::unique_ptr<Accessibility> NewAccessibility() { return std::make_unique<Win32Accessibility>(); }

}  // namespace zq::win32
