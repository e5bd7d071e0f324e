// The microphone choices the main window offers: the system default first,
// then every enumerated capture device with its state, and the entry to
// select.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/common/size_preset_list.h"
#include "engine/audio_device_enumerator.h"

namespace quorvel::windows {

struct MicrophoneList {
  std::vector<std::wstring> texts;
  int32_t index = 0;  // 0: the system default
};

// Entry i + 1 is device i: its name, then " (current default)" when it is
// the default device and " (waiting to reconnect)" when it is not present.
// The entry whose endpoint id is `selected_id` is selected, else the default.
MicrophoneList build_microphone_list(const std::vector<AudioDeviceInfo>& devices,
                                     const std::wstring& selected_id, const TextLookup& text);

}  // namespace quorvel::windows
