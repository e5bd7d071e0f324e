// Touch and pen input, the cursor and context menus on a real Surface
// window. Wine delivers no WM_POINTER data, so the pointer messages are sent
// by hand and their POINTER_INFO comes from a fake reader in the surface's
// services.
#include <gtest/gtest.h>

#include <memory>

#include "tests/ui/views/input_harness.h"
#include "ui/views/overlay_panel.h"

namespace win32_ui::modern {
namespace {

using testing::placed;
using testing::InputHarness;
using testing::RecordingView;

constexpr UINT32 kTouchId = 7;

class SurfacePointerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(harness.attach());
    auto root = std::make_unique<OverlayPanel>();
    auto child = std::make_unique<RecordingView>();
    child->set_layout_params(placed(20, 20, 100, 60));
    view = static_cast<RecordingView*>(root->add_child(std::move(child)));
    harness.set_content(std::move(root));
  }
  // Makes the reader answer for `id` at client (x, y).
  void pointer_at(UINT32 id, POINTER_INPUT_TYPE type, int x, int y, POINTER_FLAGS flags) {
    POINTER_INFO info{};
    info.pointerType = type;
    info.pointerId = id;
    info.pointerFlags = flags;
    info.ptPixelLocation = harness.to_screen(x, y);
    harness.pointers.infos[id] = info;
  }
  LRESULT send_pointer(UINT message, UINT32 id) {
    return harness.send(message, MAKEWPARAM(id, 0), 0);
  }
  std::vector<PointerDevice> devices() const {
    std::vector<PointerDevice> result;
    for (const PointerEvent& event : view->pointers) result.push_back(event.device);
    return result;
  }
  InputHarness harness{200, 120};
  RecordingView* view = nullptr;
};

TEST_F(SurfacePointerTest, TouchDownUpdateUpReachTheViewAsTouchWithoutHover) {
  pointer_at(kTouchId, PT_TOUCH, 30, 40, POINTER_FLAG_INCONTACT | POINTER_FLAG_FIRSTBUTTON);
  EXPECT_EQ(send_pointer(WM_POINTERENTER, kTouchId), 0);
  send_pointer(WM_POINTERDOWN, kTouchId);
  EXPECT_EQ(harness.impl()->pointers_down.count(kTouchId), 1u);
  EXPECT_EQ(harness.impl()->current_pointer_id, kTouchId);
  pointer_at(kTouchId, PT_TOUCH, 35, 42, POINTER_FLAG_INCONTACT | POINTER_FLAG_FIRSTBUTTON);
  send_pointer(WM_POINTERUPDATE, kTouchId);
  pointer_at(kTouchId, PT_TOUCH, 35, 42, 0);
  send_pointer(WM_POINTERUP, kTouchId);
  send_pointer(WM_POINTERLEAVE, kTouchId);

  EXPECT_EQ(view->actions(),
            (std::vector<PointerAction>{kPointerDown, kPointerMove, kPointerUp}));
  EXPECT_EQ(devices(), (std::vector<PointerDevice>(3, kDeviceTouch)));
  EXPECT_EQ(view->pointers[0].pointer_id, kTouchId);
  EXPECT_EQ(view->pointers[0].buttons, kButtonFirst);
  EXPECT_FLOAT_EQ(view->pointers[1].position.x, 35.0f);
  EXPECT_FLOAT_EQ(view->pointers[1].position.y, 42.0f);
  EXPECT_TRUE(harness.impl()->pointers_down.empty());
}

TEST_F(SurfacePointerTest, PenIsDeviceTwoAndHovers) {
  pointer_at(3, PT_PEN, 30, 40, POINTER_FLAG_INRANGE);
  send_pointer(WM_POINTERENTER, 3);
  pointer_at(3, PT_PEN, 30, 40, POINTER_FLAG_INCONTACT | POINTER_FLAG_SECONDBUTTON);
  send_pointer(WM_POINTERDOWN, 3);
  EXPECT_EQ(view->actions(), (std::vector<PointerAction>{kPointerEnter, kPointerDown}));
  EXPECT_EQ(devices(), (std::vector<PointerDevice>{kDevicePen, kDevicePen}));
  EXPECT_EQ(view->pointers[1].buttons, kButtonSecond);
}

TEST_F(SurfacePointerTest, CanceledFlagCancelsThePress) {
  pointer_at(kTouchId, PT_TOUCH, 30, 40, POINTER_FLAG_INCONTACT);
  send_pointer(WM_POINTERDOWN, kTouchId);
  pointer_at(kTouchId, PT_TOUCH, 30, 40, POINTER_FLAG_CANCELED);
  send_pointer(WM_POINTERUP, kTouchId);
  EXPECT_EQ(view->actions(), (std::vector<PointerAction>{kPointerDown, kPointerCancel}));
  EXPECT_TRUE(harness.impl()->pointers_down.empty());
}

TEST_F(SurfacePointerTest, CaptureChangeCancelsAPressedPointer) {
  pointer_at(kTouchId, PT_TOUCH, 30, 40, POINTER_FLAG_INCONTACT);
  send_pointer(WM_POINTERDOWN, kTouchId);
  // The capture change needs no pointer record.
  harness.pointers.fail = true;
  EXPECT_EQ(send_pointer(WM_POINTERCAPTURECHANGED, kTouchId), 0);
  EXPECT_EQ(view->actions(), (std::vector<PointerAction>{kPointerDown, kPointerCancel}));
  EXPECT_TRUE(harness.impl()->pointers_down.empty());
  EXPECT_TRUE(harness.impl()->pointers_cancelling.empty());
  EXPECT_EQ(harness.impl()->view_root.captured_view(kTouchId), nullptr);
}

TEST_F(SurfacePointerTest, FailingReaderDropsTheMessage) {
  pointer_at(kTouchId, PT_TOUCH, 30, 40, POINTER_FLAG_INCONTACT);
  harness.pointers.fail = true;
  EXPECT_EQ(send_pointer(WM_POINTERDOWN, kTouchId), 0);
  EXPECT_TRUE(view->pointers.empty());
  EXPECT_TRUE(harness.impl()->pointers_down.empty());
  EXPECT_EQ(harness.impl()->current_pointer_id, 1u);
}

TEST_F(SurfacePointerTest, PointerMessagesWithoutTreeGoToDefaultProcessing) {
  harness.surface.set_content(nullptr);
  pointer_at(kTouchId, PT_TOUCH, 30, 40, POINTER_FLAG_INCONTACT);
  send_pointer(WM_POINTERDOWN, kTouchId);
  EXPECT_EQ(harness.defaulted(WM_POINTERDOWN), 1);
}

// ---- Cursor ----

TEST_F(SurfacePointerTest, CursorOverAnEnabledPointerViewIsTheHand) {
  const POINT over = harness.to_screen(50, 50);
  ASSERT_TRUE(SetCursorPos(over.x, over.y));
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_EQ(harness.send(WM_SETCURSOR, reinterpret_cast<WPARAM>(harness.hwnd()),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
            TRUE);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
  EXPECT_EQ(harness.defaulted(WM_SETCURSOR), 0);
}

TEST_F(SurfacePointerTest, CursorOverNothingOrADisabledViewFallsThrough) {
  view->set_enabled(false);
  for (const POINT client : {POINT{50, 50}, POINT{150, 100}}) {
    const POINT screen = harness.to_screen(client.x, client.y);
    ASSERT_TRUE(SetCursorPos(screen.x, screen.y));
    harness.send(WM_SETCURSOR, reinterpret_cast<WPARAM>(harness.hwnd()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  }
  EXPECT_EQ(harness.defaulted(WM_SETCURSOR), 2);
}

// ---- Context menu ----

class SurfaceContextMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(harness.attach());
    auto root = std::make_unique<OverlayPanel>();
    layout::LayoutParams tall;
    tall.height = 600;
    tall.has_height = true;
    root->set_layout_params(tall);
    auto group = std::make_unique<OverlayPanel>();
    group->set_layout_params(placed(0, 0, 300, 600));
    group->set_context_menu_function([this](PointerEvent& event) {
      group_menus.push_back(event);
      return true;
    });
    auto child = std::make_unique<RecordingView>();
    child->set_layout_params(placed(20, 40, 200, 30));
    child->set_context_menu_function([this](PointerEvent& event) {
      view_menus.push_back(event);
      return true;
    });
    view = static_cast<RecordingView*>(group->add_child(std::move(child)));
    auto plain_child = std::make_unique<RecordingView>();
    plain_child->set_layout_params(placed(20, 100, 60, 30));
    plain = static_cast<RecordingView*>(group->add_child(std::move(plain_child)));
    this->group = static_cast<OverlayPanel*>(root->add_child(std::move(group)));
    harness.set_content(std::move(root));
  }
  LRESULT keyboard_menu() {
    return harness.send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(harness.hwnd()),
                        MAKELPARAM(-1, -1));
  }
  InputHarness harness{300, 200};
  OverlayPanel* group = nullptr;
  RecordingView* view = nullptr;
  RecordingView* plain = nullptr;
  std::vector<PointerEvent> view_menus;
  std::vector<PointerEvent> group_menus;
};

TEST_F(SurfaceContextMenuTest, KeyboardMenuAnchorsInsideTheFocusedView) {
  ASSERT_TRUE(harness.surface.request_focus(view, kFocusPointer));
  EXPECT_EQ(keyboard_menu(), 0);
  ASSERT_EQ(view_menus.size(), 1u);
  EXPECT_EQ(view_menus[0].action, kPointerContextMenu);
  EXPECT_EQ(view_menus[0].device, kDeviceKeyboard);
  EXPECT_EQ(view_menus[0].buttons, 0);
  EXPECT_FLOAT_EQ(view_menus[0].position.x, 20.0f + 24.0f);
  EXPECT_FLOAT_EQ(view_menus[0].position.y, 40.0f + 15.0f);
  EXPECT_TRUE(group_menus.empty());
}

TEST_F(SurfaceContextMenuTest, KeyboardMenuOnScrolledContentStaysOnTheView) {
  harness.surface.scroll_to(25.0f);
  ASSERT_FLOAT_EQ(harness.surface.scroll_offset(), 25.0f);
  ASSERT_TRUE(harness.surface.request_focus(view, kFocusPointer));
  keyboard_menu();
  ASSERT_EQ(view_menus.size(), 1u);
  EXPECT_FLOAT_EQ(view_menus[0].position.x, 44.0f);
  EXPECT_FLOAT_EQ(view_menus[0].position.y, 55.0f);
}

TEST_F(SurfaceContextMenuTest, KeyboardMenuOfAViewWithoutHandlerRunsItsAncestors) {
  ASSERT_TRUE(harness.surface.request_focus(plain, kFocusPointer));
  keyboard_menu();
  EXPECT_TRUE(view_menus.empty());
  ASSERT_EQ(group_menus.size(), 1u);
  EXPECT_EQ(group_menus[0].device, kDeviceKeyboard);
  EXPECT_EQ(group_menus[0].handler, group);
  // Anchored on the group, the view the menu is for.
  EXPECT_FLOAT_EQ(group_menus[0].position.x, 24.0f);
  EXPECT_FLOAT_EQ(group_menus[0].position.y, 300.0f);
}

TEST_F(SurfaceContextMenuTest, KeyboardMenuWithoutFocusGoesToASelectedView) {
  EXPECT_EQ(keyboard_menu(), 0);
  EXPECT_TRUE(view_menus.empty());
  EXPECT_TRUE(group_menus.empty());
  view->set_selected(true);
  keyboard_menu();
  ASSERT_EQ(view_menus.size(), 1u);
  EXPECT_EQ(view_menus[0].device, kDeviceKeyboard);
}

TEST_F(SurfaceContextMenuTest, MouseMenuOpensAtThePointAsMouse) {
  const POINT screen = harness.to_screen(100, 50);
  EXPECT_EQ(harness.send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(harness.hwnd()),
                         MAKELPARAM(screen.x, screen.y)),
            0);
  ASSERT_EQ(view_menus.size(), 1u);
  EXPECT_EQ(view_menus[0].device, kDeviceMouse);
  EXPECT_FLOAT_EQ(view_menus[0].position.x, 100.0f);
  EXPECT_FLOAT_EQ(view_menus[0].position.y, 50.0f);
}

}  // namespace
}  // namespace win32_ui::modern
