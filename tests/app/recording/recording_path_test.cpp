#include "app/recording/recording_path.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

namespace fs = std::filesystem;
using quorvel::test::TempDir;
using quorvel::test::utf8;

constexpr int64_t kTicksPerSecond = 10'000'000;
// 2026-12-08 08:10:00 UTC in 100-ns units since 1970.
constexpr int64_t kStart = 1'796'717'400LL * kTicksPerSecond;

// The start time as the system's own time-zone conversion shows it.
std::wstring local_name(int64_t time) {
  // FILETIME counts from 1601: 11644473600 seconds before 1970.
  const uint64_t ticks = static_cast<uint64_t>(time) + 11'644'473'600ULL * kTicksPerSecond;
  const FILETIME utc = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utc_time = {};
  SYSTEMTIME local = {};
  if (!FileTimeToSystemTime(&utc, &utc_time) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utc_time, &local)) {
    ADD_FAILURE() << "time conversion failed";
    return {};
  }
  wchar_t text[32] = {};
  std::swprintf(text, 32, L"%04u-%02u-%02u %02u-%02u-%02u", local.wYear, local.wMonth, local.wDay,
                local.wHour, local.wMinute, local.wSecond);
  return text;
}

std::wstring expected_path(const fs::path& folder, const std::wstring& name) {
  return (folder / name / (L"Quorvel " + name + L".mp4")).wstring();
}

TEST(RecordingPath, NamesFolderAndFileAfterTheLocalStartTime) {
  const TempDir output;
  const std::wstring name = local_name(kStart);
  ASSERT_EQ(name.size(), 19u);
  // Under a time zone with an offset the local name is not the UTC one.
  if (!quorvel::test::environment(L"QUORVEL_TEST_TZ").empty()) {
    EXPECT_NE(utf8(name), "2026-12-08 08-10-00");
  } else {
    EXPECT_EQ(utf8(name), "2026-12-08 08-10-00");
  }
  const std::wstring path = make_recording_path(output.path().wstring(), kStart);
  EXPECT_EQ(utf8(path), utf8(expected_path(output.path(), name)));
  EXPECT_TRUE(fs::is_directory(output / name));
  // Only the folder is made; the files are the engine's business.
  EXPECT_TRUE(fs::is_empty(output / name));
}

TEST(RecordingPath, DropsTheFractionOfASecond) {
  const TempDir output;
  const std::wstring path = make_recording_path(output.path().wstring(), kStart + kTicksPerSecond - 1);
  EXPECT_EQ(utf8(path), utf8(expected_path(output.path(), local_name(kStart))));
}

TEST(RecordingPath, GivesASecondStartInTheSameSecondANumberedName) {
  const TempDir output;
  const std::wstring name = local_name(kStart);
  const std::wstring first = make_recording_path(output.path().wstring(), kStart);
  const std::wstring second = make_recording_path(output.path().wstring(), kStart + kTicksPerSecond / 2);
  EXPECT_EQ(utf8(first), utf8(expected_path(output.path(), name)));
  EXPECT_EQ(utf8(second), utf8(expected_path(output.path(), name + L" (2)")));
  EXPECT_TRUE(fs::is_directory(output / (name + L" (2)")));
}

TEST(RecordingPath, MovesOnPastAFileOfTheSameName) {
  const TempDir output;
  const std::wstring name = local_name(kStart);
  std::ofstream(output / name) << "taken";
  const std::wstring path = make_recording_path(output.path().wstring(), kStart);
  EXPECT_EQ(utf8(path), utf8(expected_path(output.path(), name + L" (2)")));
}

TEST(RecordingPath, TakesTheLastNumberThenGivesUp) {
  const TempDir output;
  const std::wstring name = local_name(kStart);
  ASSERT_TRUE(CreateDirectoryW((output / name).c_str(), nullptr));
  for (int n = 2; n <= 4; ++n) {
    const fs::path taken = output / (name + L" (" + std::to_wstring(n) + L")");
    ASSERT_TRUE(CreateDirectoryW(taken.c_str(), nullptr)) << n;
  }
  EXPECT_EQ(utf8(make_recording_path(output.path().wstring(), kStart, 5)),
            utf8(expected_path(output.path(), name + L" (5)")));
  // T up to T (5) are all there now.
  EXPECT_TRUE(make_recording_path(output.path().wstring(), kStart, 5).empty());
  EXPECT_FALSE(fs::exists(output / (name + L" (6)")));
  // The product's own limit lies further on.
  EXPECT_EQ(utf8(make_recording_path(output.path().wstring(), kStart)),
            utf8(expected_path(output.path(), name + L" (6)")));
}

TEST(RecordingPath, NeedsAnExistingOutputFolder) {
  const TempDir output;
  std::ofstream(output / "not-a-folder") << "file";
  EXPECT_TRUE(make_recording_path((output / "not-a-folder").wstring(), kStart).empty());
  EXPECT_TRUE(make_recording_path((output / "missing").wstring(), kStart).empty());
  EXPECT_FALSE(fs::exists(output / "missing"));
  EXPECT_TRUE(make_recording_path(std::wstring(), kStart).empty());
}

TEST(RecordingPath, GivesNothingForATimeTheCalendarCannotShow) {
  const TempDir output;
  EXPECT_TRUE(make_recording_path(output.path().wstring(), -86'400LL * kTicksPerSecond).empty());
  // Beyond the year 3000.
  EXPECT_TRUE(make_recording_path(output.path().wstring(), 40'000'000'000LL * kTicksPerSecond).empty());
  EXPECT_TRUE(fs::is_empty(output.path()));
}

}  // namespace
}  // namespace quorvel::windows
