// Fake web browsers on the simulated desktop: Firefox, Internet Explorer 6 and 7 and folder
// windows, with their windows, Firefox's DDE server and their entries in the shell's list.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dde.h"
#include "platform/shell_windows.h"

namespace zq::sim {

class Desktop;

// Chromium: a Chromium-based browser of today (Chrome, Edge, Brave, Opera, Vivaldi), told
// apart by its program; Gecko: current Firefox. Both draw their own frame and are read
// through their accessibility tree (sim_accessibility.h), not DDE or the shell's list.
enum class FakeKind { Firefox, IE6, IE7, Folder, Chromium, Gecko };

// How Firefox's DDE server treats a request while this browser is the most recent one.
enum class DdeMode {
  Answer,       // "URL","title",""
  Silent,       // never answers: the request waits for its whole time-out
  NoSeparator,  // answers with the quoted URL alone
};

// How a folder window appears in the shell's list.
enum class FolderMode {
  FolderView,  // a browser object whose document is no HTML document
  NoBrowser,   // an item without a browser interface
  NoDocument,  // a browser object without a document
};

// One page: a Firefox window's, an Internet Explorer 6 window's or one tab's.
struct FakeTab {
  std::wstring url, title;
  WindowHandle tab = 0;   // IE7: the "TabWindowClass" window; else the frame
  WindowHandle view = 0;  // IE: the "Shell DocObject View"; Firefox: the content window
  std::uint64_t id = 0;   // identity in the shell's list
};

struct FakeBrowser {
  std::string name;
  FakeKind kind = FakeKind::Firefox;
  WindowHandle frame = 0;
  std::vector<FakeTab> tabs;  // always one but for IE7
  size_t active = 0;          // index into tabs
  DdeMode dde = DdeMode::Answer;
  FolderMode folder = FolderMode::FolderView;
  std::uint64_t lastActive = 0;  // order of opening and focusing (Firefox's "most recent")
  // Today's browsers: the program that runs the window and its accessibility tree's state.
  std::wstring program, version;  // "chrome.exe", "138.0.7204.97"
  unsigned answerMs = 0;          // virtual time each accessibility call takes
  bool treeEmpty = false;         // the tree stays empty until the window is focused again
  std::uint64_t generation = 1;   // bumped when the browser rebuilds its elements
  bool IsToday() const { return kind == FakeKind::Chromium || kind == FakeKind::Gecko; }
};

// A stand-in for one of today's browsers: the scenario's word for it, its executable, the
// end of its frame's title, the version of its executable, and its kind.
struct TodayProgramInfo {
  const char* word;
  const wchar_t* program;
  const wchar_t* titleSuffix;
  const wchar_t* version;
  FakeKind kind;
};
// By executable ("chrome.exe") or by word ("chrome"); null when there is no such stand-in.
const TodayProgramInfo* TodayProgram(const std::wstring& program);
const TodayProgramInfo* TodayProgramByWord(const std::string& word);
// What the browser shows in its address bar for `url`: Chromium-based ones hide "https://"
// and "http://", current Firefox hides "https://" only.
std::wstring ShownAddress(FakeKind kind, const std::wstring& url);

// A component call that the scenario makes fail: step name and code.
//   create count item browser document htmldocument serviceprovider shellbrowser window
//   title url parentwindow navigator appversion
// A step may also be made to succeed with nothing (code 0), for example "appversion".
struct ShellFault {
  HResult code = hr::Fail;
};

// The fake browsers of one desktop. Their windows belong to a simulated process of their
// own ("browsers"), started with the first browser and ended with the last.
class SimBrowsers {
 public:
  explicit SimBrowsers(Desktop& d);
  ~SimBrowsers();

  // Each returns false when the name is unknown (or, for Open, already taken) or the
  // action does not fit the browser's kind. Opening focuses the new window.
  bool Open(const std::string& name, FakeKind kind, const std::wstring& url,
            const std::wstring& title, Rect rect = Rect{100, 80, 1000, 760},
            const std::wstring& program = std::wstring());
  // Today's browsers (sim_today_browsers.cpp). Minimise takes the window out of the
  // foreground; Restore brings it back and focuses it. Update installs a new version of the
  // program (its elements go stale); Rebuild renews the elements alone. Answer sets the
  // virtual time that each accessibility call takes; EmptyTree empties the tree until the
  // window is focused again.
  bool OpenToday(const std::string& name, const std::string& word, const std::wstring& url,
                 const std::wstring& title, Rect rect = Rect{100, 80, 1000, 760});
  bool Minimize(const std::string& name);
  bool Restore(const std::string& name);
  bool Update(const std::string& name, const std::wstring& version);
  bool Rebuild(const std::string& name);
  bool Answer(const std::string& name, unsigned ms);
  bool EmptyTree(const std::string& name);
  bool OpenFolder(const std::string& name, FolderMode mode, Rect rect = Rect{150, 120, 800, 600});
  bool Focus(const std::string& name);
  // No window in the foreground (the user clicked the desktop).
  void Unfocus();
  bool Navigate(const std::string& name, const std::wstring& url, const std::wstring& title);
  bool Retitle(const std::string& name, const std::wstring& title);        // the page's title
  bool SetFrameTitle(const std::string& name, const std::wstring& title);  // the raw caption
  bool Move(const std::string& name, const Rect& rect);
  bool Close(const std::string& name);
  bool SetDde(const std::string& name, DdeMode mode);
  // IE7 tabs, numbered from 1. A new tab becomes the active one.
  bool AddTab(const std::string& name, const std::wstring& url, const std::wstring& title);
  bool ActivateTab(const std::string& name, size_t number);
  bool NavigateTab(const std::string& name, size_t number, const std::wstring& url,
                   const std::wstring& title);
  bool CloseTab(const std::string& name, size_t number);

  // The shell's component calls that fail (see ShellFault); Clear with an empty step
  // clears all of them.
  void SetFault(const std::string& step, HResult code) { faults_[step] = ShellFault{code}; }
  void ClearFault(const std::string& step);
  const ShellFault* Fault(const std::string& step) const;

  FakeBrowser* Find(const std::string& name);
  FakeBrowser* ByFrame(WindowHandle frame);
  const std::vector<std::unique_ptr<FakeBrowser>>& All() const { return browsers_; }
  // The Firefox window that DDE speaks for: the one opened or focused last.
  FakeBrowser* MostRecentFirefox();
  std::uint32_t Pid() const { return pid_; }
  // Dump lines "browser.NAME....", in opening order.
  std::vector<std::string> Dump();

  // The shell's list in order: browser and tab index per item.
  struct ListItem {
    FakeBrowser* browser;
    size_t tab;
  };
  std::vector<ListItem> ShellList();

 private:
  WindowHandle NewWindow(const std::wstring& cls, const std::wstring& title, Rect rect,
                         WindowHandle parent, bool visible);
  void EnsureProcess();
  void EndProcessIfIdle();
  void UpdateFrame(FakeBrowser& b);
  void MakeTodayWindows(FakeBrowser& b, FakeTab& page, Rect rect);
  void LayOut(FakeBrowser& b);
  FakeTab MakeIe7Tab(FakeBrowser& b, const std::wstring& url, const std::wstring& title);
  void ShowActiveTab(FakeBrowser& b);

  Desktop& d_;
  std::vector<std::unique_ptr<FakeBrowser>> browsers_;
  std::map<std::string, ShellFault> faults_;
  std::uint32_t pid_ = 0;
  std::uint32_t thread_ = 0;
  bool quit_ = false;
  std::uint64_t stamp_ = 0;
  std::uint64_t nextTabId_ = 1;
};

class SimDde : public Dde {
 public:
  explicit SimDde(Desktop& d) : d_(d) {}
  std::optional<std::string> Request(const std::wstring& service, const std::wstring& topic,
                                     const std::wstring& item, unsigned timeoutMs) override;
  std::wstring FromAnsi(const std::string& bytes) override;

 private:
  Desktop& d_;
};

// The shell's list as component calls on the fake browsers. Objects are numbered; the
// count of live references shows whether the caller released everything it took.
class SimShellWindows : public ShellWindows {
 public:
  explicit SimShellWindows(Desktop& d);
  ~SimShellWindows() override;

  ShellObjectAnswer CreateCollection() override;
  ShellCountAnswer Count(ShellObject collection) override;
  ShellObjectAnswer Item(ShellObject collection, long index) override;
  ShellObjectAnswer QueryBrowser(ShellObject item) override;
  ShellObjectAnswer Document(ShellObject browser) override;
  ShellObjectAnswer QueryHtmlDocument(ShellObject document) override;
  ShellObjectAnswer QueryServiceProvider(ShellObject browser) override;
  ShellObjectAnswer QueryShellBrowser(ShellObject serviceProvider) override;
  ShellWindowAnswer OleWindow(ShellObject oleWindow) override;
  ShellTextAnswer DocumentTitle(ShellObject htmlDocument) override;
  ShellTextAnswer DocumentUrl(ShellObject htmlDocument) override;
  ShellObjectAnswer ParentWindow(ShellObject htmlDocument) override;
  ShellObjectAnswer Navigator(ShellObject htmlWindow) override;
  ShellTextAnswer AppVersion(ShellObject navigator) override;
  void Release(ShellObject object) override;
  std::string ToAnsi(const std::wstring& text) override;

  SimBrowsers& Browsers() { return *browsers_; }
  // References handed out and not yet released.
  size_t LiveObjects() const { return objects_.size(); }

 private:
  enum class Kind {
    Collection,
    Item,
    Browser,
    FolderView,
    Document,
    ServiceProvider,
    ShellBrowser,
    HtmlWindow,
    Navigator
  };
  struct Object {
    Kind kind;
    std::uint64_t tabId = 0;  // which page of which browser (0 for the collection)
  };
  ShellObjectAnswer Make(Kind kind, std::uint64_t tabId);
  const Object* Get(ShellObject object, Kind kind) const;
  // The browser and page an object stands for, when they still exist.
  bool Resolve(std::uint64_t tabId, FakeBrowser*& browser, FakeTab*& tab);
  // A fault set for the step: its code, or nothing.
  const ShellFault* Fault(const char* step) const;

  Desktop& d_;
  std::unique_ptr<SimBrowsers> browsers_;
  std::map<ShellObject, Object> objects_;
  ShellObject next_ = 0x5000;
};

// The fake browsers of a desktop.
SimBrowsers& Browsers(Desktop& d);

// Text in the simulated desktop's ANSI code page (Latin-1); what it lacks becomes '?'.
std::string Latin1(const std::wstring& text);

}  // namespace zq::sim
