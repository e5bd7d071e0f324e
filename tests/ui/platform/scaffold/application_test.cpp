// The application object on real windows of the test display: built-in
// texts by language, retitling on language changes, theme passes through a
// fake system, the registry under windows that destroy each other, and the
// destruction of every open window with the application.
#include "ui/platform/scaffold/application.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/com_apartment.h"
#include "tests/fakes/ui/platform/fake_theme_system.h"
#include "tests/support/test_support.h"
#include "tests/ui/platform/hosting/hosting_test_support.h"
#include "tests/ui/platform/scaffold/scaffold_test_support.h"
#include "ui/platform/hosting/chrome_caption_button.h"
#include "ui/platform/hosting/window_chrome.h"
#include "ui/platform/scaffold/tray_menu.h"
#include "ui/platform/scaffold/window.h"
#include "ui/views/overlay_panel.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui::scaffold {
namespace {

using modern::LocalizedText;
using quorvel::test::utf8;

class ApplicationTest : public ::testing::Test {
 protected:
  const quorvel::windows::ComApartment apartment_{COINIT_APARTMENTTHREADED};
  quorvel::test::FakeThemeSystem system_;
  Application app_{kThemeModeSystem, kDefaultAccent, system_};

  WindowOptions titled(const wchar_t* key) {
    WindowOptions options;
    options.title = LocalizedText::from_key(key, {});
    return options;
  }
};

TEST(BuiltinText, ChoosesChineseOnlyForTagsBeginningWithLowerOrUpperZh) {
  const quorvel::windows::ComApartment apartment{COINIT_APARTMENTTHREADED};
  quorvel::test::FakeThemeSystem system;
  Application app(kThemeModeSystem, kDefaultAccent, system);
  struct Case {
    const wchar_t* language;
    const wchar_t* expected;
  };
  const Case cases[] = {{L"zh-CN", L"确定"}, {L"zh", L"确定"},   {L"ZH-TW", L"确定"},
                        {L"en-US", L"OK"},   {L"Zh-CN", L"OK"},  {L"z", L"OK"},
                        {L"", L"OK"}};
  for (const Case& c : cases) {
    app.set_language(c.language);
    EXPECT_EQ(app.builtin_text(L"scaffold.dialog.ok"), c.expected) << utf8(c.language);
    EXPECT_EQ(app.builtin_text(L"window.settings"), L"window.settings") << utf8(c.language);
  }
}

TEST(BuiltinText, HoldsTheDialogAndCaptionButtonTextsInBothLanguages) {
  const quorvel::windows::ComApartment apartment{COINIT_APARTMENTTHREADED};
  quorvel::test::FakeThemeSystem system;
  Application app(kThemeModeSystem, kDefaultAccent, system);
  struct Case {
    const wchar_t* key;
    const wchar_t* english;
    const wchar_t* chinese;
  };
  const Case cases[] = {
      {L"scaffold.dialog.ok", L"OK", L"\u786E\u5B9A"},
      {L"scaffold.dialog.cancel", L"Cancel", L"\u53D6\u6D88"},
      {L"scaffold.dialog.yes", L"Yes", L"\u662F"},
      {L"scaffold.dialog.no", L"No", L"\u5426"},
      {L"scaffold.dialog.retry", L"Retry", L"\u91CD\u8BD5"},
      {L"scaffold.dialog.abort", L"Abort", L"\u4E2D\u6B62"},
      {L"scaffold.dialog.ignore", L"Ignore", L"\u5FFD\u7565"},
      {L"scaffold.dialog.try_again", L"Try again", L"\u91CD\u8BD5"},
      {L"scaffold.dialog.continue", L"Continue", L"\u7EE7\u7EED"},
      {L"scaffold.dialog.information", L"Information", L"\u63D0\u793A"},
      {L"scaffold.dialog.warning", L"Warning", L"\u8B66\u544A"},
      {L"scaffold.dialog.error", L"Error", L"\u9519\u8BEF"},
      {L"scaffold.dialog.question", L"Question", L"\u786E\u8BA4"},
      {L"scaffold.chrome.minimize", L"Minimize", L"\u6700\u5C0F\u5316"},
      {L"scaffold.chrome.maximize", L"Maximize or restore", L"\u6700\u5927\u5316\u6216\u8FD8\u539F"},
      {L"scaffold.chrome.close", L"Close", L"\u5173\u95ED"},
  };
  for (const Case& c : cases) {
    app.set_language(L"en-US");
    EXPECT_EQ(app.builtin_text(c.key), c.english) << utf8(c.key);
    app.set_language(L"zh-CN");
    EXPECT_EQ(app.builtin_text(c.key), c.chinese) << utf8(c.key);
  }
  // Keys are compared whole.
  EXPECT_EQ(app.builtin_text(L"scaffold.dialog.o"), L"scaffold.dialog.o");
  EXPECT_EQ(app.builtin_text(L"scaffold.dialog.okay"), L"scaffold.dialog.okay");
}

TEST(DetectUiLanguage, TakesTheLocaleNameOrFallsBackToSimplifiedChinese) {
  EXPECT_EQ(detect_ui_language([](wchar_t* buffer, int capacity) {
              EXPECT_EQ(capacity, LOCALE_NAME_MAX_LENGTH);
              wcscpy(buffer, L"fr-FR");
              return 6;
            }),
            L"fr-FR");
  EXPECT_EQ(detect_ui_language([](wchar_t*, int) { return 0; }), L"zh-CN");
  // The wrapper pins the user locale of the test process.
  EXPECT_EQ(detect_ui_language(), L"en-US");
}

TEST_F(ApplicationTest, TitlesAWindowWithTheBuiltInTextWhenThereIsNoBundle) {
  app_.set_language(L"en-US");
  Window window(app_);
  ASSERT_TRUE(window.create(titled(L"scaffold.dialog.error")));
  EXPECT_EQ(testing::window_text(window.hwnd()), L"Error");

  app_.set_language(L"zh-CN");
  EXPECT_EQ(testing::window_text(window.hwnd()), L"\u9519\u8BEF");

  Window other(app_);
  ASSERT_TRUE(other.create(titled(L"window.settings")));
  EXPECT_EQ(testing::window_text(other.hwnd()), L"window.settings");
}

TEST_F(ApplicationTest, CaptionButtonsOfTheCustomFrameTakeTheBuiltInTexts) {
  app_.set_language(L"en-US");
  Window window(app_);
  WindowOptions options;
  options.chrome_mode = 1;
  ASSERT_TRUE(window.create(options));
  window.set_content(std::make_unique<modern::OverlayPanel>());
  window.show(SW_SHOWNOACTIVATE);
  const modern::WindowChrome* chrome = window.host().chrome();
  ASSERT_NE(chrome, nullptr);
  ASSERT_NE(chrome->maximize_button(), nullptr);
  EXPECT_EQ(chrome->maximize_button()->text(), L"Maximize or restore");

  app_.set_language(L"zh-CN");
  window.host().surface().refresh();
  EXPECT_EQ(chrome->maximize_button()->text(), L"\u6700\u5927\u5316\u6216\u8FD8\u539F");
}

TEST_F(ApplicationTest, SettingTheSameLanguageAgainRetitlesNothing) {
  app_.set_language(L"en-US");
  Window window(app_);
  ASSERT_TRUE(window.create(titled(L"scaffold.dialog.error")));
  modern::testing::MessageSpy spy;
  spy.watch(window.hwnd());

  app_.set_language(L"zh-CN");
  EXPECT_EQ(spy.count(WM_SETTEXT), 1);
  app_.set_language(L"zh-CN");
  EXPECT_EQ(spy.count(WM_SETTEXT), 1);
}

TEST_F(ApplicationTest, ANewLanguageRetitlesLocalizedTitlesAndKeepsPlainText) {
  app_.set_language(L"en-US");
  Window localized(app_);
  ASSERT_TRUE(localized.create(titled(L"scaffold.dialog.warning")));
  Window plain(app_);
  WindowOptions plain_options;
  plain_options.text = L"Plain caption";
  ASSERT_TRUE(plain.create(plain_options));

  app_.set_language(L"zh-CN");

  EXPECT_EQ(testing::window_text(localized.hwnd()), L"\u8B66\u544A");
  EXPECT_EQ(testing::window_text(plain.hwnd()), L"Plain caption");
  EXPECT_EQ(localized.host().surface().localization().locale(), L"zh-CN");
  EXPECT_EQ(plain.host().surface().localization().locale(), L"zh-CN");
}

TEST_F(ApplicationTest, ANewBundleReachesEverySurfaceAndRetitles) {
  app_.set_language(L"en-US");
  Window window(app_);
  ASSERT_TRUE(window.create(titled(L"window.settings")));
  auto bundle = std::make_shared<const modern::ResourceBundle>(
      std::vector<modern::ResourceEntry>{{L"en-US", L"window.settings", L"Preferences"}},
      L"en-US", nullptr);

  app_.set_resource_bundle(bundle);

  EXPECT_EQ(testing::window_text(window.hwnd()), L"Preferences");
  EXPECT_EQ(window.host().surface().localization().bundle(), bundle);
  EXPECT_EQ(app_.localize(LocalizedText::from_key(L"window.settings", {})), L"Preferences");
}

TEST_F(ApplicationTest, RunsTheThemeCallbackOnlyAfterASystemChange) {
  system_.set_apps_use_light_theme_dword(1);
  Application app(kThemeModeSystem, kDefaultAccent, system_);
  Window window(app);
  ASSERT_TRUE(window.create({}));
  std::vector<Theme> seen;
  app.on_theme_changed([&](const Theme& theme) { seen.push_back(theme); });

  app.set_theme_mode(kThemeModeDark);
  app.set_accent_color(0x00336699);
  app.set_theme_mode(kThemeModeSystem);
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(window.host().surface().theme(), app.theme());

  app.refresh_system_theme();
  EXPECT_TRUE(seen.empty()) << "nothing changed";

  system_.set_apps_use_light_theme_dword(0);
  app.refresh_system_theme();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(seen[0].is_dark);
  EXPECT_EQ(seen[0], app.theme());
  EXPECT_EQ(window.host().surface().theme(), app.theme());
}

TEST_F(ApplicationTest, SetThemeModeReachesEveryWindow) {
  Window first(app_);
  Window second(app_);
  ASSERT_TRUE(first.create({}));
  ASSERT_TRUE(second.create({}));

  app_.set_theme_mode(kThemeModeDark);

  for (Window* window : {&first, &second}) {
    EXPECT_TRUE(window->host().surface().theme().is_dark);
    EXPECT_EQ(window->host().tracked_mode(), kThemeModeDark);
  }
}

// Destroys the window in `reference` when the window it watches is retitled.
LRESULT CALLBACK destroy_other_on_settext(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                          UINT_PTR, DWORD_PTR reference) {
  if (message == WM_SETTEXT) reinterpret_cast<Window*>(reference)->destroy();
  return win32_ui::default_subclass_proc(window, message, wparam, lparam);
}

TEST_F(ApplicationTest, APassSkipsAWindowDestroyedByAnEarlierOne) {
  app_.set_language(L"en-US");
  Window first(app_);
  Window second(app_);
  ASSERT_TRUE(first.create(titled(L"scaffold.dialog.error")));
  ASSERT_TRUE(second.create(titled(L"scaffold.dialog.error")));
  ASSERT_TRUE(win32_ui::install_window_subclass(first.hwnd(), &destroy_other_on_settext, 0x5343,
                                              reinterpret_cast<DWORD_PTR>(&second)));

  app_.set_language(L"zh-CN");

  EXPECT_FALSE(second.is_open());
  // The pass never reached the destroyed window's surface.
  EXPECT_EQ(second.host().surface().localization().locale(), L"en-US");
  EXPECT_EQ(first.host().surface().localization().locale(), L"zh-CN");
  ASSERT_EQ(app_.windows().size(), 1u);
  EXPECT_EQ(app_.windows()[0], &first);
  win32_ui::remove_window_subclass(first.hwnd(), &destroy_other_on_settext, 0x5343);
}

TEST_F(ApplicationTest, DestructionDestroysEveryOpenWindowLastFirst) {
  auto app = std::make_unique<Application>(kThemeModeSystem, kDefaultAccent, system_);
  Window first(*app);
  Window second(*app);
  ASSERT_TRUE(first.create({}));
  ASSERT_TRUE(second.create({}));
  std::vector<std::wstring> order;
  std::size_t registered_at_first = 99;
  // reset() clears the pointer before deleting, so the callback holds the
  // object itself.
  const Application* const application = app.get();
  second.on_destroyed([&] { order.push_back(L"second"); });
  first.on_destroyed([&] {
    order.push_back(L"first");
    registered_at_first = application->windows().size();
  });
  const HWND first_hwnd = first.hwnd();
  const HWND second_hwnd = second.hwnd();

  app.reset();

  EXPECT_EQ(order, (std::vector<std::wstring>{L"second", L"first"}));
  EXPECT_EQ(registered_at_first, 1u) << "the second window had left the list";
  EXPECT_FALSE(IsWindow(first_hwnd));
  EXPECT_FALSE(IsWindow(second_hwnd));
  EXPECT_EQ(first.hwnd(), nullptr);
  EXPECT_EQ(second.hwnd(), nullptr);
}

TEST_F(ApplicationTest, RegistersEachWindowOnceAndIgnoresUnknownOnes) {
  Window window(app_);
  app_.register_window(&window);
  app_.register_window(&window);
  EXPECT_EQ(app_.windows().size(), 1u);
  app_.unregister_window(nullptr);
  EXPECT_EQ(app_.windows().size(), 1u);
  app_.unregister_window(&window);
  EXPECT_TRUE(app_.windows().empty());
}

TEST_F(ApplicationTest, KeepsEveryLiveTrayMenuOnceInOrder) {
  auto first = std::make_unique<TrayMenu>(app_);
  auto second = std::make_unique<TrayMenu>(app_);
  auto third = std::make_unique<TrayMenu>(app_);
  EXPECT_EQ(app_.tray_menus(), (std::vector<TrayMenu*>{first.get(), second.get(), third.get()}));

  app_.register_tray_menu(first.get());
  app_.unregister_tray_menu(nullptr);
  EXPECT_EQ(app_.tray_menus().size(), 3u);

  second.reset();
  EXPECT_EQ(app_.tray_menus(), (std::vector<TrayMenu*>{first.get(), third.get()}));
  // Passes over the list reach only the live menus.
  app_.set_theme_mode(kThemeModeDark);
  app_.set_language(L"fr-FR");
  first.reset();
  third.reset();
  EXPECT_TRUE(app_.tray_menus().empty());
}

}  // namespace
}  // namespace win32_ui::scaffold
