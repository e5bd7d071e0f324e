// The handlers the main window's builders receive, and the in-place updates
// of the open detail windows they and refresh() make.
#include <cstddef>
#include <utility>

#include "app/setup/modern_recording_preview.h"
#include "app/setup/quality_row.h"
#include "app/setup/setup_rules.h"
#include "app/setup/setup_texts.h"
#include "ui/views/widgets/slider.h"
#include "ui/views/widgets/widget.h"

namespace quorvel::windows {
namespace {

constexpr int kFollowStrengthSteps = 100;
constexpr int kGainSteps = 200;

}  // namespace

PreviewHandlers ModernRecordingPreview::make_handlers() {
  PreviewHandlers handlers;
  handlers.screenshot = [this] {
    if (callbacks_.settings_action) callbacks_.settings_action(ModernSettingsAction::kScreenshot);
  };
  handlers.open_theme_menu = [this](win32_ui::modern::InputOrigin origin) {
    show_theme_menu(origin);
  };
  handlers.open_help_menu = [this](win32_ui::modern::InputOrigin origin) {
    show_help_menu(origin);
  };
  handlers.open_preferences = [this] { show_preferences_window(); };
  handlers.close = [this] { SendMessageW(main_window_.hwnd(), WM_CLOSE, 0, 0); };
  handlers.change_screen = [this] {
    if (callbacks_.change_screen) callbacks_.change_screen();
  };
  handlers.reselect_region = [this] {
    if (callbacks_.reselect_region) callbacks_.reselect_region();
  };
  add_camera_handlers(handlers);
  add_sound_handlers(handlers);
  add_output_handlers(handlers);
  handlers.open_picture_settings = [this] {
    show_detail_window(picture_window_, text(L"main.picture_settings"), picture_panel_, 452.0f);
  };
  handlers.open_sound_settings = [this] {
    show_detail_window(sound_window_, text(L"main.sound_settings"), sound_panel_, 332.0f);
  };
  handlers.open_recording_settings = [this] { open_recording_settings(); };
  handlers.size_preset = [this](int index) {
    if (callbacks_.size_preset) callbacks_.size_preset(index);
  };
  handlers.frame_rate = [this](unsigned fps) {
    if (callbacks_.frame_rate) callbacks_.frame_rate(fps);
  };
  handlers.recording_quality = [this](int level, std::wstring kbps) {
    report_recording_quality(level, std::move(kbps));
  };
  handlers.recording_text_edited = [this](std::wstring_view typed) {
    pending_recording_text_ = std::wstring(typed);
  };
  handlers.pending_recording_text = pending_recording_text_;
  handlers.stream_quality = [this](int level, std::wstring kbps) {
    if (callbacks_.stream_quality) callbacks_.stream_quality(level, std::move(kbps));
  };
  handlers.stream_text_edited = [this](std::wstring_view typed) {
    pending_stream_text_ = std::wstring(typed);
  };
  handlers.pending_stream_text = pending_stream_text_;
  handlers.stream_target = stream_target_.value_or(StreamSettings{});
  handlers.custom_size = [this](std::wstring width, std::wstring height) {
    commit_custom_size(std::move(width), std::move(height));
  };
  handlers.locale = application_->language();
  return handlers;
}

void ModernRecordingPreview::add_camera_handlers(PreviewHandlers& handlers) {
  handlers.follow_flag = [this](bool follow) {
    state_.follow_mouse = follow;
    if (callbacks_.follow_mouse) callbacks_.follow_mouse(follow);
  };
  handlers.follow_strength = [this](float value) {
    const int step = slider_step(value, kFollowStrengthSteps);
    state_.follow_strength = static_cast<float>(step) / kFollowStrengthSteps;
    set_detail_text(28, text(L"main.follow_strength", {decimal_text(step)}));
    if (callbacks_.follow_strength) callbacks_.follow_strength(state_.follow_strength);
  };
}

void ModernRecordingPreview::add_sound_handlers(PreviewHandlers& handlers) {
  for (std::size_t index = 0; index < kSetupToggleCount; ++index) {
    handlers.toggles[index] = [this, index](bool on) {
      const auto which = static_cast<SetupToggle>(index);
      state_.toggles[index] = on;
      if (callbacks_.toggle) callbacks_.toggle(which, on);
      if (which == SetupToggle::kSystemAudio || which == SetupToggle::kMicrophone) {
        update_sound_controls();
        // Replaces the tree that is dispatching this event: nothing of it is
        // touched afterwards.
        rebuild_view(true);
      }
    };
  }
  const auto gain_handler = [this](SetupGain which, float RecordingSetupState::*field,
                                   int label_id, const wchar_t* key) {
    return [this, which, field, label_id, key](float value) {
      const int step = slider_step(value, kGainSteps);
      state_.*field = static_cast<float>(step) / kGainSteps;
      set_detail_text(label_id, text(key, {decimal_text(step)}));
      if (callbacks_.gain) callbacks_.gain(which, state_.*field);
    };
  };
  handlers.system_gain =
      gain_handler(SetupGain::kSystem, &RecordingSetupState::system_gain, 29, L"main.system_gain");
  handlers.microphone_gain = gain_handler(SetupGain::kMicrophone,
                                          &RecordingSetupState::microphone_gain, 30,
                                          L"main.microphone_gain");
  handlers.microphone_choice = [this](int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < state_.microphones.size()) {
      state_.microphone_index = index;
      state_.microphone_label = state_.microphones[static_cast<std::size_t>(index)];
    }
    if (callbacks_.microphone) callbacks_.microphone(index);
  };
  handlers.device_refresh = [this] {
    if (callbacks_.device_refresh) callbacks_.device_refresh();
  };
}

void ModernRecordingPreview::add_output_handlers(PreviewHandlers& handlers) {
  handlers.choose_folder = [this] {
    if (callbacks_.choose_folder) callbacks_.choose_folder();
  };
  handlers.open_folder = [this] {
    if (callbacks_.open_folder) callbacks_.open_folder();
  };
  handlers.open_stream_window = [this] { show_stream_window(); };
  handlers.record_to_file_switch = [this](bool on) { switch_output(true, on); };
  handlers.stream_live_switch = [this](bool on) { switch_output(false, on); };
}

void ModernRecordingPreview::switch_output(bool file_switch, bool on) {
  state_.output_mode = switched_output_mode(state_.output_mode, file_switch, on);
  if (callbacks_.output_mode) callbacks_.output_mode(state_.output_mode);
  rebuild_view(true);
}

void ModernRecordingPreview::update_sound_controls() {
  if (!sound_window_.is_open()) return;
  auto& surface = sound_window_.host().surface();
  const bool system_audio = state_.toggle(SetupToggle::kSystemAudio);
  const bool microphone = state_.toggle(SetupToggle::kMicrophone);
  // Extra tracks and audio files exist only when a file is recorded.
  const bool file_output = state_.output_mode == OutputMode::kFileOnly ||
                           state_.output_mode == OutputMode::kFileAndLive;
  const struct {
    int id;
    bool enabled;
  } controls[] = {{16, microphone},
                  {20, microphone && file_output},
                  {21, microphone && file_output},
                  {23, microphone},
                  {30, microphone},
                  {18, system_audio && file_output},
                  {19, system_audio && file_output},
                  {22, system_audio},
                  {29, system_audio}};
  for (const auto& control : controls) {
    if (auto* widget = surface.find_widget(control.id)) widget->set_enabled(control.enabled);
  }
  if (HWND list = GetDlgItem(sound_window_.hwnd(), 17)) EnableWindow(list, microphone);
}

void ModernRecordingPreview::update_sliders_in_place() {
  const int follow = slider_step(state_.follow_strength, kFollowStrengthSteps);
  const int system = slider_step(state_.system_gain, kGainSteps);
  const int microphone = slider_step(state_.microphone_gain, kGainSteps);
  set_detail_slider(12, 28, state_.follow_strength,
                    text(L"main.follow_strength", {decimal_text(follow)}));
  set_detail_slider(22, 29, state_.system_gain, text(L"main.system_gain", {decimal_text(system)}));
  set_detail_slider(23, 30, state_.microphone_gain,
                    text(L"main.microphone_gain", {decimal_text(microphone)}));
}

void ModernRecordingPreview::set_detail_text(int control_id, const std::wstring& label) {
  for (auto* window : {&picture_window_, &sound_window_}) {
    if (!window->is_open()) continue;
    if (auto* widget = window->host().surface().find_widget(control_id)) widget->set_text(label);
  }
}

void ModernRecordingPreview::set_detail_slider(int slider_id, int label_id, float value,
                                               const std::wstring& label) {
  for (auto* window : {&picture_window_, &sound_window_}) {
    if (!window->is_open()) continue;
    auto& surface = window->host().surface();
    auto* slider = dynamic_cast<win32_ui::modern::Slider*>(surface.find_widget(slider_id));
    auto* label_widget = surface.find_widget(label_id);
    if (!slider || !label_widget) continue;
    slider->set_value(value, win32_ui::modern::kInputAccessibility, false);
    label_widget->set_text(label);
  }
}

void ModernRecordingPreview::report_recording_quality(int level, std::wstring kbps) {
  if (callbacks_.recording_quality) callbacks_.recording_quality(level, std::move(kbps));
  HWND window = recording_window_.is_open() ? recording_window_.hwnd() : nullptr;
  if (!window || !GetDlgItem(window, kRecordingKbpsEditId)) return;
  show_quality_in_edit(window, kRecordingKbpsEditId, state_.recording_quality);
  pending_recording_text_.reset();
}

void ModernRecordingPreview::report_stream_quality(int level, std::wstring kbps) {
  if (callbacks_.stream_quality) callbacks_.stream_quality(level, std::move(kbps));
  HWND window = stream_window_.is_open() ? stream_window_.hwnd() : nullptr;
  if (!window || !GetDlgItem(window, kStreamKbpsEditId)) return;
  show_quality_in_edit(window, kStreamKbpsEditId, state_.stream_quality);
  pending_stream_text_.reset();
}

void ModernRecordingPreview::show_quality_in_edit(HWND window, int edit_id,
                                                  const QualitySetting& quality) {
  HWND edit = GetDlgItem(window, edit_id);
  SendMessageW(edit, EM_SETREADONLY, quality.level == QualitySetting::kCustomLevel ? FALSE : TRUE,
               0);
  const std::wstring kbps = quality_kbps_text(quality, state_);
  SetWindowTextW(edit, kbps.c_str());
}

void ModernRecordingPreview::commit_custom_size(std::wstring width, std::wstring height) {
  if (callbacks_.custom_size) callbacks_.custom_size(std::move(width), std::move(height));
}

}  // namespace quorvel::windows
