#include "app/common/text_catalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cwctype>
#include <iterator>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using quorvel::test::utf8;
using win32_ui::modern::ResourceBundle;
using win32_ui::modern::ResourceEntry;

// Every key of the catalogue, in catalogue order.
constexpr const wchar_t* kExpectedKeys[] = {
    L"window.main",
    L"window.settings",
    L"window.watermark",
    L"window.editor",
    L"window.about",
    L"window.hotkey_conflict",
    L"window.help",
    L"window.close",
    L"window.startup_failed",
    L"main.new_recording",
    L"main.subtitle_compact",
    L"main.close",
    L"main.picture",
    L"main.sound_cursor",
    L"main.output",
    L"main.picture_settings",
    L"main.sound_settings",
    L"main.recording_settings",
    L"main.selected_region",
    L"main.reselect_region",
    L"main.lens",
    L"main.fixed_picture",
    L"main.follow_picture",
    L"main.system_audio_short",
    L"main.microphone_short",
    L"main.cursor_short",
    L"main.configure",
    L"main.save_video",
    L"main.live_stream",
    L"main.video_folder",
    L"main.stream_ready",
    L"main.stream_unset",
    L"main.off_prefix",
    L"main.screenshot",
    L"main.theme",
    L"main.settings",
    L"main.change_screen",
    L"main.recording_specs",
    L"main.size",
    L"main.frame_rate",
    L"main.quality",
    L"main.quality_compact",
    L"main.quality_balanced",
    L"main.quality_high",
    L"main.quality_custom",
    L"main.tip_quality",
    L"main.tip_bitrate",
    L"main.tip_frame_rate",
    L"main.camera",
    L"main.follow_mouse",
    L"main.follow_strength",
    L"main.audio_cursor",
    L"main.record_cursor",
    L"main.record_system_audio",
    L"main.tip_record_system_audio",
    L"main.record_microphone",
    L"main.tip_record_microphone",
    L"main.mute_microphone",
    L"main.tip_mute_microphone",
    L"main.separate_system",
    L"main.tip_separate_system",
    L"main.system_m4a",
    L"main.tip_system_m4a",
    L"main.separate_microphone",
    L"main.tip_separate_microphone",
    L"main.microphone_m4a",
    L"main.tip_microphone_m4a",
    L"main.system_gain",
    L"main.microphone_gain",
    L"main.open_directory",
    L"main.start_recording",
    L"main.start",
    L"main.record_output",
    L"main.save_directory",
    L"main.choose_directory",
    L"main.stream_output",
    L"main.enable_recording",
    L"main.current_monitor",
    L"main.monitor_number",
    L"main.preset_landscape_1080",
    L"main.preset_portrait_1080",
    L"main.preset_square_1080",
    L"main.preset_landscape_1440",
    L"main.preset_landscape_4k",
    L"main.preset_current_max",
    L"main.preset_custom",
    L"main.default_microphone",
    L"main.current_default",
    L"main.awaiting_reconnect",
    L"message.invalid_bitrate",
    L"message.quality_save_failed",
    L"message.theme_save_failed",
    L"message.startup_change_failed",
    L"message.watermark_change_failed",
    L"message.watermark_text_required",
    L"message.watermark_image_invalid",
    L"message.watermark_text_too_long",
    L"message.hotkey_conflict_intro",
    L"message.hotkey_conflict_intro_short",
    L"message.hotkey_conflict_line",
    L"message.hotkey_conflict_startup",
    L"message.hotkey_conflict_save",
    L"message.hotkey_conflict_record",
    L"message.hotkey_duplicate",
    L"message.size_outside_screen",
    L"message.screenshot_while_recording",
    L"message.snapshot_failed",
    L"message.small_region_retry",
    L"message.edge_even_size",
    L"message.editor_create_failed",
    L"message.choose_output_folder",
    L"message.select_region_first",
    L"message.invalid_output_folder",
    L"message.create_output_folder_failed",
    L"message.recorder_init_failed",
    L"message.media_feature_pack_required",
    L"message.timeline_create_failed",
    L"message.audio_init_failed",
    L"message.control_create_failed",
    L"message.support_page_failed",
    L"message.recording_incomplete",
    L"message.capture_unrecoverable",
    L"message.disk_low",
    L"message.invalid_size",
    L"message.help",
    L"message.close_prompt",
    L"message.close_dont_ask_again",
    L"message.main_window_failed",
    L"stream.dual_encoder_unavailable",
    L"stream.no_output",
    L"stream.start_both",
    L"stream.stop_both",
    L"stream.file_active_short",
    L"stream.file_failed_short",
    L"stream.live_active_short",
    L"stream.live_failed_short",
    L"stream.live_wait_short",
    L"stream.dual_status",
    L"stream.file_saved",
    L"stream.file_incomplete",
    L"stream.live_finished",
    L"stream.live_not_sent",
    L"stream.dual_result",
    L"stream.settings",
    L"stream.start",
    L"stream.stop",
    L"stream.instructions",
    L"stream.full_url",
    L"stream.address",
    L"stream.key",
    L"stream.reveal",
    L"stream.privacy",
    L"stream.save",
    L"stream.invalid",
    L"stream.save_failed",
    L"stream.connecting",
    L"stream.publishing",
    L"stream.streaming",
    L"stream.reconnecting",
    L"stream.reconnect_short",
    L"stream.away_action",
    L"stream.resume_action",
    L"stream.mute_action",
    L"stream.unmute_action",
    L"stream.requested_spec",
    L"stream.encoded_spec",
    L"stream.encoded_mismatch",
    L"stream.encoding_pending",
    L"stream.recording_target",
    L"stream.telemetry",
    L"stream.away_status",
    L"stream.resume_status",
    L"stream.muted_status",
    L"stream.normal_status",
    L"stream.stopping",
    L"stream.error.network",
    L"stream.error.timeout",
    L"stream.error.protocol",
    L"stream.error.rejected",
    L"stream.error.not_accepted",
    L"stream.error.congestion",
    L"stream.error.encoding",
    L"stream.error.certificate",
    L"stream.error.tls",
    L"stream.help",
    L"stream.platform_help",
    L"settings.subtitle",
    L"settings.language",
    L"settings.language_english",
    L"settings.language_chinese",
    L"settings.startup",
    L"settings.startup_hint",
    L"settings.watermark",
    L"settings.watermark_configure",
    L"settings.watermark_on",
    L"settings.watermark_off",
    L"settings.hotkeys",
    L"settings.hotkeys_hint",
    L"settings.press_hotkey",
    L"watermark.subtitle",
    L"watermark.enable",
    L"watermark.enable_hint",
    L"watermark.mode",
    L"watermark.text_mode",
    L"watermark.image_mode",
    L"watermark.text_label",
    L"watermark.image_label",
    L"watermark.image_pick_prompt",
    L"watermark.image_pick_alternate",
    L"watermark.image_pick_hint",
    L"watermark.browse_title",
    L"watermark.save",
    L"menu.follow_system",
    L"menu.dark",
    L"menu.light",
    L"menu.help",
    L"menu.support",
    L"menu.about",
    L"menu.account",
    L"tray.tooltip",
    L"tray.show",
    L"tray.startup",
    L"tray.exit",
    L"about.version",
    L"about.description",
    L"about.copyright",
    L"editor.pencil",
    L"editor.rectangle",
    L"editor.ellipse",
    L"editor.arrow",
    L"editor.text",
    L"editor.thickness",
    L"editor.color",
    L"editor.undo",
    L"editor.copy",
    L"editor.save",
    L"editor.save_plain",
    L"editor.done",
    L"editor.color_tip",
    L"editor.png_image",
    L"editor.save_title",
    L"editor.copy_failed",
    L"editor.copied",
    L"editor.capture_failed",
    L"editor.selection_hint",
    L"editor.selection_drag_size",
    L"editor.save_failed",
    L"control.not_recorded",
    L"control.move_outside",
    L"control.conflict",
    L"control.top_left",
    L"control.top_right",
    L"control.bottom_right",
    L"control.bottom_left",
    L"control.dock_top",
    L"control.dock_bottom",
    L"control.zoom_in",
    L"control.zoom_out",
    L"control.hide",
    L"control.pause",
    L"control.stop",
    L"control.resume",
    L"control.recording",
    L"control.paused",
    L"control.saving",
    L"hotkey.move_top_left",
    L"hotkey.move_top_right",
    L"hotkey.move_bottom_right",
    L"hotkey.move_bottom_left",
    L"hotkey.zoom_in",
    L"hotkey.zoom_out",
    L"hotkey.toggle_control",
    L"hotkey.toggle_pause",
    L"hotkey.stop",
    L"hotkey.screenshot",
    L"hotkey.quick_record",
    L"overlay.coordinates",
    L"overlay.move_hint",
    L"overlay.small_drag",
    L"overlay.free_region",
    L"overlay.window_region",
    L"overlay.entire_screen",
    L"overlay.current_spec",
    L"overlay.exit_hint",
};

constexpr std::size_t kKeyCount = std::size(kExpectedKeys);

// The placeholders "{<digits>}" of a text, in the order they appear.
std::multiset<std::wstring> placeholders(const std::wstring& text) {
  std::multiset<std::wstring> found;
  for (std::size_t open = text.find(L'{'); open != std::wstring::npos;
       open = text.find(L'{', open + 1)) {
    std::size_t end = open + 1;
    while (end < text.size() && std::iswdigit(text[end])) ++end;
    if (end > open + 1 && end < text.size() && text[end] == L'}') {
      found.insert(text.substr(open, end - open + 1));
    }
  }
  return found;
}

TEST(TextCatalog, HoldsEveryKeyOncePerLocaleEnglishBlockFirstInOneOrder) {
  const std::vector<ResourceEntry> rows = build_text_catalog();
  ASSERT_EQ(kKeyCount, 284u);
  ASSERT_EQ(rows.size(), 568u);
  for (std::size_t i = 0; i < kKeyCount; ++i) {
    const ResourceEntry& english = rows[i];
    const ResourceEntry& chinese = rows[kKeyCount + i];
    EXPECT_EQ(english.locale, L"en-US") << i;
    EXPECT_EQ(chinese.locale, L"zh-CN") << i;
    EXPECT_EQ(english.key, kExpectedKeys[i]) << i << " " << utf8(english.key);
    EXPECT_EQ(chinese.key, kExpectedKeys[i]) << i << " " << utf8(chinese.key);
  }
  const std::set<std::wstring> distinct(std::begin(kExpectedKeys), std::end(kExpectedKeys));
  EXPECT_EQ(distinct.size(), kKeyCount);
}

// Texts that read the same in both languages: a pattern of placeholders and
// the names of the two languages, which a language picker shows in their own
// script whatever the UI language.
const std::set<std::wstring> kSameInBothLanguages = {
    L"stream.dual_status", L"settings.language_english", L"settings.language_chinese"};

// An ideograph, CJK punctuation or a full-width form.
bool has_chinese_writing(const std::wstring& text) {
  return std::any_of(text.begin(), text.end(), [](wchar_t unit) {
    return (unit >= 0x4E00 && unit <= 0x9FFF) || (unit >= 0x3000 && unit <= 0x303F) ||
           (unit >= 0xFF00 && unit <= 0xFFEF);
  });
}

TEST(TextCatalog, GivesBothTextsOfAKeyTheSamePlaceholdersAndLineBreaks) {
  const std::vector<ResourceEntry> rows = build_text_catalog();
  ASSERT_EQ(rows.size(), 2 * kKeyCount);
  const std::set<std::wstring> allowed = {L"{0}", L"{1}", L"{2}", L"{3}"};
  for (std::size_t i = 0; i < kKeyCount; ++i) {
    const std::wstring& english = rows[i].text;
    const std::wstring& chinese = rows[kKeyCount + i].text;
    const std::string key = utf8(rows[i].key);
    EXPECT_FALSE(english.empty()) << key;
    EXPECT_FALSE(chinese.empty()) << key;
    if (!kSameInBothLanguages.contains(rows[i].key)) {
      EXPECT_TRUE(has_chinese_writing(chinese)) << key << " has no translation";
    }
    EXPECT_EQ(placeholders(english), placeholders(chinese)) << key;
    EXPECT_EQ(std::count(english.begin(), english.end(), L'\n'),
              std::count(chinese.begin(), chinese.end(), L'\n'))
        << key;
    for (const std::wstring& placeholder : placeholders(english)) {
      EXPECT_TRUE(allowed.contains(placeholder)) << key << " " << utf8(placeholder);
    }
  }
}

TEST(TextCatalog, NamesEachLanguageInItsOwnScriptInBothLocales) {
  const std::vector<ResourceEntry> rows = build_text_catalog();
  const auto text_of = [&](std::wstring_view locale, std::wstring_view key) {
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const ResourceEntry& entry) {
      return entry.locale == locale && entry.key == key;
    });
    return row == rows.end() ? std::wstring() : row->text;
  };
  for (const wchar_t* locale : {L"en-US", L"zh-CN"}) {
    EXPECT_EQ(text_of(locale, L"settings.language_english"), L"English");
    EXPECT_EQ(text_of(locale, L"settings.language_chinese"), L"\u7B80\u4F53\u4E2D\u6587");
  }
}

TEST(TextCatalog, KeepsTheTypographicCharactersOfTheSourceAsUtf16) {
  const std::vector<ResourceEntry> rows = build_text_catalog();
  const auto english = [&](std::wstring_view key) {
    for (std::size_t i = 0; i < kKeyCount; ++i) {
      if (rows[i].key == key) return rows[i].text;
    }
    return std::wstring();
  };
  // Em dash, multiplication sign, middle dot, curly quotes, ellipsis, bullet.
  EXPECT_EQ(english(L"window.main"), L"Quorvel \u2014 New recording");
  EXPECT_EQ(english(L"main.preset_square_1080"), L"Square 1080 \u2014 1080 \u00D7 1080");
  EXPECT_EQ(english(L"main.off_prefix"), L"Off \u00B7 ");
  EXPECT_EQ(english(L"message.hotkey_duplicate"),
            L"\u201C{0}\u201D and \u201C{1}\u201D use the same shortcut.");
  EXPECT_EQ(english(L"stream.stopping"), L"Stopping livestream\u2026");
  EXPECT_EQ(english(L"message.hotkey_conflict_line"), L"\u2022 {0}: {1}\n");
  EXPECT_EQ(english(L"message.watermark_text_too_long"),
            L"The watermark text can be at most 320 characters.");
  EXPECT_EQ(english(L"main.follow_strength"), L"Follow strength  {0}%");
}

TEST(TextCatalog, NamesTheMakerInTheCopyrightNoticeOfBothLanguages) {
  const std::vector<ResourceEntry> rows = build_text_catalog();
  for (const ResourceEntry& row : rows) {
    if (row.key == L"about.copyright") {
      EXPECT_NE(row.text.find(L"Halvarin"), std::wstring::npos) << utf8(row.locale);
      EXPECT_NE(row.text.find(L"\u00A9"), std::wstring::npos) << utf8(row.locale);
    }
  }
}

// Comes first among the bundle tests, so that in a whole run the two threads
// make the very first call and race for the bundle's construction.
TEST(TextCatalogBundle, GivesOneBundleToThreadsThatAskAtOnce) {
  constexpr int kThreads = 2;
  // A plain mutex and condition variable, not std::barrier: libstdc++'s
  // atomic waits behind std::barrier can miss a wake-up on Windows.
  std::mutex mutex;
  std::condition_variable all_arrived;
  int arrived = 0;
  std::shared_ptr<const ResourceBundle> seen[kThreads];
  std::vector<std::jthread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      {
        std::unique_lock lock(mutex);
        if (++arrived == kThreads) {
          all_arrived.notify_all();
        } else {
          all_arrived.wait(lock, [&] { return arrived == kThreads; });
        }
      }
      seen[i] = text_catalog_bundle();
    });
  }
  threads.clear();
  ASSERT_NE(seen[0], nullptr);
  EXPECT_EQ(seen[0].get(), seen[1].get());
  EXPECT_EQ(text_catalog_bundle().get(), seen[0].get());
  EXPECT_EQ(text_catalog_bundle().get(), text_catalog_bundle().get());
}

TEST(TextCatalogBundle, FindsEveryRowUnderItsLocaleWithEnglishAsDefault) {
  const std::shared_ptr<const ResourceBundle> bundle = text_catalog_bundle();
  ASSERT_NE(bundle, nullptr);
  EXPECT_EQ(bundle->default_locale(), L"en-US");
  for (const ResourceEntry& row : build_text_catalog()) {
    EXPECT_EQ(bundle->find(row.locale, row.key), row.text) << utf8(row.key);
  }
  EXPECT_FALSE(bundle->find(L"zh-CN", L"window.nonexistent").has_value());
}

}  // namespace
}  // namespace quorvel::windows
