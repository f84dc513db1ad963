// Linked only into ZephquillClientTest.exe, the client that the end-to-end tests drive:
// its web controls accept addresses from the tests, as a page's script would navigate.
#include "platform/win32/win32_backend.h"

namespace {

struct AcceptTestNavigations {
  AcceptTestNavigations() { zq::win32::acceptTestNavigations = true; }
} accept;

}  // namespace
