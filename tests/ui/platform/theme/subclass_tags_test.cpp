#include "ui/platform/theme/subclass_tags.h"

#include <gtest/gtest.h>

#include <set>

namespace win32_ui {
namespace {

TEST(SubclassTagsTest, EveryTagIsItsFourLettersReadBigEndian) {
  const struct {
    UINT_PTR id;
    UINT_PTR expected;
  } cases[] = {
      {kThemeRegistrySubclass, 0x57494853},    {kWindowHostSubclass, 0x574D4854},
      {kWindowChromeSubclass, 0x57434852},     {kSurfaceSubclass, 0x57494D53},
      {kNativeHostSubclass, 0x57494E48},       {kEditThemeSubclass, 0x57494544},
      {kComboThemeSubclass, 0x57494342},       {kTrackbarThemeSubclass, 0x57495442},
      {kStaticThemeSubclass, 0x57495354},      {kClassicControlSubclass, 0x5749434F},
      {kClassicLayoutHostSubclass, 0x57494C48}, {kClassicWindowViewSubclass, 0x57495657},
      {kRecordingWindowSubclass, 0x51564652},  {kSetupWindowSubclassQvlg, 0x51564C47},
      {kControlBarSubclass, 0x51565244},       {kSetupWindowSubclassQvwm, 0x5156574D},
  };
  std::set<UINT_PTR> seen;
  for (const auto& entry : cases) {
    EXPECT_EQ(entry.id, entry.expected);
    EXPECT_TRUE(seen.insert(entry.id).second) << "shared id " << entry.id;
  }
}

}  // namespace
}  // namespace win32_ui
