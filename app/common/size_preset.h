// The recording sizes the main window offers. In the fixed table the text is
// a catalogue key; in a list built for the window it is the display text.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quorvel::windows {

struct SizePresetEntry {
  std::wstring text;
  int32_t width = 0;   // pixels
  int32_t height = 0;  // pixels

  friend bool operator==(const SizePresetEntry&, const SizePresetEntry&) = default;
};

// The fixed presets in the order they are offered; the list shown adds the
// current screen's maximum and a custom entry after the ones that fit.
extern const std::array<SizePresetEntry, 5> size_preset_table;

}  // namespace quorvel::windows
