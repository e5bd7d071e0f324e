#include "ui/platform/theme/themed_edit_control.h"

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

constexpr EditInsets kPasswordInsets = {8, 8, 6, false};

// The client area's distance from each window edge.
struct ClientInsets {
  int left, top, right, bottom;
};

ClientInsets client_insets(HWND window) {
  RECT frame{};
  RECT client{};
  GetWindowRect(window, &frame);
  GetClientRect(window, &client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  return {static_cast<int>(client.left - frame.left), static_cast<int>(client.top - frame.top),
          static_cast<int>(frame.right - client.right),
          static_cast<int>(frame.bottom - client.bottom)};
}

// The window's own pixels, non-client area included, as painted now.
Rgb window_pixel(HWND window, int x, int y) {
  HDC dc = GetWindowDC(window);
  const COLORREF color = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return rgb(color);
}

void redraw(HWND window) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

class ThemedEditControlTest : public testing::TestWithParam<PaintBackend> {
 protected:
  void SetUp() override { QUORVEL_REQUIRE_DPI(96); }

  HWND add_edit(DWORD style = ES_AUTOHSCROLL, DWORD ex_style = 0, RECT bounds = {20, 20, 220, 52}) {
    return window_.add_child(L"EDIT", L"", style, bounds, 9, ex_style);
  }
  int width(HWND window) const {
    RECT frame{};
    GetWindowRect(window, &frame);
    return frame.right - frame.left;
  }

  const Theme theme_ = test::distinct_theme();
  test::ControlTestWindow window_;
};

INSTANTIATE_TEST_SUITE_P(Backends, ThemedEditControlTest, testing::ValuesIn(test::kBothBackends),
                         [](const auto& info) { return test::backend_name(info.param); });

TEST_P(ThemedEditControlTest, ThemingTwiceKeepsOneStateAndTakesTheSecondColours) {
  HWND edit = add_edit();
  ASSERT_TRUE(theme_edit_control(edit, theme_, kPasswordInsets, GetParam()));
  DWORD_PTR first = 0;
  ASSERT_TRUE(find_window_subclass(edit, &edit_frame_subclass_procedure, kEditThemeSubclass,
                                   &first));
  const Theme second_theme = test::other_distinct_theme();
  ASSERT_TRUE(theme_edit_control(edit, second_theme, kPasswordInsets, GetParam()));
  DWORD_PTR second = 0;
  ASSERT_TRUE(find_window_subclass(edit, &edit_frame_subclass_procedure, kEditThemeSubclass,
                                   &second));
  EXPECT_EQ(first, second);
  // One ring, not two.
  const ClientInsets insets = client_insets(edit);
  EXPECT_EQ(insets.left, 2);
  EXPECT_EQ(insets.top, 2);

  redraw(edit);
  EXPECT_EQ(window_pixel(edit, width(edit) / 2, 0), rgb(second_theme.color(C::border_strong)));
  EXPECT_EQ(window_pixel(edit, 0, 0), rgb(second_theme.color(C::window_background)));
  EXPECT_EQ(window_pixel(edit, width(edit) / 2, 1), rgb(second_theme.color(C::control_background)));
}

TEST_P(ThemedEditControlTest, RingTwoPixelsAndMarginsEightAt96Dpi) {
  HWND edit = add_edit();
  ASSERT_TRUE(theme_edit_control(edit, theme_, kPasswordInsets, GetParam()));
  const ClientInsets insets = client_insets(edit);
  EXPECT_EQ(insets.left, 2);
  EXPECT_EQ(insets.top, 2);
  EXPECT_EQ(insets.right, 2);
  EXPECT_EQ(insets.bottom, 2);
  const LRESULT margins = SendMessageW(edit, EM_GETMARGINS, 0, 0);
  EXPECT_EQ(LOWORD(margins), 8);
  EXPECT_EQ(HIWORD(margins), 8);
  EXPECT_EQ(edit_frame_picture({200, 32}, theme_, kPasswordInsets, 96, 0)
                .first<PictureRoundRect>()
                ->ellipse,
            12);
}

class ThemedEditControlDpi144Test : public ThemedEditControlTest {
 protected:
  void SetUp() override { QUORVEL_REQUIRE_DPI(144); }
};

INSTANTIATE_TEST_SUITE_P(Backends, ThemedEditControlDpi144Test,
                         testing::ValuesIn(test::kBothBackends),
                         [](const auto& info) { return test::backend_name(info.param); });

TEST_P(ThemedEditControlDpi144Test, RingMarginsAndCornerGrow) {
  HWND edit = add_edit(ES_AUTOHSCROLL, 0, {20, 20, 320, 68});
  ASSERT_EQ(GetDpiForWindow(edit), 144u);
  ASSERT_TRUE(theme_edit_control(edit, theme_, kPasswordInsets, GetParam()));
  const ClientInsets insets = client_insets(edit);
  EXPECT_EQ(insets.left, 3);
  EXPECT_EQ(insets.top, 3);
  EXPECT_EQ(insets.right, 3);
  EXPECT_EQ(insets.bottom, 3);
  const LRESULT margins = SendMessageW(edit, EM_GETMARGINS, 0, 0);
  EXPECT_EQ(LOWORD(margins), 12);
  EXPECT_EQ(HIWORD(margins), 12);
  EXPECT_EQ(edit_frame_picture({300, 48}, theme_, kPasswordInsets, 144, 0)
                .first<PictureRoundRect>()
                ->ellipse,
            18);
  // Outside a corner of 9-pixel radius, inside one of 6.
  redraw(edit);
  EXPECT_EQ(window_pixel(edit, 2, 1), rgb(theme_.color(C::window_background)));
  EXPECT_EQ(window_pixel(edit, 150, 0), rgb(theme_.color(C::border_strong)));
}

TEST_P(ThemedEditControlTest, CentringLeavesOneTextLineInTheMiddle) {
  HWND edit = add_edit(ES_AUTOHSCROLL, 0, {20, 20, 220, 100});
  HFONT font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                           L"Tahoma");
  SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  EditInsets insets = kPasswordInsets;
  insets.center_vertically = true;
  ASSERT_TRUE(theme_edit_control(edit, theme_, insets, GetParam()));

  HDC dc = GetDC(edit);
  const HGDIOBJ previous = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, previous);
  ReleaseDC(edit, dc);

  RECT client{};
  GetClientRect(edit, &client);
  EXPECT_EQ(client.bottom, metrics.tmHeight);
  const int ring = edit_frame_ring_width(GetDpiForWindow(edit));
  const int inner = 80 - 2 * ring;
  const ClientInsets placed = client_insets(edit);
  EXPECT_EQ(placed.top, ring + (inner - metrics.tmHeight + 1) / 2);
  EXPECT_LE(std::abs(placed.top - placed.bottom), 1);
  EXPECT_EQ(placed.left, ring);
  DestroyWindow(edit);
  DeleteObject(font);
}

TEST_P(ThemedEditControlTest, BorderFollowsFocusAndEnabledState) {
  HWND edit = add_edit();
  HWND other = add_edit(ES_AUTOHSCROLL, 0, {20, 80, 220, 112});
  ASSERT_TRUE(theme_edit_control(edit, theme_, kPasswordInsets, GetParam()));
  const int x = width(edit) / 2;

  SetForegroundWindow(window_.hwnd());
  SetFocus(other);
  redraw(edit);
  EXPECT_EQ(window_pixel(edit, x, 0), rgb(theme_.color(C::border_strong)));

  SetFocus(edit);
  ASSERT_EQ(GetFocus(), edit);
  EXPECT_EQ(window_pixel(edit, x, 0), rgb(theme_.color(C::accent)));

  SetFocus(other);
  EnableWindow(edit, FALSE);
  EXPECT_EQ(window_pixel(edit, x, 0), rgb(theme_.color(C::border)));
  EXPECT_EQ(window_pixel(edit, 0, 16), rgb(theme_.color(C::border)));
}

TEST_P(ThemedEditControlTest, SystemBordersGoAndPrintedClientHasControlBackgroundStrips) {
  HWND edit = add_edit(ES_AUTOHSCROLL | WS_BORDER, WS_EX_CLIENTEDGE | WS_EX_STATICEDGE);
  ASSERT_TRUE(theme_edit_control(edit, theme_, kPasswordInsets, GetParam()));
  EXPECT_EQ(GetWindowLongPtrW(edit, GWL_STYLE) & WS_BORDER, 0);
  EXPECT_EQ(GetWindowLongPtrW(edit, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE), 0);

  RECT client{};
  GetClientRect(edit, &client);
  DibTarget target(client.right, client.bottom, {1, 2, 3});
  SendMessageW(edit, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target.dc()),
               PRF_CLIENT | PRF_ERASEBKGND);
  const Rgb strip = rgb(theme_.color(C::control_background));
  const int w = client.right;
  const int h = client.bottom;
  EXPECT_EQ(target.pixel(w / 2, 0), strip);
  EXPECT_EQ(target.pixel(w / 2, h - 1), strip);
  EXPECT_EQ(target.pixel(0, h / 2), strip);
  EXPECT_EQ(target.pixel(w - 1, h / 2), strip);
  EXPECT_NE(target.pixel(w / 2, h / 2), strip);
}

TEST(ThemedEditControlSetupTest, NullWindowIsRefused) {
  EXPECT_FALSE(theme_edit_control(nullptr, test::distinct_theme(), kPasswordInsets));
}

}  // namespace
}  // namespace win32_ui
