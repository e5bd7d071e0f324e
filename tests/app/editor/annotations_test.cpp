#include <gtest/gtest.h>

#include <string>

#include "app/editor/screenshot_editor.h"
#include "tests/app/editor/editor_test_support.h"

namespace quorvel::windows::test {
namespace {

const RECT kSelection{50, 60, 251, 161};
constexpr COLORREF kMarkColor = RGB(235, 48, 48);

class Annotations : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fixture_.open());
    fixture_.drag({50, 60}, {250, 160});
    ASSERT_FALSE(fixture_.editor->is_selecting());
    ASSERT_TRUE(EqualRect(&fixture_.editor->selection(), &kSelection));
  }

  ScreenshotEditor& editor() { return *fixture_.editor; }
  size_t marks() const { return fixture_.editor->annotations().size(); }

  // Whether a press there starts a mark; the mark is then dropped again.
  bool press_starts_mark(int x, int y) {
    fixture_.press(x, y);
    const bool started = editor().is_drawing();
    fixture_.send(WM_CAPTURECHANGED, 0, 0);
    if (GetCapture() == editor().canvas()) ReleaseCapture();
    return started;
  }

  EditorFixture fixture_;
};

TEST_F(Annotations, RectangleDragAddsOneMarkInTheEditorsColourAndThickness) {
  fixture_.drag({100, 100}, {150, 140});
  ASSERT_EQ(marks(), 1u);
  const Annotation& mark = editor().annotations().front();
  EXPECT_EQ(mark.tool, kToolRectangle);
  EXPECT_EQ(mark.start.x, 100);
  EXPECT_EQ(mark.start.y, 100);
  EXPECT_EQ(mark.end.x, 150);
  EXPECT_EQ(mark.end.y, 140);
  EXPECT_EQ(mark.color, kMarkColor);
  EXPECT_EQ(mark.thickness, 3);
  EXPECT_FALSE(editor().is_drawing());
  EXPECT_EQ(GetCapture(), nullptr);

  UpdateWindow(editor().canvas());
  const WindowPixels pixels(editor().canvas());
  pixels.save_png_if_asked("screenshot_editor_rectangle.png");
  // Centre lines of the top and left edges, the inside and beyond the pen.
  EXPECT_EQ(pixels.at(125, 100), kMarkColor);
  EXPECT_EQ(pixels.at(100, 120), kMarkColor);
  EXPECT_EQ(pixels.at(125, 120), pattern_color(125, 120));
  EXPECT_EQ(pixels.at(125, 96), pattern_color(125, 96));
  EXPECT_EQ(pixels.at(96, 120), pattern_color(96, 120));
}

TEST_F(Annotations, AClickWithoutMovementAddsNothing) {
  for (AnnotationTool tool : {kToolPencil, kToolRectangle, kToolEllipse, kToolArrow}) {
    editor().set_tool(tool);
    fixture_.drag({120, 120}, {120, 120});
    EXPECT_EQ(marks(), 0u) << "tool " << tool;
    EXPECT_FALSE(editor().is_drawing());
  }
}

TEST_F(Annotations, APressOutsideTheSelectionOrTheImageAddsNothing) {
  const POINT outside[] = {{30, 100}, {300, 100}, {120, 200}, {-5, 100}, {120, 620}};
  for (const POINT& p : outside) {
    fixture_.press(p.x, p.y);
    EXPECT_FALSE(editor().is_drawing()) << p.x << "," << p.y;
    fixture_.move(p.x + 40, p.y + 30);
    fixture_.release(p.x + 40, p.y + 30);
    EXPECT_EQ(marks(), 0u) << p.x << "," << p.y;
  }
}

TEST_F(Annotations, LosingTheCaptureMidDragLeavesNoMark) {
  fixture_.press(100, 100);
  fixture_.move(150, 140);
  ASSERT_TRUE(editor().is_drawing());
  ReleaseCapture();
  fixture_.send(WM_CAPTURECHANGED, 0, 0);
  EXPECT_FALSE(editor().is_drawing());
  fixture_.release(150, 140);
  EXPECT_EQ(marks(), 0u);
  UpdateWindow(editor().canvas());
  const WindowPixels pixels(editor().canvas());
  EXPECT_EQ(pixels.at(125, 100), pattern_color(125, 100));
}

TEST_F(Annotations, APencilDraggedPastTheImageKeepsPointsOnItsEdge) {
  editor().set_tool(kToolPencil);
  fixture_.press(200, 100);
  fixture_.move(500, 100);
  fixture_.move(900, 110);
  fixture_.move(1200, 120);
  fixture_.release(1200, 120);
  ASSERT_EQ(marks(), 1u);
  const std::vector<POINT>& points = editor().annotations().front().points;
  ASSERT_EQ(points.size(), 4u);
  EXPECT_EQ(points[0].x, 200);
  EXPECT_EQ(points[1].x, 500);
  EXPECT_EQ(points[2].x, 799);
  EXPECT_EQ(points[2].y, 110);
  EXPECT_EQ(points[3].x, 799);
  EXPECT_EQ(points[3].y, 120);
}

TEST_F(Annotations, UndoRemovesTheLastMarkOnly) {
  fixture_.drag({100, 100}, {150, 140});
  editor().set_tool(kToolEllipse);
  fixture_.drag({60, 70}, {90, 90});
  ASSERT_EQ(marks(), 2u);
  editor().undo();
  ASSERT_EQ(marks(), 1u);
  EXPECT_EQ(editor().annotations().front().tool, kToolRectangle);
  // Ctrl+Z on the canvas does the same.
  {
    HeldKeys control({VK_CONTROL});
    fixture_.send(WM_KEYDOWN, 'Z', 0);
  }
  EXPECT_EQ(marks(), 0u);
  editor().undo();
  EXPECT_EQ(marks(), 0u);
}

struct BoxPlace {
  POINT at;
  RECT rect;
};

TEST_F(Annotations, TheTextBoxIsAMultilineEditSizedToTheImage) {
  editor().set_tool(kToolText);
  // A selection over the whole image, so every place below is inside it.
  fixture_.press(50, 110);
  fixture_.move(0, 110);
  fixture_.release(0, 110);
  fixture_.press(250, 110);
  fixture_.move(799, 110);
  fixture_.release(799, 110);
  fixture_.press(400, 60);
  fixture_.move(400, 0);
  fixture_.release(400, 0);
  fixture_.press(400, 160);
  fixture_.move(400, 599);
  fixture_.release(400, 599);
  const RECT whole{0, 0, 800, 600};
  ASSERT_TRUE(EqualRect(&editor().selection(), &whole));

  const BoxPlace places[] = {{{100, 100}, {100, 100, 360, 210}},
                             {{780, 100}, {780, 100, 820, 210}},
                             {{100, 590}, {100, 590, 360, 620}}};
  for (const BoxPlace& place : places) {
    fixture_.press(place.at.x, place.at.y);
    HWND box = editor().text_box();
    ASSERT_NE(box, nullptr);
    RECT rect{};
    GetWindowRect(box, &rect);
    MapWindowPoints(nullptr, editor().canvas(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_TRUE(EqualRect(&rect, &place.rect))
        << place.at.x << "," << place.at.y << ": " << rect.left << "," << rect.top << ","
        << rect.right << "," << rect.bottom;
    EXPECT_EQ(GetDlgCtrlID(box), kTextBoxId);
    EXPECT_NE(GetWindowLongPtrW(box, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    EXPECT_NE(GetWindowLongPtrW(box, GWL_STYLE) & ES_MULTILINE, 0);
    EXPECT_EQ(GetParent(box), editor().canvas());
    EXPECT_EQ(GetFocus(), box);
    wchar_t name[16]{};
    GetClassNameW(box, name, 16);
    EXPECT_EQ(std::wstring(name), L"Edit");
    EXPECT_EQ(editor().current_annotation().end.x, place.rect.right);
    // Esc drops it before the next place.
    SendMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(IsWindow(box));
  }
  EXPECT_EQ(marks(), 0u);
}

enum class BoxAction { kControlEnter, kPressElsewhere, kEscape, kUndo };

struct BoxCase {
  const char* name;
  const wchar_t* text;
  BoxAction action;
  size_t marks;
};

class TextBoxEnding : public Annotations, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(TextBoxEnding, KeepsOrDropsTheTextAndLeavesTheNextPressFree) {
  const BoxCase& c = GetParam();
  fixture_.drag({100, 100}, {150, 140});
  ASSERT_EQ(marks(), 1u);
  editor().set_tool(kToolText);
  fixture_.press(60, 70);
  HWND box = editor().text_box();
  ASSERT_NE(box, nullptr);
  ASSERT_EQ(GetFocus(), box);
  SetWindowTextW(box, c.text);

  switch (c.action) {
    case BoxAction::kControlEnter: {
      HeldKeys control({VK_CONTROL});
      SendMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
      break;
    }
    case BoxAction::kPressElsewhere:
      fixture_.press(200, 140);
      EXPECT_FALSE(editor().is_drawing());
      fixture_.move(230, 150);
      fixture_.release(230, 150);
      break;
    case BoxAction::kEscape:
      SendMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
      break;
    case BoxAction::kUndo:
      editor().undo();
      break;
  }
  pump_messages();
  EXPECT_FALSE(IsWindow(box));
  EXPECT_EQ(editor().text_box(), nullptr);
  EXPECT_EQ(marks(), c.marks);
  if (c.marks == 2) {
    EXPECT_EQ(editor().annotations().back().tool, kToolText);
    EXPECT_EQ(editor().annotations().back().text, c.text);
  }
  editor().set_tool(kToolRectangle);
  EXPECT_TRUE(press_starts_mark(120, 130));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextBoxEnding,
    ::testing::Values(BoxCase{"ControlEnter", L"Hi", BoxAction::kControlEnter, 2},
                      BoxCase{"PressElsewhere", L"Hi", BoxAction::kPressElsewhere, 2},
                      BoxCase{"Escape", L"Hi", BoxAction::kEscape, 1},
                      BoxCase{"Undo", L"Hi", BoxAction::kUndo, 0},
                      BoxCase{"ControlEnterEmpty", L"", BoxAction::kControlEnter, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Annotations, EnterAloneInTheBoxBreaksTheLine) {
  editor().set_tool(kToolText);
  fixture_.press(60, 70);
  HWND box = editor().text_box();
  ASSERT_NE(box, nullptr);
  SendMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
  SendMessageW(box, WM_CHAR, L'\r', 0);
  EXPECT_TRUE(IsWindow(box));
  EXPECT_EQ(SendMessageW(box, EM_GETLINECOUNT, 0, 0), 2);
  EXPECT_EQ(marks(), 0u);
}

TEST_F(Annotations, TextIsDrawnRightOfAndBelowItsStartAndWraps) {
  editor().set_tool(kToolText);
  fixture_.press(100, 80);
  HWND box = editor().text_box();
  ASSERT_NE(box, nullptr);
  SetWindowTextW(box, L"Hi\r\nHi");
  {
    HeldKeys control({VK_CONTROL});
    SendMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
  }
  ASSERT_EQ(marks(), 1u);
  const DesktopSnapshot out = editor().render_selection();
  ASSERT_EQ(out.width, 201u);
  ASSERT_EQ(out.height, 101u);
  int coloured = 0;
  int lowest = -1;
  for (int y = 0; y < 101; ++y) {
    for (int x = 0; x < 201; ++x) {
      const uint8_t* p = &out.pixels[(static_cast<size_t>(y) * 201 + x) * 4];
      const COLORREF color = RGB(p[2], p[1], p[0]);
      if (color == pattern_color(x + 50, y + 60)) continue;
      EXPECT_GE(x + 50, 100) << x << "," << y;
      EXPECT_GE(y + 60, 80) << x << "," << y;
      if (color == kMarkColor) ++coloured;
      lowest = std::max(lowest, y + 60);
    }
  }
  EXPECT_GT(coloured, 20);
  // The second line lies a full line below the first.
  EXPECT_GT(lowest, 80 + 30);
}

TEST_F(Annotations, AnIncrementalDragPaintsWhatAFullRepaintPaints) {
  const struct {
    AnnotationTool tool;
    POINT from;
    POINT path[3];
  } drags[] = {{kToolRectangle, {100, 100}, {{180, 150}, {120, 90}, {150, 140}}},
               {kToolArrow, {70, 150}, {{240, 70}, {100, 80}, {200, 100}}},
               {kToolPencil, {60, 70}, {{90, 150}, {240, 65}, {130, 120}}}};
  UpdateWindow(editor().canvas());
  for (const auto& drag : drags) {
    editor().set_tool(drag.tool);
    editor().set_thickness(8);
    fixture_.press(drag.from.x, drag.from.y);
    for (const POINT& p : drag.path) {
      fixture_.move(p.x, p.y);
      UpdateWindow(editor().canvas());
    }
    const WindowPixels incremental(editor().canvas());
    InvalidateRect(editor().canvas(), nullptr, FALSE);
    UpdateWindow(editor().canvas());
    const WindowPixels full(editor().canvas());
    int differing = 0;
    for (int y = 0; y < kCanvasHeight; ++y) {
      for (int x = 0; x < kCanvasWidth; ++x) {
        if (incremental.at(x, y) != full.at(x, y)) ++differing;
      }
    }
    EXPECT_EQ(differing, 0) << "tool " << drag.tool;
    fixture_.release(drag.path[2].x, drag.path[2].y);
    UpdateWindow(editor().canvas());
  }
  EXPECT_EQ(marks(), 3u);
}

}  // namespace
}  // namespace quorvel::windows::test
