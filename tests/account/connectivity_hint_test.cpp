#include "account/connectivity_hint.h"

#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace halvarin::sdk {
namespace {

TEST(ConnectivityHintTest, MapsEachWindowsLevelToTheClientsLevel) {
  struct Case {
    int32_t windows_level;
    int expected;
  };
  const std::vector<Case> cases = {
      {0, kConnectivityUnknown},       // NetworkConnectivityLevelHintUnknown
      {1, kConnectivityNone},          // None
      {2, kConnectivityLocalNetwork},  // LocalAccess
      {3, kConnectivityInternet},      // InternetAccess
      {4, kConnectivityInternet},      // ConstrainedInternetAccess
      {5, kConnectivityUnknown},       // Hidden
      {6, kConnectivityUnknown},
      {-1, kConnectivityUnknown},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(connectivity_level_of_hint(c.windows_level), c.expected) << c.windows_level;
  }
}

TEST(ConnectivityHintTest, AsksWindowsWithoutAStaticImport) {
  const int level = connectivity_hint();
  if (quorvel::test::running_under_wine()) {
    // Wine lacks the function: the program still runs and reports unknown.
    EXPECT_EQ(level, kConnectivityUnknown);
  } else {
    EXPECT_GE(level, kConnectivityUnknown);
    EXPECT_LE(level, kConnectivityInternet);
  }
}

}  // namespace
}  // namespace halvarin::sdk
