// The control bar buttons' pictures: 15 pairs of a light and a dark PNG
// stored as RCDATA resources of the program's module (8113-8142), decoded
// once per process on first use. The table is immutable afterwards and safe
// to read from any thread.
#pragma once

#include <array>
#include <cstddef>
#include <utility>

#include "ui/views/image.h"

namespace quorvel::windows {

// Indices into the table.
inline constexpr int kControlIconTopLeft = 0;
inline constexpr int kControlIconTopRight = 1;
inline constexpr int kControlIconBottomRight = 2;
inline constexpr int kControlIconBottomLeft = 3;
inline constexpr int kControlIconDockTop = 4;
inline constexpr int kControlIconDockBottom = 5;
inline constexpr int kControlIconZoomIn = 6;
inline constexpr int kControlIconZoomOut = 7;
inline constexpr int kControlIconHide = 8;
inline constexpr int kControlIconPause = 9;
inline constexpr int kControlIconResume = 10;
inline constexpr int kControlIconStop = 11;
inline constexpr int kControlIconLiveCover = 12;
inline constexpr int kControlIconMuted = 13;
inline constexpr int kControlIconUnmuted = 14;
inline constexpr std::size_t kControlIconCount = 15;

using ControlIconPair = std::pair<win32_ui::ui::graphics::Image, win32_ui::ui::graphics::Image>;

// The resource id of the light picture of icon `index`; the dark one is the
// next id.
unsigned control_icon_resource(int index);

// The light and dark picture of every icon; a picture whose resource is
// missing or does not decode is empty, and its button draws no image.
const std::array<ControlIconPair, kControlIconCount>& control_button_icons();

}  // namespace quorvel::windows
