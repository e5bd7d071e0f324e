// Value types of the layout engine shared by classic native windows and the
// view tree: sizes, rectangles, thicknesses, constraints, the per-node layout
// block and the context handed down both passes. All lengths are
// device-independent pixels (96 per inch) as floats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>

namespace win32_ui {
struct Theme;
}

namespace win32_ui::layout {

inline constexpr float kUnbounded = std::numeric_limits<float>::infinity();

struct Size {
  float width = 0.0f;
  float height = 0.0f;

  friend bool operator==(const Size&, const Size&) = default;
};

struct LayoutRect {
  float x = 0.0f;
  float y = 0.0f;
  float width = 0.0f;
  float height = 0.0f;

  friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

struct Thickness {
  float left = 0.0f;
  float top = 0.0f;
  float right = 0.0f;
  float bottom = 0.0f;

  // Sums of the sides, each side taken non-negative.
  float horizontal() const;
  float vertical() const;

  friend bool operator==(const Thickness&, const Thickness&) = default;
};

struct SizeConstraint {
  float min_width = 0.0f;
  float min_height = 0.0f;
  float max_width = kUnbounded;
  float max_height = kUnbounded;

  friend bool operator==(const SizeConstraint&, const SizeConstraint&) = default;
};

// {0, 0, width, height}; pass kUnbounded for no limit.
SizeConstraint make_unbounded_size(float width, float height);

// Every value non-negative (a NaN minimum is 0, a NaN maximum unbounded), then
// each maximum raised to at least its minimum. A normalised constraint holds
// no NaN, so the engine's arithmetic never sees one.
SizeConstraint normalize_constraint(const SizeConstraint& constraint);

// A finite value below 0 becomes 0, NaN becomes 0; +infinity passes.
float non_negative(float value);

// The view tree's text measuring service. The layout engine only carries a
// pointer to it down the passes; classic windows pass null.
class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  // The size in DIP of `length` characters at `text` in the 1-based font,
  // or nothing when it cannot tell.
  virtual std::optional<Size> measure(const wchar_t* text, std::size_t length,
                                      std::uint32_t font_index) = 0;
};

inline constexpr std::int32_t kLayoutLeftToRight = 0;
inline constexpr std::int32_t kLayoutRightToLeft = 1;

// Passed unchanged down the measure and arrange passes.
struct LayoutContext {
  std::uint32_t dpi = 96;
  const Theme* theme = nullptr;
  // Bumped by the owner whenever something outside the tree that affects
  // measuring changes (theme, size, DPI, fonts); part of the measure cache key.
  std::uint64_t revision = 0;
  // kLayoutRightToLeft (1) lays out right to left; anything else left to right.
  std::int32_t direction = kLayoutLeftToRight;
  TextMeasurer* text_measurer = nullptr;
};

// Per axis.
using Alignment = std::int32_t;
inline constexpr Alignment kAlignStretch = 0;
inline constexpr Alignment kAlignStart = 1;
inline constexpr Alignment kAlignCenter = 2;
inline constexpr Alignment kAlignEnd = 3;

// Collapsed takes no space; every other value takes part in layout (native
// windows hide for any non-zero value).
using Visibility = std::int32_t;
inline constexpr Visibility kVisible = 0;
inline constexpr Visibility kHidden = 1;
inline constexpr Visibility kCollapsed = 2;

struct LayoutParams {
  Thickness margin;
  Thickness padding;
  float width = 0.0f;
  bool has_width = false;
  float height = 0.0f;
  bool has_height = false;
  float min_width = 0.0f;
  float min_height = 0.0f;
  float max_width = kUnbounded;
  float max_height = kUnbounded;
  Alignment horizontal_alignment = kAlignStretch;
  Alignment vertical_alignment = kAlignStretch;
  Visibility visibility = kVisible;

  friend bool operator==(const LayoutParams&, const LayoutParams&) = default;
};

}  // namespace win32_ui::layout
