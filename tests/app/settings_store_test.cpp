#include "app/settings_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/app/settings_store_fixture.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using quorvel::test::dword_bytes;
using quorvel::test::qword_bytes;
using quorvel::test::RawRegistryValue;
using quorvel::test::utf8;
using quorvel::test::utf16_bytes;

const RawRegistryValue kFourByteQword = {REG_QWORD, {0xE0, 0x2E, 0x00, 0x00}};

// ---- Language ----

TEST_F(SettingsStoreTest, ReadsTheLanguageTagAsStored) {
  EXPECT_FALSE(store_.read_language().has_value());
  const std::wstring tag31(31, L'x');
  key_.set_string(L"Language", tag31);
  EXPECT_EQ(store_.read_language(), tag31);
  key_.set_string(L"Language", L"zh-hans-CN");
  EXPECT_EQ(store_.read_language(), L"zh-hans-CN");
}

TEST_F(SettingsStoreTest, ReadsNoLanguageFromALongOrMistypedValue) {
  key_.set_string(L"Language", std::wstring(32, L'x'));
  EXPECT_FALSE(store_.read_language().has_value());
  key_.set_dword(L"Language", 0x0409);
  EXPECT_FALSE(store_.read_language().has_value());
  key_.set_string(L"Language", std::wstring());
  EXPECT_FALSE(store_.read_language().has_value());
}

TEST_F(SettingsStoreTest, WritesTheLanguageAsATerminatedString) {
  ASSERT_TRUE(store_.write_language(L"zh-CN"));
  EXPECT_EQ(key_.get(L"Language"), (RawRegistryValue{REG_SZ, utf16_bytes(L"zh-CN")}));
  EXPECT_EQ(store_.read_language(), L"zh-CN");
}

// ---- Close behaviour and theme mode ----

TEST_F(SettingsStoreTest, ReadsCloseBehaviourAndThemeModeWithinRange) {
  struct Case {
    const char* what;
    std::optional<RawRegistryValue> stored;
    uint32_t expected;
  };
  const Case cases[] = {
      {"missing", std::nullopt, 0},
      {"0", RawRegistryValue{REG_DWORD, dword_bytes(0)}, 0},
      {"1", RawRegistryValue{REG_DWORD, dword_bytes(1)}, 1},
      {"2", RawRegistryValue{REG_DWORD, dword_bytes(2)}, 2},
      {"3", RawRegistryValue{REG_DWORD, dword_bytes(3)}, 0},
      {"5", RawRegistryValue{REG_DWORD, dword_bytes(5)}, 0},
      {"7", RawRegistryValue{REG_DWORD, dword_bytes(7)}, 0},
      {"all bits", RawRegistryValue{REG_DWORD, dword_bytes(0xFFFFFFFF)}, 0},
      {"string", RawRegistryValue{REG_SZ, utf16_bytes(L"2")}, 0},
      {"two-byte dword", RawRegistryValue{REG_DWORD, {0x02, 0x00}}, 0},
      {"qword", RawRegistryValue{REG_QWORD, qword_bytes(2)}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    quorvel::test::write_raw_user_value(key_.path(), L"MainWindowCloseBehavior", c.stored);
    quorvel::test::write_raw_user_value(key_.path(), L"ThemeMode", c.stored);
    EXPECT_EQ(store_.read_close_behavior(), c.expected);
    EXPECT_EQ(store_.read_theme_mode(), static_cast<win32_ui::ThemeMode>(c.expected));
  }
}

TEST_F(SettingsStoreTest, RefusesACloseBehaviourAboveExit) {
  EXPECT_FALSE(store_.write_close_behavior(3));
  EXPECT_FALSE(key_.exists());
  ASSERT_TRUE(store_.write_close_behavior(MainWindowCloseBehavior::kExit));
  EXPECT_EQ(key_.get(L"MainWindowCloseBehavior"), (RawRegistryValue{REG_DWORD, dword_bytes(2)}));
  EXPECT_FALSE(store_.write_close_behavior(7));
  EXPECT_EQ(key_.get(L"MainWindowCloseBehavior"), (RawRegistryValue{REG_DWORD, dword_bytes(2)}));
}

TEST_F(SettingsStoreTest, WritesAnyThemeModeUnchanged) {
  ASSERT_TRUE(store_.write_theme_mode(7));
  EXPECT_EQ(key_.get(L"ThemeMode"), (RawRegistryValue{REG_DWORD, dword_bytes(7)}));
  ASSERT_TRUE(store_.write_theme_mode(win32_ui::kThemeModeDark));
  EXPECT_EQ(key_.get(L"ThemeMode"), (RawRegistryValue{REG_DWORD, dword_bytes(2)}));
  EXPECT_EQ(store_.read_theme_mode(), win32_ui::kThemeModeDark);
}

// ---- Qualities ----

TEST_F(SettingsStoreTest, ReadsAValidQualityWhole) {
  key_.set_qword(L"RecordingQualityV1", 0x0000000300418937);
  key_.set_qword(L"StreamQualityV1", 0x0000000000000001);
  EXPECT_EQ(store_.read_recording_quality(), (QualitySetting{3, 4294967}));
  EXPECT_EQ(store_.read_stream_quality(), (QualitySetting{0, 1}));
}

TEST_F(SettingsStoreTest, FallsBackToTheWholeDefaultQuality) {
  struct Case {
    const char* what;
    std::optional<RawRegistryValue> stored;
  };
  const Case cases[] = {
      {"missing", std::nullopt},
      {"level 4", RawRegistryValue{REG_QWORD, qword_bytes(0x0000000400002EE0)}},
      {"kbps 0", RawRegistryValue{REG_QWORD, qword_bytes(0x0000000200000000)}},
      {"kbps 4294968", RawRegistryValue{REG_QWORD, qword_bytes(0x0000000200418938)}},
      {"four-byte qword", kFourByteQword},
      {"dword", RawRegistryValue{REG_DWORD, dword_bytes(0x00002EE0)}},
      {"binary", RawRegistryValue{REG_BINARY, qword_bytes(0x0000000200001F40)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    quorvel::test::write_raw_user_value(key_.path(), L"RecordingQualityV1", c.stored);
    quorvel::test::write_raw_user_value(key_.path(), L"StreamQualityV1", c.stored);
    EXPECT_EQ(store_.read_recording_quality(), (QualitySetting{1, 12000}));
    EXPECT_EQ(store_.read_stream_quality(), (QualitySetting{1, 12000}));
  }
}

TEST_F(SettingsStoreTest, WritesTheQualityAsLevelAndKbpsInOneQword) {
  ASSERT_TRUE(store_.write_recording_quality({3, 4294967}));
  EXPECT_EQ(key_.get(L"RecordingQualityV1"),
            (RawRegistryValue{REG_QWORD, {0x37, 0x89, 0x41, 0x00, 0x03, 0x00, 0x00, 0x00}}));
  ASSERT_TRUE(store_.write_stream_quality({0, 8000}));
  EXPECT_EQ(key_.get(L"StreamQualityV1"), (RawRegistryValue{REG_QWORD, qword_bytes(0x1F40)}));
}

TEST_F(SettingsStoreTest, RefusesAnInvalidQualityWithoutWriting) {
  for (const QualitySetting& quality :
       {QualitySetting{3, 4294968}, QualitySetting{4, 1}, QualitySetting{0, 0}}) {
    SCOPED_TRACE(testing::Message() << quality.level << " " << quality.kbps);
    EXPECT_FALSE(store_.write_recording_quality(quality));
    EXPECT_FALSE(store_.write_stream_quality(quality));
  }
  EXPECT_FALSE(key_.exists());
}

// ---- Watermark ----

TEST_F(SettingsStoreTest, ReadsTheWatermarkDefaultsWhenNothingIsStored) {
  const RecordingWatermark watermark = store_.read_watermark();
  EXPECT_FALSE(watermark.enabled);
  EXPECT_EQ(watermark.mode, RecordingWatermark::kModeText);
  EXPECT_EQ(utf8(watermark.text), "Quorvel");
  EXPECT_TRUE(watermark.image_path.empty());
  EXPECT_FLOAT_EQ(watermark.opacity, 0.48f);
  EXPECT_EQ(watermark.seed, 0u);
}

TEST_F(SettingsStoreTest, ReadsTheWatermarkFieldByField) {
  key_.set_dword(L"WatermarkEnabled", 2);
  key_.set_dword(L"WatermarkMode", 1);
  key_.set_string(L"WatermarkText", L"Quarterly review");
  key_.set_string(L"WatermarkImagePath", L"C:\\logo.png");
  RecordingWatermark watermark = store_.read_watermark();
  EXPECT_TRUE(watermark.enabled);
  EXPECT_EQ(watermark.mode, RecordingWatermark::kModeImage);
  EXPECT_EQ(utf8(watermark.text), "Quarterly review");
  EXPECT_EQ(utf8(watermark.image_path), "C:\\logo.png");
  EXPECT_FLOAT_EQ(watermark.opacity, 0.48f);

  key_.set_dword(L"WatermarkEnabled", 0);
  key_.set_dword(L"WatermarkMode", 2);
  key_.set_string(L"WatermarkText", std::wstring());
  watermark = store_.read_watermark();
  EXPECT_FALSE(watermark.enabled);
  EXPECT_EQ(watermark.mode, RecordingWatermark::kModeText);
  EXPECT_EQ(utf8(watermark.text), "Quorvel");
}

TEST_F(SettingsStoreTest, ReadsWatermarkTextsUpTo8191Characters) {
  const std::wstring longest(8191, L'w');
  key_.set_string(L"WatermarkText", longest);
  EXPECT_EQ(store_.read_watermark().text, longest);
  key_.set_string(L"WatermarkText", std::wstring(8192, L'w'));
  EXPECT_EQ(utf8(store_.read_watermark().text), "Quorvel");
  key_.set_dword(L"WatermarkText", 1);
  EXPECT_EQ(utf8(store_.read_watermark().text), "Quorvel");
}

TEST_F(SettingsStoreTest, ReadsAStringUpToItsFirstNul) {
  key_.set(L"Name", REG_SZ, utf16_bytes(std::wstring(L"before\0after", 12)));
  EXPECT_EQ(utf8(store_.read_string(L"Name")), "before");
  // An unterminated value still reads whole.
  key_.set(L"Name", REG_SZ, utf16_bytes(L"open", 0));
  EXPECT_EQ(utf8(store_.read_string(L"Name")), "open");
  key_.set(L"Name", REG_SZ, utf16_bytes(std::wstring()));
  EXPECT_TRUE(store_.read_string(L"Name").empty());
  EXPECT_TRUE(store_.read_string(L"Missing").empty());
}

TEST_F(SettingsStoreTest, RefusesWatermarksThatCannotBeShownOrAreTooLong) {
  struct Case {
    const char* what;
    RecordingWatermark watermark;
  };
  const Case cases[] = {
      {"enabled text mode, empty text", {true, RecordingWatermark::kModeText, std::wstring(), std::wstring(), 0.48f, 0}},
      {"enabled image mode, empty path", {true, RecordingWatermark::kModeImage, L"x", std::wstring(), 0.48f, 0}},
      {"321 characters", {false, RecordingWatermark::kModeText, std::wstring(321, L't'), std::wstring(), 0.48f, 0}},
      {"path of 2049", {false, RecordingWatermark::kModeImage, L"x", std::wstring(2049, L'p'), 0.48f, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(store_.write_watermark(c.watermark));
    EXPECT_FALSE(key_.exists());
  }
}

TEST_F(SettingsStoreTest, WritesADisabledWatermarkWithEmptyStrings) {
  RecordingWatermark watermark;
  watermark.text.clear();
  ASSERT_TRUE(store_.write_watermark(watermark));
  // The four values and nothing else (the registry lists names sorted, so
  // the order they were set in does not show).
  std::vector<std::wstring> names = key_.value_names();
  std::sort(names.begin(), names.end());
  const std::vector<std::wstring> expected_names = {L"WatermarkEnabled", L"WatermarkImagePath",
                                                    L"WatermarkMode", L"WatermarkText"};
  EXPECT_EQ(names, expected_names);
  EXPECT_EQ(key_.get(L"WatermarkEnabled"), (RawRegistryValue{REG_DWORD, dword_bytes(0)}));
  EXPECT_EQ(key_.get(L"WatermarkMode"), (RawRegistryValue{REG_DWORD, dword_bytes(0)}));
  EXPECT_EQ(key_.get(L"WatermarkText"), (RawRegistryValue{REG_SZ, {0x00, 0x00}}));
  EXPECT_EQ(key_.get(L"WatermarkImagePath"), (RawRegistryValue{REG_SZ, {0x00, 0x00}}));
}

TEST_F(SettingsStoreTest, WritesAnEnabledWatermarkAtTheLimits) {
  const std::wstring text(320, L't');
  const std::wstring path(2048, L'p');
  ASSERT_TRUE(store_.write_watermark({true, RecordingWatermark::kModeImage, text, path, 0.9f, 77}));
  EXPECT_EQ(key_.get(L"WatermarkEnabled"), (RawRegistryValue{REG_DWORD, dword_bytes(1)}));
  EXPECT_EQ(key_.get(L"WatermarkMode"), (RawRegistryValue{REG_DWORD, dword_bytes(1)}));
  EXPECT_EQ(key_.get(L"WatermarkText"), (RawRegistryValue{REG_SZ, utf16_bytes(text)}));
  EXPECT_EQ(key_.get(L"WatermarkImagePath"), (RawRegistryValue{REG_SZ, utf16_bytes(path)}));
  // Opacity and seed are not kept.
  EXPECT_EQ(key_.value_names().size(), 4u);
  const RecordingWatermark read = store_.read_watermark();
  EXPECT_EQ(read.text, text);
  EXPECT_EQ(read.image_path, path);
  EXPECT_FLOAT_EQ(read.opacity, 0.48f);
  EXPECT_EQ(read.seed, 0u);
}

// ---- A key that cannot be opened ----

TEST_F(SettingsStoreTest, ReportsFailedWritesAndReadsDefaultsFromAnUnusableKey) {
  // A key name component over 255 characters is refused by the registry.
  const SettingsStore store(key_.path() + L"\\" + std::wstring(300, L'x'));
  EXPECT_FALSE(store.write_language(L"en-US"));
  EXPECT_FALSE(store.write_close_behavior(1));
  EXPECT_FALSE(store.write_recording_quality({2, 8000}));
  EXPECT_FALSE(store.write_stream_quality({2, 8000}));
  EXPECT_FALSE(store.write_stream_target({true, L"rtmp://example.com/live", L"key"}));
  EXPECT_FALSE(store.write_theme_mode(win32_ui::kThemeModeDark));
  RecordingWatermark watermark;
  watermark.enabled = true;
  EXPECT_FALSE(store.write_watermark(watermark));
  HotkeyValues hotkeys;
  hotkeys.fill({MOD_ALT, 'Q'});
  store.write_hotkeys(hotkeys);
  store.read_hotkeys(hotkeys);
  EXPECT_EQ(hotkeys[0], (HotkeyValue{MOD_ALT, 'Q'}));
  EXPECT_FALSE(store.read_language().has_value());
  EXPECT_EQ(store.read_close_behavior(), 0u);
  EXPECT_EQ(store.read_recording_quality(), (QualitySetting{1, 12000}));
  EXPECT_EQ(store.read_theme_mode(), win32_ui::kThemeModeSystem);
}

}  // namespace
}  // namespace quorvel::windows
