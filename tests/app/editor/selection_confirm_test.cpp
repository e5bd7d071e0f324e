#include <gtest/gtest.h>

#include <string>

#include "app/editor/screenshot_editor.h"
#include "engine/desktop_snapshot.h"
#include "tests/app/editor/editor_test_support.h"
#include "tests/support/test_support.h"

#include <dwmapi.h>

namespace quorvel::windows::test {
namespace {

using quorvel::test::utf8;

const wchar_t kSelectionHint[] =
    L"Click or drag to select and edit \u00B7 Double-click or Enter to copy and finish \u00B7 "
    L"Esc to cancel";

TEST(SelectionDrag, SelectsTheDraggedRectangleAndCapturesOnRelease) {
  EditorFixture fixture;
  ASSERT_TRUE(fixture.open());
  HWND canvas = fixture.editor->canvas();

  fixture.press(50, 60);
  EXPECT_EQ(GetCapture(), canvas);
  EXPECT_EQ(fixture.editor->hint_text(), kSelectionHint);
  fixture.move(51, 61);  // within the drag threshold: not yet dragged
  const RECT whole{0, 0, 800, 600};
  EXPECT_TRUE(EqualRect(&fixture.editor->selection(), &whole));
  EXPECT_EQ(fixture.editor->hint_text(), kSelectionHint);

  fixture.move(250, 160);
  const RECT dragged{50, 60, 251, 161};
  EXPECT_TRUE(EqualRect(&fixture.editor->selection(), &dragged));
  EXPECT_EQ(utf8(fixture.editor->hint_text()),
            utf8(L"Selection 201 \u00D7 101 \u00B7 Release to edit \u00B7 Esc to cancel"));
  fixture.application.set_language(L"zh-CN");
  EXPECT_EQ(utf8(fixture.editor->hint_text()),
            utf8(L"\u9009\u533A 201 \u00D7 101 \u00B7 \u677E\u5F00\u4EE5\u7F16\u8F91 \u00B7 "
                 L"\u6309 Esc \u53D6\u6D88"));
  fixture.application.set_language(L"en-US");
  EXPECT_EQ(fixture.provider_calls, 0);

  fixture.release(250, 160);
  EXPECT_TRUE(EqualRect(&fixture.editor->selection(), &dragged));
  EXPECT_EQ(fixture.provider_calls, 1);
  EXPECT_FALSE(fixture.editor->is_selecting());
  EXPECT_FALSE(fixture.layered());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_FALSE(KillTimer(canvas, kHoverSnapTimer));
  // After a drag the toolbar does not wait for a second click.
  EXPECT_FALSE(KillTimer(canvas, kToolbarDelayTimer));
  EXPECT_EQ(fixture.editor->hint_text(), kSelectionHint);
  EXPECT_TRUE(fixture.messages.empty());
}

TEST(SelectionDrag, ClampsTheDragToTheCanvas) {
  EditorFixture fixture;
  ASSERT_TRUE(fixture.open());
  fixture.drag({700, 500}, {2000, -40});
  const RECT clamped{700, 0, 800, 501};
  EXPECT_TRUE(EqualRect(&fixture.editor->selection(), &clamped));
}

TEST(SelectionDrag, ShowsTheChineseHintBeforeADrag) {
  EditorFixture fixture;
  fixture.application.set_language(L"zh-CN");
  EXPECT_EQ(utf8(fixture.editor->hint_text()),
            utf8(L"\u70B9\u51FB\u6216\u62D6\u52A8\u4EE5\u9009\u62E9\u5E76\u7F16\u8F91 \u00B7 "
                 L"\u53CC\u51FB\u6216\u6309 Enter \u590D\u5236\u5E76\u5B8C\u6210 \u00B7 "
                 L"\u6309 Esc \u53D6\u6D88"));
}

TEST(SelectionClick, TakesTheSnappedWindowAndLetsTheToolbarWaitForASecondClick) {
  EditorFixture fixture;
  auto popup = DecoyWindow::popup({300, 200, 500, 350});
  ASSERT_TRUE(fixture.open({400, 300}));
  HWND canvas = fixture.editor->canvas();
  fixture.press(300, 250);
  fixture.release(300, 250);
  const RECT snapped{200, 150, 400, 300};
  EXPECT_TRUE(EqualRect(&fixture.editor->selection(), &snapped));
  EXPECT_EQ(fixture.provider_calls, 1);
  EXPECT_FALSE(fixture.editor->is_selecting());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(fixture.editor->toolbar(), nullptr);
  // Timer 71 is pending; once it has fired it is gone.
  fixture.send(WM_TIMER, kToolbarDelayTimer, 0);
  EXPECT_FALSE(KillTimer(canvas, kToolbarDelayTimer));
}

TEST(SelectionClick, PendingToolbarTimerIsSetAfterAClick) {
  EditorFixture fixture;
  ASSERT_TRUE(fixture.open());
  fixture.press(10, 10);
  fixture.release(10, 10);
  EXPECT_TRUE(KillTimer(fixture.editor->canvas(), kToolbarDelayTimer));
}

// The canvas must not keep the mouse after a selection: every later click of
// the thread would reach the canvas instead of the window under it.
TEST(SelectionCapture, ReleasesTheMouseSoARealClickReachesAnotherWindow) {
  struct Selection {
    POINT from;
    POINT to;
  };
  for (const Selection& s : {Selection{{50, 60}, {250, 160}}, Selection{{20, 20}, {20, 20}}}) {
    EditorFixture fixture;
    ASSERT_TRUE(fixture.open());
    auto button = DecoyWindow::popup({1000, 700, 1200, 800});
    fixture.drag(s.from, s.to);
    ASSERT_FALSE(fixture.editor->is_selecting());
    EXPECT_EQ(GetCapture(), nullptr);

    SetCursorPos(1100, 750);
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(SendInput(2, inputs, sizeof(INPUT)), 2u);
    EXPECT_TRUE(pump_until([&] { return button->clicks_up() > 0; }));
    EXPECT_EQ(button->clicks_down(), 1);
    EXPECT_EQ(button->clicks_up(), 1);
  }
}

struct FailedCapture {
  const char* name;
  HRESULT result;
  uint32_t width;
  uint32_t stride_extra;
  int pixel_bytes_missing;
};

class SelectionCaptureFailure : public ::testing::TestWithParam<FailedCapture> {};

TEST_P(SelectionCaptureFailure, ReportsTheFailureAndStaysSelecting) {
  const FailedCapture& c = GetParam();
  EditorFixture fixture;
  fixture.capture = [&c](DesktopSnapshot& snapshot) {
    snapshot.width = c.width;
    snapshot.height = kCanvasHeight;
    snapshot.stride = c.width * 4 + c.stride_extra;
    const size_t bytes = static_cast<size_t>(snapshot.stride) * snapshot.height;
    snapshot.pixels.assign(bytes - static_cast<size_t>(c.pixel_bytes_missing), 0x40);
    return c.result;
  };
  ASSERT_TRUE(fixture.open());
  HWND canvas = fixture.editor->canvas();

  fixture.send(WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(fixture.provider_calls, 1);
  ASSERT_EQ(fixture.messages.size(), 1u);
  EXPECT_EQ(fixture.messages[0].owner, canvas);
  EXPECT_EQ(fixture.messages[0].text, L"Could not capture the current screen. Please try again.");
  EXPECT_TRUE(fixture.editor->is_selecting());
  EXPECT_TRUE(fixture.layered());
  EXPECT_TRUE(IsWindow(canvas));

  fixture.send(WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(fixture.provider_calls, 2);
  EXPECT_EQ(fixture.messages.size(), 2u);
  EXPECT_TRUE(fixture.editor->is_selecting());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectionCaptureFailure,
    ::testing::Values(FailedCapture{"Failed", E_FAIL, kCanvasWidth, 0, 0},
                      FailedCapture{"NarrowerThanTheCanvas", S_OK, kCanvasWidth - 1, 0, 0},
                      FailedCapture{"PaddedRows", S_OK, kCanvasWidth, 4, 0},
                      FailedCapture{"BufferOneByteShort", S_OK, kCanvasWidth, 0, 1},
                      FailedCapture{"ZeroWidth", S_OK, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SelectionCaptureFailureChinese, ReportsInTheApplicationLanguage) {
  EditorFixture fixture;
  fixture.application.set_language(L"zh-CN");
  fixture.capture = [](DesktopSnapshot&) { return E_FAIL; };
  ASSERT_TRUE(fixture.open());
  fixture.send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  ASSERT_EQ(fixture.messages.size(), 1u);
  EXPECT_EQ(utf8(fixture.messages[0].text),
            utf8(L"\u65E0\u6CD5\u6355\u83B7\u5F53\u524D\u5C4F\u5E55\u3002\u8BF7\u91CD\u8BD5\u3002"));
}

TEST(SelectionRealCapture, ReportsTheEnginesFailureUnderWine) {
  if (!quorvel::test::running_under_wine()) GTEST_SKIP() << "Wine has no desktop duplication";
  EditorFixture fixture;
  fixture.capture = [](DesktopSnapshot& snapshot) {
    HMONITOR monitor = MonitorFromPoint({kCanvasRect.left, kCanvasRect.top},
                                        MONITOR_DEFAULTTONEAREST);
    return capture_desktop_snapshot(monitor, snapshot, 2000, [] { DwmFlush(); });
  };
  ASSERT_TRUE(fixture.open());
  fixture.send(WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(fixture.provider_calls, 1);
  ASSERT_EQ(fixture.messages.size(), 1u);
  EXPECT_EQ(fixture.messages[0].text, L"Could not capture the current screen. Please try again.");
  EXPECT_TRUE(fixture.editor->is_selecting());
  EXPECT_TRUE(fixture.layered());
}

}  // namespace
}  // namespace quorvel::windows::test
