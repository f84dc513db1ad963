// The client's failure type, the helpers that raise it, and the one way failures are
// reported: a status line (and a message box for grave levels) built from a fixed text.
#pragma once
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "platform/processes.h"
#include "platform/types.h"

namespace zq {

// Reports at or below this level are also shown in a message box. The program reports
// at levels 0 to 2 only, so in practice every report goes to the status window alone.
constexpr int ErrorDisplayThreshold = -5;

// A failed component call or an explicit failure of the client's own code.
class ComError {
 public:
  explicit ComError(HResult code, std::optional<std::wstring> errorInfo = std::nullopt)
      : Code(code), ErrorInfo(std::move(errorInfo)) {}

  // The system's text for Code (one trailing "\n" and then one "\r" removed), or the
  // "IDispatch error #n" / "Unknown error 0x..." fallback. Computed once, then cached.
  const std::wstring& ErrorMessage() const;
  // The failing component's own description; empty when it gave none.
  std::wstring Description() const { return ErrorInfo ? *ErrorInfo : std::wstring(); }

  HResult Code;
  // The component's error-object description, when the component supplied one.
  std::optional<std::wstring> ErrorInfo;
  // Cache behind ErrorMessage().
  mutable std::optional<std::wstring> SystemText;
};

// Shapes the system's answer for a code into the text a report shows: one trailing "\n"
// and then one trailing "\r" removed when the answer is longer than one character; with
// no answer (or an empty one), "IDispatch error #n" for n = low 16 bits - 0x200 when the
// code lies in 0x80040201..0x8004FFFF, else "Unknown error 0x%lX" with the code.
std::wstring ErrorMessageFrom(HResult code, std::optional<std::wstring> systemText);

// Raising helpers.
[[noreturn]] void ThrowComError(HResult code, std::optional<std::wstring> errorInfo = std::nullopt);
inline void ThrowIfFailed(HResult code) {
  if (code < 0) ThrowComError(code);
}
inline void ThrowIfFailed(HResult code, std::optional<std::wstring> errorInfo) {
  if (code < 0) ThrowComError(code, std::move(errorInfo));
}
// A system error number left by a window creation: 0 raises nothing, anything else
// raises 0x80070000 combined with its low 16 bits.
void ThrowWin32(std::uint32_t error);
// An explicit failure (0x80004005).
[[noreturn]] void ThrowFail();
// A text or buffer could not be allocated (0x8007000E).
[[noreturn]] void ThrowOutOfMemory();
// A required interface, object or handle was null (0x80004003).
template <class P>
void ThrowIfNull(const P& required) {
  if (!required) ThrowComError(hr::Pointer);
}

// The report line for a failure: "text. description   " when the failing component's
// description is used, else "text. Error Code = 0x%08x, Error Message: description   ".
// The text and the description are copied as they are, never used as a format.
std::wstring FormatErrorLine(const std::wstring& text, const ComError& error);

// Sends the line (with "\r\n") to the controller's status path and, at or below the
// display threshold, shows it in a message box. A thread bound to no platform belongs to
// no client process, so its reports go nowhere. Never fails; only a process exit passes.
void ReportComError(int level, const std::wstring& text, const ComError& error);
// As ReportComError with an explicit failure (0x80004005) without a description.
void ReportError(int level, const std::wstring& text);

// Runs body inside the client's guarded block: a ComError is reported with
// ReportComError, an allocation failure as the out-of-memory ComError, anything else
// with ReportError, all with the same fixed text and level. A process exit passes
// through untouched. Returns true when body finished normally.
template <class Text, class F>
bool Guarded(int level, const Text& text, F&& body) {
  try {
    std::forward<F>(body)();
    return true;
  } catch (const ProcessExit&) {
    throw;
  } catch (const ComError& e) {
    ReportComError(level, text, e);
  } catch (const std::bad_alloc&) {
    ReportComError(level, text, ComError(hr::OutOfMemory));
  } catch (...) {
    ReportError(level, text);
  }
  return false;
}

// As Guarded for a body that yields a value: its value, or `failure` after the report.
template <class R, class Text, class F>
R GuardedOr(R failure, int level, const Text& text, F&& body) {
  try {
    return std::forward<F>(body)();
  } catch (const ProcessExit&) {
    throw;
  } catch (const ComError& e) {
    ReportComError(level, text, e);
  } catch (const std::bad_alloc&) {
    ReportComError(level, text, ComError(hr::OutOfMemory));
  } catch (...) {
    ReportError(level, text);
  }
  return failure;
}

// Runs body and swallows every failure without a report (shutdown and clean-up paths
// that have nowhere left to report). A process exit still passes through.
template <class F>
bool Quietly(F&& body) {
  try {
    std::forward<F>(body)();
    return true;
  } catch (const ProcessExit&) {
    throw;
  } catch (...) {
    return false;
  }
}

}  // namespace zq
