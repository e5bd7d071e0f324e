#include "app/microphone_list.h"

namespace quorvel::windows {

MicrophoneList build_microphone_list(const std::vector<AudioDeviceInfo>& devices,
                                     const std::wstring& selected_id, const TextLookup& text) {
  MicrophoneList list;
  list.texts.push_back(text(L"main.default_microphone", {}));
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const AudioDeviceInfo& device = devices[i];
    std::wstring entry = device.name;
    if (device.is_default) entry += text(L"main.current_default", {});
    if (!device.present) entry += text(L"main.awaiting_reconnect", {});
    list.texts.push_back(std::move(entry));
    if (!selected_id.empty() && device.id == selected_id) {
      list.index = static_cast<int32_t>(i + 1);
    }
  }
  return list;
}

}  // namespace quorvel::windows
