// The App's global hotkeys on the test display with the real RegisterHotKey:
// what start-up holds, the three conflict dialogs and their once-per-run
// rule, edits from the preferences and the dispatch of pressed hotkeys.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "app/app_messages.h"
#include "app/common/hotkey_text.h"
#include "app/common/translate.h"
#include "tests/app/app_test_fixture.h"
#include "tests/app/held_hotkey.h"

namespace quorvel::windows {
namespace {

using quorvel::test::HeldHotkey;
using quorvel::test::hotkey_is_free;

constexpr uint32_t kCtrl = MOD_CONTROL;
constexpr uint32_t kCtrlShift = MOD_CONTROL | MOD_SHIFT;
constexpr uint32_t kCtrlAlt = MOD_CONTROL | MOD_ALT;

class AppHotkeysTest : public AppTest {
 protected:
  std::wstring text(std::wstring_view key, std::vector<std::wstring> arguments = {}) {
    return translate_for_locale(L"en-US", key, std::move(arguments));
  }
  std::wstring line(const wchar_t* name, uint32_t modifiers, uint32_t key) {
    return text(L"message.hotkey_conflict_line", {text(name), hotkey_text(modifiers, key)});
  }
  // The start-up check, as the loop's first turn runs it.
  void run_startup_check() { pump(); }
  std::wstring screenshot_key_text() { return app_->settings_state().hotkey_rows[9].key_text; }
};

TEST_F(AppHotkeysTest, StartUpHoldsScreenshotAndQuickRecordOnly) {
  start();
  run_startup_check();

  EXPECT_FALSE(hotkey_is_free(kCtrlShift, 'A'));
  EXPECT_FALSE(hotkey_is_free(kCtrlShift, 'C'));
  EXPECT_TRUE(hotkey_is_free(kCtrl, VK_F1));
  EXPECT_TRUE(hotkey_is_free(kCtrl, VK_F12));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(AppHotkeysTest, HeldScreenshotKeyAtStartUpIsReportedOnceAndNotRetried) {
  for (const int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer);
    HeldHotkey other(kCtrlShift, 'A');
    ASSERT_TRUE(other.held());
    messages_.clear();
    *main_log_ = {};
    answers_ = {answer};
    App& app = start();
    run_startup_check();

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].caption, L"Quorvel — Hotkey conflict");
    EXPECT_EQ(messages_[0].text, text(L"message.hotkey_conflict_intro") +
                                     L"• Screenshot: Ctrl+Shift+A\n" +
                                     text(L"message.hotkey_conflict_startup"));
    EXPECT_EQ(messages_[0].flags, 0x34u);
    EXPECT_EQ(messages_[0].owner, AppTestAccess::host_window(app));
    EXPECT_EQ(main_log_->preferences_opened, answer == IDYES ? 1 : 0);
    EXPECT_EQ(main_log_->shows, answer == IDYES ? 1 : 0);

    other.release();
    pump();
    EXPECT_TRUE(hotkey_is_free(kCtrlShift, 'A'));
    EXPECT_FALSE(hotkey_is_free(kCtrlShift, 'C'));
    app_.reset();
  }
}

TEST_F(AppHotkeysTest, OneConflictDialogPerRunWhicheverCheckComesFirst) {
  {
    HeldHotkey screenshot(kCtrlShift, 'A');
    HeldHotkey stop(kCtrl, VK_F12);
    answers_ = {IDNO};
    App& app = start();
    run_startup_check();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(app.check_recording_hotkeys(nullptr));
    EXPECT_EQ(messages_.size(), 1u);
    app_.reset();
  }
  messages_.clear();
  {
    App& app = start();
    run_startup_check();
    ASSERT_TRUE(messages_.empty());
    HeldHotkey stop(kCtrl, VK_F12);
    answers_ = {IDNO};
    EXPECT_TRUE(app.check_recording_hotkeys(nullptr));
    ASSERT_EQ(messages_.size(), 1u);
    app.unregister_recording_hotkeys();
    app.unregister_idle_hotkeys();
    HeldHotkey screenshot(kCtrlShift, 'A');
    app.register_idle_hotkeys();
    send_to_host(kStartupCheckMessage);
    EXPECT_EQ(messages_.size(), 1u);
  }
}

TEST_F(AppHotkeysTest, HeldStopKeyAtRecordingStartAsksWhetherToGoOn) {
  for (const int answer : {IDYES, IDNO}) {
    SCOPED_TRACE(answer);
    messages_.clear();
    *main_log_ = {};
    App& app = start(SW_SHOWNORMAL);
    run_startup_check();
    // Taken after start-up, whose own check would have reported it.
    HeldHotkey other(kCtrl, VK_F12);
    answers_ = {answer};

    const bool goes_on = app.check_recording_hotkeys(nullptr);

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].caption, L"Quorvel — Hotkey conflict");
    EXPECT_EQ(messages_[0].text, text(L"message.hotkey_conflict_intro") +
                                     L"• Stop recording: Ctrl+F12\n" +
                                     text(L"message.hotkey_conflict_record"));
    EXPECT_EQ(messages_[0].flags, 0x134u);
    EXPECT_EQ(messages_[0].owner, AppTestAccess::host_window(app));
    EXPECT_EQ(goes_on, answer == IDNO);
    EXPECT_EQ(main_log_->preferences_opened, answer == IDYES ? 1 : 0);
    EXPECT_EQ(hotkey_is_free(kCtrl, VK_F1), answer == IDYES);
    EXPECT_EQ(hotkey_is_free(kCtrlShift, 'S'), answer == IDYES);
    app.unregister_recording_hotkeys();
    EXPECT_TRUE(hotkey_is_free(kCtrl, VK_F1));
    app_.reset();
  }
}

TEST_F(AppHotkeysTest, DuplicateEditIsRefusedAndChangesNothing) {
  App& app = start();
  run_startup_check();

  app.edit_hotkey(7, 'Z', kCtrlShift);

  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].key, L"message.hotkey_duplicate");
  EXPECT_EQ(messages_[0].arguments, (std::vector<std::wstring>{L"Zoom in", L"Pause/resume recording"}));
  EXPECT_EQ(text(messages_[0].key, messages_[0].arguments),
            L"“Zoom in” and “Pause/resume recording” use the same shortcut.");
  EXPECT_EQ(messages_[0].flags, 0x30u);
  EXPECT_EQ(app.settings_state().hotkey_rows[7].key_text, hotkey_text(kCtrlShift, 'S'));
  EXPECT_FALSE(key_.get(L"HotkeyVersion").has_value());
}

TEST_F(AppHotkeysTest, SameKeyWithOtherModifiersIsNoDuplicate) {
  App& app = start();
  run_startup_check();

  app.edit_hotkey(7, 'Z', MOD_ALT | MOD_SHIFT);

  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(app.settings_state().hotkey_rows[7].key_text, hotkey_text(MOD_ALT | MOD_SHIFT, 'Z'));
  EXPECT_EQ(key_.get(L"Hotkey7"), (quorvel::test::RawRegistryValue{
                                      REG_DWORD, quorvel::test::dword_bytes(0x0005005A)}));
}

TEST_F(AppHotkeysTest, EditToAHeldCombinationAsksBeforeSaving) {
  HeldHotkey other(kCtrlAlt, 'Q');
  for (const int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer);
    messages_.clear();
    App& app = start();
    run_startup_check();
    answers_ = {answer};

    app.edit_hotkey(9, 'Q', kCtrlAlt);

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].caption, L"Quorvel — Hotkey conflict");
    EXPECT_EQ(messages_[0].text, text(L"message.hotkey_conflict_intro_short") +
                                     L"• Screenshot: Ctrl+Alt+Q\n" +
                                     text(L"message.hotkey_conflict_save"));
    EXPECT_EQ(messages_[0].flags, 0x134u);
    if (answer == IDYES) {
      EXPECT_EQ(screenshot_key_text(), L"Ctrl+Alt+Q");
      EXPECT_EQ(key_.get(L"HotkeyVersion"),
                (quorvel::test::RawRegistryValue{REG_DWORD, quorvel::test::dword_bytes(6)}));
      EXPECT_EQ(key_.get(L"Hotkey9"), (quorvel::test::RawRegistryValue{
                                          REG_DWORD, quorvel::test::dword_bytes(0x00030051)}));
      EXPECT_EQ(key_.value_names().size(), 12u);
      EXPECT_TRUE(hotkey_is_free(kCtrlShift, 'A'));
    } else {
      EXPECT_EQ(screenshot_key_text(), L"Ctrl+Shift+A");
      EXPECT_FALSE(key_.get(L"HotkeyVersion").has_value());
      EXPECT_FALSE(hotkey_is_free(kCtrlShift, 'A'));
    }
    app_.reset();
  }
}

TEST_F(AppHotkeysTest, NewScreenshotKeyIsHeldShownAndOldOneFreed) {
  App& app = start();
  run_startup_check();

  app.edit_hotkey(9, 'Q', kCtrlAlt);

  EXPECT_TRUE(messages_.empty());
  EXPECT_FALSE(hotkey_is_free(kCtrlAlt, 'Q'));
  EXPECT_TRUE(hotkey_is_free(kCtrlShift, 'A'));
  EXPECT_FALSE(hotkey_is_free(kCtrlShift, 'C'));
  EXPECT_EQ(app.tray_menu_entries()[1].shortcut, L"Ctrl+Alt+Q");
  EXPECT_EQ(screenshot_key_text(), L"Ctrl+Alt+Q");
  app.show_help_dialog(nullptr);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].text.find(L"Screenshot: press Ctrl+Alt+Q or"), std::wstring::npos);
}

TEST_F(AppHotkeysTest, EditsThatWouldStealPlainKeysOrNameNoRowAreIgnored) {
  struct Case {
    std::size_t row;
    uint32_t key;
    uint32_t modifiers;
  };
  const Case cases[] = {
      {9, 'A', MOD_SHIFT},
      {9, 'A', 0},
      {9, VK_RETURN, 0},
      {9, 'A', MOD_NOREPEAT | MOD_SHIFT},
      {11, 'Q', kCtrlAlt},
      {99, 'Q', kCtrlAlt},
  };
  App& app = start();
  run_startup_check();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row * 1000 + c.key);
    app.edit_hotkey(c.row, c.key, c.modifiers);

    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(screenshot_key_text(), L"Ctrl+Shift+A");
    EXPECT_FALSE(key_.get(L"HotkeyVersion").has_value());
    EXPECT_FALSE(hotkey_is_free(kCtrlShift, 'A'));
  }
}

TEST_F(AppHotkeysTest, StrayModifierBitsNeverReachTheSystem) {
  App& app = start();
  run_startup_check();

  app.edit_hotkey(9, 'Q', kCtrlAlt | 0x00F0);

  EXPECT_EQ(screenshot_key_text(), L"Ctrl+Alt+Q");
  EXPECT_FALSE(hotkey_is_free(kCtrlAlt, 'Q'));
}

TEST_F(AppHotkeysTest, CapturingAKeyReleasesTheIdleHotkeysUntilItEnds) {
  App& app = start();
  run_startup_check();

  app.set_hotkey_capturing(true);
  EXPECT_TRUE(hotkey_is_free(kCtrlShift, 'A'));
  EXPECT_TRUE(hotkey_is_free(kCtrlShift, 'C'));

  app.set_hotkey_capturing(false);
  EXPECT_FALSE(hotkey_is_free(kCtrlShift, 'A'));
  EXPECT_FALSE(hotkey_is_free(kCtrlShift, 'C'));
}

TEST_F(AppHotkeysTest, ProbeCountsOnlyCombinationsHeldElsewhere) {
  App& app = start();
  run_startup_check();
  HeldHotkey other(kCtrl, VK_F3);

  EXPECT_EQ(app.probe_hotkeys(kDefaultHotkeyTable), (std::vector<std::size_t>{2}));
  EXPECT_FALSE(hotkey_is_free(kCtrlShift, 'A'));
  EXPECT_FALSE(hotkey_is_free(kCtrlShift, 'C'));
}

class AppHotkeysStoreFailureTest : public AppHotkeysTest {
 protected:
  // No sub-key may have a path component this long: every write fails.
  AppPlatform make_platform_on_unwritable_key() {
    AppPlatform platform = make_platform();
    platform.settings_key = key_.path() + L"\\" + std::wstring(300, L'k');
    return platform;
  }
};

TEST_F(AppHotkeysStoreFailureTest, UnstorableEditStillTakesEffect) {
  app_ = std::make_unique<App>(GetModuleHandleW(nullptr), make_platform_on_unwritable_key());
  app_->start_up(0);
  run_startup_check();

  app_->edit_hotkey(9, 'Q', kCtrlAlt);

  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(screenshot_key_text(), L"Ctrl+Alt+Q");
  EXPECT_FALSE(hotkey_is_free(kCtrlAlt, 'Q'));
  EXPECT_TRUE(hotkey_is_free(kCtrlShift, 'A'));
}

TEST_F(AppHotkeysTest, RecordingHotkeysActOnlyWhileRecordingAndNotWhileStopping) {
  App& app = start();
  run_startup_check();
  HWND& control = AppTestAccess::control_window(app);
  control = CreateWindowExW(0, L"STATIC", L"control", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  ShowWindow(control, SW_SHOWNOACTIVATE);
  AppTestAccess::follow_mouse(app) = true;
  AppTestAccess::zoom_factor(app) = 2.0;

  for (std::size_t row = 0; row < 9; ++row) app.run_hotkey_action(row);
  EXPECT_TRUE(IsWindowVisible(control));
  EXPECT_EQ(AppTestAccess::zoom_factor(app), 2.0);

  AppTestAccess::recording(app) = true;
  AppTestAccess::stopping(app) = true;
  app.run_hotkey_action(6);
  app.run_hotkey_action(4);
  EXPECT_TRUE(IsWindowVisible(control));
  EXPECT_EQ(AppTestAccess::zoom_factor(app), 2.0);

  AppTestAccess::stopping(app) = false;
  app.run_hotkey_action(6);
  EXPECT_FALSE(IsWindowVisible(control));
  EXPECT_TRUE(AppTestAccess::control_hidden(app));
  app.run_hotkey_action(6);
  EXPECT_TRUE(IsWindowVisible(control));
  EXPECT_FALSE(AppTestAccess::control_hidden(app));
  EXPECT_EQ(GetWindowLongPtrW(control, GWL_EXSTYLE) & WS_EX_TOPMOST, WS_EX_TOPMOST);
  DestroyWindow(control);
  control = nullptr;
}

TEST_F(AppHotkeysTest, ZoomHotkeysStepWithinTheirBoundsWhenFollowingTheMouse) {
  App& app = start();
  AppTestAccess::recording(app) = true;
  double& zoom = AppTestAccess::zoom_factor(app);

  zoom = 2.0;
  app.run_hotkey_action(4);
  EXPECT_DOUBLE_EQ(zoom, 2.0);

  AppTestAccess::follow_mouse(app) = true;
  app.run_hotkey_action(4);
  EXPECT_DOUBLE_EQ(zoom, 2.7);
  for (int i = 0; i < 10; ++i) app.run_hotkey_action(4);
  EXPECT_DOUBLE_EQ(zoom, 6.0);
  app.run_hotkey_action(5);
  EXPECT_DOUBLE_EQ(zoom, 6.0 / 1.35);
  for (int i = 0; i < 10; ++i) app.run_hotkey_action(5);
  EXPECT_DOUBLE_EQ(zoom, 1.0);
  app.run_hotkey_action(11);
  EXPECT_DOUBLE_EQ(zoom, 1.0);
}

// A key chord as the keyboard delivers it, down then up in reverse.
void send_chord(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  for (const WORD key : keys) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    inputs.push_back(input);
  }
  for (auto it = keys.end(); it != keys.begin();) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = *--it;
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

TEST_F(AppHotkeysTest, PressedChordReachesItsActionThroughTheHostWindow) {
  App& app = start();
  run_startup_check();
  AppTestAccess::recording(app) = true;
  ASSERT_TRUE(app.check_recording_hotkeys(nullptr));
  HWND& control = AppTestAccess::control_window(app);
  control = CreateWindowExW(0, L"STATIC", L"control", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  ShowWindow(control, SW_SHOWNOACTIVATE);

  send_chord({VK_CONTROL, VK_SHIFT, 'X'});
  // The hotkey message is posted while the input is processed; wait for
  // it rather than for a time.
  for (int turn = 0; turn < 50 && IsWindowVisible(control); ++turn) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    pump();
  }

  EXPECT_FALSE(IsWindowVisible(control));
  app.unregister_recording_hotkeys();
  DestroyWindow(control);
  control = nullptr;
}

}  // namespace
}  // namespace quorvel::windows
