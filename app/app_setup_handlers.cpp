// The main window's callbacks, the live target and watermark settings, the
// file pickers and the output folder.
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <utility>

#include "app/app.h"
#include "app/readable_image.h"
#include "app/shell_file_picker.h"
#include "streaming/stream_target.h"
#include "ui/platform/scaffold/message_dialog.h"

namespace quorvel::windows {

namespace {

bool is_blank(const std::wstring& text) {
  return std::all_of(text.begin(), text.end(), [](wchar_t c) { return std::iswspace(c) != 0; });
}

// Clamped to [0, 1] and rounded to whole steps of 1 / `steps`.
float quantize(float value, float steps) {
  return std::round(std::clamp(value, 0.0f, 1.0f) * steps) / steps;
}

}  // namespace

MainWindowHandlers App::main_window_handlers() {
  MainWindowHandlers handlers;
  handlers.follow_mouse = [this](bool follow) {
    if (busy()) return refresh_main_window(false);
    RecordingSetupState next = setup_;
    next.follow_mouse = follow;
    commit_setup_state(std::move(next));
  };
  handlers.follow_strength = [this](float strength) {
    if (busy()) return refresh_main_window(false);
    if (std::isfinite(strength)) {
      RecordingSetupState next = setup_;
      next.follow_strength = quantize(strength, 100.0f);
      commit_setup_state(std::move(next));
    }
    follow_strength_ = setup_.follow_strength;
  };
  handlers.toggle = [this](SetupToggle which, bool on) {
    if (busy()) return refresh_main_window(false);
    const auto index = static_cast<std::size_t>(which);
    if (index >= kSetupToggleCount) return;
    RecordingSetupState next = setup_;
    next.toggles[index] = on;
    commit_setup_state(std::move(next));
  };
  handlers.gain = [this](SetupGain which, float gain) {
    if (busy()) return refresh_main_window(false);
    const bool system = which == SetupGain::kSystem;
    if (std::isfinite(gain)) {
      RecordingSetupState next = setup_;
      (system ? next.system_gain : next.microphone_gain) = quantize(gain, 200.0f);
      commit_setup_state(std::move(next));
    }
    if (mixer_) {
      mixer_->set_gain(system ? 0 : 1,
                       2.0f * (system ? setup_.system_gain : setup_.microphone_gain));
    }
  };
  handlers.microphone = [this](int index) {
    if (!busy() && index >= 0 && static_cast<std::size_t>(index) < setup_.microphones.size()) {
      RecordingSetupState next = setup_;
      next.microphone_index = index;
      next.microphone_label = next.microphones[static_cast<std::size_t>(index)];
      if (commit_setup_state(std::move(next))) return;
    }
    refresh_main_window(true);
  };
  handlers.place_overlay = [this] {
    place_overlay();
    refresh_main_window(true);
  };
  handlers.select_region = [this] { begin_region_selection(false); };
  handlers.refresh_devices = [this] {
    if (busy()) return;
    audio_device_entries(true);
    if (main_window_ && main_window_->is_open()) main_window_->set_audio_devices(setup_);
  };
  handlers.choose_folder = [this] {
    if (busy()) return;
    const std::wstring folder = choose_output_folder(dialog_owner());
    if (!folder.empty()) set_output_folder(folder);
  };
  handlers.open_folder = [this] { open_output_folder(); };
  handlers.start = [this] { start_recording(main_window_ ? main_window_->window() : nullptr); };
  handlers.watermark = [this] { return watermark_; };
  handlers.save_watermark = [this](const RecordingWatermark& watermark) {
    return save_watermark(watermark);
  };
  handlers.choose_watermark_image = [this](HWND owner) { return choose_watermark_image(owner); };
  handlers.size_preset = [this](int index) { select_size_preset(index); };
  handlers.frame_rate = [this](int rate) {
    if (!busy() && (rate == 30 || rate == 60)) {
      RecordingSetupState next = setup_;
      next.frame_rate = rate;
      commit_setup_state(std::move(next));
    }
    refresh_main_window(true);
  };
  handlers.custom_size = [this](std::wstring width, std::wstring height) {
    set_custom_size(width, height);
  };
  handlers.recording_quality = [this](int level, std::wstring kbps) {
    set_recording_quality(level, kbps);
  };
  handlers.stream_quality = [this](int level, std::wstring kbps) {
    set_stream_quality(level, kbps);
  };
  handlers.output_mode = [this](OutputMode mode) {
    if (busy()) return;
    RecordingSetupState next = setup_;
    next.output_mode = mode;
    commit_setup_state(std::move(next));
    update_record_availability();
    if (main_window_ && main_window_->is_open()) main_window_->refresh(setup_, true);
  };
  handlers.stream_target = [this] { return stream_target_; };
  handlers.save_stream_target = [this](const StreamSettings& settings) {
    return save_stream_settings(settings);
  };
  add_preferences_handlers(handlers);
  return handlers;
}

bool App::save_stream_settings(const StreamSettings& settings) {
  if (busy()) return false;
  if (!parse_stream_target(settings)) {
    show_message(L"stream.invalid", {}, MB_ICONWARNING);
    return false;
  }
  if (!settings_.write_stream_target(settings)) {
    show_message(L"stream.save_failed", {}, MB_ICONERROR);
    return false;
  }
  stream_target_.complete_url = settings.complete_url;
  stream_target_.server_url = settings.server_url;
  stream_target_.stream_key = settings.stream_key;
  return true;
}

bool App::save_watermark(const RecordingWatermark& watermark) {
  // The watermark window owns its messages when the main window exists.
  const auto warn = [this](std::wstring_view key, unsigned flags) {
    const HWND owner =
        main_window_ && main_window_->window() != nullptr ? main_window_->window() : dialog_owner();
    if (platform_.message) {
      platform_.message(owner, key, {}, flags);
    } else {
      win32_ui::scaffold::message_box(application_, owner, localized_text(key), L"Quorvel",
                                      flags);
    }
  };
  if (watermark.enabled && watermark.mode == RecordingWatermark::kModeText &&
      is_blank(watermark.text)) {
    warn(L"message.watermark_text_required", MB_ICONWARNING);
    return false;
  }
  if (watermark.enabled && watermark.mode == RecordingWatermark::kModeImage &&
      !is_readable_image(watermark.image_path)) {
    warn(L"message.watermark_image_invalid", MB_ICONWARNING);
    return false;
  }
  // The store refuses these lengths; saying so is kinder than reporting a
  // failed save when nothing failed.
  if (watermark.text.size() > SettingsStore::kMaxWatermarkText) {
    warn(L"message.watermark_text_too_long", MB_ICONWARNING);
    return false;
  }
  if (watermark.image_path.size() > SettingsStore::kMaxWatermarkImagePath) {
    warn(L"message.watermark_image_invalid", MB_ICONWARNING);
    return false;
  }
  if (!settings_.write_watermark(watermark)) {
    warn(L"message.watermark_change_failed", MB_ICONERROR);
    return false;
  }
  watermark_ = watermark;
  return true;
}

std::wstring App::choose_output_folder(HWND owner) {
  if (platform_.pick_folder) {
    return platform_.pick_folder(owner, setup_.output_folder).value_or(std::wstring());
  }
  return pick_folder_with_shell(owner, localized_text(L"message.choose_output_folder"),
                                setup_.output_folder);
}

std::wstring App::choose_watermark_image(HWND owner) {
  if (platform_.pick_image) {
    return platform_.pick_image(owner, watermark_.image_path).value_or(std::wstring());
  }
  return pick_image_with_shell(owner, localized_text(L"watermark.browse_title"));
}

void App::open_output_folder() {
  if (busy() && setup_.output_folder.empty()) return;
  const HWND owner =
      main_window_ && main_window_->window() != nullptr ? main_window_->window() : host_window_;
  if (setup_.output_folder.empty()) {
    const std::wstring folder = choose_output_folder(owner);
    if (!folder.empty()) set_output_folder(folder);
    if (setup_.output_folder.empty()) return;
  }
  if (platform_.open_folder) {
    platform_.open_folder(owner, setup_.output_folder);
    return;
  }
  ShellExecuteW(owner, L"open", setup_.output_folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void App::apply_default_output_folder() {
  PWSTR path = nullptr;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Videos, 0, nullptr, &path))) {
    set_output_folder(path);
  }
  CoTaskMemFree(path);
}

}  // namespace quorvel::windows
