#include "ui/platform/localized_text.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace win32_ui::modern {
namespace {

TEST(LocalizedTextTest, FromTextIsALiteralWithoutArgumentsOrCount) {
  const LocalizedText text = LocalizedText::from_text(L"Start");
  EXPECT_EQ(text.kind, LocalizedText::kLiteral);
  EXPECT_EQ(text.kind, 0);
  EXPECT_EQ(text.text, L"Start");
  EXPECT_TRUE(text.args.empty());
  EXPECT_EQ(text.count, 0.0);
}

TEST(LocalizedTextTest, FromKeyKeepsKeyAndArgumentsInOrder) {
  const LocalizedText text =
      LocalizedText::from_key(L"scaffold.dialog.ok", {L"first", L"second"});
  EXPECT_EQ(text.kind, LocalizedText::kKey);
  EXPECT_EQ(text.kind, 1);
  EXPECT_EQ(text.text, L"scaffold.dialog.ok");
  EXPECT_EQ(text.args, (std::vector<std::wstring>{L"first", L"second"}));
  EXPECT_EQ(text.count, 0.0);
}

TEST(LocalizedTextTest, CopiesAreIndependent) {
  LocalizedText original = LocalizedText::from_key(L"k", {L"a"});
  original.count = 3;
  LocalizedText copy = original;
  original.args[0] = L"changed";
  original.text = L"other";
  EXPECT_EQ(copy.text, L"k");
  EXPECT_EQ(copy.args, (std::vector<std::wstring>{L"a"}));
  EXPECT_EQ(copy.count, 3.0);
}

}  // namespace
}  // namespace win32_ui::modern
