#include "app/common/size_preset_list.h"

#include <algorithm>
#include <numeric>

namespace quorvel::windows {

SizePresetList build_size_preset_list(uint32_t monitor_width, uint32_t monitor_height,
                                      int32_t current_width, int32_t current_height,
                                      bool current_maximum, bool custom,
                                      const TextLookup& text) {
  const uint32_t width = monitor_width & ~1u;
  const uint32_t height = monitor_height & ~1u;
  SizePresetList list;
  for (const SizePresetEntry& preset : size_preset_table) {
    if (static_cast<uint32_t>(preset.width) <= width &&
        static_cast<uint32_t>(preset.height) <= height) {
      list.entries.push_back({text(preset.text, {}), preset.width, preset.height});
    }
  }
  // A monitor of no size has no ratio; it reads 0:0 rather than dividing
  // by zero.
  const uint32_t divisor = std::max(std::gcd(width, height), 1u);
  list.entries.push_back({text(L"main.preset_current_max",
                               {std::to_wstring(width / divisor), std::to_wstring(height / divisor),
                                std::to_wstring(width), std::to_wstring(height)}),
                          static_cast<int32_t>(width), static_cast<int32_t>(height)});
  list.entries.push_back({text(L"main.preset_custom", {}), 0, 0});

  const auto custom_index = static_cast<int32_t>(list.entries.size() - 1);
  if (current_maximum) {
    list.index = custom_index - 1;
  } else if (custom) {
    list.index = custom_index;
  } else {
    list.index = custom_index;
    for (int32_t i = 0; i < custom_index; ++i) {
      const SizePresetEntry& entry = list.entries[static_cast<std::size_t>(i)];
      if (entry.width == current_width && entry.height == current_height) {
        list.index = i;
        break;
      }
    }
  }
  return list;
}

}  // namespace quorvel::windows
