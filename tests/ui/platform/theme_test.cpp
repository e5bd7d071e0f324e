#include "ui/platform/theme/theme.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "tests/fakes/ui/platform/fake_theme_system.h"

namespace win32_ui {
namespace {

using quorvel::test::FakeThemeSystem;

constexpr COLORREF hex(std::uint32_t rrggbb) {
  return RGB((rrggbb >> 16) & 0xFF, (rrggbb >> 8) & 0xFF, rrggbb & 0xFF);
}

constexpr COLORREF kAccent = hex(0x0078D7);

// A white-on-black high-contrast scheme with a distinct colour per index, so
// every table entry can be traced to the system colour it came from.
void present_white_on_black(FakeThemeSystem& system) {
  system.high_contrast_on = true;
  system.sys_colors = {
      {COLOR_WINDOW, hex(0x000000)},    {COLOR_BTNFACE, hex(0x010203)},
      {COLOR_3DLIGHT, hex(0x040506)},   {COLOR_BTNSHADOW, hex(0x070809)},
      {COLOR_WINDOWTEXT, hex(0xFFFFFF)}, {COLOR_GRAYTEXT, hex(0x3FF23F)},
      {COLOR_HIGHLIGHT, hex(0x1AEBFF)}, {COLOR_HIGHLIGHTTEXT, hex(0x0A0B0C)},
  };
}

TEST(ThemeTest, DerivesAccentColoursOfBothVariants) {
  struct Case {
    const char* name;
    Theme theme;
    ThemeColor color;
    COLORREF expected;
  };
  const Case cases[] = {
      {"light accent", Theme::light(kAccent), ThemeColor::accent, hex(0x0078D7)},
      {"light hover", Theme::light(kAccent), ThemeColor::accent_hover, hex(0x006BBF)},
      {"light pressed", Theme::light(kAccent), ThemeColor::accent_pressed, hex(0x0060AB)},
      {"light subtle", Theme::light(kAccent), ThemeColor::accent_subtle, hex(0xE3F0FB)},
      {"light focus", Theme::light(kAccent), ThemeColor::focus_ring, hex(0x0078D7)},
      {"dark accent", Theme::dark(kAccent), ThemeColor::accent, hex(0x0078D7)},
      {"dark hover", Theme::dark(kAccent), ThemeColor::accent_hover, hex(0x1885DB)},
      {"dark pressed", Theme::dark(kAccent), ThemeColor::accent_pressed, hex(0x0063B2)},
      {"dark subtle", Theme::dark(kAccent), ThemeColor::accent_subtle, hex(0x1B364D)},
      {"dark focus", Theme::dark(kAccent), ThemeColor::focus_ring, hex(0x0078D7)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.theme.color(c.color), c.expected) << c.name;
  }
}

TEST(ThemeTest, FixedTablesMetricsAndFlags) {
  const Theme light = Theme::light(kAccent);
  const Theme dark = Theme::dark(kAccent);
  EXPECT_EQ(light.color(ThemeColor::window_background), hex(0xF7F8FA));
  EXPECT_EQ(light.color(ThemeColor::border), hex(0xCDD3DB));
  EXPECT_EQ(light.color(ThemeColor::text), hex(0x1C2026));
  EXPECT_EQ(light.color(ThemeColor::red_pressed), hex(0x9E1F27));
  EXPECT_EQ(dark.color(ThemeColor::control_background), hex(0x22252A));
  EXPECT_EQ(dark.color(ThemeColor::text_disabled), hex(0x6F767F));
  EXPECT_EQ(dark.color(ThemeColor::red_hover), hex(0xEF6269));
  EXPECT_EQ(dark.color(ThemeColor::text_on_red), hex(0xFFFFFF));

  const std::array<std::int32_t, 8> metrics = {28, 6, 1, 12, 6, 3, 32, 7};
  EXPECT_EQ(light.metrics, metrics);
  EXPECT_EQ(dark.metrics, metrics);
  EXPECT_FALSE(light.is_dark);
  EXPECT_FALSE(light.is_high_contrast);
  EXPECT_TRUE(dark.is_dark);
  EXPECT_FALSE(dark.is_high_contrast);
}

TEST(ThemeTest, BlendClampsTheWeightAndClearsTheHighByte) {
  EXPECT_EQ(blend_colors(hex(0xFFFFFF), hex(0x000000), 0), hex(0xFFFFFF));
  EXPECT_EQ(blend_colors(hex(0xFFFFFF), hex(0x000000), 255), hex(0x000000));
  EXPECT_EQ(blend_colors(hex(0xFFFFFF), hex(0x000000), 1000), hex(0x000000));
  EXPECT_EQ(blend_colors(0xFF000000u | hex(0x102030), 0xFF000000u | hex(0x102030), 100),
            hex(0x102030));
  // (0 * 128 + 255 * 127 + 127) / 255 = 127.
  EXPECT_EQ(blend_colors(hex(0x000000), hex(0xFFFFFF), 127), hex(0x7F7F7F));
}

struct ResolutionCase {
  const char* name;
  bool high_contrast;
  ThemeMode mode;
  // 0 value absent, 1 DWORD, 2 string, 3 QWORD, 4 key absent.
  int shape;
  DWORD dword;
  const char* expected;  // "light", "dark" or "hc"
};

TEST(ThemeTest, ResolvesFromModeRegistryAndHighContrast) {
  const ResolutionCase cases[] = {
      {"mode 0, value absent", false, 0, 0, 0, "light"},
      {"mode 0, key absent", false, 0, 4, 0, "light"},
      {"mode 0, string \"0\"", false, 0, 2, 0, "light"},
      {"mode 0, qword 0", false, 0, 3, 0, "light"},
      {"mode 0, dword 0", false, 0, 1, 0, "dark"},
      {"mode 0, dword 1", false, 0, 1, 1, "light"},
      {"mode 0, dword 2", false, 0, 1, 2, "light"},
      {"mode 1, dword 0", false, 1, 1, 0, "light"},
      {"mode 2, dword 1", false, 2, 1, 1, "dark"},
      {"mode 2, value absent", false, 2, 0, 0, "dark"},
      {"mode 7, dword 0", false, 7, 1, 0, "light"},
      {"mode -1, dword 0", false, -1, 1, 0, "light"},
      {"high contrast, mode 2", true, 2, 1, 0, "hc"},
      {"high contrast, mode 0 dark", true, 0, 1, 0, "hc"},
      {"high contrast, mode 1", true, 1, 0, 0, "hc"},
  };
  for (const ResolutionCase& c : cases) {
    FakeThemeSystem system;
    present_white_on_black(system);
    system.high_contrast_on = c.high_contrast;
    switch (c.shape) {
      case 0: system.remove_apps_use_light_theme(); break;
      case 1: system.set_apps_use_light_theme_dword(c.dword); break;
      case 2: system.set_apps_use_light_theme_string(L"0"); break;
      case 3: system.set_apps_use_light_theme_qword(0); break;
      default: system.remove_personalize_key(); break;
    }
    const Theme resolved = Theme::resolve(c.mode, kAccent, system);
    const std::string expected = c.expected;
    if (expected == "light") {
      EXPECT_EQ(resolved, Theme::light(kAccent)) << c.name;
    } else if (expected == "dark") {
      EXPECT_EQ(resolved, Theme::dark(kAccent)) << c.name;
    } else {
      EXPECT_EQ(resolved, Theme::high_contrast(system)) << c.name;
      EXPECT_TRUE(resolved.is_high_contrast) << c.name;
    }
  }
}

TEST(ThemeTest, ReadsTheSystemValueAsADwordOfTheCurrentUser) {
  FakeThemeSystem system;
  system.set_apps_use_light_theme_dword(0);
  (void)Theme::resolve(kThemeModeSystem, kAccent, system);
  EXPECT_EQ(system.registry_calls, 1);
  EXPECT_EQ(system.last_registry_root, HKEY_CURRENT_USER);
  EXPECT_EQ(system.last_registry_subkey,
            L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize");
  EXPECT_EQ(system.last_registry_value, L"AppsUseLightTheme");
  EXPECT_EQ(system.last_registry_flags, static_cast<DWORD>(RRF_RT_REG_DWORD));
  EXPECT_EQ(system.last_registry_buffer_size, 4u);
  EXPECT_EQ(system.last_high_contrast_size, 16u);

  // Modes 1 and 2 never consult the registry.
  (void)Theme::resolve(kThemeModeLight, kAccent, system);
  (void)Theme::resolve(kThemeModeDark, kAccent, system);
  EXPECT_EQ(system.registry_calls, 1);
}

TEST(ThemeTest, HighContrastVariantTakesSystemColoursAndIgnoresTheAccent) {
  FakeThemeSystem system;
  present_white_on_black(system);
  const COLORREF unusual_accent = hex(0x123456);
  const Theme theme = Theme::resolve(kThemeModeDark, unusual_accent, system);

  const std::array<COLORREF, 19> expected = {
      hex(0x000000), hex(0x010203), hex(0x040506), hex(0x010203), hex(0x070809),
      hex(0xFFFFFF), hex(0xFFFFFF), hex(0xFFFFFF), hex(0x3FF23F), hex(0x1AEBFF),
      hex(0x1AEBFF), hex(0x1AEBFF), hex(0x000000), hex(0x0A0B0C), hex(0x1AEBFF),
      hex(0x1AEBFF), hex(0x1AEBFF), hex(0x0A0B0C), hex(0x1AEBFF)};
  EXPECT_EQ(theme.colors, expected);
  for (const COLORREF color : theme.colors) EXPECT_NE(color, unusual_accent);
  EXPECT_EQ(theme.metrics, Theme::light(kAccent).metrics);
  EXPECT_TRUE(theme.is_high_contrast);
}

TEST(ThemeTest, HighContrastDarkFlagComparesLuma) {
  struct Case {
    const char* name;
    COLORREF window;
    COLORREF text;
    bool dark;
  };
  const Case cases[] = {
      {"white on black", hex(0x000000), hex(0xFFFFFF), true},
      {"black on white", hex(0xFFFFFF), hex(0x000000), false},
      {"yellow text on navy", hex(0x000080), hex(0xFFFF00), true},
      // 31 * 587 = 1 * 299 + 157 * 114 = 18197.
      {"equal luma", RGB(0, 31, 0), RGB(1, 0, 157), false},
      {"equal luma swapped", RGB(1, 0, 157), RGB(0, 31, 0), false},
  };
  for (const Case& c : cases) {
    FakeThemeSystem system;
    system.sys_colors[COLOR_WINDOW] = c.window;
    system.sys_colors[COLOR_WINDOWTEXT] = c.text;
    EXPECT_EQ(Theme::high_contrast(system).is_dark, c.dark) << c.name;
  }
}

TEST(ThemeTest, HighContrastNeedsASuccessfulCallWithTheFlagOn) {
  FakeThemeSystem system;
  system.high_contrast_on = true;
  EXPECT_TRUE(is_high_contrast_active(system));
  system.high_contrast_on = false;
  EXPECT_FALSE(is_high_contrast_active(system));
  system.high_contrast_on = true;
  system.high_contrast_call_succeeds = false;  // also leaves the flag set in the record
  EXPECT_FALSE(is_high_contrast_active(system));
  EXPECT_EQ(system.last_high_contrast_size, 16u);
}

TEST(ThemeTest, StateReportsChangesAndRereadsTheSystemEveryTime) {
  FakeThemeSystem system;
  system.set_apps_use_light_theme_dword(1);
  ThemeState state(kThemeModeSystem, kAccent, system);
  EXPECT_EQ(state.theme(), Theme::light(kAccent));
  EXPECT_FALSE(state.refresh());

  // The system switches apps to dark: setting the same mode notices it.
  system.set_apps_use_light_theme_dword(0);
  const int calls_before = system.registry_calls;
  EXPECT_TRUE(state.set_mode(kThemeModeSystem));
  EXPECT_EQ(system.registry_calls, calls_before + 1);
  EXPECT_EQ(state.theme(), Theme::dark(kAccent));
  EXPECT_FALSE(state.set_mode(kThemeModeSystem));

  // Mode 2 gives the same dark theme: not a change.
  EXPECT_FALSE(state.set_mode(kThemeModeDark));
  EXPECT_EQ(state.mode(), kThemeModeDark);

  EXPECT_TRUE(state.set_accent(hex(0xCB3038)));
  EXPECT_EQ(state.accent(), hex(0xCB3038));
  EXPECT_EQ(state.theme().color(ThemeColor::accent), hex(0xCB3038));
  EXPECT_FALSE(state.set_accent(hex(0xCB3038)));

  // High contrast comes on: the accent no longer matters.
  present_white_on_black(system);
  EXPECT_TRUE(state.refresh());
  EXPECT_TRUE(state.theme().is_high_contrast);
  EXPECT_FALSE(state.set_accent(hex(0x00FF00)));
}

TEST(ThemeTest, ControlColoursFollowTheFirstMatchingRow) {
  FakeThemeSystem system;
  present_white_on_black(system);
  const Theme light = Theme::light(kAccent);
  const Theme hc_dark = Theme::high_contrast(system);
  ASSERT_TRUE(hc_dark.is_dark);
  const auto c = [](const Theme& t, ThemeColor which) { return t.color(which); };
  using C = ThemeColor;

  struct Case {
    const char* name;
    const Theme* theme;
    ControlTone tone;
    VisualState state;
    bool emphasised;
    ControlColors expected;
  };
  const Case cases[] = {
      {"standard hot focused", &light, 1, 1, true,
       {c(light, C::control_hover), c(light, C::accent), c(light, C::text)}},
      {"standard rest", &light, 1, 0, false,
       {c(light, C::control_background), c(light, C::border), c(light, C::text)}},
      {"standard pressed", &light, 1, 2, false,
       {c(light, C::control_pressed), c(light, C::border), c(light, C::text)}},
      {"selectable disabled selected", &light, 3, 3, true,
       {c(light, C::control_pressed), c(light, C::border), c(light, C::text_disabled)}},
      {"accent hot", &light, 0, 1, false,
       {c(light, C::accent_hover), c(light, C::accent_hover), c(light, C::text_on_accent)}},
      {"accent pressed", &light, 0, 2, false,
       {c(light, C::accent_pressed), c(light, C::accent_pressed), c(light, C::text_on_accent)}},
      {"red rest", &light, 2, 0, true,
       {c(light, C::red), c(light, C::red), c(light, C::text_on_red)}},
      {"red pressed", &light, 2, 2, false,
       {c(light, C::red_pressed), c(light, C::red_pressed), c(light, C::text_on_red)}},
      {"selectable selected rest", &light, 3, 0, true,
       {c(light, C::accent_subtle), c(light, C::accent), c(light, C::text)}},
      {"selectable selected pressed", &light, 3, 2, true,
       {c(light, C::accent_pressed), c(light, C::accent), c(light, C::text_on_accent)}},
      {"selectable not selected hot", &light, 3, 1, false,
       {c(light, C::control_hover), c(light, C::border), c(light, C::text)}},
      {"unknown tone", &light, 9, 0, false,
       {c(light, C::control_background), c(light, C::border), c(light, C::text)}},
      {"hc dark standard hot", &hc_dark, 1, 1, false,
       {c(hc_dark, C::accent), c(hc_dark, C::accent), c(hc_dark, C::text_on_accent)}},
      {"hc dark selectable pressed", &hc_dark, 3, 2, true,
       {c(hc_dark, C::accent), c(hc_dark, C::accent), c(hc_dark, C::text_on_accent)}},
      {"hc dark standard rest", &hc_dark, 1, 0, false,
       {c(hc_dark, C::control_background), c(hc_dark, C::border), c(hc_dark, C::text)}},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(Theme::control_colors(*k.theme, k.tone, k.state, k.emphasised), k.expected) << k.name;
  }
}

TEST(ThemeTest, VisualStateFromOwnerDrawItemState) {
  EXPECT_EQ(visual_state_from_item_state(0), kVisualStateNormal);
  EXPECT_EQ(visual_state_from_item_state(ODS_HOTLIGHT), kVisualStateHot);
  EXPECT_EQ(visual_state_from_item_state(ODS_SELECTED | ODS_HOTLIGHT), kVisualStatePressed);
  EXPECT_EQ(visual_state_from_item_state(ODS_DISABLED | ODS_SELECTED), kVisualStateDisabled);
}

TEST(ThemeTest, RenderPaletteByteLayout) {
  FakeThemeSystem system;
  // Built from the colour tables with the #0078D7 accent, not from the code
  // under test.
  struct Case {
    const char* name;
    Theme theme;
    std::uint32_t table[19];
    std::uint8_t dark;
  };
  const Case cases[] = {
      {"light", Theme::light(kAccent),
       {0xF7F8FA, 0xFFFFFF, 0xF5F7FA, 0xEBEFF4, 0xCDD3DB, 0x949EAA, 0x1C2026, 0x5B636E, 0x999FA8,
        0x0078D7, 0x006BBF, 0x0060AB, 0xE3F0FB, 0xFFFFFF, 0xCB3038, 0xB4272F, 0x9E1F27, 0xFFFFFF,
        0x0078D7},
       0},
      {"dark", Theme::dark(kAccent),
       {0x181A1E, 0x22252A, 0x2D3137, 0x373C43, 0x484E57, 0x76808C, 0xF1F4F8, 0xB1B8C2, 0x6F767F,
        0x0078D7, 0x1885DB, 0x0063B2, 0x1B364D, 0xFFFFFF, 0xE05058, 0xEF6269, 0xC13D45, 0xFFFFFF,
        0x0078D7},
       1},
  };
  for (const Case& c : cases) {
    std::array<std::uint8_t, 59> expected{};
    for (int i = 0; i < 19; ++i) {
      expected[3 * i] = static_cast<std::uint8_t>(c.table[i] >> 16);
      expected[3 * i + 1] = static_cast<std::uint8_t>(c.table[i] >> 8);
      expected[3 * i + 2] = static_cast<std::uint8_t>(c.table[i]);
    }
    expected[57] = c.dark;
    expected[58] = 0;  // high contrast

    const auto palette = Theme::to_render_palette(c.theme, system);
    ASSERT_EQ(sizeof(palette), expected.size());
    std::array<std::uint8_t, 59> bytes{};
    std::memcpy(bytes.data(), &palette, bytes.size());
    EXPECT_EQ(bytes, expected) << c.name;
  }
}

TEST(ThemeTest, PaletteOfALightThemeWhileTheSystemIsInHighContrast) {
  FakeThemeSystem system;
  const Theme light = Theme::light(kAccent);
  EXPECT_EQ(Theme::to_render_palette(light, system).high_contrast, 0);

  system.high_contrast_on = true;
  const auto palette = Theme::to_render_palette(light, system);
  EXPECT_EQ(palette.high_contrast, 1);
  EXPECT_EQ(palette.dark, 0);
  EXPECT_EQ(palette.colors[0], (ui::graphics::Color{0xF7, 0xF8, 0xFA}));

  present_white_on_black(system);
  system.high_contrast_on = false;
  const Theme hc = Theme::high_contrast(system);
  const auto hc_palette = Theme::to_render_palette(hc, system);
  EXPECT_EQ(hc_palette.high_contrast, 1);
  EXPECT_EQ(hc_palette.dark, 1);
}

// The real system under the test prefix: high contrast cannot be switched on
// there, so the checks are that the real reads agree with GetSysColor and
// that explicit modes resolve without the system's help.
TEST(ThemeTest, RealSystemReadsAgreeWithThePlatform) {
  HIGHCONTRASTW info{};
  info.cbSize = sizeof(info);
  const bool on = SystemParametersInfoW(SPI_GETHIGHCONTRAST, info.cbSize, &info, 0) &&
                  (info.dwFlags & HCF_HIGHCONTRASTON) != 0;
  EXPECT_EQ(is_high_contrast_active(), on);

  const Theme hc = Theme::high_contrast();
  EXPECT_EQ(hc.color(ThemeColor::window_background), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(hc.color(ThemeColor::text), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(hc.color(ThemeColor::accent), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(hc.color(ThemeColor::text_on_accent), GetSysColor(COLOR_HIGHLIGHTTEXT));

  if (!on) {
    EXPECT_EQ(Theme::resolve(kThemeModeLight, kAccent), Theme::light(kAccent));
    EXPECT_EQ(Theme::resolve(kThemeModeDark, kAccent), Theme::dark(kAccent));
    EXPECT_EQ(Theme::to_render_palette(Theme::light(kAccent)).high_contrast, 0);
    ThemeState state(kThemeModeLight, kAccent);
    EXPECT_EQ(state.theme(), Theme::light(kAccent));
    EXPECT_FALSE(state.refresh());
    EXPECT_TRUE(state.set_mode(kThemeModeDark));
    EXPECT_EQ(state.theme(), Theme::dark(kAccent));
  }
}

}  // namespace
}  // namespace win32_ui
