// Keys of the design tokens that widgets look up through the draw context
// (a view's token overrides, up its ancestors); without an override each
// widget draws its own default.
#pragma once

#include <cstdint>

namespace win32_ui::modern {

// Corner radius of a card, DIP.
inline constexpr std::uint64_t kCardRadiusToken = 0xCEDE964F24F32195ull;
// Outline width of cards and buttons, DIP.
inline constexpr std::uint64_t kOutlineWidthToken = 0x73E7D41EA7C63AE7ull;
// Border colour of a card.
inline constexpr std::uint64_t kCardBorderToken = 0xB919F456C1BF7443ull;
// Corner radius of a button, DIP.
inline constexpr std::uint64_t kButtonRadiusToken = 0x0C33E65075FDCD02ull;
// Outline colour of a non-primary button at rest.
inline constexpr std::uint64_t kButtonQuietOutlineToken = 0xB7B8B4331603F831ull;

}  // namespace win32_ui::modern
