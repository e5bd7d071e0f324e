#include "ui/platform/theme/theme.h"

#include <algorithm>

namespace win32_ui {
namespace {

// #RRGGBB as written in the colour tables, to a COLORREF (0x00BBGGRR).
constexpr COLORREF hex(std::uint32_t rrggbb) {
  return RGB((rrggbb >> 16) & 0xFF, (rrggbb >> 8) & 0xFF, rrggbb & 0xFF);
}

constexpr std::array<std::int32_t, kThemeMetricCount> kMetrics = {28, 6, 1, 12, 6, 3, 32, 7};

constexpr COLORREF kWhite = hex(0xFFFFFF);
constexpr COLORREF kBlack = hex(0x000000);

constexpr wchar_t kPersonalizeKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kAppsUseLightTheme[] = L"AppsUseLightTheme";

// Luma weights of the red, green and blue channels (sum 1000).
unsigned luma(COLORREF color) {
  return GetRValue(color) * 299u + GetGValue(color) * 587u + GetBValue(color) * 114u;
}

// Apps use the dark theme only when the value reads as a DWORD 0; a missing,
// unreadable or differently typed value means light.
bool system_apps_use_dark(ThemeSystem& system) {
  DWORD value = 1;
  DWORD size = sizeof(value);
  const LSTATUS status = system.get_registry_value(HKEY_CURRENT_USER, kPersonalizeKey,
                                                   kAppsUseLightTheme, RRF_RT_REG_DWORD, nullptr,
                                                   &value, &size);
  return status == ERROR_SUCCESS && value == 0;
}

COLORREF pick_by_state(VisualState state, COLORREF pressed, COLORREF hot, COLORREF rest) {
  if (state == kVisualStatePressed) return pressed;
  if (state == kVisualStateHot) return hot;
  return rest;
}

}  // namespace

COLORREF blend_colors(COLORREF base, COLORREF overlay, unsigned weight) {
  const unsigned w = std::min(weight, 255u);
  const auto channel = [w](unsigned b, unsigned o) { return (b * (255u - w) + o * w + 127u) / 255u; };
  return RGB(channel(GetRValue(base), GetRValue(overlay)),
             channel(GetGValue(base), GetGValue(overlay)),
             channel(GetBValue(base), GetBValue(overlay)));
}

Theme Theme::light(COLORREF accent) {
  accent &= 0x00FFFFFF;
  Theme theme;
  theme.colors = {hex(0xF7F8FA), hex(0xFFFFFF), hex(0xF5F7FA), hex(0xEBEFF4), hex(0xCDD3DB),
                  hex(0x949EAA), hex(0x1C2026), hex(0x5B636E), hex(0x999FA8), accent,
                  blend_colors(accent, kBlack, 28), blend_colors(accent, kBlack, 52),
                  blend_colors(kWhite, accent, 28), hex(0xFFFFFF), hex(0xCB3038),
                  hex(0xB4272F), hex(0x9E1F27), hex(0xFFFFFF), accent};
  theme.metrics = kMetrics;
  theme.is_dark = false;
  theme.is_high_contrast = false;
  return theme;
}

Theme Theme::dark(COLORREF accent) {
  accent &= 0x00FFFFFF;
  constexpr COLORREF kDarkControlBackground = hex(0x22252A);
  Theme theme;
  theme.colors = {hex(0x181A1E), kDarkControlBackground, hex(0x2D3137), hex(0x373C43),
                  hex(0x484E57), hex(0x76808C), hex(0xF1F4F8), hex(0xB1B8C2), hex(0x6F767F),
                  accent, blend_colors(accent, kWhite, 24), blend_colors(accent, kBlack, 44),
                  blend_colors(kDarkControlBackground, accent, 52), hex(0xFFFFFF), hex(0xE05058),
                  hex(0xEF6269), hex(0xC13D45), hex(0xFFFFFF), accent};
  theme.metrics = kMetrics;
  theme.is_dark = true;
  theme.is_high_contrast = false;
  return theme;
}

Theme Theme::high_contrast() { return high_contrast(windows_theme_system()); }

Theme Theme::high_contrast(ThemeSystem& system) {
  const COLORREF window = system.get_sys_color(COLOR_WINDOW);
  const COLORREF button_face = system.get_sys_color(COLOR_BTNFACE);
  const COLORREF light = system.get_sys_color(COLOR_3DLIGHT);
  const COLORREF shadow = system.get_sys_color(COLOR_BTNSHADOW);
  const COLORREF window_text = system.get_sys_color(COLOR_WINDOWTEXT);
  const COLORREF gray_text = system.get_sys_color(COLOR_GRAYTEXT);
  const COLORREF highlight = system.get_sys_color(COLOR_HIGHLIGHT);
  const COLORREF highlight_text = system.get_sys_color(COLOR_HIGHLIGHTTEXT);

  Theme theme;
  theme.colors = {window,      button_face, light,     button_face,    shadow,
                  window_text, window_text, window_text, gray_text,    highlight,
                  highlight,   highlight,   window,    highlight_text, highlight,
                  highlight,   highlight,   highlight_text, highlight};
  theme.metrics = kMetrics;
  theme.is_high_contrast = true;
  theme.is_dark = luma(window) < luma(window_text);
  return theme;
}

Theme Theme::resolve(ThemeMode mode, COLORREF accent) {
  return resolve(mode, accent, windows_theme_system());
}

Theme Theme::resolve(ThemeMode mode, COLORREF accent, ThemeSystem& system) {
  if (is_high_contrast_active(system)) return high_contrast(system);
  if (mode == kThemeModeDark) return dark(accent);
  if (mode == kThemeModeSystem && system_apps_use_dark(system)) return dark(accent);
  return light(accent);
}

ControlColors Theme::control_colors(const Theme& theme, ControlTone tone, VisualState state,
                                    bool emphasised) {
  const auto c = [&theme](ThemeColor which) { return theme.color(which); };
  using C = ThemeColor;

  if (state == kVisualStateDisabled) {
    return {c(C::control_pressed), c(C::border), c(C::text_disabled)};
  }
  if (theme.is_high_contrast && theme.is_dark &&
      (state == kVisualStateHot || state == kVisualStatePressed) &&
      (tone == kControlToneStandard || tone == kControlToneSelectable)) {
    return {c(C::accent), c(C::accent), c(C::text_on_accent)};
  }
  if (tone == kControlToneAccent) {
    const COLORREF fill = pick_by_state(state, c(C::accent_pressed), c(C::accent_hover), c(C::accent));
    return {fill, fill, c(C::text_on_accent)};
  }
  if (tone == kControlToneRed) {
    const COLORREF fill = pick_by_state(state, c(C::red_pressed), c(C::red_hover), c(C::red));
    return {fill, fill, c(C::text_on_red)};
  }
  if (tone == kControlToneSelectable && emphasised) {
    const bool pressed = state == kVisualStatePressed;
    return {pressed ? c(C::accent_pressed) : c(C::accent_subtle), c(C::accent),
            pressed ? c(C::text_on_accent) : c(C::text)};
  }
  return {pick_by_state(state, c(C::control_pressed), c(C::control_hover), c(C::control_background)),
          emphasised ? c(C::accent) : c(C::border), c(C::text)};
}

ui::graphics::RenderPalette Theme::to_render_palette(const Theme& theme) {
  return to_render_palette(theme, windows_theme_system());
}

ui::graphics::RenderPalette Theme::to_render_palette(const Theme& theme, ThemeSystem& system) {
  ui::graphics::RenderPalette palette;
  for (std::size_t i = 0; i < kThemeColorCount; ++i) {
    palette.colors[i] = ui::graphics::Color::from_colorref(theme.colors[i]);
  }
  palette.dark = theme.is_dark ? 1 : 0;
  palette.high_contrast = (theme.is_high_contrast || is_high_contrast_active(system)) ? 1 : 0;
  return palette;
}

bool is_high_contrast_active() { return is_high_contrast_active(windows_theme_system()); }

bool is_high_contrast_active(ThemeSystem& system) {
#ifdef _WIN64
  static_assert(sizeof(HIGHCONTRASTW) == 16, "the system expects the 64-bit record");
#endif
  HIGHCONTRASTW info{};
  info.cbSize = sizeof(info);
  if (!system.get_high_contrast(&info)) return false;
  return (info.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

VisualState visual_state_from_item_state(UINT item_state) {
  if (item_state & ODS_DISABLED) return kVisualStateDisabled;
  if (item_state & ODS_SELECTED) return kVisualStatePressed;
  if (item_state & ODS_HOTLIGHT) return kVisualStateHot;
  return kVisualStateNormal;
}

ThemeState::ThemeState(ThemeMode mode, COLORREF accent)
    : ThemeState(mode, accent, windows_theme_system()) {}

ThemeState::ThemeState(ThemeMode mode, COLORREF accent, ThemeSystem& system)
    : mode_(mode), accent_(accent), theme_(Theme::resolve(mode, accent, system)), system_(&system) {}

bool ThemeState::refresh() {
  Theme next = Theme::resolve(mode_, accent_, *system_);
  const bool changed = !(next == theme_);
  theme_ = next;
  return changed;
}

bool ThemeState::set_mode(ThemeMode mode) {
  mode_ = mode;
  return refresh();
}

bool ThemeState::set_accent(COLORREF accent) {
  accent_ = accent;
  return refresh();
}

}  // namespace win32_ui
