// How the overlay's current selection was made, and the banner text that
// names it. Stored as one byte with the selection.
#pragma once

#include <cstdint>

namespace quorvel::windows {

enum class SelectionMode : uint8_t {
  current_size = 0,   // the setup size centred on the pointer when a selection starts
  window = 1,         // snapped to the top-level window under the pointer
  entire_screen = 2,  // no window qualifies under the pointer
  free_region = 3,    // dragged by the user
};

// The catalogue key of the banner for a selection of this mode; its {0} and
// {1} are the selection's width and height.
constexpr const wchar_t* selection_banner_key(SelectionMode mode) {
  switch (mode) {
    case SelectionMode::current_size:
      return L"overlay.current_spec";
    case SelectionMode::window:
      return L"overlay.window_region";
    case SelectionMode::entire_screen:
      return L"overlay.entire_screen";
    case SelectionMode::free_region:
      return L"overlay.free_region";
  }
  return L"overlay.move_hint";
}

}  // namespace quorvel::windows
