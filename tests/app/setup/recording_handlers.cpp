#include "tests/app/setup/recording_handlers.h"

#include <cstdio>

#include "tests/support/test_support.h"

namespace quorvel::windows::test {
namespace {

std::string text_of(bool value) { return value ? "true" : "false"; }
std::string text_of(int value) { return std::to_string(value); }
std::string text_of(unsigned value) { return std::to_string(value); }
std::string text_of(float value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
  return buffer;
}
std::string text_of(const std::wstring& value) { return '"' + quorvel::test::utf8(value) + '"'; }
std::string text_of(std::wstring_view value) { return text_of(std::wstring(value)); }

}  // namespace

PreviewHandlers RecordingHandlers::make(const std::wstring& locale) {
  auto log = [this](std::string name) { calls.push_back(std::move(name)); };
  auto none = [log](const char* name) { return [log, name] { log(std::string(name) + "()"); }; };
  auto one = [log](const char* name) {
    return [log, name](auto value) { log(std::string(name) + "(" + text_of(value) + ")"); };
  };
  auto two = [log](const char* name) {
    return [log, name](auto a, auto b) {
      log(std::string(name) + "(" + text_of(a) + ", " + text_of(b) + ")");
    };
  };
  PreviewHandlers h;
  h.screenshot = none("screenshot");
  h.open_theme_menu = one("open_theme_menu");
  h.open_preferences = none("open_preferences");
  h.open_help_menu = one("open_help_menu");
  h.close = none("close");
  h.change_screen = none("change_screen");
  h.reselect_region = none("reselect_region");
  h.follow_flag = one("follow_flag");
  h.follow_strength = one("follow_strength");
  static const char* const kToggleNames[] = {"toggle0", "toggle1", "toggle2", "toggle3",
                                             "toggle4", "toggle5", "toggle6", "toggle7"};
  for (std::size_t i = 0; i < h.toggles.size(); ++i) h.toggles[i] = one(kToggleNames[i]);
  h.system_gain = one("system_gain");
  h.microphone_gain = one("microphone_gain");
  h.microphone_choice = one("microphone_choice");
  h.device_refresh = none("device_refresh");
  h.choose_folder = none("choose_folder");
  h.open_folder = none("open_folder");
  h.record_to_file_switch = one("record_to_file_switch");
  h.stream_live_switch = one("stream_live_switch");
  h.open_stream_window = none("open_stream_window");
  h.open_picture_settings = none("open_picture_settings");
  h.open_sound_settings = none("open_sound_settings");
  h.open_recording_settings = none("open_recording_settings");
  h.size_preset = one("size_preset");
  h.frame_rate = one("frame_rate");
  h.recording_quality = two("recording_quality");
  h.recording_text_edited = one("recording_text_edited");
  h.stream_quality = two("stream_quality");
  h.stream_text_edited = one("stream_text_edited");
  h.custom_size = two("custom_size");
  h.locale = locale;
  return h;
}

}  // namespace quorvel::windows::test
