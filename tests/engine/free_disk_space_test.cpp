#include "engine/free_disk_space.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

TEST(FreeDiskSpaceTest, TheFolderOfAPathIsInTheFormEveryVolumeAccepts) {
  struct Case {
    const wchar_t* path;
    const wchar_t* folder;
  };
  const Case cases[] = {
      {L"C:\\Videos\\take.mp4", L"C:\\Videos\\"},
      {L"C:\\take.mp4", L"C:\\"},
      {L"\\\\server\\share\\take.mp4", L"\\\\server\\share\\"},
      {L"D:/clips//take.mp4", L"D:/clips\\"},
      {L"take.mp4", L""},
      {L"", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(free_space_folder(c.path), c.folder) << quorvel::test::utf8(c.path);
  }
}

TEST(FreeDiskSpaceTest, AnsweredForARealFolderAndRefusedForAMissingOne) {
  quorvel::test::TempDir dir;
  uint64_t free_bytes = 0;
  ASSERT_EQ(query_free_disk_bytes(free_space_folder((dir / L"clip.mp4").wstring()).c_str(),
                                  free_bytes),
            S_OK);
  EXPECT_GT(free_bytes, 0u);
  uint64_t untouched = 7;
  EXPECT_TRUE(FAILED(query_free_disk_bytes((dir / L"missing\\").c_str(), untouched)));
  EXPECT_EQ(untouched, 7u);
}

}  // namespace
}  // namespace quorvel::windows
