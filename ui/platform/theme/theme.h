// The toolkit's one visual record and its resolution.
//
// A Theme holds 19 colours, 8 metrics (DIP) and the dark and high-contrast
// flags. It is never assembled by hand: Theme::light and Theme::dark fill
// fixed tables plus the colours derived from an accent, Theme::high_contrast
// reads the system colours, and Theme::resolve picks one of the three from
// the requested ThemeMode and the system state. Every window host, surface
// and painter keeps its own copy; a Theme never changes after it is made.
// ThemeState keeps a request with its last resolution and says whether a
// re-resolution changed anything.
//
// Resolution and ThemeState run on the UI thread; a Theme may be copied to
// any thread as plain data. The overloads without a ThemeSystem read the real
// system; the others read through the one given (tests).
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "ui/platform/theme/render_palette.h"
#include "ui/platform/theme/theme_system.h"

namespace win32_ui {

// The requested appearance. Any value other than the three below resolves
// like light (unless high contrast is on).
using ThemeMode = std::int32_t;
inline constexpr ThemeMode kThemeModeSystem = 0;
inline constexpr ThemeMode kThemeModeLight = 1;
inline constexpr ThemeMode kThemeModeDark = 2;

// #0078D7.
inline constexpr COLORREF kDefaultAccent = 0x00D77800;

inline constexpr std::size_t kThemeColorCount = 19;
inline constexpr std::size_t kThemeMetricCount = 8;

// Indices into Theme::colors.
enum class ThemeColor : int {
  window_background = 0,
  control_background = 1,
  control_hover = 2,
  control_pressed = 3,
  border = 4,
  border_strong = 5,
  text = 6,
  text_secondary = 7,
  text_disabled = 8,
  accent = 9,
  accent_hover = 10,
  accent_pressed = 11,
  accent_subtle = 12,
  text_on_accent = 13,
  red = 14,
  red_hover = 15,
  red_pressed = 16,
  text_on_red = 17,
  focus_ring = 18,
};

// Indices into Theme::metrics. Users scale a metric to pixels as
// (value * dpi + 48) / 96 in integer arithmetic.
enum class ThemeMetric : int {
  control_height = 0,
  corner_radius = 1,
  metric_2 = 2,
  padding_x = 3,
  metric_4 = 4,
  focus_inset = 5,
  swatch_width = 6,
  swatch_gap = 7,
};

// How an owner-drawn control looks right now.
using VisualState = int;
inline constexpr VisualState kVisualStateNormal = 0;
inline constexpr VisualState kVisualStateHot = 1;
inline constexpr VisualState kVisualStatePressed = 2;
inline constexpr VisualState kVisualStateDisabled = 3;

// Which family of colours an owner-drawn control takes.
using ControlTone = int;
inline constexpr ControlTone kControlToneAccent = 0;
inline constexpr ControlTone kControlToneStandard = 1;
inline constexpr ControlTone kControlToneRed = 2;
inline constexpr ControlTone kControlToneSelectable = 3;

struct ControlColors {
  COLORREF fill = 0;
  COLORREF border = 0;
  COLORREF text = 0;

  friend bool operator==(const ControlColors&, const ControlColors&) = default;
};

struct Theme {
  std::array<COLORREF, kThemeColorCount> colors{};
  std::array<std::int32_t, kThemeMetricCount> metrics{};
  // The colours are light on dark.
  bool is_dark = false;
  // The colours come from the system's high-contrast scheme.
  bool is_high_contrast = false;

  COLORREF color(ThemeColor which) const { return colors[static_cast<std::size_t>(which)]; }
  std::int32_t metric(ThemeMetric which) const {
    return metrics[static_cast<std::size_t>(which)];
  }

  static Theme light(COLORREF accent);
  static Theme dark(COLORREF accent);
  static Theme high_contrast();
  static Theme high_contrast(ThemeSystem& system);

  static Theme resolve(ThemeMode mode, COLORREF accent);
  static Theme resolve(ThemeMode mode, COLORREF accent, ThemeSystem& system);

  // Fill, border and text of a control of the given tone in the given state.
  // `emphasised` means focused for a standard control and selected for a
  // selectable one.
  static ControlColors control_colors(const Theme& theme, ControlTone tone, VisualState state,
                                      bool emphasised);

  // The high-contrast byte is also set while the system reports high
  // contrast, so a theme drawn just after the system switched already uses
  // the high-contrast outline rules.
  static ui::graphics::RenderPalette to_render_palette(const Theme& theme);
  static ui::graphics::RenderPalette to_render_palette(const Theme& theme, ThemeSystem& system);

  friend bool operator==(const Theme&, const Theme&) = default;
};

// True only when the system call succeeds and reports high contrast on.
bool is_high_contrast_active();
bool is_high_contrast_active(ThemeSystem& system);

// Per channel (base * (255 - weight) + overlay * weight + 127) / 255, weight
// clamped to 255; the high byte of the result is 0.
COLORREF blend_colors(COLORREF base, COLORREF overlay, unsigned weight);

// The visual state of an owner-draw item state (ODS_* bits).
VisualState visual_state_from_item_state(UINT item_state);

// A requested mode and accent with their resolved Theme. The system is read
// again on every refresh, set_mode and set_accent, even when the value given
// is the one already stored.
class ThemeState {
 public:
  ThemeState(ThemeMode mode, COLORREF accent);
  // `system` must outlive the state.
  ThemeState(ThemeMode mode, COLORREF accent, ThemeSystem& system);

  // Resolves again; true when any colour, metric or flag differs from the
  // previous Theme.
  bool refresh();
  bool set_mode(ThemeMode mode);
  bool set_accent(COLORREF accent);

  ThemeMode mode() const { return mode_; }
  COLORREF accent() const { return accent_; }
  const Theme& theme() const { return theme_; }

 private:
  ThemeMode mode_;
  COLORREF accent_;
  Theme theme_;
  ThemeSystem* system_;
};

}  // namespace win32_ui
