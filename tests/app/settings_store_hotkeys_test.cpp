#include <gtest/gtest.h>

#include <string>

#include "app/settings_store.h"
#include "tests/app/settings_store_fixture.h"

namespace quorvel::windows {
namespace {

using quorvel::test::dword_bytes;
using quorvel::test::RawRegistryValue;

// The current defaults as stored: modifiers << 16 | key, rows 0 to 10.
constexpr uint32_t kStoredDefaults[kHotkeyCount] = {
    0x00020070, 0x00020071, 0x00020072, 0x00020073, 0x0006005A, 0x0003005A,
    0x00060058, 0x00060053, 0x0002007B, 0x00060041, 0x00060043};

std::wstring hotkey_name(std::size_t row) { return L"Hotkey" + std::to_wstring(row); }

HotkeyValues default_values() {
  HotkeyValues values;
  for (std::size_t row = 0; row < kHotkeyCount; ++row) {
    values[row] = {static_cast<int32_t>(kStoredDefaults[row] >> 16),
                   static_cast<int32_t>(kStoredDefaults[row] & 0xFFFF)};
  }
  return values;
}

// A table no stored value in these tests equals, to see which rows a read replaced.
HotkeyValues marker_values() {
  HotkeyValues values;
  values.fill(HotkeyValue{MOD_ALT, 'Q'});
  return values;
}

class SettingsStoreHotkeysTest : public SettingsStoreTest {
 protected:
  void store_all(uint32_t stored) {
    for (std::size_t row = 0; row < kHotkeyCount; ++row) key_.set_dword(hotkey_name(row).c_str(), stored);
  }
  void expect_stored(std::size_t row, uint32_t stored) {
    EXPECT_EQ(key_.get(hotkey_name(row).c_str()), (RawRegistryValue{REG_DWORD, dword_bytes(stored)}))
        << "row " << row;
  }
  void expect_version(uint32_t version) {
    EXPECT_EQ(key_.get(L"HotkeyVersion"), (RawRegistryValue{REG_DWORD, dword_bytes(version)}));
  }
};

TEST_F(SettingsStoreHotkeysTest, IgnoresValuesWithoutAVersionAndRewritesNothing) {
  store_all(0x00030041);
  HotkeyValues hotkeys = default_values();
  store_.read_hotkeys(hotkeys);
  EXPECT_EQ(hotkeys, default_values());
  EXPECT_FALSE(key_.get(L"HotkeyVersion").has_value());
  for (std::size_t row = 0; row < kHotkeyCount; ++row) expect_stored(row, 0x00030041);
}

TEST_F(SettingsStoreHotkeysTest, IgnoresAVersionOutsideTwoToSix) {
  for (uint32_t version : {0u, 1u, 7u, 0x106u}) {
    SCOPED_TRACE(version);
    key_.set_dword(L"HotkeyVersion", version);
    store_all(0x00030041);
    HotkeyValues hotkeys = marker_values();
    store_.read_hotkeys(hotkeys);
    EXPECT_EQ(hotkeys, marker_values());
    expect_version(version);
    expect_stored(0, 0x00030041);
  }
  key_.set(L"HotkeyVersion", REG_BINARY, dword_bytes(6));
  HotkeyValues hotkeys = marker_values();
  store_.read_hotkeys(hotkeys);
  EXPECT_EQ(hotkeys, marker_values());
}

TEST_F(SettingsStoreHotkeysTest, LeavesTheTableAsItIsWithoutAKey) {
  HotkeyValues hotkeys = marker_values();
  store_.read_hotkeys(hotkeys);
  EXPECT_EQ(hotkeys, marker_values());
  EXPECT_FALSE(key_.exists());
}

TEST_F(SettingsStoreHotkeysTest, MovesAnOldLegacyDefaultToTheCurrentOneAndRewritesAll) {
  key_.set_dword(L"HotkeyVersion", 3);
  key_.set_dword(L"Hotkey8", 0x0000007B);  // F12 alone: the stop default of version 3
  key_.set_dword(L"Hotkey0", 0x00030070);  // Ctrl+Alt+F1: the user's own choice
  HotkeyValues hotkeys = default_values();
  store_.read_hotkeys(hotkeys);
  HotkeyValues expected = default_values();
  expected[0] = {MOD_CONTROL | MOD_ALT, VK_F1};
  EXPECT_EQ(hotkeys, expected);
  EXPECT_EQ(hotkeys[8], (HotkeyValue{MOD_CONTROL, VK_F12}));
  expect_version(6);
  expect_stored(0, 0x00030070);
  for (std::size_t row = 1; row < kHotkeyCount; ++row) expect_stored(row, kStoredDefaults[row]);
}

TEST_F(SettingsStoreHotkeysTest, SkipsTheDefaultsOfEachOlderLayout) {
  struct Case {
    uint32_t version;
    std::size_t row;
    uint32_t stored;  // that layout's default of the row
  };
  const Case cases[] = {
      {2, 4, 0x00020074}, {2, 8, 0x00020078}, {3, 5, 0x0003005A},
      {3, 8, 0x0000007B}, {4, 8, 0x0002007B}, {5, 6, 0x00060058},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "version " << c.version << " row " << c.row);
    key_.set_dword(L"HotkeyVersion", c.version);
    key_.set_dword(hotkey_name(c.row).c_str(), c.stored);
    HotkeyValues hotkeys = marker_values();
    store_.read_hotkeys(hotkeys);
    EXPECT_EQ(hotkeys[c.row], marker_values()[c.row]);
    expect_version(6);
    expect_stored(c.row, 0x00010051);  // the marker Alt+Q, rewritten
  }
}

TEST_F(SettingsStoreHotkeysTest, NeverReadsQuickRecordFromAnOlderLayout) {
  key_.set_dword(L"HotkeyVersion", 5);
  key_.set_dword(L"Hotkey10", 0x00030044);
  HotkeyValues hotkeys = default_values();
  store_.read_hotkeys(hotkeys);
  EXPECT_EQ(hotkeys, default_values());
  expect_version(6);
  expect_stored(10, 0x00060043);
}

TEST_F(SettingsStoreHotkeysTest, AcceptsCurrentValuesThatEqualOldDefaults) {
  key_.set_dword(L"HotkeyVersion", 6);
  key_.set_dword(L"Hotkey0", 0x00020070);
  key_.set_dword(L"Hotkey8", 0x0000007B);
  key_.set_dword(L"Hotkey10", 0x00030044);
  HotkeyValues hotkeys = marker_values();
  store_.read_hotkeys(hotkeys);
  EXPECT_EQ(hotkeys[0], (HotkeyValue{MOD_CONTROL, VK_F1}));
  EXPECT_EQ(hotkeys[8], (HotkeyValue{0, VK_F12}));
  EXPECT_EQ(hotkeys[10], (HotkeyValue{MOD_CONTROL | MOD_ALT, 'D'}));
  EXPECT_EQ(hotkeys[1], marker_values()[1]);
  // The current layout is not rewritten.
  EXPECT_FALSE(key_.get(L"Hotkey1").has_value());
}

TEST_F(SettingsStoreHotkeysTest, IgnoresClearedAndMalformedValues) {
  struct Case {
    const char* what;
    RawRegistryValue stored;
  };
  const Case cases[] = {
      {"no key", {REG_DWORD, dword_bytes(0x00020000)}},
      {"binary", {REG_BINARY, dword_bytes(0x00060041)}},
      {"two-byte dword", {REG_DWORD, {0x41, 0x00}}},
      {"eight-byte qword", {REG_QWORD, {0x41, 0x00, 0x06, 0x00, 0, 0, 0, 0}}},
      {"string", {REG_SZ, {'A', 0, 0, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    key_.set_dword(L"HotkeyVersion", 6);
    key_.set(L"Hotkey9", c.stored.type, c.stored.bytes);
    HotkeyValues hotkeys = marker_values();
    store_.read_hotkeys(hotkeys);
    EXPECT_EQ(hotkeys[9], marker_values()[9]);
  }
}

TEST_F(SettingsStoreHotkeysTest, MasksModifiersAndRefusesKeysOtherProgramsNeed) {
  struct Case {
    uint32_t stored;
    std::optional<HotkeyValue> expected;  // empty: ignored
  };
  const Case cases[] = {
      {0x40060041, HotkeyValue{MOD_CONTROL | MOD_SHIFT, 'A'}},
      {0xFFF20041, HotkeyValue{MOD_CONTROL, 'A'}},
      {0x00040041, std::nullopt},  // Shift+A
      {0x00000041, std::nullopt},  // A
      {0x4000000D, std::nullopt},  // Enter with only MOD_NOREPEAT
      {0x00080041, HotkeyValue{MOD_WIN, 'A'}},
      {0x00040087, HotkeyValue{MOD_SHIFT, VK_F24}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.stored);
    key_.set_dword(L"HotkeyVersion", 6);
    key_.set_dword(L"Hotkey9", c.stored);
    HotkeyValues hotkeys = marker_values();
    store_.read_hotkeys(hotkeys);
    EXPECT_EQ(hotkeys[9], c.expected.value_or(marker_values()[9]));
  }
}

TEST_F(SettingsStoreHotkeysTest, WritesTheVersionAndElevenPackedValues) {
  HotkeyValues hotkeys = default_values();
  hotkeys[3] = {0x12345, 0x10041};  // both halves cut to 16 bits
  hotkeys[7] = {-1, -1};
  store_.write_hotkeys(hotkeys);
  expect_version(6);
  for (std::size_t row = 0; row < kHotkeyCount; ++row) {
    const uint32_t expected = row == 3 ? 0x23450041 : row == 7 ? 0xFFFFFFFF : kStoredDefaults[row];
    expect_stored(row, expected);
  }
  EXPECT_FALSE(key_.get(L"Hotkey11").has_value());
}

}  // namespace
}  // namespace quorvel::windows
