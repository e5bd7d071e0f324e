// The Windows version text of the installation heartbeat.
#include "account/os_version.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace halvarin::sdk {
namespace {

TEST(OsVersionTest, FormatsMajorMinorAndBuildInPlainDecimal) {
  struct Case {
    std::optional<WindowsVersion> version;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {WindowsVersion{10, 0, 22631}, "10.0.22631"},
      {WindowsVersion{6, 3, 9600}, "6.3.9600"},
      {WindowsVersion{0, 0, 0}, "0.0.0"},
      {WindowsVersion{4294967295u, 1, 4294967295u}, "4294967295.1.4294967295"},
      {std::nullopt, "unknown"},
  };
  for (const Case& c : cases) EXPECT_EQ(format_os_version(c.version), c.expected);
}

TEST(OsVersionTest, AsksTheSystemForItsVersion) {
  const std::optional<WindowsVersion> version = query_windows_version();
  ASSERT_TRUE(version.has_value());
  if (quorvel::test::running_under_wine()) {
    // The test prefix is set to report Windows 10.
    EXPECT_EQ(os_version_text(), "10.0.18362");
  } else {
    EXPECT_GE(version->major, 10u);
    EXPECT_EQ(os_version_text(), format_os_version(version));
  }
}

}  // namespace
}  // namespace halvarin::sdk
