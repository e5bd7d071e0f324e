#include "account/protected_store.h"

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

const std::string kCredential43 = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQ";

class ProtectedStoreTest : public StoreTest {};

TEST_F(ProtectedStoreTest, EntropiesAreTheFixedTexts) {
  EXPECT_EQ(kPlatformEntropy, kPlatformEntropyText);
  EXPECT_EQ(kPlatformEntropy.size(), 26u);
  EXPECT_EQ(installation_entropy("quorvel"), kInstallationEntropyText);
  EXPECT_EQ(installation_entropy("quorvel").size(), 34u);
}

TEST_F(ProtectedStoreTest, SessionFileHoldsRootLineFeedToken) {
  ASSERT_EQ(save_session(configuration_, "refresh-token-1").kind, 0);

  const DecryptedBlob blob = decrypt_file(session_file(), kSessionEntropy);
  ASSERT_TRUE(blob.ok);
  EXPECT_EQ(blob.plaintext, root() + "\nrefresh-token-1");
  EXPECT_EQ(utf8(blob.description), utf8(kSessionDescription));

  std::string token;
  ASSERT_EQ(load_session(configuration_, token).kind, 0);
  EXPECT_EQ(token, "refresh-token-1");
}

TEST_F(ProtectedStoreTest, PlatformFileHoldsRootLineFeedCredential) {
  ASSERT_EQ(save_platform_identity(configuration_, kCredential43).kind, 0);

  const DecryptedBlob blob = decrypt_file(platform_file(), kPlatformEntropyText);
  ASSERT_TRUE(blob.ok);
  EXPECT_EQ(blob.plaintext, root() + "\n" + kCredential43);
  EXPECT_EQ(utf8(blob.description), utf8(kPlatformDescription));

  std::string credential;
  ASSERT_EQ(load_platform_identity(configuration_, credential).kind, 0);
  EXPECT_EQ(credential, kCredential43);
}

TEST_F(ProtectedStoreTest, InstallationFileHoldsIdFlagAndOnlyAClaimedCredential) {
  const std::string id = "0123456789abcdefghijklmnopqrstuv";
  struct Case {
    InstallationIdentity identity;
    std::string plaintext;
  };
  const std::vector<Case> cases = {
      {{id, kCredential43, false}, root() + "\n" + id + "\n0\n"},
      {{id, "", false}, root() + "\n" + id + "\n0\n"},
      {{id, kCredential43, true}, root() + "\n" + id + "\n1\n" + kCredential43},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plaintext);
    ASSERT_EQ(save_installation_identity(configuration_, c.identity).kind, 0);
    const DecryptedBlob blob = decrypt_file(installation_file(), kInstallationEntropyText);
    ASSERT_TRUE(blob.ok);
    EXPECT_EQ(blob.plaintext, c.plaintext);
    EXPECT_EQ(utf8(blob.description), utf8(kInstallationDescription));
  }
}

TEST_F(ProtectedStoreTest, TokenWithLineFeedsComesBackWhole) {
  const std::string token = "first\nsecond\n\nthird\n";
  ASSERT_EQ(save_session(configuration_, token).kind, 0);
  EXPECT_EQ(decrypt_file(session_file(), kSessionEntropy).plaintext, root() + "\n" + token);
  std::string loaded;
  ASSERT_EQ(load_session(configuration_, loaded).kind, 0);
  EXPECT_EQ(loaded, token);
}

TEST_F(ProtectedStoreTest, SessionOfAnotherServerIsRefused) {
  const std::vector<std::string> plaintexts = {
      "https://other.example\ntoken",
      root() + "/\ntoken",
      root().substr(0, root().size() - 1) + "\ntoken",
      root() + "\n",
      root(),
      "\n" + root() + "\ntoken",
  };
  for (const std::string& plaintext : plaintexts) {
    SCOPED_TRACE(plaintext);
    plant_file(session_file(), plaintext, kSessionEntropy, kSessionDescription);
    std::string token = "stale";
    expect_error(load_session(configuration_, token), kErrorStorage,
                 "The saved session belongs to another server.");
    EXPECT_TRUE(token.empty());
  }
}

TEST_F(ProtectedStoreTest, SessionCopiedFromAnotherEnvironmentIsRefused) {
  ClientConfiguration other = configuration_;
  other.base_url = "http://127.0.0.1:8080";
  ASSERT_EQ(save_session(other, "token").kind, 0);
  const fs::path other_file =
      data() / L"environments" / L"d30a576c0318716717366ab932e3d7df" / L"quorvel.desktop" /
      L"session.dat";
  ASSERT_TRUE(fs::exists(other_file));
  fs::create_directories(session_file().parent_path());
  fs::copy_file(other_file, session_file());

  std::string token;
  expect_error(load_session(configuration_, token), kErrorStorage,
               "The saved session belongs to another server.");
}

TEST_F(ProtectedStoreTest, SessionFileSizeAndEntropyAreChecked) {
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> arrange;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"65536 bytes", [](const fs::path& p) { write_bytes(p, std::string(65536, '\x11')); },
       "DPAPI could not unlock saved Halvarin data."},
      {"65537 bytes", [](const fs::path& p) { write_bytes(p, std::string(65537, '\x11')); },
       "Saved Halvarin data is invalid."},
      {"empty", [](const fs::path& p) { write_bytes(p, ""); }, "Saved Halvarin data is invalid."},
      {"another entropy",
       [this](const fs::path& p) {
         plant_file(p, root() + "\ntoken", "another.client", kSessionDescription);
       },
       "DPAPI could not unlock saved Halvarin data."},
      {"missing", [](const fs::path& p) { fs::remove(p); }, "No saved Halvarin data was found."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.arrange(session_file());
    std::string token = "stale";
    expect_error(load_session(configuration_, token), kErrorStorage, c.message);
    EXPECT_TRUE(token.empty());
  }
}

TEST_F(ProtectedStoreTest, RemoveSessionDeletesTheFileAndAcceptsItsAbsence) {
  ASSERT_EQ(save_session(configuration_, "token").kind, 0);
  ASSERT_EQ(remove_session(configuration_).kind, 0);
  EXPECT_FALSE(fs::exists(session_file()));
  EXPECT_EQ(remove_session(configuration_).kind, 0);
  fs::remove_all(data());
  EXPECT_EQ(remove_session(configuration_).kind, 0);
}

TEST_F(ProtectedStoreTest, RemoveSessionReportsAFileItCannotDelete) {
  ASSERT_EQ(save_session(configuration_, "token").kind, 0);
  const auto held = hold_open(session_file());
  ASSERT_TRUE(held.valid());
  expect_error(remove_session(configuration_), kErrorStorage,
               "The saved session could not be removed.");
  EXPECT_TRUE(fs::exists(session_file()));
}

TEST_F(ProtectedStoreTest, WithoutLocalAppDataSavesFailAndNothingIsFound) {
  const ScopedLocalAppData unset(std::nullopt);
  const InstallationIdentity identity{"0123456789abcdefghijklmnopqrstuv", kCredential43, true};
  const std::string unavailable = "LOCALAPPDATA is unavailable.";

  expect_error(save_session(configuration_, "token"), kErrorStorage, unavailable);
  expect_error(save_platform_identity(configuration_, kCredential43), kErrorStorage, unavailable);
  expect_error(save_installation_identity(configuration_, identity), kErrorStorage, unavailable);
  std::string text = "stale";
  expect_error(load_session(configuration_, text), kErrorStorage,
               "No saved Halvarin data was found.");
  EXPECT_TRUE(text.empty());
  expect_error(load_platform_identity(configuration_, text), kErrorStorage, unavailable);
  EXPECT_EQ(remove_session(configuration_).kind, 0);
  EXPECT_FALSE(installation_file_exists(configuration_));
}

TEST_F(ProtectedStoreTest, PlatformCredentialNeedsThirtyTwoCharacters) {
  expect_error(save_platform_identity(configuration_, kCredential43.substr(0, 31)),
               kErrorInvalidArgument, "The platform identity credential is invalid.");
  EXPECT_FALSE(fs::exists(data()));

  ASSERT_EQ(save_platform_identity(configuration_, kCredential43.substr(0, 32)).kind, 0);
  EXPECT_EQ(decrypt_file(platform_file(), kPlatformEntropyText).plaintext,
            root() + "\n" + kCredential43.substr(0, 32));
}

TEST_F(ProtectedStoreTest, InstallationNeedsAnIdAndAFullClaimedCredential) {
  const std::vector<InstallationIdentity> refused = {
      {"", kCredential43, false},
      {"", kCredential43, true},
      {"0123456789abcdefghijklmnopqrstuv", kCredential43.substr(0, 31), true},
  };
  for (const InstallationIdentity& identity : refused) {
    SCOPED_TRACE(identity.installation_id + "/" + identity.credential);
    expect_error(save_installation_identity(configuration_, identity), kErrorInvalidArgument,
                 "The installation credential is invalid.");
  }
  EXPECT_FALSE(fs::exists(data()));
}

TEST_F(ProtectedStoreTest, PlatformLoadChecksServerAndCredentialLength) {
  struct Case {
    std::string plaintext;
    const char* message;
  };
  const std::vector<Case> cases = {
      {kCredential43, "The platform identity is invalid."},
      {"https://other.example\n" + kCredential43, "The platform identity is invalid."},
      {root() + "\n" + kCredential43.substr(0, 31),
       "The platform identity credential is incomplete."},
      {root() + "\n" + kCredential43.substr(0, 20),
       "The platform identity credential is incomplete."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plaintext);
    plant_file(platform_file(), c.plaintext, kPlatformEntropyText, kPlatformDescription);
    std::string credential = "stale";
    expect_error(load_platform_identity(configuration_, credential), kErrorStorage, c.message);
    EXPECT_TRUE(credential.empty());
  }
  plant_file(platform_file(), root() + "\n" + kCredential43, "another.entropy",
             kPlatformDescription);
  std::string credential;
  expect_error(load_platform_identity(configuration_, credential), kErrorStorage,
               "DPAPI could not unlock saved Halvarin data.");
}

TEST_F(ProtectedStoreTest, InstallationFileExistsForAnyEntryOfThatName) {
  EXPECT_FALSE(installation_file_exists(configuration_));
  write_bytes(installation_file(), "");
  EXPECT_TRUE(installation_file_exists(configuration_));
  fs::remove(installation_file());
  EXPECT_FALSE(installation_file_exists(configuration_));
  fs::create_directories(installation_file());
  EXPECT_TRUE(installation_file_exists(configuration_));
}

TEST_F(ProtectedStoreTest, HeldInstallationFileKeepsThePreviousIdentity) {
  const std::string id = "0123456789abcdefghijklmnopqrstuv";
  ASSERT_EQ(save_installation_identity(configuration_, {id, "", false}).kind, 0);
  {
    const auto held = hold_open(installation_file());
    ASSERT_TRUE(held.valid());
    expect_error(save_installation_identity(configuration_, {id, kCredential43, true}),
                 kErrorStorage, "Protected Halvarin data could not be committed.");
    EXPECT_EQ(decrypt_file(installation_file(), kInstallationEntropyText).plaintext,
              root() + "\n" + id + "\n0\n");
    EXPECT_TRUE(fs::exists(installation_file().wstring() + L".tmp"));
  }
  ASSERT_EQ(save_installation_identity(configuration_, {id, kCredential43, true}).kind, 0);
  EXPECT_EQ(decrypt_file(installation_file(), kInstallationEntropyText).plaintext,
            root() + "\n" + id + "\n1\n" + kCredential43);
}

}  // namespace
}  // namespace halvarin::sdk
