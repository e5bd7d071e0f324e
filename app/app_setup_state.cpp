// The recording setup state: commits, setters, the size and microphone
// lists and the text checks of the main window's size and bit-rate fields.
#include <cmath>
#include <cwchar>
#include <optional>
#include <utility>

#include "app/app.h"
#include "app/common/translate.h"
#include "app/microphone_list.h"

namespace quorvel::windows {

namespace {

constexpr long kMaxCustomSide = 16384;

// A whole base-10 number of 1 to 16384 read the way wcstol reads it.
std::optional<uint32_t> parse_custom_side(const std::wstring& text) {
  if (text.empty()) return std::nullopt;
  wchar_t* end = nullptr;
  const long value = std::wcstol(text.c_str(), &end, 10);
  if (end != text.c_str() + text.size()) return std::nullopt;
  if (value < 1 || value > kMaxCustomSide) return std::nullopt;
  return static_cast<uint32_t>(value);
}

// Digits only, 1 to the largest rate, the limit tested before each digit so
// that no text can overflow.
std::optional<uint32_t> parse_kbps(const std::wstring& text) {
  if (text.empty()) return std::nullopt;
  uint32_t value = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    if (value > (QualitySetting::kMaxKbps - static_cast<uint32_t>(c - L'0')) / 10) {
      return std::nullopt;
    }
    value = value * 10 + static_cast<uint32_t>(c - L'0');
  }
  if (value < 1) return std::nullopt;
  return value;
}

}  // namespace

bool App::commit_setup_state(RecordingSetupState candidate) {
  if (candidate == setup_) return false;
  setup_ = std::move(candidate);
  ++setup_revision_;
  return true;
}

bool App::set_monitor_info(std::wstring monitor_name, int32_t width, int32_t height) {
  RecordingSetupState next = setup_;
  next.monitor_name = std::move(monitor_name);
  next.monitor_width = width;
  next.monitor_height = height;
  return commit_setup_state(std::move(next));
}

bool App::set_microphone_list(std::vector<std::wstring> entries, int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= entries.size()) return false;
  RecordingSetupState next = setup_;
  next.microphone_label = entries[static_cast<std::size_t>(index)];
  next.microphones = std::move(entries);
  next.microphone_index = index;
  return commit_setup_state(std::move(next));
}

bool App::set_size_presets(std::vector<SizePresetEntry> entries, int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= entries.size()) return false;
  RecordingSetupState next = setup_;
  next.preset_label = entries[static_cast<std::size_t>(index)].text;
  next.custom_size = static_cast<std::size_t>(index) + 1 == entries.size();
  next.presets = std::move(entries);
  next.preset_index = index;
  return commit_setup_state(std::move(next));
}

bool App::set_size_values(int32_t width, int32_t height, bool select_custom) {
  RecordingSetupState next = setup_;
  next.width = width;
  next.height = height;
  if (select_custom && !next.presets.empty()) {
    next.preset_index = static_cast<int32_t>(next.presets.size() - 1);
    next.preset_label = next.presets.back().text;
    next.custom_size = true;
  }
  return commit_setup_state(std::move(next));
}

void App::set_output_folder(const std::wstring& folder) {
  RecordingSetupState next = setup_;
  next.output_folder = folder;
  if (commit_setup_state(std::move(next))) refresh_main_window(false);
}

bool App::apply_recording_quality(QualitySetting quality) {
  if (!is_valid_quality(quality)) return false;
  RecordingSetupState next = setup_;
  next.recording_quality = quality;
  return commit_setup_state(std::move(next));
}

bool App::apply_stream_quality(QualitySetting quality) {
  if (!is_valid_quality(quality)) return false;
  RecordingSetupState next = setup_;
  next.stream_quality = quality;
  return commit_setup_state(std::move(next));
}

void App::size_preset_entries(uint32_t monitor_width, uint32_t monitor_height,
                              int32_t current_width, int32_t current_height,
                              bool current_maximum, bool custom) {
  SizePresetList list = build_size_preset_list(
      monitor_width, monitor_height, current_width, current_height, current_maximum, custom,
      [this](std::wstring_view key, std::vector<std::wstring> arguments) {
        return localized_text(key, std::move(arguments));
      });
  size_presets_ = list.entries;
  set_size_presets(std::move(list.entries), list.index);
}

std::wstring App::selected_microphone_id() const {
  const int32_t index = setup_.microphone_index;
  if (index < 1 || static_cast<std::size_t>(index) > audio_devices_.size()) return {};
  return audio_devices_[static_cast<std::size_t>(index - 1)].id;
}

void App::audio_device_entries(bool keep_selection) {
  const std::wstring selected = keep_selection ? selected_microphone_id() : std::wstring();
  audio_devices_ = enumerate_audio_capture_devices(true, platform_.audio_devices);
  MicrophoneList list = build_microphone_list(
      audio_devices_, selected, [this](std::wstring_view key, std::vector<std::wstring> arguments) {
        return localized_text(key, std::move(arguments));
      });
  set_microphone_list(std::move(list.texts), list.index);
}

void App::select_size_preset(int index) {
  if (busy() || index < 0 || static_cast<std::size_t>(index) >= size_presets_.size()) {
    refresh_main_window(true);
    return;
  }
  set_size_presets(size_presets_, index);
  if (static_cast<std::size_t>(index) + 1 < size_presets_.size()) {
    const SizePresetEntry& preset = size_presets_[static_cast<std::size_t>(index)];
    const double centre_x = (capture_area_.left + capture_area_.right) * 0.5;
    const double centre_y = (capture_area_.top + capture_area_.bottom) * 0.5;
    if (!set_capture_area(centre_x, centre_y, static_cast<uint32_t>(preset.width),
                          static_cast<uint32_t>(preset.height), false, true, dialog_owner())) {
      set_size_values(setup_.width, setup_.height, true);
    }
  }
  if (main_window_) main_window_->refresh(setup_, true);
}

void App::set_custom_size(const std::wstring& width_text, const std::wstring& height_text) {
  if (!busy()) {
    const std::optional<uint32_t> width = parse_custom_side(width_text);
    const std::optional<uint32_t> height = parse_custom_side(height_text);
    if (width && height) {
      const double centre_x = (capture_area_.left + capture_area_.right) * 0.5;
      const double centre_y = (capture_area_.top + capture_area_.bottom) * 0.5;
      set_capture_area(centre_x, centre_y, *width, *height, true, true, dialog_owner());
    } else {
      show_message(L"message.invalid_size", {}, MB_ICONWARNING);
    }
  }
  refresh_main_window(true);
}

bool App::set_recording_quality(int level, const std::wstring& kbps_text) {
  return set_quality(level, kbps_text, &App::apply_recording_quality,
                     &SettingsStore::write_recording_quality);
}

bool App::set_stream_quality(int level, const std::wstring& kbps_text) {
  return set_quality(level, kbps_text, &App::apply_stream_quality,
                     &SettingsStore::write_stream_quality);
}

bool App::set_quality(int level, const std::wstring& kbps_text, QualityApply apply,
                      QualityWrite write) {
  if (busy()) {
    refresh_main_window(true);
    return false;
  }
  const std::optional<uint32_t> kbps = parse_kbps(kbps_text);
  if (!kbps || level < 0 || level > static_cast<int>(QualitySetting::kCustomLevel)) {
    show_message(L"message.invalid_bitrate", {}, MB_ICONWARNING);
    return false;
  }
  const QualitySetting quality{static_cast<uint32_t>(level), *kbps};
  (this->*apply)(quality);
  if (!(settings_.*write)(quality)) {
    show_message(L"message.quality_save_failed", {}, MB_ICONWARNING);
  }
  if (main_window_) {
    main_window_->clear_pending_bitrate_texts();
    main_window_->refresh(setup_, true);
  }
  return true;
}

void App::update_record_availability() {
  const bool editor_open = editor_ && editor_->is_open();
  const bool enabled = !editor_open && setup_.output_mode != OutputMode::kNone && region_ready_ &&
                       !selecting_ && !busy();
  RecordingSetupState next = setup_;
  next.record_enabled = enabled;
  commit_setup_state(std::move(next));
  if (main_window_) main_window_->set_recording_enabled(enabled);
}

}  // namespace quorvel::windows
