// Native controls hosted in a Surface's view tree, with a real "EDIT" child
// window behind a test peer: each is attached with the surface's context,
// placed over its view and clipped below the pinned title, takes part in
// view focus, forwards its keys through the child key record (and nobody
// else's), and its notifications become the host's events. The surface
// colours its controls and hands owner-drawn items to its painter.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "tests/fakes/ui/views/fake_edit_peer.h"
#include "tests/ui/views/input_harness.h"
#include "ui/platform/hosting/native_host.h"
#include "ui/views/overlay_panel.h"

namespace win32_ui::modern {
namespace {

using testing::placed;
using testing::FakeEditLog;
using testing::FakeEditPeer;
using testing::InputHarness;
using testing::RecordingView;

constexpr int kEditId = 41;

struct HostedContent {
  OverlayPanel* root = nullptr;
  OverlayPanel* box = nullptr;
  View* title = nullptr;
  NativeHost* host = nullptr;
  RecordingView* before = nullptr;
  RecordingView* after = nullptr;
};

// A 600-DIP-tall root: a 30-DIP title, a view, then a box holding the edit
// host at (20, 60), then another view.
HostedContent install_hosted_content(InputHarness& harness,
                                     const std::shared_ptr<FakeEditLog>& log) {
  auto root = std::make_unique<OverlayPanel>();
  layout::LayoutParams tall;
  tall.height = 600;
  tall.has_height = true;
  root->set_layout_params(tall);
  HostedContent content;
  auto title = std::make_unique<View>();
  title->set_layout_params(placed(0, 0, 300, 30));
  content.title = root->add_child(std::move(title));
  auto before = std::make_unique<RecordingView>();
  before->set_layout_params(placed(200, 60, 40, 20));
  content.before = static_cast<RecordingView*>(root->add_child(std::move(before)));
  auto box = std::make_unique<OverlayPanel>();
  box->set_layout_params(placed(0, 0, 300, 600));
  auto host = std::make_unique<NativeHost>(kEditId, 120.0f, 32.0f);
  host->set_peer(std::make_unique<FakeEditPeer>(kEditId, log));
  host->set_layout_params(placed(20, 60, 120, 32));
  content.host = static_cast<NativeHost*>(box->add_child(std::move(host)));
  content.box = static_cast<OverlayPanel*>(root->add_child(std::move(box)));
  auto after = std::make_unique<RecordingView>();
  after->set_layout_params(placed(200, 120, 40, 20));
  content.after = static_cast<RecordingView*>(root->add_child(std::move(after)));
  content.root = harness.set_content(std::move(root));
  return content;
}

class SurfaceNativeHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(harness.attach());
    content = install_hosted_content(harness, log);
    edit = content.host->native_handle();
    ASSERT_NE(edit, nullptr);
  }
  const NativePlacement& last_placement() const { return log->placements.back(); }

  std::shared_ptr<FakeEditLog> log = std::make_shared<FakeEditLog>();
  InputHarness harness{300, 200};
  HostedContent content;
  HWND edit = nullptr;
};

TEST_F(SurfaceNativeHostTest, HostIsAttachedWithTheSurfaceContextAndPlaced) {
  EXPECT_EQ(GetParent(edit), harness.hwnd());
  ASSERT_FALSE(log->contexts.empty());
  const FakeEditLog::Context& context = log->contexts.back();
  EXPECT_EQ(context.theme, &harness.impl()->theme);
  EXPECT_EQ(context.style_identity, &harness.surface);
  EXPECT_EQ(context.locale_tag, L"zh-CN");
  EXPECT_EQ(context.localization_revision, harness.surface.localization().revision());
  EXPECT_FALSE(context.right_to_left);

  const NativePlacement& placement = last_placement();
  EXPECT_FLOAT_EQ(placement.x, 20.0f);
  EXPECT_FLOAT_EQ(placement.y, 60.0f);
  EXPECT_FLOAT_EQ(placement.width, 120.0f);
  EXPECT_FLOAT_EQ(placement.height, 32.0f);
  EXPECT_EQ(placement.dpi, 96u);
  EXPECT_FLOAT_EQ(placement.zoom, 1.0f);
  EXPECT_FLOAT_EQ(placement.scroll_offset, 0.0f);
  EXPECT_EQ(placement.hidden, 0);
  EXPECT_TRUE(placement.enabled);
  EXPECT_FALSE(placement.has_clip);

  const auto& order = harness.impl()->focus_order;
  ASSERT_EQ(order.size(), 1u);
  EXPECT_EQ(order[0].first, -1);
  EXPECT_EQ(order[0].second, content.host);
}

TEST_F(SurfaceNativeHostTest, RightToLeftLocaleReachesTheHost) {
  harness.surface.set_language(L"ar-SA");
  EXPECT_EQ(log->contexts.back().locale_tag, L"ar-SA");
  EXPECT_TRUE(log->contexts.back().right_to_left);
}

TEST_F(SurfaceNativeHostTest, DisabledHostIsPlacedDisabled) {
  content.host->set_enabled(false);
  harness.impl()->relayout();
  EXPECT_FALSE(last_placement().enabled);
}

TEST_F(SurfaceNativeHostTest, ClipLeavesOutThePinnedTitleAndFollowsTheWheel) {
  harness.surface.set_scroll_view(content.title);
  harness.surface.refresh();
  ASSERT_TRUE(last_placement().has_clip);
  EXPECT_FLOAT_EQ(last_placement().clip_x, 0.0f);
  EXPECT_FLOAT_EQ(last_placement().clip_y, 30.0f);
  EXPECT_FLOAT_EQ(last_placement().clip_width, 300.0f);
  EXPECT_FLOAT_EQ(last_placement().clip_height, 170.0f);

  // One notch moves the edit's top to 12 DIP, partly under the title.
  const std::size_t placed = log->placements.size();
  const POINT screen = harness.to_screen(250, 150);
  harness.send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)),
               MAKELPARAM(screen.x, screen.y));
  ASSERT_EQ(log->placements.size(), placed + 1);
  EXPECT_FLOAT_EQ(last_placement().scroll_offset, 48.0f);
  EXPECT_FLOAT_EQ(last_placement().y, 60.0f);
  EXPECT_TRUE(last_placement().has_clip);
  EXPECT_FLOAT_EQ(last_placement().clip_y, 30.0f);
  EXPECT_FLOAT_EQ(last_placement().clip_height, 170.0f);
}

TEST_F(SurfaceNativeHostTest, ScrollingThroughTheSurfacePlacesTheHostsAgain) {
  harness.surface.scroll_to(100.0f);
  EXPECT_FLOAT_EQ(last_placement().scroll_offset, 100.0f);
}

TEST_F(SurfaceNativeHostTest, ResizeThatClampsTheScrollPlacesTheHostsAtTheNewOffset) {
  harness.surface.scroll_to(400.0f);
  ASSERT_FLOAT_EQ(last_placement().scroll_offset, 400.0f);
  // 400 px tall, the 600-DIP content scrolls at most 200.
  SetWindowPos(harness.hwnd(), nullptr, 0, 0, 300, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_FLOAT_EQ(harness.surface.scroll_offset(), 200.0f);
  EXPECT_FLOAT_EQ(last_placement().scroll_offset, 200.0f);
}

TEST_F(SurfaceNativeHostTest, HiddenHostOrHostInAHiddenPanelIsPlacedHidden) {
  layout::LayoutParams params = content.host->layout_params();
  params.visibility = layout::kHidden;
  content.host->set_layout_params(params);
  harness.surface.refresh();
  EXPECT_EQ(last_placement().hidden, 1);
  params.visibility = layout::kVisible;
  content.host->set_layout_params(params);
  layout::LayoutParams box = content.box->layout_params();
  box.visibility = layout::kCollapsed;
  content.box->set_layout_params(box);
  harness.surface.refresh();
  EXPECT_EQ(last_placement().hidden, 1);
}

TEST_F(SurfaceNativeHostTest, HostWhoseAttachFailsIsLeftOutUntilTheNextPass) {
  content.host->set_peer(std::make_unique<FakeEditPeer>(kEditId, log));
  log->fail_attach = true;
  const std::size_t placed = log->placements.size();
  harness.surface.refresh();
  EXPECT_EQ(log->placements.size(), placed);
  EXPECT_TRUE(harness.impl()->focus_order.empty());
  log->fail_attach = false;
  harness.surface.refresh();
  EXPECT_EQ(log->placements.size(), placed + 1);
  EXPECT_EQ(harness.impl()->focus_order.size(), 1u);
}

TEST_F(SurfaceNativeHostTest, EditTakingTheFocusFocusesItsHostWithoutRing) {
  ASSERT_TRUE(harness.surface.request_focus(content.before, kFocusKeyboard));
  ASSERT_TRUE(harness.focus_ring());
  SetFocus(edit);
  EXPECT_EQ(harness.focused(), content.host);
  EXPECT_FALSE(harness.focus_ring());
  EXPECT_EQ(GetFocus(), edit);
}

TEST_F(SurfaceNativeHostTest, ViewFocusOnTheHostFocusesTheEdit) {
  ASSERT_TRUE(harness.surface.request_focus(content.before, kFocusKeyboard));
  harness.send(WM_KEYDOWN, VK_TAB, 1);
  EXPECT_EQ(harness.focused(), content.host);
  EXPECT_EQ(GetFocus(), edit);
}

TEST_F(SurfaceNativeHostTest, TabTypedInTheEditMovesViewFocusThroughTheKeyRecord) {
  SetFocus(edit);
  ASSERT_EQ(harness.focused(), content.host);
  EXPECT_EQ(SendMessageW(edit, WM_KEYDOWN, VK_TAB, 1), 0);
  EXPECT_EQ(harness.focused(), content.after);
  EXPECT_EQ(GetFocus(), harness.hwnd());
  ASSERT_EQ(log->key_results.size(), 1u);
  EXPECT_TRUE(log->key_results[0]);
  // A letter is the edit's own.
  SetFocus(edit);
  SendMessageW(edit, WM_CHAR, L'x', 1);
  ASSERT_EQ(log->key_results.size(), 2u);
  EXPECT_FALSE(log->key_results[1]);
  EXPECT_EQ(harness.focused(), content.host);
}

TEST_F(SurfaceNativeHostTest, ForgedKeyRecordsAreNeitherReadNorWritten) {
  SetFocus(edit);
  ASSERT_EQ(harness.focused(), content.host);
  ChildKeyRecord record{WM_KEYDOWN, VK_TAB, 1, false};
  const LPARAM pointer = reinterpret_cast<LPARAM>(&record);

  // Sent from another thread while this one pumps.
  HWND target = harness.hwnd();
  LRESULT cross_thread = -1;
  std::atomic<bool> done = false;
  const DWORD pumping_thread = GetCurrentThreadId();
  std::thread sender([&] {
    cross_thread = SendMessageW(target, kChildKeyMessage, 0, pointer);
    done = true;
    // Wakes the pump.
    PostThreadMessageW(pumping_thread, WM_NULL, 0, 0);
  });
  EXPECT_TRUE(testing::pump_until([&] { return done.load(); }));
  sender.join();
  EXPECT_EQ(cross_thread, 0);

  // Sent on this thread without the in-flight mark.
  EXPECT_EQ(harness.send(kChildKeyMessage, 0, pointer), 0);
  // Posted.
  ASSERT_TRUE(PostMessageW(harness.hwnd(), kChildKeyMessage, 0, pointer));
  MSG message{};
  while (PeekMessageW(&message, harness.hwnd(), kChildKeyMessage, kChildKeyMessage, PM_REMOVE)) {
    EXPECT_EQ(DispatchMessageW(&message), 0);
  }
  // Null.
  EXPECT_EQ(harness.send(kChildKeyMessage, 0, 0), 0);

  EXPECT_FALSE(record.handled);
  EXPECT_EQ(record.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(harness.focused(), content.host);
}

TEST_F(SurfaceNativeHostTest, EditChangeBecomesTheHostsEventWithoutACommand) {
  std::vector<Event> events;
  content.host->add_event_handler(Event::kTextChanged,
                                  [&events](Event& event) { events.push_back(event); });
  int root_steps = 0;
  harness.impl()->view_root.set_event_listener([&root_steps](Event&) { ++root_steps; });
  SetWindowTextW(edit, L"abc");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, Event::kTextChanged);
  EXPECT_EQ(events[0].text, L"abc");
  EXPECT_EQ(events[0].control_id, kEditId);
  EXPECT_EQ(events[0].widget_kind, 8);
  EXPECT_EQ(events[0].origin, kInputNativeControl);
  EXPECT_EQ(events[0].source, content.host);
  EXPECT_EQ(root_steps, 0);
  // The change is consumed; a notification the peer does not translate
  // goes on.
  const int defaulted = harness.defaulted(WM_COMMAND);
  EXPECT_EQ(harness.send(WM_COMMAND, MAKEWPARAM(kEditId, EN_CHANGE),
                         reinterpret_cast<LPARAM>(edit)),
            0);
  EXPECT_EQ(events.size(), 2u);
  EXPECT_EQ(harness.defaulted(WM_COMMAND), defaulted);
  harness.send(WM_COMMAND, MAKEWPARAM(kEditId, EN_SETFOCUS), reinterpret_cast<LPARAM>(edit));
  EXPECT_EQ(harness.defaulted(WM_COMMAND), defaulted + 1);
  EXPECT_EQ(events.size(), 2u);
}

TEST_F(SurfaceNativeHostTest, UnclaimedChildOrRemovedHostGetsDefaultProcessing) {
  HWND stray = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 10, 10, harness.hwnd(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(stray, nullptr);
  harness.send(WM_COMMAND, MAKEWPARAM(7, EN_CHANGE), reinterpret_cast<LPARAM>(stray));
  EXPECT_EQ(harness.defaulted(WM_COMMAND), 1);
  NMHDR header{stray, 7, static_cast<UINT>(NM_CLICK)};
  harness.send(WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&header));
  EXPECT_EQ(harness.defaulted(WM_NOTIFY), 1);
  DestroyWindow(stray);

  int handled = 0;
  int inner_defaulted = -1;
  content.host->add_event_handler(Event::kTextChanged, [&](Event&) {
    ++handled;
    content.box->clear_children();
    // The host is gone from the tree but its edit still lives until the
    // dispatch ends.
    harness.send(WM_COMMAND, MAKEWPARAM(kEditId, EN_CHANGE), reinterpret_cast<LPARAM>(edit));
    inner_defaulted = harness.defaulted(WM_COMMAND);
  });
  harness.send(WM_COMMAND, MAKEWPARAM(kEditId, EN_CHANGE), reinterpret_cast<LPARAM>(edit));
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(inner_defaulted, 2);
  EXPECT_FALSE(IsWindow(edit));
}

TEST_F(SurfaceNativeHostTest, ControlColoursComeFromTheTheme) {
  const Theme& theme = harness.surface.theme();
  struct Case {
    bool enabled;
    ThemeColor text;
  };
  for (const Case c : {Case{true, ThemeColor::text}, Case{false, ThemeColor::text_disabled}}) {
    EnableWindow(edit, c.enabled ? TRUE : FALSE);
    HDC dc = GetDC(edit);
    SetTextColor(dc, RGB(1, 2, 3));
    const LRESULT brush =
        harness.send(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
    EXPECT_EQ(GetTextColor(dc), theme.color(c.text));
    EXPECT_EQ(GetBkColor(dc), theme.color(ThemeColor::control_background));
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    LOGBRUSH logbrush{};
    ASSERT_NE(brush, 0);
    ASSERT_EQ(GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof(logbrush), &logbrush),
              static_cast<int>(sizeof(logbrush)));
    EXPECT_EQ(logbrush.lbColor, theme.color(ThemeColor::control_background));
    ReleaseDC(edit, dc);
  }
  EXPECT_EQ(harness.defaulted(WM_CTLCOLOREDIT), 0);
}

TEST_F(SurfaceNativeHostTest, ComboListOfAChildIsColouredToo) {
  HWND combo = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 160,
                               harness.hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(combo, nullptr);
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  ASSERT_TRUE(GetComboBoxInfo(combo, &info));
  ASSERT_NE(info.hwndList, nullptr);
  HDC dc = GetDC(harness.hwnd());
  EXPECT_NE(harness.send(WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(info.hwndList)),
            0);
  EXPECT_EQ(harness.defaulted(WM_CTLCOLORLISTBOX), 0);
  ReleaseDC(harness.hwnd(), dc);
  DestroyWindow(combo);
}

TEST_F(SurfaceNativeHostTest, ControlOfAnotherWindowGetsDefaultColours) {
  InputHarness other(40, 40);
  HWND foreign = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 10, 10, other.hwnd(), nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
  HDC dc = GetDC(foreign);
  harness.send(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(foreign));
  EXPECT_EQ(harness.defaulted(WM_CTLCOLOREDIT), 1);
  ReleaseDC(foreign, dc);
  DestroyWindow(foreign);
}

TEST_F(SurfaceNativeHostTest, DrawItemAnswersOneOnlyWhenThePainterDrew) {
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_COMBOBOX;
  item.hwndItem = edit;
  const DRAWITEMSTRUCT* seen = nullptr;
  bool draws = true;
  harness.painter = [&](const DRAWITEMSTRUCT* painted) {
    seen = painted;
    return draws;
  };
  EXPECT_EQ(harness.send(WM_DRAWITEM, kEditId, reinterpret_cast<LPARAM>(&item)), 1);
  EXPECT_EQ(seen, &item);
  EXPECT_EQ(harness.defaulted(WM_DRAWITEM), 0);
  draws = false;
  harness.send(WM_DRAWITEM, kEditId, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(harness.defaulted(WM_DRAWITEM), 1);
  harness.painter = nullptr;
  harness.send(WM_DRAWITEM, kEditId, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(harness.defaulted(WM_DRAWITEM), 2);
}

}  // namespace
}  // namespace win32_ui::modern
