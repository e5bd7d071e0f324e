#include "account/store_paths.h"

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "account/service_address.h"
#include "account/sha256.h"
#include "tests/account/scoped_local_app_data.h"
#include "tests/support/test_support.h"

namespace halvarin::sdk {
namespace {

using quorvel::test::utf8;
using test::ScopedLocalAppData;

ClientConfiguration configuration_for(std::string base_url) {
  ClientConfiguration configuration;
  configuration.base_url = std::move(base_url);
  configuration.client_id = "quorvel.desktop";
  configuration.application_id = "quorvel";
  return configuration;
}

std::wstring widen(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

TEST(StorePathsTest, BuiltInRootKeepsItsFilesInTheMakerFolder) {
  const ScopedLocalAppData local;
  const std::wstring maker = local.folder().wstring() + L"\\Halvarin";
  const ClientConfiguration configuration = configuration_for(std::string(kServiceRoot));

  EXPECT_EQ(utf8(data_directory(configuration)), utf8(maker));
  EXPECT_EQ(utf8(session_file_path(configuration, L"session.dat")),
            utf8(maker + L"\\quorvel.desktop\\session.dat"));
  EXPECT_EQ(utf8(identity_file_path(configuration, L"installation.dat")),
            utf8(maker + L"\\identity\\quorvel\\installation.dat"));
  EXPECT_EQ(utf8(platform_file_path(configuration)), utf8(maker + L"\\identity\\platform.dat"));
}

TEST(StorePathsTest, OtherRootGetsTheFirst32HexDigitsOfItsDigest) {
  const ScopedLocalAppData local;
  const std::wstring environment =
      local.folder().wstring() + L"\\Halvarin\\environments\\d30a576c0318716717366ab932e3d7df";
  const ClientConfiguration configuration = configuration_for("http://127.0.0.1:8080");

  EXPECT_EQ(utf8(data_directory(configuration)), utf8(environment));
  EXPECT_EQ(utf8(session_file_path(configuration, L"session.dat")),
            utf8(environment + L"\\quorvel.desktop\\session.dat"));
  EXPECT_EQ(utf8(identity_file_path(configuration, L"installation.dat")),
            utf8(environment + L"\\identity\\quorvel\\installation.dat"));
  EXPECT_EQ(utf8(platform_file_path(configuration)),
            utf8(environment + L"\\identity\\platform.dat"));
}

TEST(StorePathsTest, RootsDifferingInCaseOrPathGetDirectoriesOfTheirOwn) {
  const ScopedLocalAppData local;
  std::vector<std::string> roots(4, std::string(kServiceRoot));
  for (char& c : roots[0]) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const size_t host = roots[1].find("://") + 3;
  roots[1][host] = static_cast<char>(std::toupper(static_cast<unsigned char>(roots[1][host])));
  roots[2].append("/v2");
  roots[3].append("/");

  std::set<std::wstring> directories = {data_directory(configuration_for(std::string(kServiceRoot)))};
  for (const std::string& root : roots) {
    const std::string digest = sha256_hex(root);
    ASSERT_EQ(digest.size(), 64u);
    const std::wstring expected = local.folder().wstring() + L"\\Halvarin\\environments\\" +
                                  widen(std::string_view(digest).substr(0, 32));
    const std::wstring directory = data_directory(configuration_for(root));
    EXPECT_EQ(utf8(directory), utf8(expected)) << root;
    directories.insert(directory);
  }
  EXPECT_EQ(directories.size(), roots.size() + 1);
}

TEST(StorePathsTest, EveryPathIsEmptyWithoutLocalAppData) {
  // Unset, and set to an empty text.
  for (const wchar_t* value : {static_cast<const wchar_t*>(nullptr), L""}) {
    const ScopedLocalAppData local(value ? std::optional<std::wstring>(value) : std::nullopt);
    for (const std::string& root : {std::string(kServiceRoot), std::string("http://127.0.0.1:8080")}) {
      const ClientConfiguration configuration = configuration_for(root);
      EXPECT_TRUE(data_directory(configuration).empty()) << root;
      EXPECT_TRUE(session_file_path(configuration, L"session.dat").empty()) << root;
      EXPECT_TRUE(identity_file_path(configuration, L"installation.dat").empty()) << root;
      EXPECT_TRUE(platform_file_path(configuration).empty()) << root;
    }
  }
}

TEST(StorePathsTest, FollowsLocalAppDataOnEveryCall) {
  const ClientConfiguration configuration = configuration_for(std::string(kServiceRoot));
  std::wstring first;
  {
    const ScopedLocalAppData local;
    first = data_directory(configuration);
  }
  const ScopedLocalAppData other;
  EXPECT_EQ(utf8(data_directory(configuration)), utf8(other.folder().wstring() + L"\\Halvarin"));
  EXPECT_NE(first, data_directory(configuration));
}

}  // namespace
}  // namespace halvarin::sdk
