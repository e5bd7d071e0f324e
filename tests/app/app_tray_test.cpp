#include <windows.h>

#include <gtest/gtest.h>

#include "app/app.h"
#include "app/app_messages.h"
#include "app/common/hotkey_text.h"
#include "tests/app/app_test_fixture.h"

namespace quorvel::windows {
namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The test prefix's real Run value is put back afterwards.
class AppTrayTest : public AppTest {
 protected:
  AppTrayTest() : saved_(quorvel::test::read_raw_user_value(kRunKey, L"Quorvel")) {
    quorvel::test::write_raw_user_value(kRunKey, L"Quorvel", std::nullopt);
  }
  ~AppTrayTest() override { quorvel::test::write_raw_user_value(kRunKey, L"Quorvel", saved_); }

  static std::optional<quorvel::test::RawRegistryValue> run_value() {
    return quorvel::test::read_raw_user_value(kRunKey, L"Quorvel");
  }

  std::optional<quorvel::test::RawRegistryValue> saved_;
};

TEST_F(AppTrayTest, MenuHoldsTheFourCommandsInOrder) {
  App& app = start();
  const auto entries = app.tray_menu_entries();

  ASSERT_EQ(entries.size(), 5u);
  const struct {
    int id;
    const wchar_t* text;
    bool separator;
  } expected[] = {{600, L"Show Quorvel", false},
                  {601, L"Screenshot", false},
                  {602, L"Start with Windows", false},
                  {0, L"", true},
                  {603, L"Exit", false}};
  for (std::size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(entries[i].command_id, expected[i].id);
    EXPECT_EQ(entries[i].text, expected[i].text);
    EXPECT_EQ(entries[i].separator, expected[i].separator);
    EXPECT_TRUE(entries[i].enabled);
  }
  EXPECT_EQ(entries[1].shortcut, hotkey_text(MOD_CONTROL | MOD_SHIFT, 'A'));
  EXPECT_EQ(entries[2].mark, win32_ui::modern::MenuEntry::kMarkCheck);
  EXPECT_FALSE(entries[2].checked);
  for (std::size_t i : {0u, 2u, 3u, 4u}) EXPECT_TRUE(entries[i].shortcut.empty());
}

TEST_F(AppTrayTest, EntriesAreBuiltAnewAtEveryOpening) {
  App& app = start();

  app.toggle_start_with_windows();
  EXPECT_TRUE(app.tray_menu_entries()[2].checked);
  // Another program removes the value: the next opening shows it.
  quorvel::test::write_raw_user_value(kRunKey, L"Quorvel", std::nullopt);
  EXPECT_FALSE(app.tray_menu_entries()[2].checked);

  AppTestAccess::application(app).set_language(L"zh-CN");
  const auto entries = app.tray_menu_entries();
  EXPECT_EQ(entries[0].text, L"显示 Quorvel");
  EXPECT_EQ(entries[4].text, L"退出");
}

TEST_F(AppTrayTest, StartupCommandTogglesTheRunValue) {
  App& app = start();

  send_to_host(WM_COMMAND, kTrayCommandStartup);
  const auto value = run_value();
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));

  send_to_host(WM_COMMAND, kTrayCommandStartup);
  EXPECT_FALSE(run_value().has_value());
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(IsWindow(AppTestAccess::host_window(app)));
}

TEST_F(AppTrayTest, ShowCommandShowsTheMainWindow) {
  App& app = start();
  PostMessageW(AppTestAccess::host_window(app), WM_COMMAND, kTrayCommandShow, 0);
  EXPECT_EQ(pump(), std::nullopt);
  EXPECT_EQ(main_log_->shows, 1);
}

}  // namespace
}  // namespace quorvel::windows
