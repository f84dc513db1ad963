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
      b.pixels[static_cast<size_t>(y) * width + x] =
          edge ? 0x202020 : (y < bandHeight ? band : body);
    }
  }
  return b;
}

std::uint32_t Blend(std::uint32_t from, std::uint32_t to, int step, int steps) {
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    int a = static_cast<int>((from >> shift) & 0xFF), b = static_cast<int>((to >> shift) & 0xFF);
    out |= static_cast<std::uint32_t>(a + (b - a) * step / (steps > 0 ? steps : 1)) << shift;
  }
  return out;
}

// The notifier's skin, 204 x 155: a rounded card with a dark edge, a blue title band that
// darkens downwards holding a white speech bubble, two pale title lines and a close mark,
// a light rule under the band and a warm pale body where the text goes (from y = 60).
// Magenta outside the rounded corners is cut away by the popup's region.
Bitmap DrawNotifierCard() {
  const int width = 204, height = 155, radius = 10, band = 50;
  Bitmap b;
  b.width = width;
  b.height = height;
  b.pixels.assign(static_cast<size_t>(width) * height, 0xFF00FF);
  auto inside = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= width || y >= height) return false;
    int dx = x < radius ? radius - x : (x >= width - radius ? x - (width - radius - 1) : 0);
    int dy = y < radius ? radius - y : (y >= height - radius ? y - (height - radius - 1) : 0);
    return dx * dx + dy * dy <= radius * radius;
  };
  auto set = [&](int x, int y, std::uint32_t c) {
    if (inside(x, y)) b.pixels[static_cast<size_t>(y) * width + x] = c;
  };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (!inside(x, y)) continue;
      bool edge = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
      std::uint32_t c = y < band       ? Blend(0x4F8FE6, 0x2458A8, y, band - 1)
                        : y < band + 2 ? 0xA8C4EC
                                       : Blend(0xFFFDF4, 0xF2EAD2, y - band - 2, height - band - 3);
      set(x, y, edge ? 0x1B3766 : c);
    }
  }
  // The speech bubble: a disc with a tail towards the lower left.
  for (int y = 10; y < 44; ++y)
    for (int x = 12; x < 46; ++x) {
      int dx = x - 28, dy = y - 24;
      bool disc = dx * dx + dy * dy <= 182;  // 13.5 pixels
      bool tail = y >= 33 && y < 42 && x >= 17 && x < 25 && (x - 17) + (y - 33) < 9;
      if (disc || tail) set(x, y, 0xFFFFFF);
    }
  // Three dots in the bubble, two title lines and the close mark.
  for (int dot = 0; dot < 3; ++dot)
    for (int y = 23; y < 26; ++y)
      for (int x = 21 + 6 * dot; x < 24 + 6 * dot; ++x) set(x, y, 0x2458A8);
  for (int x = 54; x < 160; ++x)
    for (int y = 17; y < 21; ++y) set(x, y, 0xEAF1FF);
  for (int x = 54; x < 128; ++x)
    for (int y = 27; y < 30; ++y) set(x, y, 0xB4CAEE);
  for (int i = 0; i < 7; ++i) {
    set(184 + i, 10 + i, 0xEAF1FF);
    set(190 - i, 10 + i, 0xEAF1FF);
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
      return Menu{Popup(
          L"POPUP",
          {Item(57664, L"About ZephquillHub..."), Item(32782, L"Send Feedback..."), Separator(),
           Item(32783, L"Share My Location"), Item(32784, L"Where Are My Friends..."), Separator(),
           Item(32787, L"My Friends..."), Item(32785, L"My Events..."),
           Item(32786, L"My Settings..."), Separator(), Item(32775, L"Disable"),
           Item(57665, L"Exit")})};
    case 181:
      return Menu{
          Popup(L"Drilldown As", {Item(32777, L"&Product"), Item(32779, L"&Company"),
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
      return DrawNotifierCard();
    default:
      return std::nullopt;
  }
}

// The built-in HTML pages (type RT_HTML, 23, named "#23"), stored as 8-bit text.
std::optional<std::string> Raw(const std::wstring& type, unsigned id) {
  if (type == L"#23") {
    // Pages 179 and 180 share one frame: the brand centred in white above the message.
    auto framed = [](const std::string& message) {
      return "<html><head><title>ZephquillHub</title></head>\r\n"
             "<body style=\"margin:0;background-color:#8A97B2;font-family:Arial\">\r\n"
             "<table width=\"100%\" height=\"100%\"><tr><td align=\"center\" "
             "valign=\"middle\">\r\n"
             "<div style=\"color:white;font-size:16pt;font-weight:bold\">ZephquillHub</div>\r\n" +
             message + "\r\n</td></tr></table></body></html>\r\n";
    };
    switch (id) {
      case 179:
        return framed(
            "<p>Unable to connect ZephquillHub servers.</p>\r\n"
            "<p>Please check your internet connection.</p>");
      case 180:
        return framed("<p>ZephquillHub is disabled.</p>");
      case 182:
        return std::string(
            "<html><head><title>Zephquill Loading</title></head>\r\n"
            "<body scroll=\"no\" style=\"overflow:hidden;margin:0\" bgcolor=\"#8A97B2\">\r\n"
            "<table width=\"90%\" height=\"90%\"><tr height=\"20\"><td align=\"center\" "
            "style=\"color:white;font-size:10pt\">Please wait...</td></tr></table>\r\n"
            "</body></html>\r\n");
      default:
        return std::nullopt;
    }
  }
  // The automation server's registration scripts: 103 the application, 104 the class.
  // Their text is that of ZephquillClient.rgs and ClientTray.rgs beside this file.
  if (type == L"REGISTRY") {
    if (id == 103)
      return std::string(R"rgs(HKCR
{
	NoRemove AppID
	{
		'{C3A1F0D2-7B64-4E85-A9D3-1F2E3D4C5B6A}' = s 'ZephquillClient'
		'ZephquillClient.EXE'
		{
			val AppID = s '{C3A1F0D2-7B64-4E85-A9D3-1F2E3D4C5B6A}'
		}
	}
}
)rgs");
    if (id == 104)
      return std::string(R"rgs(HKCR
{
	ZephquillClient.ClientTray.1 = s 'ClientTray Class'
	{
		CLSID = s '{6F1C2B9E-4D3A-4E8B-9C51-2A7E0D4B8F13}'
	}
	ZephquillClient.ClientTray = s 'ClientTray Class'
	{
		CLSID = s '{6F1C2B9E-4D3A-4E8B-9C51-2A7E0D4B8F13}'
		CurVer = s 'ZephquillClient.ClientTray.1'
	}
	NoRemove CLSID
	{
		ForceRemove {6F1C2B9E-4D3A-4E8B-9C51-2A7E0D4B8F13} = s 'ClientTray Class'
		{
			ProgID = s 'ZephquillClient.ClientTray.1'
			VersionIndependentProgID = s 'ZephquillClient.ClientTray'
			ForceRemove 'Programmable'
			LocalServer32 = s '%MODULE%'
			val AppID = s '{C3A1F0D2-7B64-4E85-A9D3-1F2E3D4C5B6A}'
			'TypeLib' = s '{8E4D2C1B-6A5F-4B3E-8D7C-9A0B1C2D3E4F}'
		}
	}
}
)rgs");
  }
  return std::nullopt;
}

}  // namespace zq::resources
