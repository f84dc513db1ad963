// Texts carried in message parameters: heap-allocated, reference-counted wide strings
// whose ownership passes with the message from the sender to the receiver.
#pragma once
#include <atomic>
#include <cstddef>
#include <string>

#include "platform/types.h"

namespace zq {

// The heap object behind a text parameter. Created with one reference.
class SharedText {
 public:
  explicit SharedText(std::wstring text);
  SharedText(const SharedText&) = delete;
  SharedText& operator=(const SharedText&) = delete;

  void AddRef() { refs_.fetch_add(1, std::memory_order_relaxed); }
  // Drops one reference; the last one deletes the object.
  void Release();
  const std::wstring& Text() const { return text_; }
  // Moves the text out when this is the only reference, copies it otherwise; then releases.
  std::wstring TakeAndRelease();

 private:
  ~SharedText();
  std::atomic<int> refs_{1};
  std::wstring text_;
};

// Makes a new text object for a message parameter; the receiver owns it from then on.
WParam GiveText(std::wstring text);
LParam GiveLParamText(std::wstring text);
// Takes a parameter's text back and frees the reference; 0 gives the empty text.
// An LParam converts implicitly.
std::wstring TakeText(WParam param);
// Frees a parameter's reference without reading it; 0 is ignored.
void FreeText(WParam param);
// Reads a parameter's text without taking ownership; 0 gives the empty text.
const std::wstring& PeekText(WParam param);
// Adds a reference, so that the same text can go to a second receiver.
WParam ShareText(WParam param);
// Number of text objects alive in this program (to check that receivers free them).
std::size_t LiveTextCount();

// Owns one text parameter for the length of a handler and frees it on every way out,
// unless Release() passes the ownership on (for example with a forwarded message).
class OwnedText {
 public:
  OwnedText() = default;
  explicit OwnedText(WParam param) : param_(param) {}
  ~OwnedText() { FreeText(param_); }
  OwnedText(OwnedText&& other) noexcept : param_(other.param_) { other.param_ = 0; }
  OwnedText& operator=(OwnedText&& other) noexcept;
  OwnedText(const OwnedText&) = delete;
  OwnedText& operator=(const OwnedText&) = delete;

  const std::wstring& Text() const { return PeekText(param_); }
  bool HasText() const { return param_ != 0; }
  // Gives up ownership and returns the parameter for the next receiver.
  WParam Release() {
    WParam p = param_;
    param_ = 0;
    return p;
  }
  LParam ReleaseAsLParam() { return static_cast<LParam>(Release()); }

 private:
  WParam param_ = 0;
};

}  // namespace zq
