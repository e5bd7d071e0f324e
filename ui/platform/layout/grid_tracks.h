// Grid track lengths and the track-sizing routines shared by the layout
// engine's GridPanel and the view tree's grid panel.
//
// Sizes are DIP. Shares-out stop at 0.001 DIP, so every loop ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/platform/layout/layout_types.h"

namespace win32_ui::layout {

// One column or row: fixed size, automatic (sized by content) or star (a
// weighted share of the space left). A NaN given to any maker becomes 0, so
// no NaN reaches the track arithmetic.
struct GridLength {
  static constexpr std::int32_t kFixed = 0;
  static constexpr std::int32_t kAuto = 1;
  static constexpr std::int32_t kStar = 2;

  std::int32_t kind = kStar;
  // The fixed size, or the star weight; automatic tracks carry 1.0.
  float value = 1.0f;
  float min = 0.0f;
  float max = kUnbounded;

  static GridLength fixed(float value, float min = 0.0f, float max = kUnbounded);
  static GridLength automatic(float min = 0.0f, float max = kUnbounded);
  static GridLength star(float weight = 1.0f, float min = 0.0f, float max = kUnbounded);

  // `size` (taken non-negative) clamped into [min, max(min, max)] of the
  // track, each bound taken non-negative.
  static float clamp(float size, const GridLength& track);

  friend bool operator==(const GridLength&, const GridLength&) = default;
};

static_assert(sizeof(GridLength) == 16, "a track length is four 32-bit fields");

// Where a child sits: first column and row and how many of each it spans.
struct GridCell {
  std::uint64_t column = 0;
  std::uint64_t row = 0;
  std::uint64_t column_span = 1;
  std::uint64_t row_span = 1;

  friend bool operator==(const GridCell&, const GridCell&) = default;
};

// A copy of `tracks`; an empty list becomes one star track of weight 1.
std::vector<GridLength> normalize_tracks(const std::vector<GridLength>& tracks);

// (count - 1) * gap for two or more tracks (gap taken non-negative), else 0.
float grid_total_spacing(std::size_t count, float gap);

// Grows the spanned tracks until together with the gaps between them they
// cover `desired`: automatic tracks first, then star tracks, in equal shares
// within each track's limits; fixed tracks never grow. Spans that do not lie
// inside the track list are ignored.
void grid_distribute_span(std::vector<float>& sizes, const std::vector<GridLength>& tracks,
                          std::size_t first, std::size_t span, float desired, float gap);

// Takes `excess` away from the tracks of `kind` in equal shares, never below
// a track's minimum; what could not be taken is left in `excess`.
void grid_shrink_tracks(std::vector<float>& sizes, const std::vector<GridLength>& tracks,
                        std::int32_t kind, float& excess);

// The final track sizes for the available length (unbounded: the sizes the
// tracks start from). Too little space shrinks star, then automatic, then
// fixed tracks; spare space goes to star tracks by weight.
std::vector<float> grid_track_sizes(const std::vector<GridLength>& tracks,
                                     const std::vector<float>& measured, float available,
                                     float gap);

}  // namespace win32_ui::layout
