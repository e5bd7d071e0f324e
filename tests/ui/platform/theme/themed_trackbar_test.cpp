#include "ui/platform/theme/themed_trackbar.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "tests/ui/platform/theme/control_test_window.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui {
namespace {

using test::DibTarget;
using test::rgb;
using test::ScrollNote;
using C = ThemeColor;

constexpr int kMin = 10;
constexpr int kMax = 110;

class TrackbarFixture {
 public:
  TrackbarFixture() {
    trackbar_ = window_.add_child(TRACKBAR_CLASSW, L"", TBS_HORZ | TBS_NOTICKS, {10, 10, 250, 40});
    SendMessageW(trackbar_, TBM_SETRANGE, TRUE, MAKELPARAM(kMin, kMax));
  }

  HWND trackbar() const { return trackbar_; }
  std::vector<ScrollNote>& scrolls() { return window_.scrolls; }
  RECT rect(UINT message) const {
    RECT rect{};
    SendMessageW(trackbar_, message, 0, reinterpret_cast<LPARAM>(&rect));
    return rect;
  }
  int position() const { return static_cast<int>(SendMessageW(trackbar_, TBM_GETPOS, 0, 0)); }
  // The position the control takes for a press at client x.
  int position_at(int x) const {
    const RECT channel = rect(TBM_GETCHANNELRECT);
    const int span = std::max<int>(channel.right - channel.left, 1);
    const int offset = std::clamp<int>(x, channel.left, channel.right) - channel.left;
    return kMin + ((kMax - kMin) * offset + span / 2) / span;
  }
  int middle_y() const {
    RECT client{};
    GetClientRect(trackbar_, &client);
    return client.bottom / 2;
  }
  void mouse(UINT message, int x) const {
    SendMessageW(trackbar_, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                 MAKELPARAM(x, middle_y()));
  }

 private:
  test::ControlTestWindow window_;
  HWND trackbar_ = nullptr;
};

TEST(ThemedTrackbarTest, PressOnTheThumbLeavesTheDragToTheControl) {
  TrackbarFixture fixture;
  ASSERT_TRUE(theme_trackbar(fixture.trackbar(), test::distinct_theme(), {}));
  SendMessageW(fixture.trackbar(), TBM_SETPOS, TRUE, 60);
  const RECT thumb = fixture.rect(TBM_GETTHUMBRECT);
  const int x = (thumb.left + thumb.right) / 2;

  fixture.mouse(WM_LBUTTONDOWN, x);
  EXPECT_EQ(fixture.position(), 60);
  for (const ScrollNote& note : fixture.scrolls()) EXPECT_NE(note.code, TB_THUMBTRACK);
  // The control's own drag holds the mouse.
  EXPECT_EQ(GetCapture(), fixture.trackbar());
  fixture.mouse(WM_LBUTTONUP, x);
  EXPECT_EQ(fixture.position(), 60);
  EXPECT_NE(GetCapture(), fixture.trackbar());
}

TEST(ThemedTrackbarTest, PressElsewhereJumpsFollowsAndEndsTheTrack) {
  TrackbarFixture fixture;
  ASSERT_TRUE(theme_trackbar(fixture.trackbar(), test::distinct_theme(), {}));
  const RECT channel = fixture.rect(TBM_GETCHANNELRECT);
  const int span = channel.right - channel.left;
  const int press = channel.left + span * 3 / 4 + 1;
  const int move = channel.left + span / 2 + 3;
  const int release = channel.left + span / 3;

  fixture.mouse(WM_LBUTTONDOWN, press);
  EXPECT_EQ(GetCapture(), fixture.trackbar());
  fixture.mouse(WM_MOUSEMOVE, move);
  fixture.mouse(WM_LBUTTONUP, release);

  const std::vector<std::pair<int, int>> expected = {{TB_THUMBTRACK, fixture.position_at(press)},
                                                     {TB_THUMBTRACK, fixture.position_at(move)},
                                                     {TB_THUMBPOSITION, fixture.position_at(release)},
                                                     {TB_ENDTRACK, 0}};
  std::vector<std::pair<int, int>> seen;
  for (const ScrollNote& note : fixture.scrolls()) {
    EXPECT_EQ(note.source, fixture.trackbar());
    // Wine's control itself also ends the track when it loses the capture:
    // one end of track is what counts.
    if (note.code == TB_ENDTRACK && !seen.empty() && seen.back().first == TB_ENDTRACK) continue;
    seen.emplace_back(note.code, note.position);
  }
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(fixture.position(), fixture.position_at(release));
  EXPECT_NE(GetCapture(), fixture.trackbar());
  // Positions are rounded to the nearest step, not cut.
  EXPECT_EQ(fixture.position_at(channel.left + span / 2), kMin + (kMax - kMin) / 2);
}

TEST(ThemedTrackbarTest, PointLeftOfTheChannelGivesTheMinimum) {
  TrackbarFixture fixture;
  ASSERT_TRUE(theme_trackbar(fixture.trackbar(), test::distinct_theme(), {}));
  SendMessageW(fixture.trackbar(), TBM_SETPOS, TRUE, 80);
  ASSERT_GT(fixture.rect(TBM_GETCHANNELRECT).left, 1);
  fixture.mouse(WM_LBUTTONDOWN, 1);
  ASSERT_FALSE(fixture.scrolls().empty());
  EXPECT_EQ(fixture.scrolls().front().code, TB_THUMBTRACK);
  EXPECT_EQ(fixture.scrolls().front().position, kMin);
  EXPECT_EQ(fixture.position(), kMin);
  fixture.mouse(WM_LBUTTONUP, 1);
}

TEST(ThemedTrackbarTest, ThemingAgainKeepsOneStateAndNullIsRefused) {
  TrackbarFixture fixture;
  EXPECT_FALSE(theme_trackbar(nullptr, test::distinct_theme(), {}));
  ASSERT_TRUE(theme_trackbar(fixture.trackbar(), test::distinct_theme(), {}));
  DWORD_PTR first = 0;
  ASSERT_TRUE(find_window_subclass(fixture.trackbar(), &trackbar_subclass_procedure,
                                   kTrackbarThemeSubclass, &first));
  ASSERT_TRUE(theme_trackbar(fixture.trackbar(), test::other_distinct_theme(), {}));
  DWORD_PTR second = 0;
  ASSERT_TRUE(find_window_subclass(fixture.trackbar(), &trackbar_subclass_procedure,
                                   kTrackbarThemeSubclass, &second));
  EXPECT_EQ(first, second);
  DestroyWindow(fixture.trackbar());
  EXPECT_FALSE(IsWindow(fixture.trackbar()));
}

class ThemedTrackbarPaintTest : public testing::TestWithParam<PaintBackend> {
 protected:
  void SetUp() override { QUORVEL_REQUIRE_DPI(96); }
};

INSTANTIATE_TEST_SUITE_P(Backends, ThemedTrackbarPaintTest,
                         testing::ValuesIn(test::kBothBackends),
                         [](const auto& info) { return test::backend_name(info.param); });

TEST_P(ThemedTrackbarPaintTest, PaintsTrackFilledPartAndThumb) {
  const Theme theme = test::distinct_theme();
  for (const bool enabled : {true, false}) {
    SCOPED_TRACE(enabled ? "enabled" : "disabled");
    TrackbarFixture fixture;
    ASSERT_TRUE(theme_trackbar(fixture.trackbar(), theme, {}, GetParam()));
    SendMessageW(fixture.trackbar(), TBM_SETPOS, TRUE, 60);
    EnableWindow(fixture.trackbar(), enabled);
    RECT client{};
    GetClientRect(fixture.trackbar(), &client);
    DibTarget target(client.right, client.bottom);
    SendMessageW(fixture.trackbar(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target.dc()),
                 PRF_CLIENT);

    const RECT channel = fixture.rect(TBM_GETCHANNELRECT);
    const RECT thumb = fixture.rect(TBM_GETTHUMBRECT);
    const int cx = (thumb.left + thumb.right) / 2;
    const int cy = client.bottom / 2;
    const COLORREF active = theme.color(enabled ? C::accent : C::border_strong);
    EXPECT_EQ(target.pixel(channel.left + 4, cy), rgb(active));
    EXPECT_EQ(target.pixel(channel.right - 5, cy), rgb(theme.color(C::border)));
    EXPECT_EQ(target.pixel(channel.right - 5, cy - 3), rgb(theme.color(C::window_background)));
    EXPECT_EQ(target.pixel(cx, cy), rgb(theme.color(C::control_background)));
    // The thumb's outline, 7 pixels above the centre at 96 DPI.
    EXPECT_TRUE(test::nearer(target.pixel(cx, cy - 7), active, theme.color(C::control_background)));
    EXPECT_EQ(target.pixel(cx, 0), rgb(theme.color(C::window_background)));
    EXPECT_EQ(test::alpha_at(target, cx, 0), test::expected_alpha(GetParam()));
  }
}

TEST_P(ThemedTrackbarPaintTest, ZeroWidthClientDrawsNothing) {
  TrackbarFixture fixture;
  ASSERT_TRUE(theme_trackbar(fixture.trackbar(), test::distinct_theme(), {}, GetParam()));
  SetWindowPos(fixture.trackbar(), nullptr, 0, 0, 0, 30, SWP_NOMOVE | SWP_NOZORDER);
  DibTarget target(40, 40);
  EXPECT_EQ(SendMessageW(fixture.trackbar(), WM_PRINTCLIENT,
                         reinterpret_cast<WPARAM>(target.dc()), PRF_CLIENT),
            0);
  EXPECT_FALSE(target.ink(ui::graphics::test::kWhite).any);
}

TEST(TrackbarPictureTest, ThumbIsAtLeastEightDipAndCentredOnTheThumb) {
  const RECT client = {0, 0, 200, 30};
  TrackbarStyle style;
  style.thumb_size = 4;
  EXPECT_EQ(test::edges(trackbar_thumb_square(client, {50, 3, 60, 27}, style, 96)),
            (std::array<LONG, 4>{51, 11, 59, 19}));
  style.thumb_size = 14;
  EXPECT_EQ(test::edges(trackbar_thumb_square(client, {50, 3, 60, 27}, style, 144)),
            (std::array<LONG, 4>{45, 5, 66, 26}));
}

}  // namespace
}  // namespace win32_ui
