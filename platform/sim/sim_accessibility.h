// The accessibility seam on the simulated desktop: the trees of the stand-ins for today's
// browsers, shaped as the real ones expose them, with their traps (stale, empty, slow).
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/accessibility.h"

namespace zq::sim {

class Desktop;
struct FakeBrowser;

// One element of a stand-in's tree. The address bar's value and the tabs' names are read
// from the browser as it is now.
struct AccessNode {
  enum class Role { Plain, Address, Tab };
  int parent = -1;
  std::vector<int> children;
  int controlType = 0;
  std::wstring automationId, className, name;
  Role role = Role::Plain;
  size_t tab = 0;
};

class SimAccessibility : public Accessibility {
 public:
  explicit SimAccessibility(Desktop& d) : d_(d) {}

  bool ProgramOf(WindowHandle window, WindowProgram& program) override;
  AccessResult Root(WindowHandle window, unsigned limitMs, AccessibleElement& root) override;
  AccessResult FindFirst(AccessibleElement start, const ElementCondition& condition,
                         SearchScope scope, unsigned limitMs, AccessibleElement& found) override;
  AccessResult Value(AccessibleElement element, unsigned limitMs, std::wstring& value) override;
  void Release(AccessibleElement element) override;

  // Elements in each stand-in's page (a real page's tree holds hundreds to thousands).
  unsigned contentElements = 600;
  // Searches traced as they happen (off for benchmarks).
  bool traceSearches = true;
  // Counted over the desktop's life: searches made, elements they looked at, values read.
  std::uint64_t searches = 0, visited = 0, reads = 0;

  size_t LiveElements() const { return elements_.size(); }
  // Dump lines "access....".
  std::vector<std::string> Dump() const;

 private:
  using Node = AccessNode;
  using Role = AccessNode::Role;
  struct Tree {
    std::uint64_t generation = 0;
    size_t tabs = 0;
    std::vector<Node> nodes;
  };
  struct Ref {
    WindowHandle frame = 0;
    std::uint64_t generation = 0;
    int node = 0;
  };

  // The browser's tree as it is now, rebuilt when its elements or its tabs changed.
  Tree& TreeOf(const FakeBrowser& b);
  // The wait of one call into the browser against `limitMs`; false when it timed out.
  bool Call(const std::string& name, unsigned answerMs, unsigned limitMs);
  // The browser and node of a held element; Stale when either is gone or renewed.
  AccessResult Resolve(AccessibleElement element, FakeBrowser*& browser, int& node);
  // Resolves the element, lets its browser take its time to answer within limitMs, and
  // resolves it again, since the browser may have changed while it answered.
  AccessResult Reach(AccessibleElement element, unsigned limitMs, FakeBrowser*& browser, int& node);
  bool Matches(const FakeBrowser& b, const Node& n, const ElementCondition& c) const;
  AccessibleElement Hand(WindowHandle frame, std::uint64_t generation, int node);

  Desktop& d_;
  std::map<WindowHandle, Tree> trees_;
  std::map<AccessibleElement, Ref> elements_;
  AccessibleElement next_ = 0xA0000;
  // Per browser: a call that timed out is under way in it until then.
  std::map<std::string, std::uint64_t> busyUntil_;
};

}  // namespace zq::sim
