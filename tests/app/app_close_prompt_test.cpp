// What closing the main window does for each stored behaviour, and the real
// close prompt driven by keys from inside its own loop.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/app.h"
#include "tests/account/ui/dialog_watcher.h"
#include "tests/app/app_test_fixture.h"

namespace quorvel::windows {
namespace {

using halvarin::sdk::ui::test::DialogWatcher;
using halvarin::sdk::ui::test::press_key;
using quorvel::test::dword_bytes;
using quorvel::test::RawRegistryValue;

constexpr wchar_t kTitle[] = L"Close Quorvel";

class AppClosePromptTest : public AppTest {
 protected:
  std::optional<uint32_t> stored_behavior() {
    const auto value = key_.get(L"MainWindowCloseBehavior");
    if (!value) return std::nullopt;
    uint32_t behavior = 0;
    std::memcpy(&behavior, value->bytes.data(), sizeof(behavior));
    return behavior;
  }
};

// The keys that tick the check box: from the default button round to it.
void tick_dont_ask_again(HWND dialog) {
  for (int i = 0; i < 3; ++i) press_key(dialog, VK_TAB);
  press_key(dialog, VK_SPACE);
}

TEST_F(AppClosePromptTest, StoredBehaviourDecidesWithoutAsking) {
  {
    key_.set_dword(L"MainWindowCloseBehavior", 1);
    App& app = start(SW_SHOWNORMAL);
    EXPECT_TRUE(app.handle_main_window_close());
    EXPECT_FALSE(AppTestAccess::exiting(app));
    app_.reset();
  }
  key_.set_dword(L"MainWindowCloseBehavior", 2);
  App& app = start(SW_SHOWNORMAL);
  EXPECT_FALSE(app.handle_main_window_close());
  EXPECT_TRUE(AppTestAccess::exiting(app));
  EXPECT_EQ(pump(), 0);
}

struct PromptCase {
  const char* name;
  bool tick;
  UINT answer_key;
  bool expected_close;
  bool expected_exit;
  std::optional<uint32_t> expected_stored;
};

class AppClosePromptAnswerTest : public AppClosePromptTest,
                                 public testing::WithParamInterface<PromptCase> {};

TEST_P(AppClosePromptAnswerTest, AnswerDecidesAndTheTickRemembersIt) {
  const PromptCase& c = GetParam();
  App& app = start(SW_SHOWNORMAL);
  HWND prompt_owner = nullptr;
  DialogWatcher watcher;
  watcher.then(kTitle, [&](HWND dialog) {
    prompt_owner = GetWindow(dialog, GW_OWNER);
    if (c.tick) tick_dont_ask_again(dialog);
    press_key(dialog, c.answer_key);
  });

  const bool closes = app.handle_main_window_close();

  EXPECT_EQ(watcher.pending_steps(), 0u);
  EXPECT_EQ(watcher.titles(), std::vector<std::wstring>{kTitle});
  EXPECT_EQ(prompt_owner, main_log_->window);
  EXPECT_EQ(closes, c.expected_close);
  EXPECT_EQ(AppTestAccess::exiting(app), c.expected_exit);
  EXPECT_EQ(stored_behavior(), c.expected_stored);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, AppClosePromptAnswerTest,
    testing::Values(PromptCase{"YesTicked", true, VK_RETURN, true, false, 1u},
                    PromptCase{"Yes", false, VK_RETURN, true, false, std::nullopt},
                    PromptCase{"EscapeTicked", true, VK_ESCAPE, false, false, std::nullopt},
                    PromptCase{"Escape", false, VK_ESCAPE, false, false, std::nullopt}),
    [](const testing::TestParamInfo<PromptCase>& info) { return std::string(info.param.name); });

TEST_F(AppClosePromptTest, NoWithTheTickExitsNowAndAtTheNextCloseWithoutAsking) {
  App& app = start(SW_SHOWNORMAL);
  DialogWatcher watcher;
  watcher.then(kTitle, [](HWND dialog) {
    tick_dont_ask_again(dialog);
    // From the check box the next Tab reaches Yes, the one after it No.
    press_key(dialog, VK_TAB);
    press_key(dialog, VK_TAB);
    press_key(dialog, VK_SPACE);
  });

  EXPECT_FALSE(app.handle_main_window_close());
  EXPECT_TRUE(AppTestAccess::exiting(app));
  EXPECT_EQ(stored_behavior(), std::optional<uint32_t>(2u));
  EXPECT_EQ(pump(), 0);
  app_.reset();

  App& next = start(SW_SHOWNORMAL);
  DialogWatcher next_watcher;
  EXPECT_FALSE(next.handle_main_window_close());
  EXPECT_TRUE(AppTestAccess::exiting(next));
  EXPECT_TRUE(next_watcher.titles().empty());
}

}  // namespace
}  // namespace quorvel::windows
