// The simulated web-browser control: records navigations and written documents and lets a
// scenario act as the page.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/web_control.h"

namespace zq::sim {

class Desktop;
struct NetAnswer;

// The document a control shows: its address and title, the text written into it since it
// was last opened, and its elements by id (made by the page, text settable by both sides).
struct SimDocumentState {
  std::wstring url;
  std::wstring title;
  std::wstring written;
  std::map<std::wstring, std::wstring> elements;
  std::vector<std::wstring> frames;  // the address each frame inside it loaded, in order
  int writtenRecord = -1;            // index into the control's writes while a written text grows
};

// One navigation the control was asked for, by whom and how it ended.
struct SimNavigation {
  std::wstring url;
  std::string by;       // "client", "page", "frame" or "frame script" (a frame's top.location)
  std::string outcome;  // "pending", "loaded", "cancelled", "failed 404", "stopped", ...
};

struct SimWebControlRecord {
  int index = 0;  // 1-based, in creation order over the whole desktop
  std::uint32_t pid = 0;
  std::uint32_t thread = 0;
  WindowHandle host = 0;
  WindowHandle window = 0;
  unsigned controlId = 0;
  WebControlEvents* sink = nullptr;  // null once the client released the control
  bool released = false;
  bool quit = false;
  bool silent = false;
  bool offline = false;
  bool dropTarget = true;
  int refreshes = 0;
  std::wstring location;
  std::shared_ptr<SimDocumentState> document;
  std::optional<size_t> pending;  // the navigation now loading (index into navigations)
  std::vector<SimNavigation> navigations;
  std::vector<std::wstring> writes;           // each document the client wrote, in full
  std::deque<std::function<void()>> actions;  // run one per posted message, on the owner
  // A top-level load answered by a real server behind the network: what it brought,
  // delivered once its fixed virtual delay has passed (the control's load timer).
  struct LiveLoad {
    size_t navigation = 0;     // index into navigations
    std::int32_t failure = 0;  // 0: the document loads; else the error it fails with
    std::wstring title;        // the document's <title>
    std::map<std::wstring, std::wstring> elements;
  };
  std::optional<LiveLoad> live;
};

class SimWebControls : public WebControls {
 public:
  explicit SimWebControls(Desktop& d);
  ~SimWebControls() override;

  std::unique_ptr<WebControl> Create(WindowHandle host, const Rect& rect, std::uint32_t style,
                                     unsigned controlId, WebControlEvents& sink) override;

  // Switches, desktop-wide, for controls made from then on (failCreate) or at once.
  bool failCreate = false;   // no HTML engine: every creation fails
  bool noDocuments = false;  // controls exist but never load a document
  bool autoLoad = false;     // every top-level load completes by itself

  // The scenario as the page of control `index`. Each action runs on the control's owner
  // thread when it next handles messages; false when the control cannot take it (unknown,
  // released, or its window gone). Top-level navigations stay pending until completed
  // (about:blank and, with autoLoad, every address complete by themselves).
  bool Navigate(int index, const std::wstring& url);
  // A frame navigates itself; once loaded, the document holds a frame showing `url`.
  bool FrameNavigate(int index, const std::wstring& url);
  // A script in one of the document's frames navigates the top level (top.location): the
  // control raises a top-level BeforeNavigate2, as for the page's own script.
  bool FrameNavigateTop(int index, const std::wstring& url);
  bool Complete(int index, const std::wstring& title);
  bool Fail(int index, std::int32_t status);
  bool FrameFail(int index, std::int32_t status, const std::wstring& url);
  // Creates or changes an element of the current document at once; false without one.
  bool SetElement(int index, const std::wstring& id, const std::wstring& text);

  SimWebControlRecord* Control(int index);
  // The newest control whose host or own window is `window`, or whose host lies inside
  // `window`; null when none.
  SimWebControlRecord* ControlIn(WindowHandle window);
  const std::vector<std::unique_ptr<SimWebControlRecord>>& Controls() const { return controls_; }
  // Dump lines, "web.NN..." per control.
  std::vector<std::string> Dump() const;

  // Called by the pieces of the simulated control (not by the client).
  void StartNavigation(SimWebControlRecord& c, const std::wstring& url, const std::string& by);
  void RunNextAction(SimWebControlRecord& c);
  void Trace(const SimWebControlRecord& c, const std::string& text);

 private:
  class ControlWindow;
  bool Queue(int index, std::function<void(SimWebControlRecord&)> action);
  void FinishLoad(SimWebControlRecord& c, const std::wstring& title);
  void FailLoad(SimWebControlRecord& c, std::int32_t status);
  void StartLiveLoad(SimWebControlRecord& c, size_t navigation, const NetAnswer& answer);
  void DeliverLiveLoad(SimWebControlRecord& c);

  Desktop& d_;
  std::vector<std::unique_ptr<SimWebControlRecord>> controls_;
  std::unique_ptr<ControlWindow> windowHandler_;
};

}  // namespace zq::sim
