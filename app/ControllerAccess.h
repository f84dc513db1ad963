// The few controller services that the application core needs before or beside the
// controller class itself: settings reads, the owner window and the status-line path.
#pragma once
#include <functional>
#include <string>

#include "platform/types.h"

namespace zq {

class CClientDlg;

// Runs `body` with the controller while there is one, under the application's controller
// lock: the main thread clears the controller there before it deletes it, so a worker
// never meets a controller that is going. False when there is none. Any thread; the body
// must be short, and must neither wait for the main thread nor take the constants' lock.
bool WithController(const std::function<void(CClientDlg&)>& body);

// Reads a key of section "General" of the configuration file under the configuration
// lock; the default when the key is missing. Any thread.
std::wstring ControllerReadSetting(const std::wstring& key, const std::wstring& def);

// The controller's window, or 0 while there is none. Any thread.
WindowHandle ControllerWindow();

// Adds a finished status line (ending in "\r\n") to the status window when it is open;
// drops it otherwise, also when the controller is gone. The line is plain text. Any thread.
void ControllerStatusLine(const std::wstring& line);

}  // namespace zq
