// Simulated Internet Explorer application objects: a visible one opens a fake Internet
// Explorer window that shows its address; a hidden one loads its page from the network.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ie_app.h"

namespace zq::sim {

class Desktop;
struct SimDocumentState;

// One application object as the desktop keeps it, also after the client released it.
struct SimIEAppRecord {
  int index = 0;  // 1-based, in creation order over the whole desktop
  std::uint32_t pid = 0;
  bool visible = false, statusBar = false, toolBar = false, menuBar = false;
  bool fullScreen = false, offline = false;
  bool released = false;      // the client dropped its reference
  bool quit = false;          // told to close (a hidden instance that is not told keeps running)
  std::string browser;        // the fake browser that shows it while visible ("ieappN")
  std::wstring url;           // the last address it was asked to load
  std::uint64_t readyAt = 0;  // virtual time at which the load's document appears
  bool loading = false;       // a load whose document has not appeared yet
  bool silent = false;        // the load never ends
  std::shared_ptr<SimDocumentState> document;
  std::shared_ptr<SimDocumentState> next;  // the document the load will show
};

class SimIEApplications : public IEApplications {
 public:
  explicit SimIEApplications(Desktop& d);
  ~SimIEApplications() override;

  HResult Create(bool run, std::unique_ptr<IEApplication>& application) override;

  // A failing code that every creation answers from then on (0: creations succeed).
  HResult failCreate = 0;
  // Virtual milliseconds between a navigation and its document.
  unsigned loadMs = 250;

  const std::vector<std::unique_ptr<SimIEAppRecord>>& Records() const { return records_; }
  // Hidden instances that were never told to quit: still running somewhere.
  int RunningHidden() const;
  // Dump lines "ieapp....": the count, and the newest 20 objects.
  std::vector<std::string> Dump() const;

  // Called by the objects.
  Desktop& desktop() { return d_; }
  void Trace(const SimIEAppRecord& r, const std::string& text);

 private:
  Desktop& d_;
  std::vector<std::unique_ptr<SimIEAppRecord>> records_;
};

}  // namespace zq::sim
