#include "app/common/size_preset_list.h"

#include <gtest/gtest.h>

#include "app/common/translate.h"

namespace quorvel::windows {
namespace {

std::wstring english(std::wstring_view key, std::vector<std::wstring> arguments) {
  return translate_for_locale(L"en-US", key, std::move(arguments));
}

struct Row {
  uint32_t monitor_width, monitor_height;
  int32_t current_width, current_height;
  bool maximum, custom;
  std::vector<SizePresetEntry> entries;
  int32_t index;
};

class SizePresetListTable : public testing::TestWithParam<Row> {};

TEST_P(SizePresetListTable, OffersFittingPresetsMaximumAndCustom) {
  const Row& row = GetParam();
  const SizePresetList list =
      build_size_preset_list(row.monitor_width, row.monitor_height, row.current_width,
                             row.current_height, row.maximum, row.custom, english);
  EXPECT_EQ(list.entries, row.entries);
  EXPECT_EQ(list.index, row.index);
}

const SizePresetEntry kLandscape{L"Landscape 1080p \u2014 1920 \u00d7 1080", 1920, 1080};
const SizePresetEntry kSquare{L"Square 1080 \u2014 1080 \u00d7 1080", 1080, 1080};
const SizePresetEntry kCustom{L"Custom", 0, 0};
const SizePresetEntry kMax1080{L"Current screen maximum 16:9 \u2014 1920 \u00d7 1080", 1920, 1080};

INSTANTIATE_TEST_SUITE_P(
    Monitors, SizePresetListTable,
    testing::Values(
        Row{1920, 1080, 1920, 1080, false, false, {kLandscape, kSquare, kMax1080, kCustom}, 0},
        Row{1366, 768, 1920, 1080, false, false,
            {{L"Current screen maximum 683:384 \u2014 1366 \u00d7 768", 1366, 768}, kCustom}, 1},
        // An odd monitor size is made even first.
        Row{1921, 1081, 1920, 1080, false, false, {kLandscape, kSquare, kMax1080, kCustom}, 0},
        Row{2560, 1600, 1080, 1080, false, false,
            {kLandscape, kSquare,
             {L"Landscape 1440p \u2014 2560 \u00d7 1440", 2560, 1440},
             {L"Current screen maximum 8:5 \u2014 2560 \u00d7 1600", 2560, 1600},
             kCustom},
            1},
        // No entry of the current size: custom.
        Row{1920, 1080, 1234, 700, false, false, {kLandscape, kSquare, kMax1080, kCustom}, 3},
        // The maximum flag wins over the custom flag.
        Row{1920, 1080, 1234, 700, true, true, {kLandscape, kSquare, kMax1080, kCustom}, 2},
        Row{1920, 1080, 1920, 1080, false, true, {kLandscape, kSquare, kMax1080, kCustom}, 3}));

TEST(SizePresetList, MonitorOfNoSizeKeepsOnlyMaximumAndCustomWithoutDividingByZero) {
  const SizePresetList list = build_size_preset_list(1, 1, 0, 0, false, false, english);
  ASSERT_EQ(list.entries.size(), 2u);
  EXPECT_EQ(list.entries[0].width, 0);
  EXPECT_EQ(list.entries[0].text, L"Current screen maximum 0:0 \u2014 0 \u00d7 0");
}

}  // namespace
}  // namespace quorvel::windows
