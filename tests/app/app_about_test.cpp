// The About dialog on the test display (one at a time, idle hotkeys given
// back while it is open, the overlay restored) and the account dialog's
// operations through a recording stand-in.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "tests/account/ui/dialog_watcher.h"
#include "tests/app/app_test_fixture.h"
#include "tests/app/held_hotkey.h"
#include "tests/support/test_support.h"
#include "tests/ui/views/graphics/paint_target.h"
#include "ui/views/view_group.h"
#include "ui/views/widgets/text.h"

namespace quorvel::windows {
namespace {

using halvarin::sdk::ui::test::DialogWatcher;
using halvarin::sdk::ui::test::press_key;
using quorvel::test::hotkey_is_free;

constexpr wchar_t kAboutTitle[] = L"About Quorvel";
constexpr uint32_t kCtrlShift = MOD_CONTROL | MOD_SHIFT;

class AppAboutTest : public AppTest {};

TEST_F(AppAboutTest, OpenAboutGivesBackTheIdleHotkeysUntilItCloses) {
  for (const UINT closing_key : {VK_ESCAPE, VK_RETURN}) {
    SCOPED_TRACE(closing_key);
    App& app = start();
    pump();
    bool free_while_open = false;
    bool overlay_visible_while_open = true;
    HWND about = nullptr;
    bool has_big_icon = false;
    bool has_small_icon = false;
    DialogWatcher watcher;
    watcher.then(kAboutTitle, [&](HWND dialog) {
      about = AppTestAccess::about_window(app);
      has_big_icon = SendMessageW(dialog, WM_GETICON, ICON_BIG, 0) != 0;
      has_small_icon = SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0) != 0;
      free_while_open = hotkey_is_free(kCtrlShift, 'A') && hotkey_is_free(kCtrlShift, 'C');
      overlay_visible_while_open = IsWindowVisible(AppTestAccess::overlay_window(app)) != FALSE;
      press_key(dialog, closing_key);
    });

    app.run_settings_action(ModernSettingsAction::kAbout);

    EXPECT_EQ(watcher.pending_steps(), 0u);
    EXPECT_NE(about, nullptr);
    EXPECT_TRUE(has_big_icon);
    EXPECT_TRUE(has_small_icon);
    EXPECT_TRUE(free_while_open);
    EXPECT_FALSE(overlay_visible_while_open);
    EXPECT_EQ(AppTestAccess::about_window(app), nullptr);
    EXPECT_FALSE(hotkey_is_free(kCtrlShift, 'A'));
    EXPECT_FALSE(hotkey_is_free(kCtrlShift, 'C'));
    app_.reset();
  }
}

TEST_F(AppAboutTest, SecondRequestWhileOpenOpensNothing) {
  App& app = start();
  int about_windows = 0;
  DialogWatcher watcher;
  watcher.then(kAboutTitle, [&](HWND dialog) {
    app.run_settings_action(ModernSettingsAction::kAbout);
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM count) {
          wchar_t title[64] = {};
          GetWindowTextW(window, title, 64);
          if (std::wstring(title) == kAboutTitle) ++*reinterpret_cast<int*>(count);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&about_windows));
    press_key(dialog, VK_ESCAPE);
  });

  app.run_settings_action(ModernSettingsAction::kAbout);

  EXPECT_EQ(watcher.pending_steps(), 0u);
  EXPECT_EQ(about_windows, 1);
  EXPECT_EQ(watcher.titles(), std::vector<std::wstring>{kAboutTitle});
}

TEST_F(AppAboutTest, ReadyRegionShowsTheOverlayAgainWithoutActivatingIt) {
  App& app = start();
  AppTestAccess::region_ready(app) = true;
  const HWND overlay = AppTestAccess::overlay_window(app);
  ShowWindow(overlay, SW_SHOWNOACTIVATE);
  DialogWatcher watcher;
  bool hidden_while_open = false;
  watcher.then(kAboutTitle, [&](HWND dialog) {
    hidden_while_open = !IsWindowVisible(overlay);
    press_key(dialog, VK_ESCAPE);
  });

  app.show_about_dialog();

  EXPECT_TRUE(hidden_while_open);
  EXPECT_TRUE(IsWindowVisible(overlay));
  EXPECT_NE(GetActiveWindow(), overlay);
}

// Every Text widget at or below `view`.
void collect_texts(win32_ui::modern::View* view, std::vector<win32_ui::modern::Text*>& texts) {
  if (view == nullptr) return;
  if (auto* text = dynamic_cast<win32_ui::modern::Text*>(view)) texts.push_back(text);
  if (auto* group = dynamic_cast<win32_ui::modern::ViewGroup*>(view)) {
    for (std::size_t index = 0; index < group->child_count(); ++index) {
      collect_texts(group->child_at(index), texts);
    }
  }
}

// Writes the whole window, frame included, as a PNG for a look by eye
// (QUORVEL_CANVAS_PNG_DIR).
void save_window_png_if_asked(HWND window, const std::string& name) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  RECT rect{};
  GetWindowRect(window, &rect);
  win32_ui::ui::graphics::test::DibTarget pixels(rect.right - rect.left, rect.bottom - rect.top);
  HDC dc = GetWindowDC(window);
  BitBlt(pixels.dc(), 0, 0, pixels.width(), pixels.height(), dc, 0, 0, SRCCOPY);
  ReleaseDC(window, dc);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  pixels.save_png_if_asked(name);
  if (SUCCEEDED(com)) CoUninitialize();
}

// Opens About in `language` and checks that each of its four texts, drawn in
// its surface font, fits the box the dialog gives it: body text in a box 44
// DIP or taller wraps within the box's width, any other text is one line.
void expect_about_texts_fit(App& app, const wchar_t* language, UINT dpi) {
  AppTestAccess::application(app).set_language(language);
  std::vector<std::string> checked;
  DialogWatcher watcher;
  watcher.then(language == std::wstring(L"zh-CN") ? L"\u5173\u4E8E Quorvel" : kAboutTitle,
               [&](HWND dialog) {
    EXPECT_EQ(GetDpiForWindow(dialog), dpi);
    win32_ui::scaffold::Window* window = nullptr;
    for (auto* candidate : AppTestAccess::application(app).windows()) {
      if (candidate->hwnd() == dialog) window = candidate;
    }
    ASSERT_NE(window, nullptr);
    auto& surface = window->host().surface();
    std::vector<win32_ui::modern::Text*> texts;
    collect_texts(surface.root_view(), texts);
    const float scale = static_cast<float>(dpi) / 96.0f * surface.zoom();
    HDC dc = GetDC(dialog);
    for (win32_ui::modern::Text* text : texts) {
      const auto box = text->bounds_in_root();
      const int box_width = static_cast<int>(box.width * scale);
      const int box_height = static_cast<int>(box.height * scale);
      const bool wraps = text->text_style() == 2 && box.height >= 44.0f;
      const std::wstring shown(text->text());
      const HGDIOBJ previous =
          SelectObject(dc, surface.fonts()[static_cast<std::size_t>(text->text_style())]);
      RECT needed{0, 0, wraps ? box_width : 0, 0};
      DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &needed,
                DT_CALCRECT | DT_NOPREFIX | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
      SelectObject(dc, previous);
      const std::string name = quorvel::test::utf8(shown);
      EXPECT_LE(needed.right, box_width) << name;
      EXPECT_LE(needed.bottom, box_height) << name;
      checked.push_back(name);
    }
    ReleaseDC(dialog, dc);
    save_window_png_if_asked(dialog, "about_" + quorvel::test::utf8(language) + "_" +
                                         std::to_string(dpi) + ".png");
    press_key(dialog, VK_ESCAPE);
  });
  app.run_settings_action(ModernSettingsAction::kAbout);
  EXPECT_EQ(watcher.pending_steps(), 0u);
  EXPECT_EQ(checked.size(), 4u);
}

UINT screen_dpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return static_cast<UINT>(dpi);
}

class AppAboutTextFit : public AppTest, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(AppAboutTextFit, EachTextFitsItsBox) {
  if (screen_dpi() != 96) GTEST_SKIP() << "runs at 96 DPI only";
  expect_about_texts_fit(start(), GetParam(), 96);
}

class AppAboutTextFitDpi144 : public AppTest,
                              public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(AppAboutTextFitDpi144, EachTextFitsItsBox) {
  if (screen_dpi() != 144) GTEST_SKIP() << "runs at 144 DPI only";
  expect_about_texts_fit(start(), GetParam(), 144);
}

const auto kLanguageName = [](const auto& info) {
  return std::wstring(info.param) == L"zh-CN" ? std::string("Chinese") : std::string("English");
};
INSTANTIATE_TEST_SUITE_P(Languages, AppAboutTextFit, ::testing::Values(L"en-US", L"zh-CN"),
                         kLanguageName);
INSTANTIATE_TEST_SUITE_P(Languages, AppAboutTextFitDpi144, ::testing::Values(L"en-US", L"zh-CN"),
                         kLanguageName);

TEST_F(AppAboutTest, AboutNeedsTheHostWindow) {
  App app(GetModuleHandleW(nullptr), make_platform());
  DialogWatcher watcher;
  app.show_about_dialog();
  EXPECT_TRUE(watcher.titles().empty());
}

struct AccountCase {
  const char* name;
  std::wstring language;
  int outcome;
  std::string expected_locale;
  halvarin::sdk::ui::Language expected_language;
  int expected_help_menu_closes;
};

class AppAccountTest : public AppTest, public testing::WithParamInterface<AccountCase> {};

TEST_P(AppAccountTest, OperationsReachTheAccountServiceInTheUiLanguage) {
  const AccountCase& c = GetParam();
  key_.set_string(L"Language", c.language);
  App& app = start(SW_SHOWNORMAL);
  halvarin::sdk::AccountIdentity identity;
  identity.email = "ann@example.com";
  account_->identity = identity;
  HWND dialog_owner = nullptr;
  std::optional<halvarin::sdk::AccountIdentity> shown_identity;
  halvarin::sdk::ui::Language shown_language = halvarin::sdk::ui::Language::english;
  account_dialog_ = [&](win32_ui::scaffold::Application&, HWND owner,
                        std::optional<halvarin::sdk::AccountIdentity> current,
                        const halvarin::sdk::AccountOperations& operations,
                        halvarin::sdk::ui::Language language) {
    dialog_owner = owner;
    shown_identity = current;
    shown_language = language;
    std::stop_source stop;
    operations.sign_in(stop.get_token());
    operations.open_account_details();
    operations.disconnect();
    halvarin::sdk::AccountDialogResult result;
    result.action = c.outcome;
    return result;
  };

  app.run_settings_action(ModernSettingsAction::kAccount);

  EXPECT_EQ(dialog_owner, main_log_->window);
  ASSERT_TRUE(shown_identity.has_value());
  EXPECT_EQ(shown_identity->email, "ann@example.com");
  EXPECT_EQ(shown_language, c.expected_language);
  EXPECT_EQ(account_->calls, (std::vector<std::string>{"query", "sign_in " + c.expected_locale,
                                                       "account_page", "disconnect"}));
  EXPECT_EQ(main_log_->help_menu_closes, c.expected_help_menu_closes);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, AppAccountTest,
    testing::Values(
        AccountCase{"ChineseSignedIn", L"zh-CN", 1, "zh-CN", halvarin::sdk::ui::Language::chinese, 1},
        AccountCase{"EnglishDisconnected", L"en-US", 2, "en-US",
                    halvarin::sdk::ui::Language::english, 1},
        AccountCase{"SingaporeDetails", L"zh-SG", 3, "zh-CN",
                    halvarin::sdk::ui::Language::chinese, 0},
        AccountCase{"EnglishNothing", L"en-GB", 0, "en-US", halvarin::sdk::ui::Language::english,
                    0}),
    [](const testing::TestParamInfo<AccountCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvel::windows
