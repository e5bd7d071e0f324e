// Win32NativeHost on a real parent window: the child it makes, how each
// placement moves, clips, hides and enables it, the font for the effective
// DPI, the context's theme and reading direction, the "WINH" subclass's
// focus and key forwarding, and the lifetimes of own, adopted and
// externally destroyed windows.
#include "ui/platform/hosting/win32_native_host.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "tests/ui/platform/hosting/hosting_test_support.h"
#include "tests/ui/platform/theme/control_test_window.h"
#include "ui/platform/hosting/win32_combo_box.h"
#include "ui/platform/hosting/win32_edit.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui::modern {
namespace {

using test::edges;
using testing::context_with;
using testing::MessageSpy;
using testing::placement_at;
using testing::rect_in_parent;
using testing::region_box;

constexpr int kId = 77;
constexpr LONG_PTR kRightToLeftStyles = 0x407000;

// A host over a plain "STATIC" child that counts its re-theming; a spy put
// on the window before the "WINH" subclass sees only what that passes on.
class CountingHost final : public Win32NativeHost {
 public:
  CountingHost() : Win32NativeHost(kId, 120.0f, 32.0f) {}
  int themes = 0;
  MessageSpy below;

 protected:
  HWND create_child_window(HWND parent) override {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 1, 1, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kId)),
                                  GetModuleHandleW(nullptr), nullptr);
    if (window != nullptr) below.watch(window);
    return window;
  }
  void apply_theme(const Theme& theme) override {
    ++themes;
    Win32NativeHost::apply_theme(theme);
  }
};

// Answers the hosted control's messages as a surface would: Tab is a view
// key, everything else is the control's.
struct SurfaceStandIn {
  std::vector<HWND> focused;
  std::vector<UINT> keys;

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR, DWORD_PTR reference) {
    auto* self = reinterpret_cast<SurfaceStandIn*>(reference);
    if (message == kChildFocusMessage) {
      self->focused.push_back(reinterpret_cast<HWND>(lparam));
      return 0;
    }
    if (message == kChildKeyMessage) {
      ChildKeyRecord* record = child_key_record_in_flight(lparam);
      if (record == nullptr) return 0;
      self->keys.push_back(record->message);
      record->handled = record->wparam == VK_TAB;
      return record->handled ? 1 : 0;
    }
    return default_subclass_proc(window, message, wparam, lparam);
  }
};

class Win32NativeHostTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(attach()); }
  bool attach() { return host.attach_window(parent.hwnd(), context_with(theme, &identity)); }
  HWND window() const { return host.native_handle(); }
  bool shown() const { return (GetWindowLongPtrW(window(), GWL_STYLE) & WS_VISIBLE) != 0; }

  test::ControlTestWindow parent{400, 300};
  Theme theme = Theme::light(kDefaultAccent);
  int identity = 0;
  CountingHost host;
};

TEST_F(Win32NativeHostTest, AttachMakesOneHiddenChildUnderTheParent) {
  ASSERT_NE(window(), nullptr);
  EXPECT_EQ(GetParent(window()), parent.hwnd());
  EXPECT_EQ(GetDlgCtrlID(window()), kId);
  EXPECT_FALSE(shown());
  EXPECT_EQ(host.themes, 1);
  EXPECT_TRUE(attach());
  EXPECT_EQ(host.hwnd(), window());
  EXPECT_EQ(GetWindow(parent.hwnd(), GW_CHILD), window());
  EXPECT_EQ(GetWindow(window(), GW_HWNDNEXT), nullptr);
  test::ControlTestWindow other(100, 100);
  EXPECT_FALSE(host.attach_window(other.hwnd(), context_with(theme, &identity)));
}

TEST(Win32NativeHostContextTest, AttachWithoutThemeMakesNoWindow) {
  test::ControlTestWindow parent(100, 100);
  CountingHost host;
  EXPECT_FALSE(host.attach_window(parent.hwnd(), NativeViewContext{}));
  EXPECT_EQ(host.native_handle(), nullptr);
  EXPECT_EQ(GetWindow(parent.hwnd(), GW_CHILD), nullptr);
}

struct PlacementCase {
  const char* name;
  NativePlacement placement;
  std::array<LONG, 4> expected;
};

TEST_F(Win32NativeHostTest, PlacesTheWindowOverTheZoomedScrolledView) {
  NativePlacement scrolled = placement_at(10.3f, 20.5f, 100.0f, 32.0f, 1.5f);
  scrolled.scroll_offset = 10.0f;
  const PlacementCase cases[] = {
      {"zoom 1", placement_at(10.0f, 20.0f, 120.0f, 32.0f), {10, 20, 130, 52}},
      // 15.45, 30.75, 165.45 and 48.
      {"zoom 1.5", placement_at(10.3f, 20.5f, 100.0f, 32.0f, 1.5f), {15, 31, 165, 79}},
      // The top is (20.5 - 10) x 1.5 = 15.75.
      {"zoom 1.5 scrolled", scrolled, {15, 16, 165, 64}},
      {"144 DPI", placement_at(10.0f, 20.0f, 100.0f, 32.0f, 1.0f, 144), {15, 30, 165, 78}},
      {"negative width", placement_at(50.0f, 20.0f, -10.0f, 32.0f), {50, 20, 50, 52}},
  };
  for (const PlacementCase& c : cases) {
    SCOPED_TRACE(c.name);
    host.sync_peer_bounds(c.placement);
    EXPECT_EQ(edges(rect_in_parent(window())), c.expected);
    EXPECT_TRUE(shown());
  }
}

TEST_F(Win32NativeHostTest, ClipCutsTheWindowToItsVisiblePartAndRestoresIt) {
  NativePlacement placement = placement_at(10.0f, 20.0f, 120.0f, 32.0f);
  placement.has_clip = true;
  placement.clip_y = 30.0f;
  placement.clip_width = 400.0f;
  placement.clip_height = 270.0f;
  host.sync_peer_bounds(placement);
  RECT box{};
  ASSERT_NE(region_box(window(), box), ERROR);
  EXPECT_EQ(edges(box), (std::array<LONG, 4>{0, 10, 120, 32}));
  EXPECT_TRUE(shown());

  placement.y = 100.0f;
  host.sync_peer_bounds(placement);
  EXPECT_EQ(region_box(window(), box), ERROR);
  EXPECT_TRUE(shown());

  placement.y = -40.0f;
  host.sync_peer_bounds(placement);
  EXPECT_FALSE(shown());
}

TEST(Win32NativeHostClipTest, ClipKeepsAndRestoresTheWindowsOwnRegion) {
  test::ControlTestWindow parent(400, 300);
  HWND own = parent.add_child(L"STATIC", L"", WS_CHILD, {0, 0, 120, 32}, 9);
  ASSERT_NE(SetWindowRgn(own, CreateRectRgn(0, 0, 60, 32), FALSE), 0);
  const Theme theme = Theme::light(kDefaultAccent);
  CountingHost host;
  ASSERT_TRUE(host.peer()->adopt_window(own, true, context_with(theme)));
  NativePlacement placement = placement_at(10.0f, 20.0f, 120.0f, 32.0f);
  placement.has_clip = true;
  placement.clip_y = 30.0f;
  placement.clip_width = 400.0f;
  placement.clip_height = 270.0f;
  host.sync_peer_bounds(placement);
  RECT box{};
  ASSERT_NE(region_box(own, box), ERROR);
  EXPECT_EQ(edges(box), (std::array<LONG, 4>{0, 10, 60, 32}));

  placement.y = 100.0f;
  host.sync_peer_bounds(placement);
  ASSERT_NE(region_box(own, box), ERROR);
  EXPECT_EQ(edges(box), (std::array<LONG, 4>{0, 0, 60, 32}));
}

TEST_F(Win32NativeHostTest, HiddenFlagHidesTheWindow) {
  NativePlacement placement = placement_at(10.0f, 20.0f, 120.0f, 32.0f);
  host.sync_peer_bounds(placement);
  ASSERT_TRUE(shown());
  placement.hidden = 1;
  host.sync_peer_bounds(placement);
  EXPECT_FALSE(shown());
}

TEST_F(Win32NativeHostTest, DisabledViewDisablesTheWindowOnce) {
  MessageSpy spy;
  spy.watch(window());
  NativePlacement placement = placement_at(10.0f, 20.0f, 120.0f, 32.0f);
  placement.enabled = false;
  host.sync_peer_bounds(placement);
  host.sync_peer_bounds(placement);
  EXPECT_FALSE(IsWindowEnabled(window()));
  ASSERT_EQ(spy.count(WM_ENABLE), 1);
  EXPECT_EQ(spy.of(WM_ENABLE)[0].wparam, static_cast<WPARAM>(FALSE));
  placement.enabled = true;
  host.sync_peer_bounds(placement);
  EXPECT_TRUE(IsWindowEnabled(window()));
  EXPECT_EQ(spy.count(WM_ENABLE), 2);
}

TEST_F(Win32NativeHostTest, OnlyAZoomChangeOfATenThousandthReThemes) {
  host.sync_peer_bounds(placement_at(10.0f, 20.0f, 120.0f, 32.0f, 1.0f));
  const int themes = host.themes;
  host.sync_peer_bounds(placement_at(10.0f, 20.0f, 120.0f, 32.0f, 1.00005f));
  EXPECT_EQ(host.themes, themes);
  host.sync_peer_bounds(placement_at(10.0f, 20.0f, 120.0f, 32.0f, 1.0002f));
  EXPECT_EQ(host.themes, themes + 1);
}

struct FontCase {
  const char* name;
  std::uint32_t dpi;
  float zoom;
  LONG height;
};

TEST_F(Win32NativeHostTest, FontIsTenPointSegoeUiForTheEffectiveDpi) {
  EXPECT_EQ(testing::font_height(window()), -13);
  for (const FontCase& c : {FontCase{"96 DPI", 96, 1.0f, -13}, FontCase{"144 DPI", 144, 1.0f, -20},
                            FontCase{"zoom 1.5", 96, 1.5f, -20}, FontCase{"zoom 2", 96, 2.0f, -27}}) {
    SCOPED_TRACE(c.name);
    host.sync_peer_bounds(placement_at(10.0f, 20.0f, 120.0f, 32.0f, c.zoom, c.dpi));
    EXPECT_EQ(testing::font_height(window()), c.height);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window(), WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    EXPECT_STREQ(font.lfFaceName, L"Segoe UI");
    EXPECT_EQ(font.lfWeight, FW_NORMAL);
    EXPECT_EQ(font.lfQuality, CLEARTYPE_QUALITY);
  }
}

TEST_F(Win32NativeHostTest, RightToLeftSetsAndClearsTheExtendedStyles) {
  MessageSpy spy;
  spy.watch(window());
  NativeViewContext context = context_with(theme, &identity);
  context.right_to_left = true;
  host.peer()->apply_context(context);
  EXPECT_EQ(GetWindowLongPtrW(window(), GWL_EXSTYLE) & kRightToLeftStyles, kRightToLeftStyles);
  EXPECT_EQ(spy.count(WM_NCCALCSIZE), 1);
  context.right_to_left = false;
  host.peer()->apply_context(context);
  EXPECT_EQ(GetWindowLongPtrW(window(), GWL_EXSTYLE) & kRightToLeftStyles, 0);
  EXPECT_EQ(spy.count(WM_NCCALCSIZE), 2);
}

TEST_F(Win32NativeHostTest, SameThemeValuesAndIdentityDoNotReTheme) {
  const Theme copy = theme;
  host.peer()->apply_context(context_with(copy, &identity));
  EXPECT_EQ(host.themes, 1);
  int other_identity = 0;
  host.peer()->apply_context(context_with(copy, &other_identity));
  EXPECT_EQ(host.themes, 2);
  const Theme dark = Theme::dark(kDefaultAccent);
  host.peer()->apply_context(context_with(dark, &other_identity));
  EXPECT_EQ(host.themes, 3);
}

TEST_F(Win32NativeHostTest, FocusAndKeysGoToTheParentAndViewKeysAreSwallowed) {
  SurfaceStandIn surface;
  ASSERT_TRUE(install_window_subclass(parent.hwnd(), &SurfaceStandIn::procedure, 0x53555246,
                                      reinterpret_cast<DWORD_PTR>(&surface)));
  SendMessageW(window(), WM_SETFOCUS, 0, 0);
  EXPECT_EQ(surface.focused, std::vector<HWND>{window()});
  host.below.clear();
  EXPECT_EQ(SendMessageW(window(), WM_KEYDOWN, VK_TAB, 1), 0);
  SendMessageW(window(), WM_CHAR, L'x', 1);
  EXPECT_EQ(surface.keys, (std::vector<UINT>{WM_KEYDOWN, WM_CHAR}));
  EXPECT_EQ(host.below.count(WM_KEYDOWN), 0);
  EXPECT_EQ(host.below.count(WM_CHAR), 1);
  remove_window_subclass(parent.hwnd(), &SurfaceStandIn::procedure, 0x53555246);
}

TEST(Win32NativeHostLifetimeTest, ReleasingABorrowedWindowLeavesItAlive) {
  test::ControlTestWindow parent(200, 100);
  HWND borrowed = parent.add_child(L"EDIT", L"", WS_CHILD, {0, 0, 100, 30}, 9);
  const Theme theme = Theme::light(kDefaultAccent);
  {
    CountingHost host;
    ASSERT_TRUE(host.peer()->adopt_window(borrowed, true, context_with(theme)));
    EXPECT_EQ(host.native_handle(), borrowed);
    EXPECT_EQ(testing::font_height(borrowed), -13);
    host.peer()->release_window();
    EXPECT_TRUE(IsWindow(borrowed));
    EXPECT_EQ(host.native_handle(), nullptr);
    // The font it was given is gone with the host's hold on it.
    EXPECT_EQ(SendMessageW(borrowed, WM_GETFONT, 0, 0), 0);
    ASSERT_TRUE(host.peer()->adopt_window(borrowed, true, context_with(theme)));
  }
  EXPECT_TRUE(IsWindow(borrowed));

  CountingHost owner;
  HWND owned = parent.add_child(L"EDIT", L"", WS_CHILD, {0, 0, 100, 30}, 10);
  ASSERT_TRUE(owner.peer()->adopt_window(owned, false, context_with(theme)));
  owner.peer()->release_window();
  EXPECT_FALSE(IsWindow(owned));
  EXPECT_FALSE(owner.peer()->adopt_window(owned, false, context_with(theme)));
  EXPECT_FALSE(owner.peer()->adopt_window(borrowed, true, NativeViewContext{}));
}

TEST(Win32NativeHostLifetimeTest, DestroyingTheHostDestroysItsOwnWindow) {
  test::ControlTestWindow parent(200, 100);
  const Theme theme = Theme::light(kDefaultAccent);
  auto host = std::make_unique<CountingHost>();
  ASSERT_TRUE(host->attach_window(parent.hwnd(), context_with(theme)));
  HWND window = host->native_handle();
  host.reset();
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(Win32NativeHostTest, WindowDestroyedFromOutsideTurnsUpdatesIntoNothing) {
  DestroyWindow(window());
  EXPECT_EQ(host.native_handle(), nullptr);
  const int themes = host.themes;
  host.sync_peer_bounds(placement_at(10.0f, 20.0f, 120.0f, 32.0f, 1.5f));
  const Theme dark = Theme::dark(kDefaultAccent);
  NativeViewContext context = context_with(dark);
  context.right_to_left = true;
  host.peer()->apply_context(context);
  EXPECT_EQ(host.themes, themes);
  EXPECT_EQ(host.native_handle(), nullptr);
  EXPECT_EQ(GetWindow(parent.hwnd(), GW_CHILD), nullptr);
}

TEST_F(Win32NativeHostTest, WindowMadeAgainAfterItWasDestroyedTakesTheReadingDirection) {
  NativeViewContext context = context_with(theme, &identity);
  context.right_to_left = true;
  host.peer()->apply_context(context);
  DestroyWindow(window());
  ASSERT_TRUE(host.attach_window(parent.hwnd(), context));
  ASSERT_NE(window(), nullptr);
  EXPECT_EQ(GetWindowLongPtrW(window(), GWL_EXSTYLE) & kRightToLeftStyles, kRightToLeftStyles);
}

TEST(Win32NativeHostCapabilitiesTest, HostEditAndComboSupportTheirActions) {
  CountingHost host;
  Win32Edit edit(1, L"", false);
  Win32ComboBox combo(2);
  EXPECT_EQ(host.peer()->capabilities(), 23);
  EXPECT_EQ(edit.peer()->capabilities(), 31);
  EXPECT_EQ(combo.peer()->capabilities(), 55);
}

}  // namespace
}  // namespace win32_ui::modern
