// Tooltips of a real Surface window: one tool of a real "tooltips_class32"
// window per shown view with a tooltip text, read back with TTM_ENUMTOOLSW,
// kept in step with the views' texts and rectangles through the fewest
// messages, which a test subclass on the tooltip window records.
#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/ui/views/input_harness.h"
#include "ui/views/overlay_panel.h"

namespace win32_ui::modern {
namespace {

using testing::placed;
using testing::InputHarness;

struct ReadTool {
  UINT_PTR id = 0;
  RECT rect{};
  std::wstring text;
  HWND hwnd = nullptr;
  UINT flags = 0;
};

std::vector<ReadTool> read_tools(HWND tooltip) {
  std::vector<ReadTool> tools;
  const auto count = static_cast<UINT>(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
  for (UINT i = 0; i < count; ++i) {
    wchar_t buffer[256] = {};
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.lpszText = buffer;
    if (!SendMessageW(tooltip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&info))) continue;
    tools.push_back({info.uId, info.rect, buffer, info.hwnd, info.uFlags});
  }
  return tools;
}

const ReadTool* tool_of(const std::vector<ReadTool>& tools, const View* view) {
  for (const ReadTool& tool : tools) {
    if (tool.id == reinterpret_cast<UINT_PTR>(view)) return &tool;
  }
  return nullptr;
}

bool rect_is(const RECT& r, LONG left, LONG top, LONG right, LONG bottom) {
  return r.left == left && r.top == top && r.right == right && r.bottom == bottom;
}

std::string describe(const RECT& r) {
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) +
         " " + std::to_string(r.bottom);
}

LRESULT CALLBACK record_messages(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                 UINT_PTR, DWORD_PTR reference) {
  if (message >= WM_USER) reinterpret_cast<std::vector<UINT>*>(reference)->push_back(message);
  return DefSubclassProc(window, message, wparam, lparam);
}

class SurfaceTooltipsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(harness.attach());
    auto made = std::make_unique<OverlayPanel>();
    layout::LayoutParams tall;
    tall.height = 800;
    tall.has_height = true;
    made->set_layout_params(tall);
    root = harness.set_content(std::move(made));
  }
  View* add(ViewGroup& parent, float x, float y, float width, float height,
            std::wstring tooltip) {
    auto view = std::make_unique<View>();
    view->set_layout_params(placed(x, y, width, height));
    view->set_tooltip(std::move(tooltip));
    return parent.add_child(std::move(view));
  }
  HWND tooltip() const { return harness.impl()->tooltip.hwnd(); }
  std::vector<ReadTool> tools() const { return read_tools(tooltip()); }

  InputHarness harness{300, 200};
  OverlayPanel* root = nullptr;
};

TEST_F(SurfaceTooltipsTest, TheTooltipWindowIsATopmostPopupOwnedByTheSurface) {
  EXPECT_EQ(tooltip(), nullptr) << "made on first need";
  add(*root, 10, 10, 50, 20, L"Tip");
  harness.surface.refresh();
  ASSERT_NE(tooltip(), nullptr);
  wchar_t class_name[64] = {};
  GetClassNameW(tooltip(), class_name, 64);
  EXPECT_EQ(std::wstring(class_name), L"tooltips_class32");
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(tooltip(), GWL_STYLE));
  EXPECT_EQ(style & 0x80000003u, 0x80000003u);
  EXPECT_NE(GetWindowLongPtrW(tooltip(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_EQ(GetWindow(tooltip(), GW_OWNER), harness.hwnd());
  EXPECT_EQ(SendMessageW(tooltip(), TTM_GETMAXTIPWIDTH, 0, 0), 360);
}

TEST_F(SurfaceTooltipsTest, OneToolPerViewWithTextRoundedAndClampedToTheClientArea) {
  View* first = add(*root, 10.4f, 20.6f, 50.3f, 30.2f, L"First");
  View* edge = add(*root, 280, 100, 50, 20, L"Edge");
  add(*root, 10, 100, 50, 20, L"");
  harness.surface.refresh();
  const auto read = tools();
  ASSERT_EQ(read.size(), 2u);
  const ReadTool* a = tool_of(read, first);
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(rect_is(a->rect, 10, 21, 61, 51)) << describe(a->rect);
  EXPECT_EQ(a->text, L"First");
  EXPECT_EQ(a->hwnd, harness.hwnd());
  EXPECT_NE(a->flags & TTF_SUBCLASS, 0u);
  const ReadTool* b = tool_of(read, edge);
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(rect_is(b->rect, 280, 100, 300, 120)) << describe(b->rect);
}

TEST_F(SurfaceTooltipsTest, ScrollingClampsAToolAtTheTopAndDropsOneScrolledOut) {
  View* partly = add(*root, 10, 20, 50, 50, L"Partly");
  View* out = add(*root, 100, 0, 50, 30, L"Out");
  View* below = add(*root, 10, 300, 50, 30, L"Below");
  harness.surface.refresh();
  EXPECT_EQ(tools().size(), 2u) << "the one below the client area has no tool";

  harness.surface.scroll_to(40);
  auto read = tools();
  ASSERT_EQ(read.size(), 1u);
  const ReadTool* clamped = tool_of(read, partly);
  ASSERT_NE(clamped, nullptr);
  EXPECT_TRUE(rect_is(clamped->rect, 10, 0, 60, 30)) << describe(clamped->rect);
  EXPECT_EQ(tool_of(read, out), nullptr);

  const POINT screen = harness.to_screen(100, 100);
  harness.send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(-WHEEL_DELTA * 3))),
               MAKELPARAM(screen.x, screen.y));
  read = tools();
  const ReadTool* scrolled_in = tool_of(read, below);
  ASSERT_NE(scrolled_in, nullptr) << "the wheel syncs the tools";
  const float offset = harness.surface.scroll_offset();
  EXPECT_EQ(scrolled_in->rect.top, static_cast<LONG>(300 - offset));
}

TEST_F(SurfaceTooltipsTest, HidingAViewRemovesTheToolsOfItsWholeSubtree) {
  auto box = std::make_unique<OverlayPanel>();
  box->set_layout_params(placed(0, 0, 300, 100));
  box->set_tooltip(L"Box");
  OverlayPanel* panel = static_cast<OverlayPanel*>(root->add_child(std::move(box)));
  add(*panel, 10, 10, 40, 20, L"Inner one");
  add(*panel, 60, 10, 40, 20, L"Inner two");
  View* outside = add(*root, 10, 120, 40, 20, L"Outside");
  harness.surface.refresh();
  ASSERT_EQ(tools().size(), 4u);

  layout::LayoutParams hidden = panel->layout_params();
  hidden.visibility = layout::kHidden;
  panel->set_layout_params(hidden);
  harness.surface.refresh();
  const auto read = tools();
  ASSERT_EQ(read.size(), 1u);
  EXPECT_NE(tool_of(read, outside), nullptr);
}

TEST_F(SurfaceTooltipsTest, ATextOnlyChangeUpdatesTheTextAndNotTheRectangle) {
  View* view = add(*root, 10, 10, 50, 20, L"Before");
  harness.surface.refresh();
  std::vector<UINT> messages;
  ASSERT_TRUE(SetWindowSubclass(tooltip(), &record_messages, 1,
                                reinterpret_cast<DWORD_PTR>(&messages)));
  view->set_tooltip(L"After");
  harness.surface.refresh();
  RemoveWindowSubclass(tooltip(), &record_messages, 1);
  EXPECT_EQ(std::count(messages.begin(), messages.end(), UINT{TTM_UPDATETIPTEXTW}), 1);
  EXPECT_EQ(std::count(messages.begin(), messages.end(), UINT{TTM_NEWTOOLRECTW}), 0);
  EXPECT_EQ(std::count(messages.begin(), messages.end(), UINT{TTM_ADDTOOLW}), 0);
  EXPECT_EQ(tools()[0].text, L"After");

  messages.clear();
  ASSERT_TRUE(SetWindowSubclass(tooltip(), &record_messages, 1,
                                reinterpret_cast<DWORD_PTR>(&messages)));
  view->set_layout_params(placed(20, 10, 50, 20));
  harness.surface.refresh();
  RemoveWindowSubclass(tooltip(), &record_messages, 1);
  EXPECT_EQ(std::count(messages.begin(), messages.end(), UINT{TTM_NEWTOOLRECTW}), 1);
  EXPECT_EQ(std::count(messages.begin(), messages.end(), UINT{TTM_UPDATETIPTEXTW}), 0);
  EXPECT_TRUE(rect_is(tools()[0].rect, 20, 10, 70, 30));
}

TEST_F(SurfaceTooltipsTest, TheLastToolGoneDestroysTheWindowAndSoDoesDetach) {
  View* view = add(*root, 10, 10, 50, 20, L"Tip");
  harness.surface.refresh();
  const HWND first = tooltip();
  ASSERT_NE(first, nullptr);
  view->set_tooltip(L"");
  harness.surface.refresh();
  EXPECT_EQ(tooltip(), nullptr);
  EXPECT_FALSE(IsWindow(first));

  view->set_tooltip(L"Again");
  harness.surface.refresh();
  const HWND second = tooltip();
  ASSERT_NE(second, nullptr);
  harness.surface.detach();
  EXPECT_FALSE(IsWindow(second));
}

TEST_F(SurfaceTooltipsTest, DestroyingTheSurfaceWindowTakesTheTooltipAlong) {
  add(*root, 10, 10, 50, 20, L"Tip");
  harness.surface.refresh();
  const HWND made = tooltip();
  ASSERT_NE(made, nullptr);
  harness.window.destroy();
  EXPECT_FALSE(IsWindow(made));
  EXPECT_EQ(harness.surface.window(), nullptr);
}

}  // namespace
}  // namespace win32_ui::modern
