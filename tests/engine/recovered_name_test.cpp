#include "engine/recovered_name.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/fakes/engine/fake_name_status.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

namespace fs = std::filesystem;
using quorvel::test::TempDir;
using quorvel::test::utf8;

void touch(const fs::path& path) { std::ofstream(path, std::ios::binary) << "x"; }

TEST(RecoveredNameTest, TakesTheFirstNumberThatNamesNothing) {
  TempDir dir;
  EXPECT_EQ(first_free_recovered_name(dir / L"Clip.quorvel"), dir / L"Clip.recovered-1.quorvel");
  touch(dir / L"Clip.recovered-1.quorvel");
  touch(dir / L"Clip.recovered-2.quorvel");
  fs::create_directory(dir / L"Clip.recovered-3.quorvel");
  EXPECT_EQ(utf8(first_free_recovered_name(dir / L"Clip.quorvel").wstring()),
            utf8((dir / L"Clip.recovered-4.quorvel").wstring()));
  // Only the last extension moves behind the number.
  EXPECT_EQ(first_free_recovered_name(dir / L"clip.partial.mp4"),
            dir / L"clip.partial.recovered-1.mp4");
  EXPECT_EQ(first_free_recovered_name(dir / L"clip"), dir / L"clip.recovered-1");
  // Names beyond ASCII survive.
  EXPECT_EQ(first_free_recovered_name(dir / L"录屏 2026.quorvel"),
            dir / L"录屏 2026.recovered-1.quorvel");
}

TEST(RecoveredNameTest, TheLimitIsTheLastNumberAndThenNoNameIsFree) {
  TempDir dir;
  struct Case {
    int taken;
    int limit;
    const wchar_t* expected;  // null: none is free
  };
  const Case cases[] = {
      {0, 1, L"Clip.recovered-1.mp4"},
      {2, 3, L"Clip.recovered-3.mp4"},
      {3, 3, nullptr},
      {3, 0, nullptr},
  };
  int made = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.taken << " taken, limit " << c.limit);
    for (; made < c.taken; ++made) {
      touch(dir / (L"Clip.recovered-" + std::to_wstring(made + 1) + L".mp4"));
    }
    const fs::path name = first_free_recovered_name(dir / L"Clip.mp4", c.limit);
    EXPECT_EQ(name, c.expected ? dir / c.expected : fs::path());
  }
  EXPECT_EQ(kMaxRecoveredNames, 9999);
}

TEST(RecoveredNameTest, ANameWhoseQueryFailsIsUsedOrEndsTheSearchByChoice) {
  TempDir dir;
  touch(dir / L"Clip.recovered-1.mp4");
  touch(dir / L"Clip.recovered-3.mp4");  // behind the failing name: never reached
  test::FakeNameStatus names;
  names.fail_on(dir / L"Clip.recovered-2.mp4");
  struct Case {
    UnqueryableName unqueryable;
    const wchar_t* expected;  // null: no name
  };
  const Case cases[] = {
      {UnqueryableName::kUse, L"Clip.recovered-2.mp4"},
      {UnqueryableName::kGiveUp, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.unqueryable == UnqueryableName::kUse ? "use" : "give up");
    const fs::path name =
        first_free_recovered_name(dir / L"Clip.mp4", kMaxRecoveredNames, c.unqueryable, names.query());
    EXPECT_EQ(name, c.expected ? dir / c.expected : fs::path());
  }
  const std::vector<fs::path> one_search{dir / L"Clip.recovered-1.mp4", dir / L"Clip.recovered-2.mp4"};
  std::vector<fs::path> both = one_search;
  both.insert(both.end(), one_search.begin(), one_search.end());
  EXPECT_EQ(names.asked(), both);
  // Without a query of its own the search asks the file system and gives up
  // on nothing here: 2 is free.
  EXPECT_EQ(first_free_recovered_name(dir / L"Clip.mp4"), dir / L"Clip.recovered-2.mp4");
}

TEST(RecoveredNameTest, TheRealQueryTellsFreeFromTaken) {
  TempDir dir;
  touch(dir / L"file");
  fs::create_directory(dir / L"folder");
  EXPECT_EQ(query_name_status(dir / L"file"), NameStatus::kTaken);
  EXPECT_EQ(query_name_status(dir / L"folder"), NameStatus::kTaken);
  EXPECT_EQ(query_name_status(dir / L"nothing"), NameStatus::kFree);
}

}  // namespace
}  // namespace quorvel::windows
