#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/settings_store.h"
#include "tests/app/settings_store_fixture.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using quorvel::test::dword_bytes;
using quorvel::test::RawRegistryValue;
using quorvel::test::utf16_bytes;

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// These tests change the test prefix's real Run key: whatever "Quorvel"
// held before is put back afterwards.
class SettingsStoreAutostartTest : public SettingsStoreTest {
 protected:
  SettingsStoreAutostartTest() : saved_(quorvel::test::read_raw_user_value(kRunKey, L"Quorvel")) {}
  ~SettingsStoreAutostartTest() override {
    quorvel::test::write_raw_user_value(kRunKey, L"Quorvel", saved_);
  }

  static std::optional<RawRegistryValue> run_value() {
    return quorvel::test::read_raw_user_value(kRunKey, L"Quorvel");
  }
  static void set_run_value(DWORD type, std::vector<BYTE> bytes) {
    quorvel::test::write_raw_user_value(kRunKey, L"Quorvel", RawRegistryValue{type, std::move(bytes)});
  }

  static std::wstring this_program() {
    wchar_t path[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return std::wstring(path, length);
  }

 private:
  std::optional<RawRegistryValue> saved_;
};

TEST_F(SettingsStoreAutostartTest, AddsTheQuotedProgramPathWithTheTraySwitch) {
  ASSERT_TRUE(store_.set_start_with_windows(true));
  const std::wstring expected = L"\"" + this_program() + L"\" --tray";
  const std::optional<RawRegistryValue> value = run_value();
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value->bytes.size(), (expected.size() + 1) * 2);
  EXPECT_EQ(value->bytes, utf16_bytes(expected));
  EXPECT_TRUE(store_.starts_with_windows());
  // The settings key itself is not touched.
  EXPECT_FALSE(key_.exists());
}

TEST_F(SettingsStoreAutostartTest, RemovesTheEntryAndCountsAMissingOneAsRemoved) {
  ASSERT_TRUE(store_.set_start_with_windows(true));
  ASSERT_TRUE(store_.set_start_with_windows(false));
  EXPECT_FALSE(run_value().has_value());
  EXPECT_FALSE(store_.starts_with_windows());
  EXPECT_TRUE(store_.set_start_with_windows(false));
}

TEST_F(SettingsStoreAutostartTest, CountsAnyStringEntryLongerThanItsNul) {
  struct Case {
    const char* what;
    DWORD type;
    std::vector<BYTE> bytes;
    bool starts;
  };
  const Case cases[] = {
      {"another program's path", REG_SZ, utf16_bytes(L"\"C:\\Other\\Quorvel.exe\" --tray"), true},
      {"expandable string", REG_EXPAND_SZ, utf16_bytes(L"%LOCALAPPDATA%\\Quorvel.exe"), true},
      {"one character", REG_SZ, utf16_bytes(L"x"), true},
      {"only a NUL", REG_SZ, {0x00, 0x00}, false},
      {"empty", REG_SZ, {}, false},
      {"a number", REG_DWORD, dword_bytes(1), false},
      {"binary", REG_BINARY, utf16_bytes(L"\"C:\\Quorvel.exe\""), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    set_run_value(c.type, c.bytes);
    EXPECT_EQ(store_.starts_with_windows(), c.starts);
  }
}

}  // namespace
}  // namespace quorvel::windows
