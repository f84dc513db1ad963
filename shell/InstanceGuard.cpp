// The single-instance guard: the mutex named after the product, and the window class of
// the same name through which a second start finds the first.
#include "shell/InstanceGuard.h"

#include "platform/platform.h"

namespace zq {

CInstanceGuard::~CInstanceGuard() {
  Platform* p = CurrentPlatform();
  if (!p) return;
  if (classRegistered_) p->windows().UnregisterClass(name_);
  if (mutex_) p->mutexes().Close(mutex_);
}

bool CInstanceGuard::Acquire(unsigned stringId) {
  Platform& p = Plat();
  if (auto text = p.resources().String(stringId)) name_ = text->substr(0, text->find(L'\n'));
  name_ += L" Class";
  bool existed = false;
  mutex_ = p.mutexes().Create(name_, existed);
  if (existed) {
    // The handle stays open for the short rest of this process; the other instance owns
    // the name.
    mutex_ = 0;
    WindowHandle other = p.windows().FindWindow(0, 0, name_, L"");
    if (other) {
      p.windows().Show(other, sw::Restore);
      p.windows().BringToTop(other);
      p.windows().SetForeground(other);
    }
    return false;
  }
  WindowClass guardClass = WindowClass::ArrowOnWindowColor(
      name_, WindowClass::VRedraw | WindowClass::HRedraw | WindowClass::DblClks);
  guardClass.iconId = stringId;
  if (!p.windows().RegisterClass(guardClass)) {
    p.windows().MessageBox(0, L"Failed to register window class!", name_, mb::IconError);
    return false;
  }
  classRegistered_ = true;
  return true;
}

}  // namespace zq
