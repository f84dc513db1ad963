// Every internal message number, page command number, menu command, timer and resource
// id of the client, in one place. Pages send the same numbers in their command addresses.
#pragma once
#include "platform/types.h"

namespace zq {

// ---------------------------------------------------------------------------------------
// Messages received by a panel window. wParam and lParam carry heap texts (CommandText.h)
// that the receiver owns.

constexpr unsigned UM_PANEL_SET_SIZE = wm::User + 200;       // 1224: width, height
constexpr unsigned UM_PANEL_SET_BASE_URL = wm::User + 201;   // 1225: page address
constexpr unsigned UM_OPEN_FLOATING_PANEL = wm::User + 202;  // 1226: "title;address"
constexpr unsigned UM_PANEL_COMMAND = wm::User + 203;        // 1227: word, argument
constexpr unsigned UM_PANEL_CLOSE = wm::User + 204;          // 1228
constexpr unsigned UM_PANEL_SET_SLIDE = wm::User + 205;      // 1229: "1" or "2"
constexpr unsigned UM_PANEL_TOGGLE_SLIDE = wm::User + 206;   // 1230
constexpr unsigned UM_PANEL_SHOW_SETTING = wm::User + 207;   // 1231: key, element id
constexpr unsigned UM_PANEL_STORE_SETTING = wm::User + 208;  // 1232: key, value
constexpr unsigned UM_PANEL_SHOW_LAST_URL = wm::User + 211;  // 1235: element id
constexpr unsigned UM_PANEL_MOVE_RIGHT = wm::User + 213;     // 1237
// Posted by a panel's slide and resize threads to the panel itself: make the moves they
// queued. Carries no texts (any it is given are freed) and is not a page command.
constexpr unsigned UM_PANEL_APPLY_PLACEMENT = wm::User + 214;  // 1238

// ---------------------------------------------------------------------------------------
// Messages received by the controller (UM_PANEL_COMMAND above as well).

constexpr unsigned UM_STATUS_MESSAGE = wm::User + 100;        // 1124: heap text, 0
constexpr unsigned UM_TRAY_ICON_CONTROL = wm::User + 110;     // 1134: action, argument
constexpr unsigned UM_ASSIGN_PANEL = wm::User + 111;          // 1135: registry record
constexpr unsigned UM_CLOSE_PANEL = wm::User + 112;           // 1136: registry record
constexpr unsigned UM_SHOW_STATUS_WINDOW = wm::User + 113;    // 1137
constexpr unsigned UM_SHOW_NOTIFY_PAGE = wm::User + 209;      // 1233: panel, link record
constexpr unsigned UM_SETTING_STORED = wm::User + 210;        // 1234: key, value copies
constexpr unsigned UM_PANEL_DESTROYED = wm::User + 212;       // 1236: panel object
constexpr unsigned UM_NOTIFICATION_CLICKED = wm::User + 300;  // 1324

// Actions of UM_TRAY_ICON_CONTROL (wParam).
constexpr WParam TRAY_ACTION_START_ANIMATION = 0;  // lParam: duration in seconds
constexpr WParam TRAY_ACTION_END_ANIMATION = 1;
constexpr WParam TRAY_ACTION_CHANGE_ICON = 2;     // lParam: icon resource id
constexpr WParam TRAY_ACTION_CHANGE_TOOLTIP = 3;  // lParam: heap text, freed by the receiver
constexpr WParam TRAY_ACTION_LEFT_CLICK = 4;      // sent by the tray; no effect

// ---------------------------------------------------------------------------------------
// Other messages.

// The shell's callback to the tray icon's window: wParam icon id, lParam mouse message.
constexpr unsigned UM_TRAYICON_CALLBACK = wm::App + 10;  // 0x800A
// Name of the message the shell broadcasts when the taskbar is re-created.
constexpr const wchar_t* TASKBAR_CREATED_MESSAGE_NAME = L"TaskbarCreated";

// Notification codes of WM_NOTIFY sent by a browser host to its parent window.
constexpr unsigned BROWSER_NOTIFY_BEFORE_NAVIGATE2 = 0;
constexpr unsigned BROWSER_NOTIFY_DOCUMENT_COMPLETE = 1;
constexpr unsigned BROWSER_NOTIFY_DOWNLOAD_BEGIN = 2;
constexpr unsigned BROWSER_NOTIFY_PROGRESS_CHANGE = 3;
constexpr unsigned BROWSER_NOTIFY_DOWNLOAD_COMPLETE = 4;
constexpr unsigned BROWSER_NOTIFY_NAVIGATE_COMPLETE2 = 5;
constexpr unsigned BROWSER_NOTIFY_STATUS_TEXT_CHANGE = 6;
constexpr unsigned BROWSER_NOTIFY_TITLE_CHANGE = 7;

// ---------------------------------------------------------------------------------------
// Menu commands (WM_COMMAND ids).

// Tray menu, received by the controller.
constexpr unsigned ID_APP_ABOUT = 57664;             // "About ZephquillHub..."
constexpr unsigned ID_SEND_FEEDBACK = 32782;         // "Send Feedback..."
constexpr unsigned ID_SHARE_MY_LOCATION = 32783;     // "Share My Location"
constexpr unsigned ID_WHERE_ARE_MY_FRIENDS = 32784;  // default item while enabled
constexpr unsigned ID_MY_EVENTS = 32785;             // "My Events..."
constexpr unsigned ID_MY_SETTINGS = 32786;           // "My Settings..."
constexpr unsigned ID_MY_FRIENDS = 32787;            // "My Friends..."
constexpr unsigned ID_DISABLE_ENABLE = 32775;        // "Disable"/"Enable"; default while disabled
constexpr unsigned ID_APP_EXIT = 57665;              // "Exit"

// Drill-down menu of a panel ("&Drilldown As").
constexpr unsigned ID_DRILLDOWN_PRODUCT = 32777;
constexpr unsigned ID_DRILLDOWN_PERSON = 32778;
constexpr unsigned ID_DRILLDOWN_COMPANY = 32779;
constexpr unsigned ID_DRILLDOWN_OTHER = 32780;

// Controls of the connectivity status window.
constexpr unsigned IDC_STATUS_OK = 1;
constexpr unsigned IDC_STATUS_MORE_DETAILS = 1000;
constexpr unsigned IDC_STATUS_MESSAGES = 1001;
constexpr unsigned IDC_STATUS_CLEAR_MESSAGES = 1009;

// Control id of the web-browser control inside a host, and of a host made over a window.
constexpr unsigned IDC_BROWSER_CONTROL = 0xE900;  // 59648

// ---------------------------------------------------------------------------------------
// Timers.

constexpr unsigned CONTROLLER_TIMER_ID = 13176;  // 0x3378, the controller's tick
constexpr unsigned CONTROLLER_TIMER_ENABLED_MS = 1000;
constexpr unsigned CONTROLLER_TIMER_DISABLED_MS = 10000;
constexpr unsigned TRAY_ANIMATION_TIMER_ID = 4567;  // on the tray icon's window
constexpr unsigned NOTIFIER_TIMER_APPEAR = 1;       // notifier popup sliding out
constexpr unsigned NOTIFIER_TIMER_STAY = 2;         // notifier popup waiting
constexpr unsigned NOTIFIER_TIMER_DISAPPEAR = 3;    // notifier popup sliding back

// ---------------------------------------------------------------------------------------
// Resources of the executable.

// Dialog templates.
constexpr unsigned IDD_CLIENT_DIALOG = 102;  // the controller (never shown)
constexpr unsigned IDD_STATUS_DIALOG = 137;  // "Connectivity Status Information"

// Registration scripts (resource type "REGISTRY").
constexpr const wchar_t* RT_REGISTRY_NAME = L"REGISTRY";
constexpr unsigned IDR_REGISTRY_APP = 103;
constexpr unsigned IDR_REGISTRY_CLASS = 104;

// Id 128 names the main icon, the controller's menu and the application-name string.
constexpr unsigned IDR_MAINFRAME = 128;
constexpr unsigned IDI_MAIN = 128;      // the controller window's large and small icon
constexpr unsigned IDS_APP_NAME = 128;  // "Zephquill"; also the instance guard's name
constexpr unsigned IDS_TRAY_TOOLTIP = 61455;

// Menus. The tray menu's id is also the tray icon's id.
constexpr unsigned IDR_TRAY_MENU = 130;
constexpr unsigned TRAY_ICON_ID = 130;
constexpr unsigned IDR_DRILLDOWN_MENU = 181;

// Tray pictures.
constexpr unsigned IDI_TRAY_SHARING = 194;      // enabled, sharing the location (initial)
constexpr unsigned IDI_TRAY_DISABLED = 196;     // disabled by the user
constexpr unsigned IDI_TRAY_UNREACHABLE = 197;  // disabled, service unreachable
constexpr unsigned IDI_TRAY_NOT_SHARING = 198;  // enabled, not sharing the location
constexpr unsigned IDI_TRAY_ANIM_FIRST = 146;   // animation frames, first to last
constexpr unsigned IDI_TRAY_ANIM_LAST = 147;

// Bitmaps.
constexpr unsigned IDB_SPLASH = 176;
constexpr unsigned IDB_NOTIFIER_SKIN = 178;

// Built-in HTML pages (resource type RT_HTML).
constexpr unsigned RT_HTML_TYPE = 23;
constexpr unsigned IDR_HTML_UNREACHABLE = 179;  // servers cannot be reached
constexpr unsigned IDR_HTML_DISABLED = 180;     // the client is disabled
constexpr unsigned IDR_HTML_LOADING = 182;      // "Please wait..."

}  // namespace zq
