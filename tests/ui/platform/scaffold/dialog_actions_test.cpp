// The standard button sets: results and label keys left to right, the first
// button the default, and the ok set for unknown numbers.
#include "ui/platform/scaffold/dialog_actions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace win32_ui::scaffold {
namespace {

struct Expected {
  DialogResult result;
  const wchar_t* key;
};

TEST(DialogActionsFor, GivesEachSetLeftToRightWithTheFirstAsDefault) {
  struct Case {
    int set;
    std::vector<Expected> buttons;
  };
  const std::vector<Case> cases = {
      {0, {{1, L"scaffold.dialog.ok"}}},
      {1, {{1, L"scaffold.dialog.ok"}, {2, L"scaffold.dialog.cancel"}}},
      {2, {{6, L"scaffold.dialog.yes"}, {7, L"scaffold.dialog.no"}}},
      {3, {{6, L"scaffold.dialog.yes"}, {7, L"scaffold.dialog.no"}, {2, L"scaffold.dialog.cancel"}}},
      {4, {{4, L"scaffold.dialog.retry"}, {2, L"scaffold.dialog.cancel"}}},
      {5,
       {{3, L"scaffold.dialog.abort"}, {4, L"scaffold.dialog.retry"}, {5, L"scaffold.dialog.ignore"}}},
      {6,
       {{2, L"scaffold.dialog.cancel"},
        {10, L"scaffold.dialog.try_again"},
        {11, L"scaffold.dialog.continue"}}},
      {7, {{1, L"scaffold.dialog.ok"}}},
      {-1, {{1, L"scaffold.dialog.ok"}}},
  };
  for (const Case& c : cases) {
    const std::vector<DialogAction> actions = dialog_actions_for(c.set);
    ASSERT_EQ(actions.size(), c.buttons.size()) << "set " << c.set;
    for (std::size_t i = 0; i < actions.size(); ++i) {
      EXPECT_EQ(actions[i].result, c.buttons[i].result) << "set " << c.set << " button " << i;
      EXPECT_EQ(actions[i].label.kind, modern::LocalizedText::kKey);
      EXPECT_EQ(actions[i].label.text, c.buttons[i].key) << "set " << c.set << " button " << i;
      EXPECT_TRUE(actions[i].label.args.empty());
      EXPECT_EQ(actions[i].is_default, i == 0) << "set " << c.set << " button " << i;
    }
  }
}

TEST(DialogTextKey, PrefixesTheName) {
  const modern::LocalizedText text = dialog_text_key(L"warning");
  EXPECT_EQ(text.kind, modern::LocalizedText::kKey);
  EXPECT_EQ(text.text, L"scaffold.dialog.warning");
  EXPECT_TRUE(text.args.empty());
}

}  // namespace
}  // namespace win32_ui::scaffold
