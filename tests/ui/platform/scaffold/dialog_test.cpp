// Modal dialogs on the test display, driven from on_shown and from work
// posted into their own loop: sizes, the owner's state before, during and
// after a run, WM_QUIT, exceptions, refused runs and localized labels.
#include "ui/platform/scaffold/dialog.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/com_apartment.h"
#include "tests/fakes/ui/platform/fake_theme_system.h"
#include "tests/support/test_support.h"
#include "tests/ui/platform/scaffold/scaffold_test_support.h"
#include "tests/ui/views/graphics/paint_target.h"
#include "ui/platform/scaffold/application.h"
#include "ui/views/widgets/text.h"
#include "ui/views/widgets/widget.h"

namespace win32_ui::scaffold {
namespace {

using modern::LocalizedText;

// A body that says when it is freed.
class TrackedBody : public modern::View {
 public:
  explicit TrackedBody(bool& freed) : freed_(freed) {}
  ~TrackedBody() override { freed_ = true; }

 private:
  bool& freed_;
};

std::unique_ptr<modern::View> body_text() {
  return std::make_unique<modern::Text>(std::wstring(L"Body"), 2, layout::Size{0.0f, 32.0f});
}

class DialogTest : public ::testing::Test {
 protected:
  DialogTest() { app_.set_language(L"en-US"); }

  // A visible, enabled toolkit window to own dialogs.
  Window& open_owner() {
    EXPECT_TRUE(owner_.create({}));
    owner_.show(SW_SHOWNORMAL);
    return owner_;
  }

  const quorvel::windows::ComApartment apartment_{COINIT_APARTMENTTHREADED};
  quorvel::test::FakeThemeSystem system_;
  Application app_{kThemeModeSystem, kDefaultAccent, system_};
  Window owner_{app_};
};

TEST_F(DialogTest, MinimumWidthGrowsWithTheActionsAndTheOptions) {
  struct Case {
    int action_count;
    float min_width;
    float width;
    float expected_minimum;
    float expected_preferred;
  };
  const Case cases[] = {
      {3, 0.0f, 100.0f, 360.0f, 360.0f},
      {1, 0.0f, 100.0f, 152.0f, 152.0f},
      {1, 200.0f, 100.0f, 200.0f, 200.0f},
      {1, 200.0f, 440.0f, 200.0f, 440.0f},
  };
  for (const Case& c : cases) {
    Dialog dialog(app_);
    float minimum = 0.0f;
    float preferred = 0.0f;
    dialog.on_shown([&](Dialog& shown) {
      minimum = shown.window().host().minimum_size().width;
      preferred = shown.window().host().preferred_size().width;
      shown.close_with_result(kDialogResultOk);
    });
    DialogOptions options;
    options.min_width = c.min_width;
    options.width = c.width;
    std::vector<DialogAction> actions(static_cast<std::size_t>(c.action_count),
                                      DialogAction{kDialogResultOk, dialog_text_key(L"ok"), false});

    EXPECT_EQ(dialog.show_modal(options, body_text(), actions), kDialogResultOk);
    EXPECT_EQ(minimum, c.expected_minimum) << c.action_count << " actions";
    EXPECT_EQ(preferred, c.expected_preferred) << c.action_count << " actions";
  }
}

TEST_F(DialogTest, AVisibleEnabledOwnerIsDisabledWhileRunningAndEnabledBeforeTheWindowGoes) {
  Window& owner = open_owner();
  Dialog dialog(app_);
  bool disabled_while_running = false;
  bool enabled_at_destroy = false;
  HWND dialog_owner = nullptr;
  dialog.on_shown([&](Dialog& shown) {
    disabled_while_running = !IsWindowEnabled(owner.hwnd());
    dialog_owner = GetWindow(shown.window().hwnd(), GW_OWNER);
    shown.window().on_destroyed([&] { enabled_at_destroy = IsWindowEnabled(owner.hwnd()) != FALSE; });
    PostMessageW(shown.window().hwnd(), WM_CLOSE, 0, 0);
  });
  DialogOptions options;
  options.owner = owner.hwnd();
  options.close_result = kDialogResultCancel;

  EXPECT_EQ(dialog.show_modal(options, body_text(), dialog_actions_for(1)), kDialogResultCancel);

  EXPECT_TRUE(disabled_while_running);
  EXPECT_EQ(dialog_owner, owner.hwnd());
  EXPECT_TRUE(enabled_at_destroy);
  EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
  EXPECT_EQ(GetActiveWindow(), owner.hwnd());
}

TEST_F(DialogTest, AHiddenOrDisabledOwnerIsNeverDisabledNorActivated) {
  for (const bool hidden : {true, false}) {
    Window owner(app_);
    ASSERT_TRUE(owner.create({}));
    if (!hidden) {
      owner.show(SW_SHOWNOACTIVATE);
      EnableWindow(owner.hwnd(), FALSE);
    }
    Window other(app_);
    ASSERT_TRUE(other.create({}));
    other.activate();
    Dialog dialog(app_);
    bool owner_enabled_while_running = false;
    HWND dialog_owner = reinterpret_cast<HWND>(1);
    dialog.on_shown([&](Dialog& shown) {
      owner_enabled_while_running = IsWindowEnabled(owner.hwnd()) != FALSE;
      dialog_owner = GetWindow(shown.window().hwnd(), GW_OWNER);
      shown.close_with_result(kDialogResultOk);
    });
    DialogOptions options;
    options.owner = owner.hwnd();

    EXPECT_EQ(dialog.show_modal(options, body_text(), dialog_actions_for(0)), kDialogResultOk);

    EXPECT_EQ(owner_enabled_while_running, hidden) << (hidden ? "hidden" : "disabled");
    EXPECT_EQ(IsWindowEnabled(owner.hwnd()) != FALSE, hidden) << (hidden ? "hidden" : "disabled");
    EXPECT_NE(GetActiveWindow(), owner.hwnd()) << (hidden ? "hidden" : "disabled");
    if (hidden) {
      EXPECT_EQ(dialog_owner, nullptr) << "a hidden owner does not own the dialog";
    }
  }
}

TEST_F(DialogTest, AQuitMessageEndsTheRunAndStillReachesTheOuterLoop) {
  Dialog dialog(app_);
  HWND hwnd = nullptr;
  dialog.on_shown([&](Dialog& shown) {
    hwnd = shown.window().hwnd();
    PostQuitMessage(7);
  });
  DialogOptions options;
  options.close_result = kDialogResultNo;

  EXPECT_EQ(dialog.show_modal(options, body_text(), dialog_actions_for(2)), kDialogResultNo);

  EXPECT_FALSE(IsWindow(hwnd));
  MSG message{};
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
}

TEST_F(DialogTest, AnExceptionFromOnShownReachesTheCallerAndRestoresTheOwner) {
  Window& owner = open_owner();
  Dialog dialog(app_);
  HWND hwnd = nullptr;
  bool enabled_at_destroy = false;
  dialog.on_shown([&](Dialog& shown) {
    hwnd = shown.window().hwnd();
    shown.window().on_destroyed([&] { enabled_at_destroy = IsWindowEnabled(owner.hwnd()) != FALSE; });
    throw std::runtime_error("shown failed");
  });
  DialogOptions options;
  options.owner = owner.hwnd();

  EXPECT_THROW(dialog.show_modal(options, body_text(), dialog_actions_for(0)), std::runtime_error);

  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_TRUE(enabled_at_destroy);
  EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
  EXPECT_EQ(GetActiveWindow(), owner.hwnd());
}

TEST_F(DialogTest, RefusesANullBodyNoActionsOrASecondRunAndFreesTheBody) {
  Dialog dialog(app_);
  EXPECT_EQ(dialog.show_modal({}, nullptr, dialog_actions_for(0)), kDialogResultNone);

  bool freed = false;
  EXPECT_EQ(dialog.show_modal({}, std::make_unique<TrackedBody>(freed), {}), kDialogResultNone);
  EXPECT_TRUE(freed);
  EXPECT_TRUE(app_.windows().empty()) << "nothing was shown";

  bool inner_freed = false;
  DialogResult inner = -1;
  dialog.on_shown([&](Dialog& shown) {
    inner = shown.show_modal({}, std::make_unique<TrackedBody>(inner_freed), dialog_actions_for(0));
    shown.close_with_result(kDialogResultOk);
  });
  EXPECT_EQ(dialog.show_modal({}, body_text(), dialog_actions_for(0)), kDialogResultOk);
  EXPECT_EQ(inner, kDialogResultNone);
  EXPECT_TRUE(inner_freed);
}

TEST_F(DialogTest, ButtonLabelsFollowTheApplicationLanguage) {
  struct Case {
    const wchar_t* language;
    const wchar_t* yes;
    const wchar_t* no;
  };
  const Case cases[] = {{L"en-US", L"Yes", L"No"}, {L"zh-CN", L"\u662F", L"\u5426"}};
  for (const Case& c : cases) {
    app_.set_language(c.language);
    Dialog dialog(app_);
    std::wstring yes;
    std::wstring no;
    dialog.on_shown([&](Dialog& shown) {
      modern::Surface& surface = shown.window().host().surface();
      if (auto* button = surface.find_widget(kDialogButtonId)) yes = button->text();
      if (auto* button = surface.find_widget(kDialogButtonId + 1)) no = button->text();
      shown.close_with_result(kDialogResultYes);
    });

    EXPECT_EQ(dialog.show_modal({}, body_text(), dialog_actions_for(2)), kDialogResultYes);
    EXPECT_EQ(yes, c.yes) << quorvel::test::utf8(c.language);
    EXPECT_EQ(no, c.no) << quorvel::test::utf8(c.language);
  }
}

TEST_F(DialogTest, AButtonEndsTheRunWithItsResult) {
  Dialog dialog(app_);
  dialog.on_shown([&](Dialog& shown) {
    auto* retry = shown.window().host().surface().find_widget(kDialogButtonId + 1);
    ASSERT_NE(retry, nullptr);
    // Space activates the focused button.
    shown.window().host().surface().request_focus(retry, modern::kFocusKeyboard);
    PostMessageW(shown.window().hwnd(), WM_KEYDOWN, VK_SPACE, 0);
    PostMessageW(shown.window().hwnd(), WM_KEYUP, VK_SPACE, 0xC0000001);
  });
  DialogOptions options;
  options.close_result = kDialogResultAbort;

  EXPECT_EQ(dialog.show_modal(options, body_text(), dialog_actions_for(5)), kDialogResultRetry);
}

// The picture is for a look (QUORVEL_CANVAS_PNG_DIR); the test checks the
// buttons' place: right-aligned in the bottom row, 96 DIP each with 8 between.
TEST_F(DialogTest, DrawsTheBodyAboveARightAlignedRowOfButtons) {
  Dialog dialog(app_);
  bool left_of_buttons_clear = false;
  bool buttons_inked = false;
  bool body_inked = false;
  dialog.on_shown([&](Dialog& shown) {
    HWND hwnd = shown.window().hwnd();
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT client{};
    GetClientRect(hwnd, &client);
    ui::graphics::test::DibTarget pixels(client.right, client.bottom);
    HDC dc = GetDC(hwnd);
    BitBlt(pixels.dc(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    ReleaseDC(hwnd, dc);
    pixels.save_png_if_asked("dialog.png");
    const ui::graphics::test::Rgb background = pixels.pixel(2, 2);
    const int row_top = client.bottom - 20 - 44;
    const int buttons_left = client.right - 20 - 3 * 96 - 2 * 8;
    left_of_buttons_clear =
        !pixels.ink(background, {20, row_top, buttons_left - 1, client.bottom - 20}).any;
    buttons_inked =
        pixels.ink(background, {buttons_left, row_top, client.right - 20, client.bottom - 20}).any;
    body_inked = pixels.ink(background, {20, 20, client.right - 20, row_top - 14}).any;
    shown.close_with_result(kDialogResultOk);
  });
  DialogOptions options;
  options.title = LocalizedText::from_text(L"Quorvel dialog");
  auto body = std::make_unique<modern::Text>(std::wstring(L"Keep the changes to the hotkeys?"), 2,
                                             layout::Size{0.0f, 32.0f});

  EXPECT_EQ(dialog.show_modal(options, std::move(body), dialog_actions_for(3)), kDialogResultOk);
  EXPECT_TRUE(left_of_buttons_clear);
  EXPECT_TRUE(buttons_inked);
  EXPECT_TRUE(body_inked);
}

}  // namespace
}  // namespace win32_ui::scaffold
