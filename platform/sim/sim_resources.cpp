// The simulated desktop's resources: the client's strings, menus, icons, bitmaps and pages
// from the portable resource table.
#include "platform/sim/sim_desktop.h"
#include "resources/ResourceTable.h"

namespace zq::sim {

namespace {

class SimResources : public Resources {
 public:
  std::optional<std::wstring> String(unsigned id) override {
    auto& t = resources::Strings();
    auto it = t.find(id);
    if (it == t.end()) return std::nullopt;
    return it->second;
  }
  std::optional<Menu> LoadMenu(unsigned id) override { return resources::MenuById(id); }
  IconHandle LoadIcon(unsigned id) override {
    return resources::IconIds().count(id) ? kSimIconBase + id : 0;
  }
  unsigned IconId(IconHandle icon) override {
    return icon > kSimIconBase && icon < kSimIconBase + 0x10000
               ? static_cast<unsigned>(icon - kSimIconBase)
               : 0;
  }
  std::optional<Bitmap> LoadBitmap(unsigned id) override { return resources::BitmapById(id); }
  std::optional<std::string> Raw(const std::wstring& type, unsigned id) override {
    return resources::Raw(type, id);
  }
};

}  // namespace

std::unique_ptr<Resources> NewSimResources() { return std::make_unique<SimResources>(); }

}  // namespace zq::sim
