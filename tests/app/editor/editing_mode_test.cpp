#include <gtest/gtest.h>

#include <string>

#include "app/editor/screenshot_editor.h"
#include "tests/app/editor/editor_test_support.h"

namespace quorvel::windows::test {
namespace {

const RECT kDragged{50, 60, 251, 161};

// An editor in editing mode with the selection (50, 60, 251, 161).
class EditingMode : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fixture_.open());
    fixture_.drag({50, 60}, {250, 160});
    ASSERT_FALSE(fixture_.editor->is_selecting());
    ASSERT_TRUE(EqualRect(&fixture_.editor->selection(), &kDragged));
  }

  HWND canvas() const { return fixture_.editor->canvas(); }

  EditorFixture fixture_;
};

struct HandleCase {
  POINT point;
  int handle;
};

TEST_F(EditingMode, FindsTheHandleWithinTheTolerance) {
  const HandleCase cases[] = {
      {{55, 110}, kHandleLeft},   {{45, 110}, kHandleLeft},   {{56, 110}, kHandleNone},
      {{250, 110}, kHandleRight}, {{255, 115}, kHandleRight}, {{150, 60}, kHandleTop},
      {{150, 160}, kHandleBottom}, {{150, 166}, kHandleNone}, {{150, 110}, kHandleNone},
  };
  for (const HandleCase& c : cases) {
    EXPECT_EQ(fixture_.editor->hit_test_handle(c.point), c.handle)
        << "(" << c.point.x << ", " << c.point.y << ")";
  }
}

TEST(EditingModeSmall, LeftHandleWinsInATinySelection) {
  EditorFixture fixture;
  ASSERT_TRUE(fixture.open());
  fixture.drag({10, 10}, {12, 12});
  const RECT tiny{10, 10, 13, 13};
  ASSERT_TRUE(EqualRect(&fixture.editor->selection(), &tiny));
  EXPECT_EQ(fixture.editor->hit_test_handle({11, 11}), kHandleLeft);
}

TEST_F(EditingMode, ShowsTheResizeCursorOverEachHandle) {
  struct CursorCase {
    POINT client;
    const wchar_t* cursor;
  };
  const CursorCase cases[] = {{{50, 110}, IDC_SIZEWE},
                              {{250, 110}, IDC_SIZEWE},
                              {{150, 60}, IDC_SIZENS},
                              {{150, 160}, IDC_SIZENS},
                              {{150, 110}, IDC_CROSS}};
  for (const CursorCase& c : cases) {
    SetCursorPos(c.client.x + kCanvasRect.left, c.client.y + kCanvasRect.top);
    EXPECT_EQ(fixture_.send(WM_SETCURSOR, reinterpret_cast<WPARAM>(canvas()),
                            MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, c.cursor)) << c.client.x << "," << c.client.y;
  }
}

struct ResizeCase {
  const char* name;
  POINT grab;
  POINT to;
  RECT expected;
};

class EditingResize : public EditingMode, public ::testing::WithParamInterface<ResizeCase> {};

TEST_P(EditingResize, KeepsTheSelectionNonEmptyAndInsideTheImage) {
  const ResizeCase& c = GetParam();
  fixture_.press(c.grab.x, c.grab.y);
  EXPECT_EQ(GetCapture(), canvas());
  fixture_.move(c.to.x, c.to.y);
  fixture_.release(c.to.x, c.to.y);
  const RECT& s = fixture_.editor->selection();
  EXPECT_EQ(s.left, c.expected.left);
  EXPECT_EQ(s.top, c.expected.top);
  EXPECT_EQ(s.right, c.expected.right);
  EXPECT_EQ(s.bottom, c.expected.bottom);
  EXPECT_EQ(GetCapture(), nullptr);
  // The handle is let go: later moves change nothing.
  fixture_.move(5, 5);
  EXPECT_TRUE(EqualRect(&fixture_.editor->selection(), &c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditingResize,
    ::testing::Values(ResizeCase{"LeftPastTheRight", {50, 110}, {400, 110}, {250, 60, 251, 161}},
                      ResizeCase{"RightPastTheLeft", {250, 110}, {-20, 110}, {50, 60, 51, 161}},
                      ResizeCase{"BottomPastTheImage", {150, 160}, {150, 900}, {50, 60, 251, 600}},
                      ResizeCase{"TopToTheEdge", {150, 60}, {150, -30}, {50, 0, 251, 161}},
                      ResizeCase{"LeftInside", {52, 108}, {20, 300}, {20, 60, 251, 161}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditingMode, MapsClientPointsToImagePoints) {
  POINT point{};
  EXPECT_TRUE(fixture_.editor->to_image_point(MAKELPARAM(799, 599), false, point));
  EXPECT_EQ(point.x, 799);
  EXPECT_EQ(point.y, 599);
  point = {-7, -7};
  EXPECT_FALSE(fixture_.editor->to_image_point(MAKELPARAM(800, 10), false, point));
  EXPECT_EQ(point.x, -7);
  EXPECT_FALSE(fixture_.editor->to_image_point(MAKELPARAM(-5, 700), true, point));
  EXPECT_EQ(point.x, 0);
  EXPECT_EQ(point.y, 599);
}

bool near_handle(int x, int y, const RECT& s) {
  const int mid_x = (s.left + s.right) / 2;
  const int mid_y = (s.top + s.bottom) / 2;
  const POINT centres[] = {{s.left, mid_y}, {s.right - 1, mid_y}, {mid_x, s.top},
                           {mid_x, s.bottom - 1}};
  for (const POINT& c : centres) {
    if (std::abs(x - c.x) <= 6 && std::abs(y - c.y) <= 6) return true;
  }
  return false;
}

bool near_frame(int x, int y, const RECT& s) {
  const bool in_x = x >= s.left - 2 && x <= s.right + 1;
  const bool in_y = y >= s.top - 2 && y <= s.bottom + 1;
  return (in_x && (std::abs(y - s.top) <= 2 || std::abs(y - (s.bottom - 1)) <= 2)) ||
         (in_y && (std::abs(x - s.left) <= 2 || std::abs(x - (s.right - 1)) <= 2));
}

// Accent pixels on a line of pixels across one edge of the frame.
int accent_run(const WindowPixels& pixels, COLORREF accent, POINT from, POINT step, int count) {
  int seen = 0;
  for (int i = 0; i < count; ++i) {
    if (pixels.at(from.x + step.x * i, from.y + step.y * i) == accent) ++seen;
  }
  return seen;
}

TEST_F(EditingMode, PaintsTheFrozenImageWithTheFrameAndFourHandles) {
  UpdateWindow(canvas());
  const WindowPixels pixels(canvas());
  pixels.save_png_if_asked("screenshot_editor_editing.png");
  ASSERT_EQ(pixels.width(), kCanvasWidth);
  ASSERT_EQ(pixels.height(), kCanvasHeight);
  const COLORREF accent = fixture_.registry->theme().color(win32_ui::ThemeColor::accent);

  int compared = 0;
  for (int y = 0; y < kCanvasHeight; y += 7) {
    for (int x = 0; x < kCanvasWidth; x += 5) {
      if (near_frame(x, y, kDragged) || near_handle(x, y, kDragged)) continue;
      ASSERT_EQ(pixels.at(x, y), pattern_color(x, y)) << x << "," << y;
      ++compared;
    }
  }
  EXPECT_GT(compared, 10000);

  // A 2-pixel frame on each edge, away from the handles.
  EXPECT_EQ(accent_run(pixels, accent, {45, 80}, {1, 0}, 11), 2);
  EXPECT_EQ(pixels.at(50, 80), accent);
  EXPECT_EQ(accent_run(pixels, accent, {245, 140}, {1, 0}, 11), 2);
  EXPECT_EQ(pixels.at(250, 140), accent);
  EXPECT_EQ(accent_run(pixels, accent, {100, 55}, {0, 1}, 11), 2);
  EXPECT_EQ(pixels.at(100, 60), accent);
  EXPECT_EQ(accent_run(pixels, accent, {200, 155}, {0, 1}, 11), 2);
  EXPECT_EQ(pixels.at(200, 160), accent);

  const COLORREF white = RGB(255, 255, 255);
  const POINT centres[] = {{50, 110}, {250, 110}, {150, 60}, {150, 160}};
  for (const POINT& c : centres) {
    for (int d = -2; d <= 2; ++d) {
      EXPECT_EQ(pixels.at(c.x + d, c.y), white) << c.x << "," << c.y;
      EXPECT_EQ(pixels.at(c.x, c.y + d), white) << c.x << "," << c.y;
    }
    EXPECT_EQ(pixels.at(c.x - 4, c.y + 1), accent) << c.x << "," << c.y;
    EXPECT_EQ(pixels.at(c.x + 4, c.y + 1), accent) << c.x << "," << c.y;
    EXPECT_EQ(pixels.at(c.x + 1, c.y - 4), accent) << c.x << "," << c.y;
    EXPECT_EQ(pixels.at(c.x + 1, c.y + 4), accent) << c.x << "," << c.y;
    // Outside the handle the image shows again.
    EXPECT_EQ(pixels.at(c.x + 2, c.y - 7), pattern_color(c.x + 2, c.y - 7)) << c.x << "," << c.y;
  }
}

TEST_F(EditingMode, RepaintsTheFrameInANewThemesAccent) {
  const win32_ui::Theme other = win32_ui::Theme::light(RGB(200, 30, 90));
  const COLORREF accent = other.color(win32_ui::ThemeColor::accent);
  ASSERT_NE(accent, fixture_.registry->theme().color(win32_ui::ThemeColor::accent));
  fixture_.editor->set_theme(other);
  UpdateWindow(canvas());
  const WindowPixels pixels(canvas());
  EXPECT_EQ(pixels.at(50, 80), accent);
  EXPECT_EQ(pixels.at(150, 60), RGB(255, 255, 255));
  EXPECT_EQ(pixels.at(146, 61), accent);
}

TEST_F(EditingMode, RepaintsTheFrameWhereTheResizeMovedIt) {
  fixture_.press(50, 110);
  fixture_.move(120, 110);
  fixture_.release(120, 110);
  UpdateWindow(canvas());
  const WindowPixels pixels(canvas());
  const COLORREF accent = fixture_.registry->theme().color(win32_ui::ThemeColor::accent);
  EXPECT_EQ(pixels.at(50, 80), pattern_color(50, 80));
  EXPECT_EQ(pixels.at(120, 80), accent);
}

TEST_F(EditingMode, RepaintsOnlyTheUpdateRectangle) {
  UpdateWindow(canvas());
  HDC dc = GetDC(canvas());
  RECT scribble{0, 300, 800, 400};
  FillRect(dc, &scribble, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(canvas(), dc);
  RECT update{100, 320, 200, 340};
  InvalidateRect(canvas(), &update, FALSE);
  UpdateWindow(canvas());
  const WindowPixels pixels(canvas());
  EXPECT_EQ(pixels.at(150, 330), pattern_color(150, 330));
  EXPECT_EQ(pixels.at(100, 320), pattern_color(100, 320));
  EXPECT_EQ(pixels.at(199, 339), pattern_color(199, 339));
  EXPECT_EQ(pixels.at(99, 330), RGB(0, 0, 0));
  EXPECT_EQ(pixels.at(200, 330), RGB(0, 0, 0));
  EXPECT_EQ(pixels.at(150, 319), RGB(0, 0, 0));
  EXPECT_EQ(pixels.at(150, 340), RGB(0, 0, 0));
}

TEST_F(EditingMode, EscapeClosesTheEditor) {
  HWND window = canvas();
  fixture_.send(WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(fixture_.closes, 1);
  fixture_.editor.reset();
  EXPECT_EQ(fixture_.closes, 1);
}

TEST_F(EditingMode, BringToFrontMakesTheCanvasTopmostAndForeground) {
  auto other = DecoyWindow::popup({0, 0, 1920, 1080});
  SetForegroundWindow(other->hwnd());
  fixture_.editor->bring_to_front();
  pump_messages();
  EXPECT_EQ(GetForegroundWindow(), canvas());
  EXPECT_NE(GetWindowLongPtrW(canvas(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  // Above the other topmost window in the Z order.
  bool canvas_first = false;
  for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
    if (window == canvas()) {
      canvas_first = true;
      break;
    }
    if (window == other->hwnd()) break;
  }
  EXPECT_TRUE(canvas_first);
}

}  // namespace
}  // namespace quorvel::windows::test
