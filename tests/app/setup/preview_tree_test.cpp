// The main window's tree built from states: its frame, the source line for
// one and two monitors, the output tiles and record button for each output
// mode, the save-video subtitle, the combos and the header, in English and
// in Chinese.
#include "app/setup/preview_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/common/translate.h"
#include "app/setup/link_button.h"
#include "engine/com_apartment.h"
#include "tests/app/setup/recording_handlers.h"
#include "tests/app/setup/view_dump.h"
#include "tests/support/test_support.h"
#include "ui/platform/hosting/win32_combo_box.h"
#include "ui/views/grid_panel.h"
#include "ui/views/view_root.h"
#include "ui/views/widgets/button.h"
#include "ui/views/widgets/check_box.h"
#include "ui/views/widgets/text.h"

namespace quorvel::windows {
namespace {

using test::find_all;
using test::find_one;
using win32_ui::modern::Button;
using win32_ui::modern::CheckBox;
using win32_ui::modern::GridPanel;
using win32_ui::modern::Text;
using win32_ui::modern::View;
using win32_ui::modern::Win32ComboBox;

RecordingSetupState sample_state() {
  RecordingSetupState state;
  state.monitor_name = L"\\\\.\\DISPLAY2";
  state.monitor_width = 2560;
  state.monitor_height = 1440;
  state.width = 1920;
  state.height = 1080;
  state.frame_rate = 60;
  state.recording_quality = {1, 12000};
  state.output_folder = L"C:\\Users\\me\\Videos";
  state.presets = {{L"1920 \u00D7 1080", 1920, 1080}, {L"1280 \u00D7 720", 1280, 720},
                   {L"Custom", 0, 0}};
  state.preset_index = 0;
  state.record_enabled = true;
  return state;
}

// Runs each check in English, where texts are the catalogue's literal
// ones, and in Chinese, where they must be the catalogue's Chinese texts.
class PreviewTreeTest : public ::testing::TestWithParam<const wchar_t*> {
 protected:
  std::wstring locale() const { return GetParam(); }
  std::wstring text(std::wstring_view key, std::vector<std::wstring> args = {}) const {
    return translate_for_locale(locale(), key, std::move(args));
  }
  std::unique_ptr<View> build(const RecordingSetupState& state, int monitors = 1,
                              bool wide = true) {
    handlers_ = recorder.make(locale());
    handlers_.stream_target = stream_target;
    return build_preview_tree(wide, state, handlers_, monitors);
  }
  std::wstring text_of(View& root, int id) {
    Text* found = find_one<Text>(root, id);
    return found != nullptr ? std::wstring(found->text()) : L"";
  }

  // As on the program's UI thread: the header decodes its pictures through
  // COM, once per process.
  const ComApartment apartment{COINIT_APARTMENTTHREADED};
  test::RecordingHandlers recorder;
  StreamSettings stream_target;

 private:
  PreviewHandlers handlers_;
};

TEST_P(PreviewTreeTest, RowsFillTheWindowHeight) {
  auto tree = build(sample_state());
  auto* root = dynamic_cast<GridPanel*>(tree.get());
  ASSERT_NE(root, nullptr);
  win32_ui::modern::ViewRoot view_root;
  view_root.set_root(std::move(tree));
  view_root.layout(900.0f, 826.0f, {});
  EXPECT_EQ(root->row_sizes(), (std::vector<float>{62, 1, 692, 1, 70}));
  // The body's content grid: overlay (surface, grid) in row 2.
  auto* body = dynamic_cast<win32_ui::modern::ViewGroup*>(root->child_at(2));
  ASSERT_NE(body, nullptr);
  auto* content = dynamic_cast<GridPanel*>(body->child_at(1));
  ASSERT_NE(content, nullptr);
  float sum = 0;
  for (float row : content->row_sizes()) sum += row;
  EXPECT_EQ(sum, 692.0f);
}

TEST_P(PreviewTreeTest, WideAndNarrowDifferOnlyInSidePaddings) {
  const std::vector<std::string> wide = test::dump_tree(*build(sample_state(), 2, true));
  const std::vector<std::string> narrow = test::dump_tree(*build(sample_state(), 2, false));
  ASSERT_EQ(wide.size(), narrow.size());
  std::vector<std::pair<std::string, std::string>> differences;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] != narrow[i]) differences.emplace_back(wide[i], narrow[i]);
  }
  ASSERT_EQ(differences.size(), 3u);
  const std::pair<const char*, const char*> paddings[] = {
      {"padding=8,10,8,10", "padding=6,10,6,10"},
      {"padding=28,0,28,0", "padding=18,0,18,0"},
      {"padding=28,10,28,10", "padding=18,10,18,10"}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NE(differences[i].first.find(paddings[i].first), std::string::npos)
        << differences[i].first;
    EXPECT_NE(differences[i].second.find(paddings[i].second), std::string::npos)
        << differences[i].second;
  }
}

TEST_P(PreviewTreeTest, SourceLineOffersAnotherScreenOnlyWithSeveralMonitors) {
  for (const int monitors : {1, 2}) {
    SCOPED_TRACE(monitors);
    auto tree = build(sample_state(), monitors);
    auto* name = find_one<Text>(*tree, 20820);
    ASSERT_NE(name, nullptr);
    auto* line = dynamic_cast<GridPanel*>(name->parent());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->columns().size(), monitors == 1 ? 2u : 3u);
    const auto links = find_all(*tree, 5);
    ASSERT_EQ(links.size(), monitors == 1 ? 0u : 1u);
    if (monitors == 2) {
      auto* link = dynamic_cast<LinkButton*>(links[0]);
      ASSERT_NE(link, nullptr);
      EXPECT_EQ(link->link_text(), text(L"main.change_screen"));
    }
  }
}

TEST_P(PreviewTreeTest, SourceLineAndFooterShowMonitorAndRegion) {
  auto tree = build(sample_state(), 2);
  EXPECT_EQ(text_of(*tree, 20820), text(L"main.monitor_number", {L"2"}) + L" \u00B7 2560 \u00D7 1440");
  const std::vector<std::wstring> texts = test::texts_of(*tree);
  const std::wstring region = text(L"main.selected_region") + L" 1920 \u00D7 1080";
  const std::wstring footer =
      text(L"main.selected_region") + L" \u00B7 1920 \u00D7 1080 \u00B7 60 FPS";
  EXPECT_EQ(std::count(texts.begin(), texts.end(), region), 1);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), footer), 1);
  if (locale() == L"en-US") {
    EXPECT_EQ(text_of(*tree, 20820), L"Monitor 2 \u00B7 2560 \u00D7 1440");
    EXPECT_EQ(region, L"Selected region 1920 \u00D7 1080");
    EXPECT_EQ(footer, L"Selected region \u00B7 1920 \u00D7 1080 \u00B7 60 FPS");
  } else {
    EXPECT_NE(text(L"main.monitor_number", {L"2"}), L"Monitor 2");
  }
}

struct OutputModeCase {
  OutputMode mode;
  bool save_video;
  bool live;
  bool live_off_prefix;
  const wchar_t* record_key;
  bool record_enabled;
};

TEST_P(PreviewTreeTest, OutputModesSetTilesSubtitleAndRecordButton) {
  const OutputModeCase cases[] = {
      {OutputMode::kFileOnly, true, false, true, L"main.start_recording", true},
      {OutputMode::kLiveOnly, false, true, false, L"stream.start", true},
      {OutputMode::kFileAndLive, true, true, false, L"stream.start_both", true},
      {OutputMode::kNone, false, false, true, L"stream.start", false},
  };
  for (const OutputModeCase& c : cases) {
    for (const bool server_set : {false, true}) {
      SCOPED_TRACE(static_cast<int>(c.mode) * 10 + server_set);
      RecordingSetupState state = sample_state();
      state.output_mode = c.mode;
      stream_target.server_url = server_set ? L"rtmp://live.example/app" : L"";
      auto tree = build(state);
      auto* save = find_one<CheckBox>(*tree, 20784);
      auto* live = find_one<CheckBox>(*tree, 20785);
      ASSERT_NE(save, nullptr);
      ASSERT_NE(live, nullptr);
      EXPECT_EQ(save->is_checked(), c.save_video);
      EXPECT_EQ(live->is_checked(), c.live);
      const std::wstring subtitle =
          (c.live_off_prefix ? text(L"main.off_prefix") : L"") +
          text(server_set ? L"main.stream_ready" : L"main.stream_unset");
      const std::vector<std::wstring> texts = test::texts_of(*tree);
      EXPECT_EQ(std::count(texts.begin(), texts.end(), subtitle), 1);
      auto* record = find_one<Button>(*tree, kRecordButtonId);
      ASSERT_NE(record, nullptr);
      EXPECT_EQ(record->text(), text(c.record_key));
      EXPECT_EQ(record->is_enabled(), c.record_enabled);
    }
  }
  if (locale() == L"en-US") {
    EXPECT_EQ(text(L"main.off_prefix") + text(L"main.stream_unset"),
              L"Off \u00B7 No streaming target");
    EXPECT_EQ(text(L"main.stream_ready"), L"Streaming target configured");
    EXPECT_EQ(text(L"main.start_recording"), L"Start recording");
    EXPECT_EQ(text(L"stream.start"), L"Start livestream");
    EXPECT_EQ(text(L"stream.start_both"), L"Start recording and live");
  } else {
    EXPECT_NE(text(L"stream.start"), L"Start livestream");
  }
}

TEST_P(PreviewTreeTest, RecordButtonNeedsTheRecordFlagAndRunsItsCommand) {
  for (const bool flag : {false, true}) {
    RecordingSetupState state = sample_state();
    state.record_enabled = flag;
    auto tree = build(state);
    auto* record = find_one<Button>(*tree, kRecordButtonId);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->is_enabled(), flag);
    EXPECT_TRUE(record->is_primary());
    EXPECT_EQ(record->glyph(), 26);
    EXPECT_EQ(record->shortcut_text(), L"Ctrl + R");
    EXPECT_EQ(record->command(), std::optional<int>(kRecordCommandId));
  }
}

struct SubtitleCase {
  QualitySetting quality;
  int width;
  int height;
  int frame_rate;
  const wchar_t* folder;
  const wchar_t* quality_key;
  const wchar_t* megabits;
  const wchar_t* folder_text;  // null: the video-folder text
};

TEST_P(PreviewTreeTest, SaveVideoSubtitleNamesQualityRateAndFolder) {
  const SubtitleCase cases[] = {
      {{1, 12000}, 1920, 1080, 60, L"C:\\Users\\me\\Videos", L"main.quality_balanced", L"12",
       L"Videos"},
      {{0, 12000}, 1280, 720, 30, L"C:\\Users\\me\\Videos", L"main.quality_compact", L"0",
       L"Videos"},
      {{3, 0}, 1920, 1080, 60, L"C:\\Users\\me\\Videos", L"main.quality_custom", L"\u2014",
       L"Videos"},
      {{1, 12000}, 1920, 1080, 60, L"", L"main.quality_balanced", L"12", nullptr},
      {{2, 12000}, 1920, 1080, 60, L"D:/rec", L"main.quality_high", nullptr, L"rec"},
  };
  for (const SubtitleCase& c : cases) {
    SCOPED_TRACE(quorvel::test::utf8(c.folder) + " level " + std::to_string(c.quality.level));
    RecordingSetupState state = sample_state();
    state.recording_quality = c.quality;
    state.width = c.width;
    state.height = c.height;
    state.frame_rate = c.frame_rate;
    state.output_folder = c.folder;
    auto tree = build(state);
    const std::wstring head = text(c.quality_key) + L" \u00B7 ";
    const std::wstring tail =
        L" Mbps \u00B7 " + (c.folder_text != nullptr ? std::wstring(c.folder_text)
                                                     : text(L"main.video_folder"));
    bool found = false;
    for (const std::wstring& shown : test::texts_of(*tree)) {
      if (shown.rfind(head, 0) != 0 || shown.size() < tail.size() ||
          shown.compare(shown.size() - tail.size(), tail.size(), tail) != 0) {
        continue;
      }
      found = true;
      if (c.megabits != nullptr) EXPECT_EQ(shown, head + c.megabits + tail);
    }
    EXPECT_TRUE(found) << quorvel::test::utf8(head + L"…" + tail);
  }
}

TEST_P(PreviewTreeTest, CombosShowTheStateAndReportChoices) {
  for (const int rate : {30, 60, 25}) {
    RecordingSetupState state = sample_state();
    state.frame_rate = rate;
    auto tree = build(state);
    auto* combo = find_one<Win32ComboBox>(*tree, 10);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->items(), (std::vector<std::wstring>{L"30 FPS", L"60 FPS"}));
    EXPECT_EQ(combo->selected_index(), rate == 30 ? 0 : 1);
  }
  RecordingSetupState state = sample_state();
  state.follow_mouse = true;
  state.preset_index = -1;
  auto tree = build(state);
  auto* lens = find_one<Win32ComboBox>(*tree, 20803);
  auto* sizes = find_one<Win32ComboBox>(*tree, 7);
  ASSERT_NE(lens, nullptr);
  ASSERT_NE(sizes, nullptr);
  EXPECT_EQ(lens->items(), (std::vector<std::wstring>{text(L"main.fixed_picture"),
                                                      text(L"main.follow_picture")}));
  EXPECT_EQ(lens->selected_index(), 1);
  EXPECT_EQ(sizes->items(), (std::vector<std::wstring>{L"1920 \u00D7 1080", L"1280 \u00D7 720",
                                                       L"Custom"}));
  EXPECT_EQ(sizes->selected_index(), -1);
}

TEST_P(PreviewTreeTest, HeaderButtonsCarryTheirIdsAndLooks) {
  auto tree = build(sample_state());
  struct HeaderCase {
    int id;
    int variant;
    const wchar_t* key;
  };
  const HeaderCase cases[] = {{1, 6, L"main.screenshot"},
                              {3, 3, L"main.settings"},
                              {2, 7, L"main.theme"},
                              {4, 4, L"menu.help"},
                              {20832, 0, L"main.close"}};
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.id);
    auto* button = find_one<Button>(*tree, c.id);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->glyph(), c.variant);
    EXPECT_TRUE(button->is_flat());
    EXPECT_FALSE(button->is_primary());
    EXPECT_EQ(button->layout(), 1);
    EXPECT_EQ(button->icon_size(), 28.0f);
    EXPECT_EQ(button->tooltip(), text(c.key));
    EXPECT_TRUE(button->text().empty());
  }
  EXPECT_EQ(text_of(*tree, 20822), L"Quorvel");
}

TEST_P(PreviewTreeTest, ChineseTextsDifferFromEnglishOnes) {
  const std::vector<std::wstring> shown = test::texts_of(*build(sample_state()));
  const std::wstring title = text(L"main.new_recording");
  EXPECT_EQ(std::count(shown.begin(), shown.end(), title), 1);
  if (locale() == L"zh-CN") {
    EXPECT_NE(title, translate_for_locale(L"en-US", L"main.new_recording"));
  }
}

INSTANTIATE_TEST_SUITE_P(Locales, PreviewTreeTest, ::testing::Values(L"en-US", L"zh-CN"),
                         [](const auto& info) {
                           return std::wstring(info.param) == L"en-US" ? "English" : "Chinese";
                         });

}  // namespace
}  // namespace quorvel::windows
