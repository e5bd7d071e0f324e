// PlatformHooks is the seam between the account client and the few platform
// services its tests must replace: opening a URL in the browser, the
// connectivity level, the system time and a steady clock. Operations that
// need them take a PlatformHooks as a trailing argument; a default-built
// record is the real platform, and a test swaps single members. Copy it
// freely; the members must be callable from the thread that runs the
// operation.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "account/connectivity_hint.h"
#include "engine/clock.h"

namespace halvarin::sdk {

// Opens `url` with the shell ("open", no owner window, shown normally);
// true when the shell reports success.
bool open_url_in_browser(const std::wstring& url);

// The system time in 100-ns ticks since 1970-01-01 UTC.
int64_t system_time_ticks();

// A FILETIME value (100-ns ticks since 1601-01-01 UTC) in ticks since
// 1970-01-01 UTC.
constexpr int64_t unix_ticks_from_filetime(uint64_t filetime) {
  constexpr int64_t kTicks1601To1970 = 116'444'736'000'000'000;
  return static_cast<int64_t>(filetime) - kTicks1601To1970;
}

struct PlatformHooks {
  std::function<bool(const std::wstring& url)> open_url = open_url_in_browser;
  // One of the kConnectivity… levels.
  std::function<int()> connectivity_level = connectivity_hint;
  // 100-ns ticks since 1970-01-01 UTC.
  std::function<int64_t()> system_time = system_time_ticks;
  std::shared_ptr<quorvel::windows::Clock> steady_clock = quorvel::windows::make_steady_clock();
};

}  // namespace halvarin::sdk
