#include "ui/platform/theme/themed_static_text.h"

#include <gtest/gtest.h>

#include "tests/ui/platform/theme/control_test_window.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui {
namespace {

using test::DibTarget;
using test::rgb;
using test::Rgb;
using C = ThemeColor;

bool has_static_subclass(HWND window) {
  return find_window_subclass(window, &static_text_subclass_procedure, kStaticThemeSubclass,
                              nullptr);
}

TEST(ThemedStaticTextTest, StaticsWithoutTextAreLeftAlone) {
  test::ControlTestWindow window;
  for (const DWORD type : {DWORD{SS_ICON}, DWORD{SS_BITMAP}, DWORD{SS_ETCHEDFRAME},
                           DWORD{SS_BLACKRECT}, DWORD{SS_OWNERDRAW}}) {
    SCOPED_TRACE(testing::Message() << "type " << type);
    HWND label = window.add_child(L"STATIC", L"", type, {10, 10, 60, 40});
    EXPECT_FALSE(theme_static_text(label, test::distinct_theme()));
    EXPECT_FALSE(has_static_subclass(label));
  }
  EXPECT_FALSE(theme_static_text(nullptr, test::distinct_theme()));
}

class ThemedStaticTextPaintTest : public testing::TestWithParam<PaintBackend> {};

INSTANTIATE_TEST_SUITE_P(Backends, ThemedStaticTextPaintTest,
                         testing::ValuesIn(test::kBothBackends),
                         [](const auto& info) { return test::backend_name(info.param); });

TEST_P(ThemedStaticTextPaintTest, TextStaticsPaintOnTheWindowBackground) {
  test::ControlTestWindow window;
  for (const DWORD type : {DWORD{SS_LEFT}, DWORD{SS_CENTER}, DWORD{SS_RIGHT}, DWORD{SS_SIMPLE},
                           DWORD{SS_LEFTNOWORDWRAP}}) {
    SCOPED_TRACE(testing::Message() << "type " << type);
    HWND label = window.add_child(L"STATIC", L"", type, {10, 10, 130, 40});
    ASSERT_TRUE(theme_static_text(label, test::distinct_theme(), GetParam()));
    EXPECT_TRUE(has_static_subclass(label));
    // Theming again replaces the colours in place.
    ASSERT_TRUE(theme_static_text(label, test::other_distinct_theme(), GetParam()));
    DibTarget target(120, 30);
    EXPECT_EQ(SendMessageW(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target.dc()),
                           PRF_CLIENT),
              0);
    const Rgb background = rgb(test::other_distinct_theme().color(C::window_background));
    EXPECT_EQ(target.pixel(0, 0), background);
    EXPECT_EQ(target.pixel(119, 29), background);
    EXPECT_EQ(test::alpha_at(target, 60, 15), test::expected_alpha(GetParam()));
  }
}

TEST_P(ThemedStaticTextPaintTest, ZeroWidthClientDrawsNothing) {
  test::ControlTestWindow window;
  HWND label = window.add_child(L"STATIC", L"Name", SS_LEFT, {10, 10, 10, 40});
  ASSERT_TRUE(theme_static_text(label, test::distinct_theme(), GetParam()));
  DibTarget target(40, 40);
  SendMessageW(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target.dc()), PRF_CLIENT);
  EXPECT_FALSE(target.ink(ui::graphics::test::kWhite).any);
}

TEST(StaticTextPictureTest, TextColourFollowsTheEnabledState) {
  const Theme theme = test::distinct_theme();
  const ThemedPicture enabled = static_text_picture({0, 0, 50, 20}, L"Name", nullptr, SS_LEFT,
                                                    true, theme);
  ASSERT_NE(enabled.first<PictureText>(), nullptr);
  EXPECT_EQ(enabled.first<PictureText>()->color, theme.color(C::text));
  const ThemedPicture disabled = static_text_picture({0, 0, 50, 20}, L"Name", nullptr, SS_LEFT,
                                                     false, theme);
  EXPECT_EQ(disabled.first<PictureText>()->color, theme.color(C::text_disabled));
}

TEST(StaticTextPictureTest, DrawTextFlagsFollowTheStyle) {
  const struct {
    LONG_PTR style;
    UINT format;
  } cases[] = {
      {SS_LEFT, DT_WORDBREAK},
      {SS_CENTER, DT_CENTER | DT_WORDBREAK},
      {SS_RIGHT | SS_NOPREFIX, DT_RIGHT | DT_NOPREFIX | DT_WORDBREAK},
      {SS_SIMPLE, DT_SINGLELINE},
      {SS_LEFTNOWORDWRAP, DT_SINGLELINE},
      {SS_LEFT | SS_CENTERIMAGE, DT_SINGLELINE | DT_VCENTER},
      {SS_LEFT | SS_ENDELLIPSIS, DT_WORDBREAK | DT_END_ELLIPSIS},
      {SS_LEFT | SS_PATHELLIPSIS, DT_WORDBREAK | DT_PATH_ELLIPSIS},
      {SS_LEFT | SS_WORDELLIPSIS, DT_WORDBREAK | DT_WORD_ELLIPSIS},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(static_text_format(c.style), c.format) << "style " << c.style;
  }
}

}  // namespace
}  // namespace win32_ui
