#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/editor/screenshot_editor.h"
#include "tests/app/editor/editor_test_support.h"

namespace quorvel::windows::test {
namespace {

using Decoys = std::vector<std::unique_ptr<DecoyWindow>>;

struct SnapCase {
  const char* name;
  std::function<void(Decoys&)> arrange;
  POINT cursor;  // screen
  RECT expected;  // canvas coordinates
};

void popup_with_button(Decoys& decoys) {
  decoys.push_back(DecoyWindow::popup({300, 200, 500, 350}));
  decoys.push_back(DecoyWindow::child(decoys[0]->hwnd(), {20, 30, 100, 55}));
}

void popup_with_overhanging_child(Decoys& decoys) {
  decoys.push_back(DecoyWindow::popup({300, 200, 500, 350}));
  decoys.push_back(DecoyWindow::child(decoys[0]->hwnd(), {150, 100, 250, 200}));
}

// An ellipse filling a topmost popup's rectangle, over a larger popup.
void elliptic_over_larger(Decoys& decoys) {
  decoys.push_back(DecoyWindow::popup({250, 150, 600, 450}, true, false));
  decoys.push_back(DecoyWindow::popup({300, 200, 500, 350}));
  SetWindowRgn(decoys[1]->hwnd(), CreateEllipticRgn(0, 0, 200, 150), TRUE);
}

// A window that calls itself a child of an owner far away: its parent chain
// leaves nothing of it on screen.
void child_hidden_by_its_parent_chain(Decoys& decoys) {
  decoys.push_back(DecoyWindow::popup({1300, 900, 1400, 1000}));
  decoys.push_back(DecoyWindow::popup({300, 200, 500, 350}));
  HWND window = decoys[1]->hwnd();
  SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(decoys[0]->hwnd()));
  SetWindowLongPtrW(window, GWL_STYLE, GetWindowLongPtrW(window, GWL_STYLE) | WS_CHILD);
  EXPECT_NE(GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD, 0);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(GetParent(window), decoys[0]->hwnd());
}

const SnapCase kSnapCases[] = {
    {"TopmostPopup", [](Decoys& d) { d.push_back(DecoyWindow::popup({300, 200, 500, 350})); },
     {400, 300}, {200, 150, 400, 300}},
    {"ChildButton", popup_with_button, {330, 240}, {220, 180, 300, 205}},
    {"PopupAroundTheButton", popup_with_button, {450, 300}, {200, 150, 400, 300}},
    {"ChildClippedToItsParentsClientArea", popup_with_overhanging_child, {460, 310},
     {350, 250, 400, 300}},
    {"WindowPastTheCanvasRightEdge",
     [](Decoys& d) { d.push_back(DecoyWindow::popup({800, 100, 1100, 300})); }, {850, 150},
     {700, 50, 800, 250}},
    {"InsideAnEllipse", elliptic_over_larger, {400, 275}, {200, 150, 400, 300}},
    {"OutsideAnEllipseInItsBox", elliptic_over_larger, {303, 203}, {150, 100, 500, 400}},
    {"HiddenWindow",
     [](Decoys& d) { d.push_back(DecoyWindow::popup({300, 200, 500, 350}, false)); },
     {400, 300}, {0, 0, 800, 600}},
    {"MinimisedWindow",
     [](Decoys& d) {
       d.push_back(DecoyWindow::popup({300, 200, 500, 350}));
       ShowWindow(d[0]->hwnd(), SW_MINIMIZE);
     },
     {400, 300}, {0, 0, 800, 600}},
    {"RightEdgeIsExclusive",
     [](Decoys& d) { d.push_back(DecoyWindow::popup({300, 200, 500, 350})); }, {500, 300},
     {0, 0, 800, 600}},
    {"NoTestWindow", [](Decoys&) {}, kEmptyScreenPoint, {0, 0, 800, 600}},
    {"ChildHiddenByItsParentChain", child_hidden_by_its_parent_chain, {400, 300},
     {0, 0, 800, 600}},
};

class WindowSnapping : public ::testing::TestWithParam<SnapCase> {};

TEST_P(WindowSnapping, SelectsTheWindowUnderTheCursorOnTheSnapTimer) {
  const SnapCase& c = GetParam();
  EditorFixture fixture;
  ASSERT_TRUE(fixture.open());
  Decoys decoys;
  c.arrange(decoys);
  pump_messages();

  SetCursorPos(c.cursor.x, c.cursor.y);
  fixture.send(WM_TIMER, kHoverSnapTimer, 0);
  const RECT& selection = fixture.editor->selection();
  EXPECT_EQ(selection.left, c.expected.left);
  EXPECT_EQ(selection.top, c.expected.top);
  EXPECT_EQ(selection.right, c.expected.right);
  EXPECT_EQ(selection.bottom, c.expected.bottom);
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowSnapping, ::testing::ValuesIn(kSnapCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WindowSnappingMoves, FollowsTheMouseWithTheButtonUp) {
  EditorFixture fixture;
  ASSERT_TRUE(fixture.open());
  auto popup = DecoyWindow::popup({300, 200, 500, 350});
  fixture.move(300, 250, false);  // screen (400, 300)
  const RECT over_popup{200, 150, 400, 300};
  EXPECT_TRUE(EqualRect(&fixture.editor->selection(), &over_popup));
  fixture.move(760, 570, false);  // screen (860, 620)
  const RECT whole{0, 0, 800, 600};
  EXPECT_TRUE(EqualRect(&fixture.editor->selection(), &whole));
}

TEST(WindowSnappingSearch, ReturnsTheBoundsInScreenCoordinatesWhenNothingIsThere) {
  auto popup = DecoyWindow::popup({300, 200, 500, 350});
  const RECT bounds = kCanvasRect;
  const RECT found = ScreenshotEditor::find_window_rect_at({400, 300}, bounds, nullptr);
  const RECT expected{300, 200, 500, 350};
  EXPECT_TRUE(EqualRect(&found, &expected));
  // The skipped window is looked through.
  const RECT skipped = ScreenshotEditor::find_window_rect_at({400, 300}, bounds, popup->hwnd());
  EXPECT_TRUE(EqualRect(&skipped, &bounds));
}

}  // namespace
}  // namespace quorvel::windows::test
