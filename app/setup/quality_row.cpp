#include "app/setup/quality_row.h"

#include <utility>

#include "app/setup/event_adapters.h"
#include "app/setup/setup_texts.h"
#include "app/setup/view_factories.h"
#include "ui/platform/hosting/win32_edit.h"

namespace quorvel::windows {
namespace {

using win32_ui::layout::GridLength;

constexpr int kKbpsMaxLength = 7;
constexpr int kLabelStyle = 2;

// What the edit shows first: a pending custom text at the custom level, else
// the level's rate at the recording size.
std::wstring initial_kbps_text(const QualitySetting& quality, const RecordingSetupState& state,
                               const std::optional<std::wstring>& pending) {
  if (quality.level == QualitySetting::kCustomLevel && pending) return *pending;
  return quality_kbps_text(quality, state);
}

}  // namespace

std::unique_ptr<win32_ui::modern::View> build_quality_row(const RecordingSetupState& state,
                                                          const PreviewHandlers& handlers,
                                                          bool stream) {
  const QualitySetting& quality = stream ? state.stream_quality : state.recording_quality;
  const auto& chosen = stream ? handlers.stream_quality : handlers.recording_quality;
  const auto& edited = stream ? handlers.stream_text_edited : handlers.recording_text_edited;
  const auto& pending = stream ? handlers.pending_stream_text : handlers.pending_recording_text;

  auto grid = make_grid_panel({GridLength::fixed(54.0f), GridLength::star(1.0f),
                               GridLength::fixed(86.0f), GridLength::fixed(40.0f)},
                              {GridLength::star(1.0f)}, 8.0f);
  const std::wstring tip = setup_text(handlers, L"main.tip_quality");
  auto label = make_text(setup_text(handlers, L"main.quality"), kLabelStyle, 0, true);
  label->set_tooltip(tip);
  grid->add_child(std::move(label), {0, 0, 1, 1});

  auto combo = make_combo_box(stream ? kStreamQualityComboId : kRecordingQualityComboId);
  combo->set_items({setup_text(handlers, L"main.quality_compact"),
                    setup_text(handlers, L"main.quality_balanced"),
                    setup_text(handlers, L"main.quality_high"),
                    setup_text(handlers, L"main.quality_custom")});
  combo->set_selected_index(static_cast<int32_t>(quality.level));
  combo->set_tooltip(tip);
  combo->on_selection_changed(quality_level_adapter(chosen, decimal_text(quality.kbps)));
  grid->add_child(std::move(combo), {1, 0, 1, 1});

  auto edit = std::make_unique<win32_ui::modern::Win32Edit>(
      stream ? kStreamKbpsEditId : kRecordingKbpsEditId,
      initial_kbps_text(quality, state, pending),
      quality.level != QualitySetting::kCustomLevel);
  edit->set_max_length(kKbpsMaxLength);
  edit->set_tooltip(setup_text(handlers, L"main.tip_bitrate"));
  edit->on_text_changed(kbps_text_adapter(edited, edit.get()));
  edit->add_key_handler(kbps_enter_adapter(chosen, edit.get()));
  grid->add_child(std::move(edit), {2, 0, 1, 1});

  grid->add_child(make_text(L"kbps", kLabelStyle, 0, true), {3, 0, 1, 1});
  return grid;
}

}  // namespace quorvel::windows
