#include "account/installation_identity.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/account/protected_blob.h"
#include "tests/account/scoped_local_app_data.h"
#include "tests/account/store_test_fixture.h"
#include "tests/support/test_support.h"

namespace halvarin::sdk {
namespace {

namespace fs = std::filesystem;
using quorvel::test::utf8;
using namespace test;

const std::string kId = "installation-id-0123456789abcdef";
const std::string kCredential43 = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQ";

bool is_base64url(const std::string& text) {
  return text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_") ==
         std::string::npos;
}

fs::path aside(const fs::path& path) { return path.wstring() + L".unreadable"; }

class InstallationIdentityTest : public StoreTest {
 protected:
  // The platform credential the files hold, checked byte for byte.
  std::string stored_platform_credential() const {
    const DecryptedBlob blob = decrypt_file(platform_file(), kPlatformEntropyText);
    EXPECT_TRUE(blob.ok);
    EXPECT_EQ(utf8(blob.description), utf8(kPlatformDescription));
    EXPECT_TRUE(blob.plaintext.starts_with(root() + "\n")) << blob.plaintext;
    return blob.plaintext.substr(std::min(blob.plaintext.size(), root().size() + 1));
  }

  // A newly created unclaimed identity and its installation file.
  void expect_new_unclaimed(const InstallationIdentity& identity) const {
    EXPECT_EQ(identity.installation_id.size(), 32u);
    EXPECT_TRUE(is_base64url(identity.installation_id)) << identity.installation_id;
    EXPECT_FALSE(identity.claimed);
    EXPECT_EQ(identity.credential.size(), 43u);
    EXPECT_TRUE(is_base64url(identity.credential)) << identity.credential;
    EXPECT_EQ(identity.credential, stored_platform_credential());
    const DecryptedBlob blob = decrypt_file(installation_file(), kInstallationEntropyText);
    ASSERT_TRUE(blob.ok);
    EXPECT_EQ(blob.plaintext, root() + "\n" + identity.installation_id + "\n0\n");
    EXPECT_EQ(utf8(blob.description), utf8(kInstallationDescription));
  }
};

TEST_F(InstallationIdentityTest, FirstRunCreatesPlatformAndUnclaimedInstallation) {
  InstallationIdentity identity;
  ASSERT_EQ(ensure_installation_identity(configuration_, identity).kind, 0);
  expect_new_unclaimed(identity);
}

TEST_F(InstallationIdentityTest, EnsureLoadsTheIdentityItCreatedBefore) {
  InstallationIdentity first;
  ASSERT_EQ(ensure_installation_identity(configuration_, first).kind, 0);
  const std::string platform_bytes = read_bytes(platform_file());
  const std::string installation_bytes = read_bytes(installation_file());

  InstallationIdentity second;
  ASSERT_EQ(ensure_installation_identity(configuration_, second).kind, 0);
  EXPECT_EQ(second.installation_id, first.installation_id);
  EXPECT_EQ(second.credential, first.credential);
  EXPECT_FALSE(second.claimed);
  EXPECT_EQ(read_bytes(platform_file()), platform_bytes);
  EXPECT_EQ(read_bytes(installation_file()), installation_bytes);
}

TEST_F(InstallationIdentityTest, SecondApplicationReusesThePlatformCredential) {
  InstallationIdentity first;
  ASSERT_EQ(ensure_installation_identity(configuration_, first).kind, 0);
  const std::string platform_bytes = read_bytes(platform_file());

  ClientConfiguration beta = configuration_;
  beta.application_id = "quorvel.beta";
  InstallationIdentity second;
  ASSERT_EQ(ensure_installation_identity(beta, second).kind, 0);

  EXPECT_EQ(second.credential, first.credential);
  EXPECT_EQ(second.installation_id.size(), 32u);
  EXPECT_NE(second.installation_id, first.installation_id);
  EXPECT_EQ(read_bytes(platform_file()), platform_bytes);
  const DecryptedBlob blob = decrypt_file(data() / L"identity" / L"quorvel.beta" /
                                              L"installation.dat",
                                          "tessaly.workstation.cipher.quorvel.beta");
  ASSERT_TRUE(blob.ok);
  EXPECT_EQ(blob.plaintext, root() + "\n" + second.installation_id + "\n0\n");
}

TEST_F(InstallationIdentityTest, LoadReadsTheStoredFields) {
  struct Case {
    const char* name;
    std::string installation;
    const char* platform;  // Credential of a platform.dat, or none.
    const char* message;   // Expected failure, or none.
    InstallationIdentity expected;
  };
  const std::string c31 = kCredential43.substr(0, 31);
  const std::string other = "https://other.example";
  const std::vector<Case> cases = {
      {"unclaimed", root() + "\n" + kId + "\n0\n", kCredential43.c_str(), nullptr,
       {kId, kCredential43, false}},
      {"flag true", root() + "\n" + kId + "\ntrue\n", kCredential43.c_str(), nullptr,
       {kId, kCredential43, false}},
      {"flag space one", root() + "\n" + kId + "\n 1\n", kCredential43.c_str(), nullptr,
       {kId, kCredential43, false}},
      {"claimed", root() + "\n" + kId + "\n1\n" + kCredential43, nullptr, nullptr,
       {kId, kCredential43, true}},
      {"claimed keeps its own credential", root() + "\n" + kId + "\n1\n" + c31 + "x",
       kCredential43.c_str(), nullptr, {kId, c31 + "x", true}},
      {"claimed 31", root() + "\n" + kId + "\n1\n" + c31, nullptr,
       "The saved installation identity is incomplete.", {}},
      {"platform 20", root() + "\n" + kId + "\n0\n", "abcdefghijklmnopqrst",
       "The platform identity credential is incomplete.", {}},
      {"inline 31", root() + "\n" + kId + "\n0\n" + c31, nullptr,
       "The platform identity is unavailable.", {}},
      {"no credential anywhere", root() + "\n" + kId + "\n0\n", nullptr,
       "The platform identity is unavailable.", {}},
      {"two line feeds", root() + "\n" + kId + "\n0", kCredential43.c_str(),
       "The saved installation identity is invalid.", {}},
      {"ends after second", root() + "\n" + kId + "\n", kCredential43.c_str(),
       "The saved installation identity is invalid.", {}},
      {"one line feed", root() + "\n" + kId, kCredential43.c_str(),
       "The saved installation identity is invalid.", {}},
      {"another server", other + "\n" + kId + "\n0\n", kCredential43.c_str(),
       "The saved installation identity is invalid.", {}},
      {"empty id", root() + "\n\n1\n" + kCredential43, nullptr,
       "The saved installation identity is incomplete.", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(data());
    plant_installation(c.installation);
    if (c.platform) plant_platform(c.platform);

    InstallationIdentity identity{"stale", "stale", true};
    const Error error = load_installation_identity(configuration_, identity);
    if (c.message) {
      expect_error(error, kErrorStorage, c.message);
      EXPECT_TRUE(identity.installation_id.empty());
      EXPECT_TRUE(identity.credential.empty());
      EXPECT_FALSE(identity.claimed);
    } else {
      EXPECT_EQ(error.kind, 0) << error.message;
      EXPECT_EQ(identity.installation_id, c.expected.installation_id);
      EXPECT_EQ(identity.credential, c.expected.credential);
      EXPECT_EQ(identity.claimed, c.expected.claimed);
    }
  }
}

TEST_F(InstallationIdentityTest, LoadWithoutAFileFindsNothing) {
  InstallationIdentity identity;
  expect_error(load_installation_identity(configuration_, identity), kErrorStorage,
               "No saved Halvarin data was found.");
  EXPECT_FALSE(fs::exists(data()));
}

TEST_F(InstallationIdentityTest, InlinePlatformCredentialMovesIntoPlatformFile) {
  plant_installation(root() + "\n" + kId + "\n0\n" + kCredential43);

  InstallationIdentity identity;
  ASSERT_EQ(load_installation_identity(configuration_, identity).kind, 0);
  EXPECT_EQ(identity.installation_id, kId);
  EXPECT_EQ(identity.credential, kCredential43);
  EXPECT_FALSE(identity.claimed);
  EXPECT_EQ(decrypt_file(platform_file(), kPlatformEntropyText).plaintext,
            root() + "\n" + kCredential43);
  EXPECT_EQ(decrypt_file(installation_file(), kInstallationEntropyText).plaintext,
            root() + "\n" + kId + "\n0\n");
}

// A file without an id fails before its inline credential is moved, so the
// failing load leaves no platform identity behind.
TEST_F(InstallationIdentityTest, FileWithoutIdWritesNoPlatformIdentity) {
  plant_installation(root() + "\n\n0\n" + kCredential43);
  InstallationIdentity identity;
  expect_error(load_installation_identity(configuration_, identity), kErrorStorage,
               "The saved installation identity is incomplete.");
  EXPECT_FALSE(fs::exists(platform_file()));
}

TEST_F(InstallationIdentityTest, EnsureWithoutLocalAppDataIsUnavailable) {
  const ScopedLocalAppData unset(std::nullopt);
  InstallationIdentity identity{"stale", "stale", true};
  expect_error(ensure_installation_identity(configuration_, identity), kErrorStorage,
               "LOCALAPPDATA is unavailable.");
  EXPECT_TRUE(identity.installation_id.empty());
}

// Ways an installation.dat can be there and yet unusable, with the error
// that loading it reports.
struct Unusable {
  const char* name;
  std::function<void(const StoreTest&, const fs::path&)> arrange;
  const char* message;
};

std::vector<Unusable> unusable_installation_files() {
  return {
      {"another entropy",
       [](const StoreTest&, const fs::path& p) {
         plant_file(p, "x\ny\n0\n", "tessaly.workstation.cipher.other", kInstallationDescription);
       },
       "DPAPI could not unlock saved Halvarin data."},
      {"zero bytes", [](const StoreTest&, const fs::path& p) { write_bytes(p, ""); },
       "Saved Halvarin data is invalid."},
      {"two line feeds",
       [](const StoreTest&, const fs::path& p) {
         plant_file(p, std::string(kServiceRoot) + "\n" + kId + "\n0", kInstallationEntropyText,
                    kInstallationDescription);
       },
       "The saved installation identity is invalid."},
      {"directory", [](const StoreTest&, const fs::path& p) { fs::create_directories(p / L"x"); },
       "No saved Halvarin data was found."},
  };
}

TEST_F(InstallationIdentityTest, EnsureMovesAnUnusableInstallationFileAside) {
  for (const Unusable& c : unusable_installation_files()) {
    SCOPED_TRACE(c.name);
    fs::remove_all(data());
    plant_platform(kCredential43);
    c.arrange(*this, installation_file());
    const bool directory = fs::is_directory(installation_file());
    const std::string old_bytes = directory ? "" : read_bytes(installation_file());
    // An older file set aside is replaced.
    write_bytes(aside(installation_file()), "older");

    InstallationIdentity identity;
    ASSERT_EQ(ensure_installation_identity(configuration_, identity).kind, 0);
    expect_new_unclaimed(identity);
    EXPECT_EQ(identity.credential, kCredential43);
    if (directory) {
      EXPECT_TRUE(fs::is_directory(aside(installation_file()) / L"x"));
    } else {
      EXPECT_EQ(read_bytes(aside(installation_file())), old_bytes);
    }
  }
}

TEST_F(InstallationIdentityTest, LoadReportsAnUnusableFileAndMovesNothing) {
  for (const Unusable& c : unusable_installation_files()) {
    SCOPED_TRACE(c.name);
    fs::remove_all(data());
    plant_platform(kCredential43);
    c.arrange(*this, installation_file());
    const bool directory = fs::is_directory(installation_file());
    const std::string old_bytes = directory ? "" : read_bytes(installation_file());

    InstallationIdentity identity;
    expect_error(load_installation_identity(configuration_, identity), kErrorStorage, c.message);
    EXPECT_FALSE(fs::exists(aside(installation_file())));
    EXPECT_EQ(fs::is_directory(installation_file()), directory);
    if (!directory) {
      EXPECT_EQ(read_bytes(installation_file()), old_bytes);
    }
    EXPECT_EQ(stored_platform_credential(), kCredential43);
  }
}

TEST_F(InstallationIdentityTest, EnsureMovesAnUnusablePlatformFileAsideAtCreation) {
  const std::string other = "https://other.example";
  const std::vector<std::pair<const char*, std::function<void()>>> cases = {
      {"another entropy",
       [&] {
         plant_file(platform_file(), root() + "\n" + kCredential43, "another.entropy",
                    kPlatformDescription);
       }},
      {"zero bytes", [&] { write_bytes(platform_file(), ""); }},
      {"no line feed",
       [&] {
         plant_file(platform_file(), kCredential43, kPlatformEntropyText, kPlatformDescription);
       }},
      {"another server",
       [&] {
         plant_file(platform_file(), other + "\n" + kCredential43, kPlatformEntropyText,
                    kPlatformDescription);
       }},
      {"20 characters", [&] { plant_platform(kCredential43.substr(0, 20)); }},
  };
  for (const auto& [name, arrange] : cases) {
    SCOPED_TRACE(name);
    fs::remove_all(data());
    arrange();
    const std::string old_bytes = read_bytes(platform_file());

    InstallationIdentity identity;
    ASSERT_EQ(ensure_installation_identity(configuration_, identity).kind, 0);
    expect_new_unclaimed(identity);
    EXPECT_NE(identity.credential, kCredential43);
    EXPECT_EQ(read_bytes(aside(platform_file())), old_bytes);
  }
}

// An unclaimed installation whose platform file cannot be read fails to
// load; both files are then set aside and a new identity is made.
TEST_F(InstallationIdentityTest, EnsureReplacesAnInstallationWhosePlatformFileIsUnusable) {
  plant_installation(root() + "\n" + kId + "\n0\n");
  plant_file(platform_file(), root() + "\n" + kCredential43, "another.entropy",
             kPlatformDescription);
  const std::string installation_bytes = read_bytes(installation_file());
  const std::string platform_bytes = read_bytes(platform_file());

  InstallationIdentity identity;
  ASSERT_EQ(ensure_installation_identity(configuration_, identity).kind, 0);
  expect_new_unclaimed(identity);
  EXPECT_NE(identity.installation_id, kId);
  EXPECT_EQ(read_bytes(aside(installation_file())), installation_bytes);
  EXPECT_EQ(read_bytes(aside(platform_file())), platform_bytes);
}

TEST_F(InstallationIdentityTest, BlockedRenameReturnsTheLoadErrorAndChangesNothing) {
  plant_file(installation_file(), root() + "\n" + kId + "\n0\n", "another.entropy",
             kInstallationDescription);
  const std::string old_bytes = read_bytes(installation_file());
  const auto held = hold_open(installation_file());
  ASSERT_TRUE(held.valid());

  InstallationIdentity identity;
  expect_error(ensure_installation_identity(configuration_, identity), kErrorStorage,
               "DPAPI could not unlock saved Halvarin data.");
  EXPECT_TRUE(identity.installation_id.empty());
  EXPECT_EQ(read_bytes(installation_file()), old_bytes);
  EXPECT_FALSE(fs::exists(aside(installation_file())));
  EXPECT_FALSE(fs::exists(platform_file()));
}

TEST_F(InstallationIdentityTest, BlockedPlatformRenameReturnsTheReadError) {
  plant_file(platform_file(), root() + "\n" + kCredential43, "another.entropy",
             kPlatformDescription);
  const std::string old_bytes = read_bytes(platform_file());
  const auto held = hold_open(platform_file());
  ASSERT_TRUE(held.valid());

  InstallationIdentity identity;
  expect_error(ensure_installation_identity(configuration_, identity), kErrorStorage,
               "DPAPI could not unlock saved Halvarin data.");
  EXPECT_EQ(read_bytes(platform_file()), old_bytes);
  EXPECT_FALSE(fs::exists(aside(platform_file())));
  EXPECT_FALSE(fs::exists(installation_file()));
}

}  // namespace
}  // namespace halvarin::sdk
