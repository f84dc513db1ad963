// Fuzz target of the remembered-rectangle reader: any text as the stored value; a value
// that reads must read back the same after it is stored again.
#include "app/ErrorReport.h"
#include "fuzz/FuzzSupport.h"
#include "panel/PanelGeometry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zqfuzz::BoundPlatform();
  const std::wstring text = zqfuzz::Widen(data, size);
  zq::Rect r;
  try {
    r = zq::PanelGeometry::ParseRemembered(text);
  } catch (const zq::ComError&) {
    return 0;  // refused: the caller keeps its default rectangle
  }
  const std::wstring stored = zq::PanelGeometry::FormatRemembered(r);
  const zq::Rect again = zq::PanelGeometry::ParseRemembered(stored);
  zqfuzz::Require(again == r);
  return 0;
}
