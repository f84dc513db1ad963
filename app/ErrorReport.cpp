// The failure type's texts, the report line and the report operations.
// Reports go to the controller's status path; grave levels also to a message box.
#include "app/ErrorReport.h"

#include "app/ControllerAccess.h"
#include "app/SystemTexts.h"
#include "app/Text.h"
#include "platform/platform.h"

namespace zq {

namespace {

constexpr std::uint32_t kFacilityItf = 4;
constexpr std::uint32_t kFirstDispatchCode = 0x80040200u;
constexpr std::uint32_t kLastDispatchCode = 0x8004FFFFu;

// The platform's message text for a code, or the built-in copy when no platform is bound.
// A lookup that fails counts as no text: a report must not fail because of it.
std::optional<std::wstring> PlatformErrorText(HResult code) {
  try {
    if (Platform* platform = CurrentPlatform()) return platform->system().ErrorText(code);
    return BuiltinErrorText(code);
  } catch (const ProcessExit&) {
    throw;
  } catch (...) {
    return std::nullopt;
  }
}

// Codes defined by one interface (facility 4) above 0x200 are best described by the
// component that raised them; all others by the system's message table.
bool PrefersComponentDescription(HResult code) {
  const std::uint32_t u = static_cast<std::uint32_t>(code);
  return ((u >> 16) & 0x1FFFu) == kFacilityItf && (u & 0xFFFFu) > 0x200u;
}

void AppendHex8(std::wstring& out, std::uint32_t value) {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  for (int shift = 28; shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xFu];
}

}  // namespace

std::wstring ErrorMessageFrom(HResult code, std::optional<std::wstring> systemText) {
  if (systemText && !systemText->empty()) {
    std::wstring& text = *systemText;
    // Message-table texts end in "\r\n"; the length test leaves a lone character alone.
    if (text.size() > 1) {
      if (text.back() == L'\n') text.pop_back();
      if (!text.empty() && text.back() == L'\r') text.pop_back();
    }
    return std::move(text);
  }
  const std::uint32_t u = static_cast<std::uint32_t>(code);
  if (u > kFirstDispatchCode && u <= kLastDispatchCode)
    return Format(L"IDispatch error #%d", static_cast<int>((u & 0xFFFFu) - 0x200u));
  return Format(L"Unknown error 0x%0lX", static_cast<unsigned long>(u));
}

const std::wstring& ComError::ErrorMessage() const {
  if (!SystemText) SystemText = ErrorMessageFrom(Code, PlatformErrorText(Code));
  return *SystemText;
}

void ThrowComError(HResult code, std::optional<std::wstring> errorInfo) {
  throw ComError(code, std::move(errorInfo));
}

void ThrowWin32(std::uint32_t error) {
  if (error != 0) ThrowComError(hr::FromWin32(error));
}

void ThrowFail() { ThrowComError(hr::Fail); }

void ThrowOutOfMemory() { ThrowComError(hr::OutOfMemory); }

std::wstring FormatErrorLine(const std::wstring& text, const ComError& error) {
  std::wstring description;
  bool fromComponent = false;
  if (PrefersComponentDescription(error.Code)) {
    description = error.Description();
    fromComponent = !description.empty();
    if (!fromComponent) description = error.ErrorMessage();
  } else {
    description = error.ErrorMessage();
    if (description.empty()) {
      description = error.Description();
      fromComponent = !description.empty();
    }
  }
  if (description.empty()) description = L"An error occurred";

  std::wstring line;
  line.reserve(text.size() + description.size() + 48);
  line += text;
  if (fromComponent) {
    line += L". ";
  } else {
    line += L". Error Code = 0x";
    AppendHex8(line, static_cast<std::uint32_t>(error.Code));
    line += L", Error Message: ";
  }
  line += description;
  line += L"   ";
  return line;
}

void ReportComError(int level, const std::wstring& text, const ComError& error) {
  try {
    std::wstring line = FormatErrorLine(text, error);
    // A thread outside any client process has no controller to report to.
    Platform* platform = CurrentPlatform();
    if (!platform) return;
    try {
      ControllerStatusLine(line + L"\r\n");
    } catch (const ProcessExit&) {
      throw;
    } catch (...) {
      // The status path is best effort: a line it cannot take is dropped.
    }
    if (level <= ErrorDisplayThreshold)
      platform->windows().MessageBox(0, line, L"Sorry but an error occurred", mb::IconError);
  } catch (const ProcessExit&) {
    throw;
  } catch (...) {
    // Reporting never fails visibly.
  }
}

void ReportError(int level, const std::wstring& text) {
  ReportComError(level, text, ComError(hr::Fail));
}

}  // namespace zq
