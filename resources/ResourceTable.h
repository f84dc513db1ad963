// The client's resources as portable data: the string table, the menus, the icon ids and
// the pictures. The simulated desktop serves them; the Windows build compiles the same
// content from resources/client.rc.
#pragma once
#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/resources.h"

namespace zq::resources {

const std::map<unsigned, std::wstring>& Strings();
std::optional<Menu> MenuById(unsigned id);
const std::set<unsigned>& IconIds();
std::optional<Bitmap> BitmapById(unsigned id);
std::optional<std::string> Raw(const std::wstring& type, unsigned id);

}  // namespace zq::resources
