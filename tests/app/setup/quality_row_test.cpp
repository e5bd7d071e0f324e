// The quality row of the recording and of the stream: what the combo and the
// edit show for a quality and a pending custom text, and what a level
// choice sends.
#include "app/setup/quality_row.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/common/translate.h"
#include "tests/app/setup/recording_handlers.h"
#include "tests/app/setup/view_dump.h"
#include "ui/platform/hosting/win32_combo_box.h"
#include "ui/platform/hosting/win32_edit.h"
#include "ui/views/view_root.h"

namespace quorvel::windows {
namespace {

using test::find_one;
using win32_ui::modern::Event;
using win32_ui::modern::Win32ComboBox;
using win32_ui::modern::Win32Edit;

struct Variant {
  bool stream;
  int combo_id;
  int edit_id;
  const char* callback;
};

const Variant kVariants[] = {{false, kRecordingQualityComboId, kRecordingKbpsEditId,
                              "recording_quality"},
                             {true, kStreamQualityComboId, kStreamKbpsEditId, "stream_quality"}};

struct RowCase {
  QualitySetting quality;
  std::optional<std::wstring> pending;
  const wchar_t* edit_text;
  bool read_only;
};

RecordingSetupState state_with(bool stream, QualitySetting quality) {
  RecordingSetupState state;
  state.width = 1920;
  state.height = 1080;
  state.frame_rate = 60;
  // The other variant's quality differs, so a row reading the wrong one
  // shows the wrong text.
  state.recording_quality = stream ? QualitySetting{0, 500} : quality;
  state.stream_quality = stream ? quality : QualitySetting{0, 500};
  return state;
}

class QualityRowTest : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(QualityRowTest, EditShowsPendingStoredOrComputedRate) {
  const RowCase cases[] = {
      {{1, 12000}, std::nullopt, L"12000", true},
      {{3, 8000}, std::nullopt, L"8000", false},
      {{3, 8000}, L"9500", L"9500", false},
      {{1, 8000}, L"9500", L"12000", true},
      {{1, 0}, std::nullopt, L"", true},
  };
  for (const Variant& variant : kVariants) {
    for (const RowCase& c : cases) {
      SCOPED_TRACE(std::string(variant.callback) + " level " + std::to_string(c.quality.level) +
                   " kbps " + std::to_string(c.quality.kbps));
      test::RecordingHandlers recorder;
      PreviewHandlers handlers = recorder.make(GetParam());
      (variant.stream ? handlers.pending_stream_text : handlers.pending_recording_text) =
          c.pending;
      // The other variant's pending text must not leak into this row.
      (variant.stream ? handlers.pending_recording_text : handlers.pending_stream_text) =
          L"777";
      auto row = build_quality_row(state_with(variant.stream, c.quality), handlers,
                                   variant.stream);
      auto* combo = find_one<Win32ComboBox>(*row, variant.combo_id);
      auto* edit = find_one<Win32Edit>(*row, variant.edit_id);
      ASSERT_NE(combo, nullptr);
      ASSERT_NE(edit, nullptr);
      EXPECT_EQ(combo->selected_index(), static_cast<int>(c.quality.level));
      EXPECT_EQ(combo->items(),
                (std::vector<std::wstring>{
                    translate_for_locale(GetParam(), L"main.quality_compact"),
                    translate_for_locale(GetParam(), L"main.quality_balanced"),
                    translate_for_locale(GetParam(), L"main.quality_high"),
                    translate_for_locale(GetParam(), L"main.quality_custom")}));
      EXPECT_EQ(edit->window_text(), c.edit_text);
      EXPECT_EQ(edit->is_read_only(), c.read_only);
      EXPECT_EQ(edit->max_length(), 7);
      EXPECT_EQ(edit->tooltip(), translate_for_locale(GetParam(), L"main.tip_bitrate"));
      EXPECT_TRUE(test::find_all(*row, variant.stream ? kRecordingKbpsEditId : kStreamKbpsEditId)
                      .empty());
    }
  }
}

TEST_P(QualityRowTest, LevelChoiceSendsTheStoredRateNeverThePendingText) {
  for (const Variant& variant : kVariants) {
    SCOPED_TRACE(variant.callback);
    test::RecordingHandlers recorder;
    PreviewHandlers handlers = recorder.make(GetParam());
    handlers.pending_recording_text = L"9500";
    handlers.pending_stream_text = L"9500";
    auto row = build_quality_row(state_with(variant.stream, {3, 8000}), handlers,
                                 variant.stream);
    auto* combo = find_one<Win32ComboBox>(*row, variant.combo_id);
    ASSERT_NE(combo, nullptr);
    win32_ui::modern::ViewRoot root;
    root.set_root(std::move(row));
    for (const int index : {2, -1, 4}) {
      Event event;
      event.kind = Event::kSelectionChanged;
      event.index = index;
      combo->post_event(event);
    }
    EXPECT_EQ(recorder.calls,
              std::vector<std::string>{std::string(variant.callback) + "(2, \"8000\")"});
  }
}

INSTANTIATE_TEST_SUITE_P(Locales, QualityRowTest, ::testing::Values(L"en-US", L"zh-CN"),
                         [](const auto& info) {
                           return std::wstring(info.param) == L"en-US" ? "English" : "Chinese";
                         });

}  // namespace
}  // namespace quorvel::windows
