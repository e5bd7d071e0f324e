#include "account/protected_file.h"

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/unique_handle.h"
#include "tests/account/protected_blob.h"
#include "tests/account/store_test_fixture.h"
#include "tests/support/test_support.h"

namespace halvarin::sdk {
namespace {

namespace fs = std::filesystem;
using quorvel::windows::UniqueFile;
using test::decrypt_file;
using test::hold_open;
using test::plant_file;
using test::read_bytes;
using test::write_bytes;

constexpr char kEntropy[] = "entropy.of.this.file";
constexpr wchar_t kDescription[] = L"Test protected data";

void expect_storage_error(const Error& error, const std::string& message) {
  test::expect_error(error, kErrorStorage, message);
}

class ProtectedFileTest : public ::testing::Test {
 protected:
  fs::path target() const { return folder_ / L"data" / L"nested" / L"file.dat"; }
  fs::path temporary() const { return folder_ / L"data" / L"nested" / L"file.dat.tmp"; }

  quorvel::test::TempDir folder_;
};

TEST_F(ProtectedFileTest, WritesOneBlobWithItsDescriptionAndEntropy) {
  const std::string plaintext("first line\nsecond\0line\n", 23);

  ASSERT_EQ(write_protected_file(target().wstring(), plaintext, kEntropy, kDescription).kind, 0);

  const test::DecryptedBlob blob = decrypt_file(target(), kEntropy);
  ASSERT_TRUE(blob.ok);
  EXPECT_EQ(blob.plaintext, plaintext);
  EXPECT_EQ(quorvel::test::utf8(blob.description), quorvel::test::utf8(kDescription));
  EXPECT_FALSE(decrypt_file(target(), "another.entropy").ok);
  EXPECT_FALSE(fs::exists(temporary()));

  std::string read = "stale";
  EXPECT_EQ(read_protected_file(target().wstring(), kEntropy, read).kind, 0);
  EXPECT_EQ(read, plaintext);
}

TEST_F(ProtectedFileTest, EmptyEntropyRoundTrips) {
  ASSERT_EQ(write_protected_file(target().wstring(), "text", "", kDescription).kind, 0);
  const test::DecryptedBlob blob = decrypt_file(target(), "");
  ASSERT_TRUE(blob.ok);
  EXPECT_EQ(blob.plaintext, "text");
  std::string read;
  EXPECT_EQ(read_protected_file(target().wstring(), "", read).kind, 0);
  EXPECT_EQ(read, "text");
}

TEST_F(ProtectedFileTest, ReadsOnlyWhatItCanOpenSizeAndUnlock) {
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> arrange;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"missing", [](const fs::path&) {}, "No saved Halvarin data was found."},
      {"directory", [](const fs::path& p) { fs::create_directories(p); },
       "No saved Halvarin data was found."},
      {"empty", [](const fs::path& p) { write_bytes(p, ""); }, "Saved Halvarin data is invalid."},
      {"65537 bytes", [](const fs::path& p) { write_bytes(p, std::string(65537, 'x')); },
       "Saved Halvarin data is invalid."},
      // Passes the size check and then fails to decrypt.
      {"65536 bytes", [](const fs::path& p) { write_bytes(p, std::string(65536, 'x')); },
       "DPAPI could not unlock saved Halvarin data."},
      {"another entropy",
       [](const fs::path& p) { plant_file(p, "secret", "another.entropy", kDescription); },
       "DPAPI could not unlock saved Halvarin data."},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    const fs::path path = folder_ / (L"case" + std::to_wstring(i)) / L"file.dat";
    cases[i].arrange(path);
    std::string read = "stale";
    expect_storage_error(read_protected_file(path.wstring(), kEntropy, read), cases[i].message);
    EXPECT_TRUE(read.empty());
  }
}

TEST_F(ProtectedFileTest, UnmakeableFolderFailsBeforeWriting) {
  write_bytes(folder_ / L"data", "a file where the folder belongs");
  expect_storage_error(write_protected_file(target().wstring(), "text", kEntropy, kDescription),
                       "The Halvarin data directory could not be created.");
  EXPECT_EQ(read_bytes(folder_ / L"data"), "a file where the folder belongs");
}

TEST_F(ProtectedFileTest, UnwritableTemporaryFileLeavesThePreviousFile) {
  plant_file(target(), "previous", kEntropy, kDescription);
  fs::create_directories(temporary());

  expect_storage_error(write_protected_file(target().wstring(), "next", kEntropy, kDescription),
                       "Protected Halvarin data could not be written.");
  EXPECT_EQ(decrypt_file(target(), kEntropy).plaintext, "previous");
}

TEST_F(ProtectedFileTest, ReplacesAReadOnlyTarget) {
  plant_file(target(), "previous", kEntropy, kDescription);
  ASSERT_TRUE(SetFileAttributesW(target().c_str(), FILE_ATTRIBUTE_READONLY));

  ASSERT_EQ(write_protected_file(target().wstring(), "next", kEntropy, kDescription).kind, 0);
  EXPECT_EQ(decrypt_file(target(), kEntropy).plaintext, "next");
  EXPECT_FALSE(fs::exists(temporary()));
  SetFileAttributesW(target().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ProtectedFileTest, FailedCommitKeepsThePreviousFileAndTheNextWriteSucceeds) {
  plant_file(target(), "previous", kEntropy, kDescription);
  const std::string previous_bytes = read_bytes(target());
  {
    const UniqueFile held = hold_open(target());
    ASSERT_TRUE(held.valid());

    expect_storage_error(write_protected_file(target().wstring(), "next", kEntropy, kDescription),
                         "Protected Halvarin data could not be committed.");
    EXPECT_EQ(read_bytes(target()), previous_bytes);
    EXPECT_EQ(decrypt_file(target(), kEntropy).plaintext, "previous");
    std::string read;
    EXPECT_EQ(read_protected_file(target().wstring(), kEntropy, read).kind, 0);
    EXPECT_EQ(read, "previous");
    // The new blob waits in the temporary file, which no reader consults.
    ASSERT_TRUE(fs::exists(temporary()));
    EXPECT_EQ(decrypt_file(temporary(), kEntropy).plaintext, "next");
  }
  ASSERT_EQ(write_protected_file(target().wstring(), "after", kEntropy, kDescription).kind, 0);
  EXPECT_EQ(decrypt_file(target(), kEntropy).plaintext, "after");
  EXPECT_FALSE(fs::exists(temporary()));
}

TEST_F(ProtectedFileTest, LeftoverTemporaryFileNeverDisturbsAWrite) {
  plant_file(target(), "previous", kEntropy, kDescription);
  write_bytes(temporary(), std::string(70000, '\x5A'));

  ASSERT_EQ(write_protected_file(target().wstring(), "next", kEntropy, kDescription).kind, 0);
  EXPECT_EQ(decrypt_file(target(), kEntropy).plaintext, "next");
  EXPECT_FALSE(fs::exists(temporary()));
}

TEST_F(ProtectedFileTest, DirectoryEntryExistsForFilesAndFoldersOnly) {
  EXPECT_FALSE(directory_entry_exists(target().wstring()));
  EXPECT_FALSE(directory_entry_exists((folder_ / L"missing" / L"deeper").wstring()));
  write_bytes(target(), "x");
  EXPECT_TRUE(directory_entry_exists(target().wstring()));
  EXPECT_TRUE(directory_entry_exists((folder_ / L"data").wstring()));
}

// A query that fails for another reason than "not found" must not hide an
// entry: the read that follows then reports what is wrong.
TEST_F(ProtectedFileTest, QueryFailingForAnotherReasonCountsAsPresent) {
  const std::wstring path = folder_.path().wstring() + L"\\bad<name>\\file.dat";
  SetLastError(ERROR_SUCCESS);
  ASSERT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
  const DWORD reason = GetLastError();
  ASSERT_NE(reason, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  ASSERT_NE(reason, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  EXPECT_TRUE(directory_entry_exists(path));
  std::string read;
  expect_storage_error(read_protected_file(path, kEntropy, read),
                       "No saved Halvarin data was found.");
}

}  // namespace
}  // namespace halvarin::sdk
