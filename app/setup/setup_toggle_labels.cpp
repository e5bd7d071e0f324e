#include "app/setup/setup_toggle_labels.h"

#include <array>

namespace quorvel::windows {

std::wstring_view setup_toggle_label_key(SetupToggle toggle) {
  static constexpr std::array<std::wstring_view, kSetupToggleCount> kKeys = {
      L"main.record_cursor",   L"main.record_system_audio", L"main.record_microphone",
      L"main.mute_microphone", L"main.separate_system",     L"main.system_m4a",
      L"main.separate_microphone", L"main.microphone_m4a"};
  const auto index = static_cast<std::size_t>(toggle);
  return index < kKeys.size() ? kKeys[index] : std::wstring_view{};
}

}  // namespace quorvel::windows
