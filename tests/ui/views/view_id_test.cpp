// The id counter is process-wide, so only a process that has made no view yet
// can see id 1: this check runs alone in a CTest entry of its own, and skips
// itself wherever other tests may have made views first.
#include <gtest/gtest.h>

#include <string>

#include "ui/views/view.h"

namespace win32_ui::modern {
namespace {

TEST(ViewFirstIdTest, FirstConstructedViewHasIdOne) {
  if (std::string(GTEST_FLAG_GET(filter)) != "ViewFirstIdTest.*") {
    GTEST_SKIP() << "runs alone, as --gtest_filter=ViewFirstIdTest.*";
  }
  const View first;
  const View second;
  EXPECT_EQ(first.id(), 1u);
  EXPECT_EQ(second.id(), 2u);
}

}  // namespace
}  // namespace win32_ui::modern
