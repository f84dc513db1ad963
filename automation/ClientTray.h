// The automation class ClientTray: the fixed identifiers that its registration, its type
// library and its class object share.
#pragma once

namespace zq {

// Fixed identifiers of the automation server; the registration scripts (resources 103,
// 104) carry the same texts, and the class id is that of the Windows class object
// (platform/win32/win32_com_server.h).
inline constexpr const wchar_t* kClsidClientTray = L"{6F1C2B9E-4D3A-4E8B-9C51-2A7E0D4B8F13}";
inline constexpr const wchar_t* kAppIdClient = L"{C3A1F0D2-7B64-4E85-A9D3-1F2E3D4C5B6A}";
inline constexpr const wchar_t* kLibIdClientLib = L"{8E4D2C1B-6A5F-4B3E-8D7C-9A0B1C2D3E4F}";
inline constexpr const wchar_t* kProgIdClientTray = L"ZephquillClient.ClientTray.1";
inline constexpr const wchar_t* kVersionIndependentProgId = L"ZephquillClient.ClientTray";

}  // namespace zq
