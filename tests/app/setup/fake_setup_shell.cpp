#include "tests/app/setup/fake_setup_shell.h"

#include <cstdio>
#include <string>
#include <utility>


namespace quorvel::windows::test {
namespace {

std::string number(float value) {
  char text[32];
  std::snprintf(text, sizeof(text), "%g", static_cast<double>(value));
  return text;
}

std::string narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 128 ? static_cast<char>(c) : '?');
  return out;
}

}  // namespace

std::vector<std::string> FakeSetupShell::take() { return std::exchange(calls, {}); }

void FakeSetupShell::install(ModernRecordingPreview& preview, bool with_close,
                             bool with_settings_action) {
  preview_ = &preview;
  const auto push_back = [this] { preview_->refresh(state, false); };
  preview.set_camera_handlers(
      [this, push_back](bool follow) {
        calls.push_back(std::string("follow_mouse(") + (follow ? "true" : "false") + ")");
        state.follow_mouse = follow;
        push_back();
      },
      [this, push_back](float strength) {
        calls.push_back("follow_strength(" + number(strength) + ")");
        state.follow_strength = strength;
        push_back();
      });
  preview.set_setup_handlers(
      [this, push_back](SetupToggle which, bool on) {
        calls.push_back("toggle(" + std::to_string(static_cast<int>(which)) + "," +
                        (on ? "true" : "false") + ")");
        state.toggles[static_cast<std::size_t>(which)] = on;
        push_back();
      },
      [this, push_back](SetupGain which, float gain) {
        calls.push_back("gain(" + std::to_string(static_cast<int>(which)) + "," + number(gain) +
                        ")");
        (which == SetupGain::kSystem ? state.system_gain : state.microphone_gain) = gain;
        push_back();
      });
  preview.set_device_handlers(
      [this, push_back](int index) {
        calls.push_back("microphone(" + std::to_string(index) + ")");
        if (index >= 0 && static_cast<std::size_t>(index) < state.microphones.size()) {
          state.microphone_index = index;
          push_back();
        }
      },
      [this] { calls.push_back("device_refresh()"); });
  preview.set_folder_handlers([this] { calls.push_back("choose_folder()"); },
                              [this] { calls.push_back("open_folder()"); });
  preview.set_region_handlers([this] { calls.push_back("change_screen()"); },
                              [this] { calls.push_back("reselect_region()"); });
  preview.set_start_handler([this] { calls.push_back("start()"); });
  if (with_close) {
    preview.set_close_handler([this] {
      calls.push_back("close()");
      return close_answer;
    });
  } else {
    preview.set_close_handler(nullptr);
  }
  std::function<void(ModernSettingsAction)> settings_action;
  if (with_settings_action) {
    settings_action = [this](ModernSettingsAction action) {
      calls.push_back("settings_action(" + std::to_string(static_cast<int>(action)) + ")");
    };
  }
  preview.set_settings_handlers([this] { return settings; }, std::move(settings_action));
  preview.set_watermark_handlers(
      [this] {
        calls.push_back("watermark()");
        return watermark;
      },
      [this](const RecordingWatermark& edited) {
        calls.push_back("save_watermark()");
        saved_watermark = edited;
        return save_watermark_answer;
      },
      [this](HWND) {
        calls.push_back("browse_image()");
        return browse_path;
      });
  preview.set_hotkey_handlers(
      [this](bool on) { calls.push_back(std::string("capture_mode(") + (on ? "true" : "false") + ")"); },
      [this](std::uint64_t row, unsigned key, unsigned modifiers) {
        calls.push_back("binding(" + std::to_string(row) + "," + std::to_string(key) + "," +
                        std::to_string(modifiers) + ")");
      });
  preview.set_quality_handlers(
      [this](int index) { calls.push_back("size_preset(" + std::to_string(index) + ")"); },
      [this, push_back](unsigned fps) {
        calls.push_back("frame_rate(" + std::to_string(fps) + ")");
        state.frame_rate = static_cast<int32_t>(fps);
        push_back();
      },
      [this](std::wstring width, std::wstring height) {
        calls.push_back("custom_size(" + narrow(width) + "," + narrow(height) + ")");
      });
  preview.set_recording_bitrate_handler([this, push_back](int level, std::wstring kbps) {
    calls.push_back("recording_quality(" + std::to_string(level) + "," + narrow(kbps) + ")");
    state.recording_quality.level = static_cast<uint32_t>(level);
    push_back();
  });
  preview.set_stream_bitrate_handler([this, push_back](int level, std::wstring kbps) {
    calls.push_back("stream_quality(" + std::to_string(level) + "," + narrow(kbps) + ")");
    state.stream_quality.level = static_cast<uint32_t>(level);
    push_back();
  });
  preview.set_stream_handlers(
      [this, push_back](OutputMode mode) {
        calls.push_back("output_mode(" + std::to_string(static_cast<int>(mode)) + ")");
        state.output_mode = mode;
        push_back();
      },
      [this] {
        calls.push_back("stream_settings()");
        return stream;
      },
      [this](const StreamSettings& settings) {
        calls.push_back("save_stream_settings()");
        saved_stream = settings;
        return save_stream_answer;
      });
}

}  // namespace quorvel::windows::test
