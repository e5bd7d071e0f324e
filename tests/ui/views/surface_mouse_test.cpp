// Mouse and wheel input on a real Surface window: presses focus the window
// and reach the view under the pointer in content DIP, the leave request is
// armed and re-armed, lost focus or capture cancels a press, the wheel
// scrolls what no view consumes, and pointer capture is taken and released
// only as needed.
#include <gtest/gtest.h>

#include <memory>

#include "tests/ui/views/input_harness.h"
#include "ui/views/overlay_panel.h"

namespace win32_ui::modern {
namespace {

using testing::placed;
using testing::InputHarness;
using testing::RecordingView;

LPARAM client_point(int x, int y) { return MAKELPARAM(x, y); }

// A 1000-DIP-tall root holding one recording view over all of it.
struct TallContent {
  OverlayPanel* root = nullptr;
  RecordingView* view = nullptr;
};

std::unique_ptr<OverlayPanel> tall_root(float height) {
  auto root = std::make_unique<OverlayPanel>();
  layout::LayoutParams params;
  params.height = height;
  params.has_height = true;
  root->set_layout_params(params);
  return root;
}

TallContent install_tall_content(InputHarness& harness) {
  auto root = tall_root(1000);
  auto view = std::make_unique<RecordingView>();
  view->set_layout_params(placed(0, 0, 300, 1000));
  TallContent content;
  content.view = static_cast<RecordingView*>(root->add_child(std::move(view)));
  content.root = harness.set_content(std::move(root));
  return content;
}

class SurfaceMouseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(harness.attach());
    content = install_tall_content(harness);
  }
  LPARAM wheel_point(int x, int y) const {
    const POINT screen = harness.to_screen(x, y);
    return MAKELPARAM(screen.x, screen.y);
  }
  InputHarness harness{300, 200};
  TallContent content;
};

TEST_F(SurfaceMouseTest, PressFocusesTheWindowAndReachesTheView) {
  testing::InputHarness other(40, 40);
  SetFocus(other.hwnd());
  ASSERT_NE(GetFocus(), harness.hwnd());
  EXPECT_EQ(harness.send(WM_LBUTTONDOWN, MK_LBUTTON | MK_XBUTTON2, client_point(30, 20)), 0);
  EXPECT_EQ(GetFocus(), harness.hwnd());
  ASSERT_FALSE(content.view->pointers.empty());
  const PointerEvent& down = content.view->pointers.back();
  EXPECT_EQ(down.action, kPointerDown);
  EXPECT_EQ(down.device, kDeviceMouse);
  EXPECT_EQ(down.pointer_id, 1u);
  EXPECT_EQ(down.buttons, kButtonFirst | kButtonFifth);
  EXPECT_FLOAT_EQ(down.position.x, 30.0f);
  EXPECT_FLOAT_EQ(down.position.y, 20.0f);
}

TEST_F(SurfaceMouseTest, PositionsAreRoundedDipPlusTheScroll) {
  harness.surface.set_zoom(1.5f);
  harness.surface.scroll_to(40.0f);
  ASSERT_FLOAT_EQ(harness.surface.scroll_offset(), 40.0f);
  // 31 px and 47 px at 1.5 are 20.67 and 31.33 DIP.
  harness.send(WM_LBUTTONDOWN, MK_LBUTTON, client_point(31, 47));
  ASSERT_FALSE(content.view->pointers.empty());
  EXPECT_FLOAT_EQ(content.view->pointers.back().position.x, 21.0f);
  EXPECT_FLOAT_EQ(content.view->pointers.back().position.y, 31.0f + 40.0f);
}

TEST_F(SurfaceMouseTest, LeaveRequestIsArmedByAMoveAndAgainAfterTheLeave) {
  Surface::Impl* impl = harness.impl();
  EXPECT_FALSE(impl->mouse_tracking);
  harness.send(WM_MOUSEMOVE, 0, client_point(10, 10));
  EXPECT_TRUE(impl->mouse_tracking);
  EXPECT_TRUE(content.view->is_hovered());
  harness.send(WM_MOUSELEAVE);
  EXPECT_FALSE(impl->mouse_tracking);
  EXPECT_FALSE(content.view->is_hovered());
  EXPECT_EQ(content.view->actions().back(), kPointerLeave);
  harness.send(WM_MOUSEMOVE, 0, client_point(12, 10));
  EXPECT_TRUE(impl->mouse_tracking);
  EXPECT_TRUE(content.view->is_hovered());
}

TEST_F(SurfaceMouseTest, PressAndReleaseTakeAndGiveBackTheCapture) {
  harness.send(WM_LBUTTONDOWN, MK_LBUTTON, client_point(10, 10));
  EXPECT_EQ(GetCapture(), harness.hwnd());
  harness.send(WM_LBUTTONUP, 0, client_point(10, 10));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(content.view->actions(), (std::vector<PointerAction>{kPointerDown, kPointerUp}));
  // A release without a press reaches nobody.
  harness.send(WM_LBUTTONUP, 0, client_point(10, 10));
  EXPECT_EQ(content.view->pointers.size(), 2u);
}

TEST_F(SurfaceMouseTest, LosingFocusOrCaptureWhilePressedCancels) {
  testing::InputHarness other(40, 40);
  struct Case {
    const char* name;
    UINT message;
    LPARAM gaining;
    bool cancels;
  };
  const Case cases[] = {
      {"focus lost", WM_KILLFOCUS, 0, true},
      {"capture to another window", WM_CAPTURECHANGED, reinterpret_cast<LPARAM>(other.hwnd()),
       true},
      {"capture to the surface itself", WM_CAPTURECHANGED,
       reinterpret_cast<LPARAM>(harness.hwnd()), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    content.view->pointers.clear();
    harness.send(WM_LBUTTONDOWN, MK_LBUTTON, client_point(10, 10));
    const WPARAM wparam = c.message == WM_KILLFOCUS ? reinterpret_cast<WPARAM>(other.hwnd()) : 0;
    EXPECT_EQ(harness.send(c.message, wparam, c.gaining), 0);
    const std::vector<PointerAction> expected =
        c.cancels ? std::vector<PointerAction>{kPointerDown, kPointerCancel}
                  : std::vector<PointerAction>{kPointerDown};
    EXPECT_EQ(content.view->actions(), expected);
    harness.send(WM_LBUTTONUP, 0, client_point(10, 10));
  }
}

TEST_F(SurfaceMouseTest, CaptureIsTakenOnlyWhenNeededAndReleasedWithTheLast) {
  Surface::Impl* impl = harness.impl();
  ASSERT_EQ(GetCapture(), nullptr);
  // A pointer held by the system while down needs no capture.
  impl->pointers_down.insert(9);
  EXPECT_TRUE(impl->capture_pointer(9));
  EXPECT_EQ(GetCapture(), nullptr);
  impl->pointers_down.clear();

  EXPECT_TRUE(impl->capture_pointer(5));
  EXPECT_EQ(GetCapture(), harness.hwnd());
  EXPECT_TRUE(impl->capture_pointer(6));
  impl->release_pointer(5);
  EXPECT_EQ(GetCapture(), harness.hwnd());
  impl->release_pointer(6);
  EXPECT_EQ(GetCapture(), nullptr);

  // Capture the window holds for someone else is not shared.
  SetCapture(harness.hwnd());
  impl->pointers_captured.clear();
  EXPECT_FALSE(impl->capture_pointer(7));
  impl->release_pointer(7);
  EXPECT_EQ(GetCapture(), harness.hwnd());
  ReleaseCapture();
}

TEST_F(SurfaceMouseTest, UnhandledNotchScrolls48Dip) {
  EXPECT_EQ(harness.send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)),
                         wheel_point(50, 50)),
            0);
  EXPECT_FLOAT_EQ(harness.surface.scroll_offset(), 48.0f);
  ASSERT_FALSE(content.view->pointers.empty());
  const PointerEvent& wheel = content.view->pointers.back();
  EXPECT_EQ(wheel.action, kPointerWheel);
  EXPECT_FLOAT_EQ(wheel.wheel_y, -1.0f);
  EXPECT_FLOAT_EQ(wheel.position.y, 50.0f);
  // Two notches back up return to the top.
  harness.send(WM_MOUSEWHEEL, MAKEWPARAM(0, 2 * WHEEL_DELTA), wheel_point(50, 50));
  EXPECT_FLOAT_EQ(harness.surface.scroll_offset(), 0.0f);
  EXPECT_FLOAT_EQ(content.view->pointers.back().position.y, 50.0f + 48.0f);
}

TEST_F(SurfaceMouseTest, NotchAtTheTopChangesAndRepaintsNothing) {
  ValidateRect(harness.hwnd(), nullptr);
  harness.send(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), wheel_point(50, 50));
  EXPECT_FLOAT_EQ(harness.surface.scroll_offset(), 0.0f);
  RECT update{};
  EXPECT_FALSE(GetUpdateRect(harness.hwnd(), &update, FALSE));
}

TEST_F(SurfaceMouseTest, HandledWheelDoesNotScroll) {
  content.view->handles_wheel = true;
  harness.send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)),
               wheel_point(50, 50));
  EXPECT_FLOAT_EQ(harness.surface.scroll_offset(), 0.0f);
}

TEST_F(SurfaceMouseTest, ContentReplacedDuringTheWheelStillScrolls) {
  content.view->handles_wheel = true;
  content.view->on_wheel = [this] { harness.surface.set_content(tall_root(1000)); };
  harness.send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)),
               wheel_point(50, 50));
  EXPECT_FLOAT_EQ(harness.surface.scroll_offset(), 48.0f);
}

TEST_F(SurfaceMouseTest, HorizontalWheelNeverScrolls) {
  harness.send(WM_MOUSEHWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)),
               wheel_point(50, 50));
  EXPECT_FLOAT_EQ(harness.surface.scroll_offset(), 0.0f);
  ASSERT_FALSE(content.view->pointers.empty());
  EXPECT_FLOAT_EQ(content.view->pointers.back().wheel_x, -1.0f);
  EXPECT_FLOAT_EQ(content.view->pointers.back().wheel_y, 0.0f);
  EXPECT_EQ(harness.defaulted(WM_MOUSEHWHEEL), 1);
}

TEST_F(SurfaceMouseTest, PointerWheelScrollsLikeTheMouseWheel) {
  POINTER_INFO info{};
  info.pointerType = PT_MOUSE;
  info.pointerId = 4;
  info.ptPixelLocation = harness.to_screen(50, 50);
  harness.pointers.infos[4] = info;
  harness.send(WM_POINTERWHEEL, MAKEWPARAM(4, static_cast<WORD>(-WHEEL_DELTA)), 0);
  EXPECT_FLOAT_EQ(harness.surface.scroll_offset(), 48.0f);
  ASSERT_FALSE(content.view->pointers.empty());
  EXPECT_EQ(content.view->pointers.back().device, kDeviceMouse);
  EXPECT_FLOAT_EQ(content.view->pointers.back().wheel_y, -1.0f);
  harness.send(WM_POINTERHWHEEL, MAKEWPARAM(4, static_cast<WORD>(-WHEEL_DELTA)), 0);
  EXPECT_FLOAT_EQ(harness.surface.scroll_offset(), 48.0f);
  EXPECT_FLOAT_EQ(content.view->pointers.back().wheel_x, -1.0f);
}

}  // namespace
}  // namespace win32_ui::modern
