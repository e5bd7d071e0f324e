#include "ui/views/commands/shortcut_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "ui/views/key_codes.h"

namespace win32_ui::modern {
namespace {

constexpr int kKeyR = 19 + ('R' - 'A');
constexpr int kCtrl = KeyEvent::kCtrl;
constexpr int kShift = KeyEvent::kShift;

KeyEvent key_down(int key, int modifiers, bool repeat = false) {
  KeyEvent event;
  event.kind = KeyEvent::kDown;
  event.key = key;
  event.modifiers = modifiers;
  event.repeat = repeat;
  return event;
}

// Records the commands it is asked to run and answers `answer`.
struct Runner {
  bool answer = true;
  std::vector<unsigned> ran;
  ShortcutTable::Runner function() {
    return [this](unsigned id) {
      ran.push_back(id);
      return answer;
    };
  }
};

TEST(ShortcutTableTest, AddRefusesKeyZeroCommandZeroAndATakenKeyAndModifiers) {
  ShortcutTable table;
  EXPECT_FALSE(table.add({0, kCtrl, 26, false}));
  EXPECT_FALSE(table.add({kKeyR, kCtrl, 0, false}));
  EXPECT_TRUE(table.add({kKeyR, kCtrl, 26, false}));
  EXPECT_FALSE(table.add({kKeyR, kCtrl, 27, true}));
  EXPECT_TRUE(table.add({kKeyR, kCtrl | kShift, 27, false})) << "other modifiers, other key";
  ASSERT_EQ(table.shortcuts().size(), 2u);
  EXPECT_EQ(table.shortcuts()[0].command_id, 26);
  EXPECT_EQ(table.shortcuts()[1].command_id, 27);
  table.clear();
  EXPECT_TRUE(table.shortcuts().empty());
}

TEST(ShortcutTableTest, ModifiersCompareExactly) {
  ShortcutTable table;
  table.add({kKeyR, kCtrl, 26, false});
  Runner runner;
  const struct {
    int modifiers;
    bool matches;
  } cases[] = {{kCtrl, true}, {kCtrl | kShift, false}, {0, false}, {kShift, false},
               {kCtrl | KeyEvent::kAlt, false}};
  for (const auto& c : cases) {
    KeyEvent event = key_down(kKeyR, c.modifiers);
    EXPECT_EQ(table.dispatch(event, runner.function()), c.matches) << c.modifiers;
    EXPECT_EQ(event.handled, c.matches) << c.modifiers;
    EXPECT_EQ(event.default_prevented, c.matches) << c.modifiers;
  }
  EXPECT_EQ(runner.ran, (std::vector<unsigned>{26}));
}

TEST(ShortcutTableTest, ARepeatRunsOnlyAShortcutThatAllowsIt) {
  ShortcutTable table;
  table.add({kKeyR, kCtrl, 26, false});
  table.add({kKeyDown, 0, 30, true});
  Runner runner;
  KeyEvent repeated = key_down(kKeyR, kCtrl, true);
  EXPECT_FALSE(table.dispatch(repeated, runner.function()));
  EXPECT_FALSE(repeated.handled) << "not consumed either";
  KeyEvent repeated_down = key_down(kKeyDown, 0, true);
  EXPECT_TRUE(table.dispatch(repeated_down, runner.function()));
  EXPECT_EQ(runner.ran, (std::vector<unsigned>{30}));
}

TEST(ShortcutTableTest, OnlyKeyDownsWithARunnerThatAgreesAreConsumed) {
  ShortcutTable table;
  table.add({kKeyR, kCtrl, 26, false});
  Runner refusing;
  refusing.answer = false;
  KeyEvent refused = key_down(kKeyR, kCtrl);
  EXPECT_FALSE(table.dispatch(refused, refusing.function()));
  EXPECT_FALSE(refused.handled);
  EXPECT_EQ(refusing.ran, (std::vector<unsigned>{26}));

  KeyEvent no_runner = key_down(kKeyR, kCtrl);
  EXPECT_FALSE(table.dispatch(no_runner, {}));

  Runner runner;
  for (int kind : {KeyEvent::kUp, KeyEvent::kCharacter}) {
    KeyEvent event = key_down(kKeyR, kCtrl);
    event.kind = kind;
    EXPECT_FALSE(table.dispatch(event, runner.function())) << kind;
  }
  EXPECT_TRUE(runner.ran.empty());
}

TEST(ShortcutTableTest, TheFirstMatchInInsertionOrderRunsAndTheRunnerMayClearTheTable) {
  ShortcutTable table;
  table.add({kKeyDown, 0, 30, false});
  table.add({kKeyR, kCtrl, 26, false});
  std::vector<unsigned> ran;
  KeyEvent event = key_down(kKeyR, kCtrl);
  EXPECT_TRUE(table.dispatch(event, [&](unsigned id) {
    ran.push_back(id);
    table.clear();
    return true;
  }));
  EXPECT_EQ(ran, (std::vector<unsigned>{26}));
  EXPECT_TRUE(event.handled);
}

}  // namespace
}  // namespace win32_ui::modern
