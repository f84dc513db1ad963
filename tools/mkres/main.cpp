// mkres: renders the client's pictures into the files that the resource script includes:
// icon_<id>.ico (16, 32 and 48 pixels) and bitmap_<id>.bmp (24 bits), in one directory.
#include <cstdio>
#include <string>

#include "resources/ResourceTable.h"
#include "tools/mkres/IconArt.h"
#include "tools/mkres/ImageFiles.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mkres OUTPUT_DIRECTORY\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  int failures = 0;
  for (unsigned id : zq::resources::IconIds()) {
    auto style = zq::mkres::StyleForIcon(id);
    if (!style) {
      std::fprintf(stderr, "mkres: no picture for icon %u\n", id);
      ++failures;
      continue;
    }
    std::vector<zq::mkres::RgbaImage> sizes;
    for (int size : {16, 32, 48}) sizes.push_back(zq::mkres::DrawMark(size, *style));
    std::string path = dir + "icon_" + std::to_string(id) + ".ico";
    if (!zq::mkres::WriteFile(path, zq::mkres::IcoFile(sizes))) ++failures;
  }
  for (unsigned id : {176u, 178u}) {
    auto bitmap = zq::resources::BitmapById(id);
    std::string path = dir + "bitmap_" + std::to_string(id) + ".bmp";
    if (!bitmap || !zq::mkres::WriteFile(path, zq::mkres::BmpFile(*bitmap))) {
      std::fprintf(stderr, "mkres: cannot write %s\n", path.c_str());
      ++failures;
    }
  }
  // The built-in HTML pages, byte for byte as the simulated desktop serves them.
  for (unsigned id : {179u, 180u, 182u}) {
    auto page = zq::resources::Raw(L"#23", id);
    std::string path = dir + "page_" + std::to_string(id) + ".htm";
    std::vector<unsigned char> bytes;
    if (page) bytes.assign(page->begin(), page->end());
    if (!page || !zq::mkres::WriteFile(path, bytes)) {
      std::fprintf(stderr, "mkres: cannot write %s\n", path.c_str());
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
