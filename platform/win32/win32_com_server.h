// The client's automation class as the Windows backend serves it: its ids, its interface
// with five methods, and the class object (for tests that make objects in-process).
#pragma once
#include <objbase.h>

namespace zq::win32 {

// {6F1C2B9E-4D3A-4E8B-9C51-2A7E0D4B8F13}
constexpr CLSID CLSID_ClientTray = {
    0x6f1c2b9e, 0x4d3a, 0x4e8b, {0x9c, 0x51, 0x2a, 0x7e, 0x0d, 0x4b, 0x8f, 0x13}};
// {0B7E5A41-9F26-4C3D-8E1A-5D2C6B9F7E20}
constexpr IID IID_IClientTray = {
    0x0b7e5a41, 0x9f26, 0x4c3d, {0x8e, 0x1a, 0x5d, 0x2c, 0x6b, 0x9f, 0x7e, 0x20}};
// {3A9D7C15-E2B8-4F60-A4D1-7C8E2F5B0A39}
constexpr IID DIID_IClientTrayEvents = {
    0x3a9d7c15, 0xe2b8, 0x4f60, {0xa4, 0xd1, 0x7c, 0x8e, 0x2f, 0x5b, 0x0a, 0x39}};

constexpr int kClientTrayMethods = 5;

// The dual interface: the dispatch slots, then the five methods in this order.
struct IClientTray : public IDispatch {
  STDMETHOD(ShowPage)(BSTR address, long options) = 0;
  STDMETHOD(ShowNotification)(BSTR text) = 0;
  STDMETHOD(SetStatus)(long status) = 0;
  STDMETHOD(OpenAddress)(BSTR address) = 0;
  STDMETHOD(SetOption)(BSTR name, BSTR value) = 0;
};

// The process's ClientTray class object (not counted: it lives as long as the process).
IClassFactory* ClientTrayClassObject();

}  // namespace zq::win32
