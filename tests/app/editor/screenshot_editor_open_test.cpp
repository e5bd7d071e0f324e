#include "app/editor/screenshot_editor.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/app/editor/editor_test_support.h"
#include "tests/support/test_support.h"

namespace quorvel::windows::test {
namespace {

std::wstring class_name(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring window_title(HWND window) {
  wchar_t title[128] = {};
  GetWindowTextW(window, title, 128);
  return title;
}

TEST(ScreenshotEditorOpen, OpensALayeredTopmostCanvasSnappedToTheCursor) {
  EditorFixture fixture;
  auto popup = DecoyWindow::popup({300, 200, 500, 350});
  ASSERT_TRUE(fixture.open({400, 300}));

  HWND canvas = fixture.editor->canvas();
  ASSERT_NE(canvas, nullptr);
  EXPECT_TRUE(fixture.editor->is_open());
  EXPECT_TRUE(fixture.editor->is_selecting());
  EXPECT_EQ(class_name(canvas), L"QuorvelScreenshotCanvas");
  EXPECT_EQ(window_title(canvas), L"Quorvel \u2014 Screenshot editor");
  const LONG_PTR ex_style = GetWindowLongPtrW(canvas, GWL_EXSTYLE);
  const LONG_PTR wanted_ex = WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  EXPECT_EQ(ex_style & wanted_ex, wanted_ex);
  const LONG_PTR style = GetWindowLongPtrW(canvas, GWL_STYLE);
  EXPECT_EQ(style & (WS_POPUP | WS_CLIPCHILDREN | WS_CHILD | WS_CAPTION),
            WS_POPUP | WS_CLIPCHILDREN);
  EXPECT_TRUE(IsWindowVisible(canvas));
  RECT rect{};
  GetWindowRect(canvas, &rect);
  EXPECT_TRUE(EqualRect(&rect, &kCanvasRect));
  const RECT snapped{200, 150, 400, 300};
  EXPECT_TRUE(EqualRect(&fixture.editor->selection(), &snapped));
  EXPECT_EQ(fixture.editor->toolbar(), nullptr);
  EXPECT_EQ(fixture.editor->text_box(), nullptr);
  EXPECT_EQ(fixture.provider_calls, 0);
  // The re-snap timer runs while selecting.
  EXPECT_TRUE(KillTimer(canvas, kHoverSnapTimer));
}

TEST(ScreenshotEditorOpen, RefusesASecondOpenAndKeepsTheFirstCanvas) {
  EditorFixture fixture;
  auto popup = DecoyWindow::popup({300, 200, 500, 350});
  ASSERT_TRUE(fixture.open({400, 300}));
  HWND canvas = fixture.editor->canvas();
  const RECT selection = fixture.editor->selection();

  int second_calls = 0;
  SetCursorPos(kEmptyScreenPoint.x, kEmptyScreenPoint.y);
  EXPECT_FALSE(fixture.editor->open({0, 0, 300, 300}, [&](DesktopSnapshot&) {
    ++second_calls;
    return S_OK;
  }));
  EXPECT_EQ(fixture.editor->canvas(), canvas);
  EXPECT_TRUE(IsWindow(canvas));
  EXPECT_TRUE(EqualRect(&fixture.editor->selection(), &selection));
  RECT rect{};
  GetWindowRect(canvas, &rect);
  EXPECT_TRUE(EqualRect(&rect, &kCanvasRect));

  // The first provider is the one a confirmation still uses.
  fixture.send(WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(fixture.provider_calls, 1);
  EXPECT_EQ(second_calls, 0);
}

struct RefusedOpen {
  const char* name;
  RECT rect;
  bool with_provider;
  bool allow_exclusion;
};

class ScreenshotEditorRefusedOpen : public ::testing::TestWithParam<RefusedOpen> {};

TEST_P(ScreenshotEditorRefusedOpen, ReturnsFalseAndLeavesNoWindow) {
  const RefusedOpen& c = GetParam();
  EditorFixture fixture;
  fixture.allow_exclusion = c.allow_exclusion;
  SnapshotProvider provider;
  if (c.with_provider) provider = [](DesktopSnapshot&) { return S_OK; };
  EXPECT_FALSE(fixture.editor->open(c.rect, std::move(provider)));
  pump_messages();
  EXPECT_FALSE(fixture.editor->is_open());
  EXPECT_EQ(fixture.editor->canvas(), nullptr);
  EXPECT_EQ(FindWindowW(kScreenshotCanvasClass, nullptr), nullptr);
  EXPECT_EQ(fixture.closes, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScreenshotEditorRefusedOpen,
    ::testing::Values(RefusedOpen{"EmptyWidth", {100, 50, 100, 650}, true, true},
                      RefusedOpen{"EmptyHeight", {100, 650, 900, 650}, true, true},
                      RefusedOpen{"Inverted", {900, 50, 100, 650}, true, true},
                      RefusedOpen{"NoProvider", kCanvasRect, false, true},
                      RefusedOpen{"ExclusionRefused", kCanvasRect, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScreenshotEditorOpen, RealDisplayAffinityDecidesWhetherTheCanvasOpens) {
  // Wine refuses WDA_EXCLUDEFROMCAPTURE; Windows 10 2004 and later accept
  // it. Either way the answer and the window agree.
  EditorFixture fixture;
  ScreenshotEditor editor(GetModuleHandleW(nullptr), DesktopSnapshot{}, POINT{0, 0}, std::wstring(),
                          *fixture.registry, fixture.application, [] {});
  const bool opened = editor.open(kCanvasRect, [](DesktopSnapshot&) { return S_OK; });
  EXPECT_EQ(opened, editor.is_open());
  if (quorvel::test::running_under_wine()) {
    EXPECT_FALSE(opened);
  }
  if (!opened) {
    EXPECT_EQ(FindWindowW(kScreenshotCanvasClass, nullptr), nullptr);
  }
}

struct CloseInput {
  const char* name;
  UINT message;
  WPARAM wparam;
};

class ScreenshotEditorClose : public ::testing::TestWithParam<CloseInput> {};

TEST_P(ScreenshotEditorClose, ClosesWhileSelectingAndCallsBackOnce) {
  const CloseInput& c = GetParam();
  EditorFixture fixture;
  ASSERT_TRUE(fixture.open());
  HWND canvas = fixture.editor->canvas();
  fixture.send(c.message, c.wparam, MAKELPARAM(10, 10));
  pump_messages();
  EXPECT_FALSE(IsWindow(canvas));
  EXPECT_FALSE(fixture.editor->is_open());
  EXPECT_EQ(fixture.closes, 1);
  EXPECT_EQ(fixture.provider_calls, 0);
  fixture.editor.reset();
  EXPECT_EQ(fixture.closes, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, ScreenshotEditorClose,
    ::testing::Values(CloseInput{"Escape", WM_KEYDOWN, VK_ESCAPE},
                      CloseInput{"RightClick", WM_RBUTTONDOWN, MK_RBUTTON},
                      CloseInput{"Close", WM_CLOSE, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScreenshotEditorOpen, DestroyingAnOpenEditorClosesTheCanvasWithoutCallingBack) {
  EditorFixture fixture;
  ASSERT_TRUE(fixture.open());
  HWND canvas = fixture.editor->canvas();
  fixture.editor.reset();
  pump_messages();
  EXPECT_FALSE(IsWindow(canvas));
  EXPECT_EQ(fixture.closes, 0);
}

}  // namespace
}  // namespace quorvel::windows::test
