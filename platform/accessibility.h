// The accessibility seam: what a window's program is, and a few narrow reads of another
// program's UI Automation tree (its root, one bounded search, one element's value).
#pragma once
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace zq {

// An element of another program's tree, held by the caller until Release. 0: none.
using AccessibleElement = std::uintptr_t;

// How a call ended. Every call can fail; none throws.
enum class AccessResult {
  Ok,
  NotFound,  // the search ended without a match (also: a tree that is still empty)
  Stale,     // the element no longer exists in its program (rebuilt, closed, updated)
  Failed,    // the program or the system refused the call
  TimedOut,  // no answer within the limit; the call goes on unseen and is dropped
};

// UI Automation control types (UIA_*ControlTypeId) that the client looks for.
namespace uia {
constexpr int AnyControl = 0, Button = 50000, Edit = 50004, Pane = 50033, ToolBar = 50021,
              Window = 50032, Group = 50026, Document = 50030, Tab = 50018, TabItem = 50019;
}

// What a match must have; empty texts and AnyControl match anything. Texts compare whole
// and case-sensitive.
struct ElementCondition {
  int controlType = uia::AnyControl;
  std::wstring automationId;
  std::wstring className;
  std::wstring name;
};

// How far a search may go below its start: levels below it, and elements looked at.
struct SearchScope {
  unsigned maxDepth = 1;
  unsigned maxElements = 64;
};

// The program that runs a window: its process, its executable's file name (no folder, as
// the file system spells it) and its file version ("138.0.7204.97"; empty when it has none).
struct WindowProgram {
  std::uint32_t pid = 0;
  std::wstring executable;
  std::wstring version;
};

// Calls that reach into another program run on a worker of that program's and wait at most
// `limitMs` for its answer. While one call that timed out is still under way in a program,
// further ones into it answer TimedOut at once: a program that never answers costs one
// waiting worker, not one per call, and holds up no other program. Any thread.
class Accessibility {
 public:
  virtual ~Accessibility() = default;
  // False when the window is gone or its process cannot be asked.
  virtual bool ProgramOf(WindowHandle window, WindowProgram& program) = 0;
  // The element that stands for a top-level window.
  virtual AccessResult Root(WindowHandle window, unsigned limitMs, AccessibleElement& root) = 0;
  // The first element below `start` (start itself excluded), in document order within
  // `scope`, that meets `condition`.
  virtual AccessResult FindFirst(AccessibleElement start, const ElementCondition& condition,
                                 SearchScope scope, unsigned limitMs, AccessibleElement& found) = 0;
  // The element's Value pattern value, into `value` (its storage reused).
  virtual AccessResult Value(AccessibleElement element, unsigned limitMs, std::wstring& value) = 0;
  // Lets go of an element (0 is ignored). Never reaches into the program.
  virtual void Release(AccessibleElement element) = 0;
};

}  // namespace zq
