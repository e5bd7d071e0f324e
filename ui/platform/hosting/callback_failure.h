// The last line of defence of the host, chrome and popup window procedures:
// a callback or view that throws while a message is handled is reported as
// one line on the debugger output (what failed and the exception's text),
// and the message completes as if nothing had been thrown. UI thread.
#pragma once

#include <exception>
#include <string>

namespace win32_ui::modern {

// Call inside a catch block: writes "<what>: <exception text>" through
// OutputDebugStringW. Never throws.
void report_callback_failure(const wchar_t* what) noexcept;

// Runs `work`; whatever it throws is reported under `what` and swallowed.
template <typename Work>
void run_reporting_failure(const wchar_t* what, Work&& work) noexcept {
  try {
    work();
  } catch (...) {
    report_callback_failure(what);
  }
}

}  // namespace win32_ui::modern
