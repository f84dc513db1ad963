// Heap text objects for message parameters: creation, reference counting, taking back.
// A parameter value is the address of a SharedText; 0 stands for no text.
#include "app/CommandText.h"

#include <utility>

namespace zq {

namespace {

std::atomic<std::size_t> liveTexts{0};

SharedText* FromParam(WParam param) { return reinterpret_cast<SharedText*>(param); }

}  // namespace

SharedText::SharedText(std::wstring text) : text_(std::move(text)) {
  liveTexts.fetch_add(1, std::memory_order_relaxed);
}

SharedText::~SharedText() { liveTexts.fetch_sub(1, std::memory_order_relaxed); }

void SharedText::Release() {
  if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

std::wstring SharedText::TakeAndRelease() {
  if (refs_.load(std::memory_order_acquire) == 1) {
    std::wstring out = std::move(text_);
    Release();
    return out;
  }
  std::wstring out = text_;
  Release();
  return out;
}

WParam GiveText(std::wstring text) {
  return reinterpret_cast<WParam>(new SharedText(std::move(text)));
}

LParam GiveLParamText(std::wstring text) { return static_cast<LParam>(GiveText(std::move(text))); }

std::wstring TakeText(WParam param) {
  if (param == 0) return std::wstring();
  return FromParam(param)->TakeAndRelease();
}

void FreeText(WParam param) {
  if (param != 0) FromParam(param)->Release();
}

const std::wstring& PeekText(WParam param) {
  static const std::wstring kEmpty;
  return param == 0 ? kEmpty : FromParam(param)->Text();
}

WParam ShareText(WParam param) {
  if (param != 0) FromParam(param)->AddRef();
  return param;
}

std::size_t LiveTextCount() { return liveTexts.load(std::memory_order_relaxed); }

OwnedText& OwnedText::operator=(OwnedText&& other) noexcept {
  if (this != &other) {
    FreeText(param_);
    param_ = other.param_;
    other.param_ = 0;
  }
  return *this;
}

}  // namespace zq
