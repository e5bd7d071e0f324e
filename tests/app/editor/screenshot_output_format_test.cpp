#include "app/editor/screenshot_output_format.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using std::chrono::sys_days;
using Ticks = std::chrono::duration<int64_t, std::ratio<1, 10'000'000>>;

std::chrono::system_clock::time_point at(int y, unsigned m, unsigned d, int hh, int mm, int ss,
                                         int64_t ticks) {
  const auto day = sys_days{std::chrono::year{y} / std::chrono::month{m} / std::chrono::day{d}};
  return std::chrono::time_point_cast<std::chrono::system_clock::duration>(
      day + std::chrono::hours{hh} + std::chrono::minutes{mm} + std::chrono::seconds{ss} +
      Ticks{ticks});
}

struct NameCase {
  std::chrono::system_clock::time_point time;
  const wchar_t* name;
};

TEST(DefaultScreenshotName, IsUtcWithSevenDecimals) {
  const NameCase cases[] = {
      {at(2024, 5, 6, 8, 14, 13, 1234567), L"Quorvel 2024-05-06 08-14-13.1234567.png"},
      {at(2024, 5, 6, 8, 14, 13, 0), L"Quorvel 2024-05-06 08-14-13.0000000.png"},
      {at(2024, 12, 31, 23, 59, 59, 9999999), L"Quorvel 2024-12-31 23-59-59.9999999.png"},
      {at(2024, 2, 29, 0, 0, 0, 1), L"Quorvel 2024-02-29 00-00-00.0000001.png"},
      {at(1999, 1, 1, 12, 0, 5, 5000000), L"Quorvel 1999-01-01 12-00-05.5000000.png"},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(quorvel::test::utf8(default_screenshot_name(c.time)), quorvel::test::utf8(c.name));
  }
}

TEST(DefaultScreenshotName, TruncatesNanosecondsToHundreds) {
  const auto time = at(2024, 5, 6, 8, 14, 13, 1234567) + std::chrono::nanoseconds{99};
  EXPECT_EQ(quorvel::test::utf8(default_screenshot_name(time)),
            "Quorvel 2024-05-06 08-14-13.1234567.png");
}

TEST(DefaultScreenshotName, DiffersForTwoPointsInOneSecond) {
  const auto first = at(2024, 5, 6, 8, 14, 13, 1000000);
  const auto second = first + std::chrono::milliseconds{400};
  EXPECT_NE(default_screenshot_name(first), default_screenshot_name(second));
}

TEST(PackClipboardDib, WritesTheHeaderAndTheRowsBottomUp) {
  DesktopSnapshot image;
  image.width = 3;
  image.height = 2;
  image.stride = 12;
  for (int i = 0; i < 24; ++i) image.pixels.push_back(static_cast<uint8_t>(i));
  const std::vector<uint8_t> dib = pack_clipboard_dib(image);
  ASSERT_EQ(dib.size(), 40u + 24u);
  const int32_t expected_header[10] = {40, 3, 2, 1 | (32 << 16), 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(dib.data(), expected_header, 40), 0);
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(dib[40 + i], 12 + i);
    EXPECT_EQ(dib[52 + i], i);
  }
}

TEST(PackClipboardDib, RefusesAnInconsistentImage) {
  DesktopSnapshot image;
  EXPECT_TRUE(pack_clipboard_dib(image).empty());
  image.width = 2;
  image.height = 2;
  image.stride = 12;
  image.pixels.resize(24);
  EXPECT_TRUE(pack_clipboard_dib(image).empty());
  image.stride = 8;
  image.pixels.resize(15);
  EXPECT_TRUE(pack_clipboard_dib(image).empty());
}

}  // namespace
}  // namespace quorvel::windows
