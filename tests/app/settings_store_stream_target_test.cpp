#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/settings_store.h"
#include "tests/app/settings_store_fixture.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using quorvel::test::RawRegistryValue;
using quorvel::test::utf16_bytes;
using quorvel::test::utf8;

constexpr wchar_t kUrl[] = L"rtmps://live.example.com:443/app";
constexpr wchar_t kKey[] = L"live_123_secret";

// Protects a hand-made plaintext the way any build of the program does.
std::vector<BYTE> protect(const std::vector<BYTE>& plaintext) {
  DATA_BLOB input = {static_cast<DWORD>(plaintext.size()), const_cast<BYTE*>(plaintext.data())};
  DATA_BLOB output = {};
  if (!CryptProtectData(&input, L"test", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                        &output)) {
    ADD_FAILURE() << "CryptProtectData failed: " << GetLastError();
    return {};
  }
  std::vector<BYTE> blob(output.pbData, output.pbData + output.cbData);
  LocalFree(output.pbData);
  return blob;
}

struct Unprotected {
  std::wstring description;
  std::vector<BYTE> plaintext;
};

std::optional<Unprotected> unprotect(const std::vector<BYTE>& blob) {
  DATA_BLOB input = {static_cast<DWORD>(blob.size()), const_cast<BYTE*>(blob.data())};
  DATA_BLOB output = {};
  LPWSTR description = nullptr;
  if (!CryptUnprotectData(&input, &description, nullptr, nullptr, nullptr,
                          CRYPTPROTECT_UI_FORBIDDEN, &output)) {
    return std::nullopt;
  }
  Unprotected result{description != nullptr ? description : L"",
                     std::vector<BYTE>(output.pbData, output.pbData + output.cbData)};
  LocalFree(description);
  LocalFree(output.pbData);
  return result;
}

// The record from its layout: format "1", flag, URL, U+0000, key, U+0000.
std::vector<BYTE> record(const std::wstring& head, const std::wstring& url, const std::wstring& key) {
  std::vector<BYTE> bytes = utf16_bytes(head + url);
  const std::vector<BYTE> tail = utf16_bytes(key);
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

void expect_empty_target(const StreamSettings& settings) {
  EXPECT_FALSE(settings.complete_url);
  EXPECT_TRUE(settings.server_url.empty()) << utf8(settings.server_url);
  EXPECT_TRUE(settings.stream_key.empty()) << utf8(settings.stream_key);
}

using SettingsStoreStreamTargetTest = SettingsStoreTest;

TEST_F(SettingsStoreStreamTargetTest, StoresTheRecordProtectedForTheUser) {
  for (const bool complete_url : {true, false}) {
    SCOPED_TRACE(complete_url);
    ASSERT_TRUE(store_.write_stream_target({complete_url, kUrl, kKey}));
    const std::optional<RawRegistryValue> stored = key_.get(L"StreamTargetV1");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_BINARY));
    const std::optional<Unprotected> opened = unprotect(stored->bytes);
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(utf8(opened->description), "Quorvel stream target");
    EXPECT_EQ(opened->plaintext, record(complete_url ? L"11" : L"10", kUrl, kKey));
  }
}

TEST_F(SettingsStoreStreamTargetTest, ReadsBackWhatItStored) {
  const std::wstring longest(8192, L'u');
  const StreamSettings cases[] = {
      {true, kUrl, kKey},
      {false, kUrl, std::wstring()},
      {false, std::wstring(), std::wstring()},
      {true, longest, longest},
      {false, L"rtmp://\u00e9xample.cn/\u76f4\u64ad", L"\u5bc6\u94a5"},
  };
  for (const StreamSettings& settings : cases) {
    SCOPED_TRACE(utf8(settings.server_url.substr(0, 40)));
    ASSERT_TRUE(store_.write_stream_target(settings));
    const StreamSettings read = store_.read_stream_target();
    EXPECT_EQ(read.complete_url, settings.complete_url);
    EXPECT_EQ(read.server_url, settings.server_url);
    EXPECT_EQ(read.stream_key, settings.stream_key);
  }
}

TEST_F(SettingsStoreStreamTargetTest, RefusesTooLongTextsAndEmbeddedNuls) {
  const StreamSettings cases[] = {
      {true, std::wstring(8193, L'u'), kKey},
      {true, kUrl, std::wstring(8193, L'k')},
      {true, kUrl, std::wstring(L"live\0key", 8)},
      {true, std::wstring(L"rtmp://a\0b", 10), kKey},
  };
  for (const StreamSettings& settings : cases) {
    EXPECT_FALSE(store_.write_stream_target(settings));
    EXPECT_FALSE(key_.exists());
  }
}

TEST_F(SettingsStoreStreamTargetTest, ReadsNothingFromBlobsItCannotOpen) {
  std::vector<BYTE> junk(200);
  for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<BYTE>(i * 37 + 11);
  struct Case {
    const char* what;
    RawRegistryValue stored;
  };
  const Case cases[] = {
      {"junk", {REG_BINARY, junk}},
      {"no bytes", {REG_BINARY, {}}},
      {"65537 bytes", {REG_BINARY, std::vector<BYTE>(65537, 0x5A)}},
      {"a string", {REG_SZ, utf16_bytes(L"11rtmp://x")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(store_.write_stream_target({true, kUrl, kKey}));
    key_.set(L"StreamTargetV1", c.stored.type, c.stored.bytes);
    expect_empty_target(store_.read_stream_target());
  }
  EXPECT_FALSE(SettingsStore(key_.path() + L"\\missing").read_stream_target().complete_url);
}

TEST_F(SettingsStoreStreamTargetTest, ReadsNothingFromMalformedRecords) {
  std::vector<BYTE> odd = record(L"11", kUrl, kKey);
  odd.push_back(0x00);
  std::vector<BYTE> unterminated = record(L"11", kUrl, kKey);
  unterminated.resize(unterminated.size() - 2);
  struct Case {
    const char* what;
    std::vector<BYTE> plaintext;
  };
  const Case cases[] = {
      {"format 2", record(L"21", kUrl, kKey)},
      {"flag x", record(L"1x", kUrl, kKey)},
      {"odd length", odd},
      {"last unit not U+0000", unterminated},
      {"six bytes", utf16_bytes(L"11", 1)},
      {"NUL inside the key", record(L"11", kUrl, std::wstring(L"ab\0cd", 5))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    key_.set(L"StreamTargetV1", REG_BINARY, protect(c.plaintext));
    expect_empty_target(store_.read_stream_target());
  }
}

TEST_F(SettingsStoreStreamTargetTest, ReadsAnEmptyKeyAfterTheUrlsTerminator) {
  key_.set(L"StreamTargetV1", REG_BINARY, protect(record(L"10", kUrl, std::wstring())));
  StreamSettings read = store_.read_stream_target();
  EXPECT_FALSE(read.complete_url);
  EXPECT_EQ(read.server_url, kUrl);
  EXPECT_TRUE(read.stream_key.empty());
  // Only the closing U+0000: the URL runs up to it and the key is empty.
  key_.set(L"StreamTargetV1", REG_BINARY, protect(utf16_bytes(std::wstring(L"11") + kUrl)));
  read = store_.read_stream_target();
  EXPECT_TRUE(read.complete_url);
  EXPECT_EQ(read.server_url, kUrl);
  EXPECT_TRUE(read.stream_key.empty());
}

}  // namespace
}  // namespace quorvel::windows
