#include "account/platform_hooks.h"

#include <windows.h>

#include <chrono>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace halvarin::sdk {
namespace {

uint64_t filetime_of(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
  SYSTEMTIME time{};
  time.wYear = year;
  time.wMonth = month;
  time.wDay = day;
  time.wHour = hour;
  time.wMinute = minute;
  time.wSecond = second;
  FILETIME filetime{};
  EXPECT_TRUE(SystemTimeToFileTime(&time, &filetime));
  return (uint64_t{filetime.dwHighDateTime} << 32) | filetime.dwLowDateTime;
}

TEST(PlatformHooksTest, CountsSystemTimeFrom1970InHundredNanosecondTicks) {
  struct Case {
    uint64_t filetime;
    int64_t expected;
  };
  const std::vector<Case> cases = {
      {filetime_of(1970, 1, 1, 0, 0, 0), 0},
      {filetime_of(1970, 1, 1, 0, 0, 1), 10'000'000},
      {filetime_of(2000, 1, 1, 0, 0, 0), int64_t{946'684'800} * 10'000'000},
      {filetime_of(2026, 12, 10, 0, 30, 0), int64_t{1'796'862'600} * 10'000'000},
      {filetime_of(1601, 1, 1, 0, 0, 0), -int64_t{11'644'473'600} * 10'000'000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(unix_ticks_from_filetime(c.filetime), c.expected) << c.filetime;
  }
}

TEST(PlatformHooksTest, DefaultHooksAreTheRealPlatform) {
  const PlatformHooks hooks;
  ASSERT_TRUE(hooks.open_url && hooks.connectivity_level && hooks.system_time);
  ASSERT_NE(hooks.steady_clock, nullptr);

  // The system time agrees with the C++ system clock (both since 1970).
  const int64_t before = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
  const int64_t ticks = hooks.system_time();
  const int64_t after = std::chrono::duration_cast<std::chrono::seconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
  EXPECT_GE(ticks / 10'000'000, before - 1);
  EXPECT_LE(ticks / 10'000'000, after + 1);

  const int64_t first = hooks.steady_clock->now();
  EXPECT_GE(hooks.steady_clock->now(), first);

  EXPECT_EQ(hooks.connectivity_level(), connectivity_hint());
}

TEST(PlatformHooksTest, OpeningAMissingDocumentFails) {
  // A path that does not exist is refused by the shell without starting
  // anything, so the failing side of the real opener can be shown anywhere.
  quorvel::test::TempDir dir;
  const std::wstring missing = (dir / L"missing-page.html").wstring();
  EXPECT_FALSE(PlatformHooks{}.open_url(missing));
}

TEST(PlatformHooksTest, MembersCanBeReplacedOneByOne) {
  std::vector<std::wstring> opened;
  PlatformHooks hooks;
  hooks.open_url = [&](const std::wstring& url) {
    opened.push_back(url);
    return true;
  };
  hooks.system_time = [] { return int64_t{42}; };
  EXPECT_TRUE(hooks.open_url(L"https://example.test/"));
  EXPECT_EQ(opened, std::vector<std::wstring>{L"https://example.test/"});
  EXPECT_EQ(hooks.system_time(), 42);
  EXPECT_EQ(hooks.connectivity_level(), connectivity_hint());
}

}  // namespace
}  // namespace halvarin::sdk
