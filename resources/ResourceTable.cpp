// The client's string table, menus, icon ids and pictures as data.
// Pictures are drawn here in code so that they have one source for every build.
#include "resources/ResourceTable.h"

#include "app/Text.h"

namespace zq::resources {

namespace {

MenuItem Item(unsigned id, const wchar_t* text) {
  MenuItem m;
  m.id = id;
  m.text = text;
  return m;
}

MenuItem Separator() {
  MenuItem m;
  m.separator = true;
  return m;
}

MenuItem Popup(const wchar_t* text, std::vector<MenuItem> items) {
  MenuItem m;
  m.text = text;
  m.popup = std::move(items);
  return m;
}

// A magenta-keyed banner: a rounded card with a darker title band.
Bitmap DrawCard(int width, int height, std::uint32_t body, std::uint32_t band, int bandHeight) {
  Bitmap b;
  b.width = width;
  b.height = height;
  b.pixels.assign(static_cast<size_t>(width) * height, 0xFF00FF);
  const int radius = 12;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int dx = x < radius ? radius - x : (x >= width - radius ? x - (width - radius - 1) : 0);
      int dy = y < radius ? radius - y : (y >= height - radius ? y - (height - radius - 1) : 0);
      if (dx * dx + dy * dy > radius * radius) continue;
      bool edge = x == 0 || y == 0 || x == width - 1 || y == height - 1;
      b.pixels[static_cast<size_t>(y) * width + x] = edge ? 0x202020 : (y < bandHeight ? band : body);
    }
  }
  return b;
}

}  // namespace

const std::map<unsigned, std::wstring>& Strings() {
  static const std::map<unsigned, std::wstring> table = {
      {128, L"Zephquill"},
      {61455, L"Zephquill"},
  };
  return table;
}

std::optional<Menu> MenuById(unsigned id) {
  switch (id) {
    case 128:
      return Menu{Popup(L"&File", {Item(57665, L"E&xit")})};
    case 130:
      return Menu{Popup(L"POPUP", {Item(57664, L"About ZephquillHub..."),
                                   Item(32782, L"Send Feedback..."), Separator(),
                                   Item(32783, L"Share My Location"),
                                   Item(32784, L"Where Are My Friends..."), Separator(),
                                   Item(32787, L"My Friends..."), Item(32785, L"My Events..."),
                                   Item(32786, L"My Settings..."), Separator(),
                                   Item(32775, L"Disable"), Item(57665, L"Exit")})};
    case 181:
      return Menu{Popup(L"Drilldown As",
                        {Item(32777, L"&Product"), Item(32779, L"&Company"),
                         Item(32778, L"P&erson"), Separator(), Item(32780, L"&Other")})};
    default:
      return std::nullopt;
  }
}

const std::set<unsigned>& IconIds() {
  static const std::set<unsigned> ids = {128, 146, 147, 194, 196, 197, 198};
  return ids;
}

std::optional<Bitmap> BitmapById(unsigned id) {
  switch (id) {
    case 176:
      return DrawCard(320, 160, 0xF4F8FF, 0x2C5AA0, 48);
    case 178:
      return DrawCard(204, 155, 0xFFFBEA, 0x3A7BD5, 50);
    default:
      return std::nullopt;
  }
}

std::optional<std::string> Raw(const std::wstring& type, unsigned id) { return std::nullopt; }

}  // namespace zq::resources
