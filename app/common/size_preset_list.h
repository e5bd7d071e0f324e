// The recording sizes offered for one monitor: the fixed presets that fit,
// the monitor's own size and a custom entry, with the entry to select.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/common/size_preset.h"

namespace quorvel::windows {

// A catalogue text for a key with "{n}" arguments, in the current language.
using TextLookup =
    std::function<std::wstring(std::wstring_view key, std::vector<std::wstring> arguments)>;

struct SizePresetList {
  std::vector<SizePresetEntry> entries;  // the last one is the custom entry
  int32_t index = 0;
};

// The monitor size is made even first. With `current_maximum` the monitor's
// own entry is selected, else with `custom` the custom entry, else the first
// entry of the current size, else the custom entry.
SizePresetList build_size_preset_list(uint32_t monitor_width, uint32_t monitor_height,
                                      int32_t current_width, int32_t current_height,
                                      bool current_maximum, bool custom,
                                      const TextLookup& text);

}  // namespace quorvel::windows
