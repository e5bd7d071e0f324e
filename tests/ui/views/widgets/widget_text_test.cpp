#include "ui/views/widgets/widget_text.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/ui/views/widgets/widget_fixture.h"

namespace win32_ui::modern {
namespace {

using testing::FixedTextMeasurer;

struct EstimateCase {
  const char* name;
  std::wstring text;
  int style;
  float width;
  float height;
};

TEST(WidgetTextEstimateTest, AddsAWidthPerCharacterTimesTheStyleFactor) {
  const EstimateCase cases[] = {
      {"capital W", L"W", 2, 11.5f, 18.0f},
      {"small w", L"w", 2, 8.0f, 18.0f},
      {"space", L" ", 2, 3.5f, 18.0f},
      {"percent, at, M", L"%@M", 2, 34.5f, 18.0f},
      {"ideograph", L"\u4E2D", 2, 12.0f, 18.0f},
      {"full-width form", L"\uFF01", 2, 12.0f, 18.0f},
      {"surrogate pair counts once", L"\U0001F600", 2, 12.0f, 18.0f},
      {"lone high surrogate", std::wstring(1, static_cast<wchar_t>(0xD83D)), 2, 8.0f, 18.0f},
      {"lone low surrogate then letter", std::wstring{static_cast<wchar_t>(0xDE00), L'a'}, 2,
       16.0f, 18.0f},
      {"latin accent", L"\u00E9", 2, 8.0f, 18.0f},
      {"display style", L"W", 0, 11.5f * 1.7f, 32.0f},
      {"title style", L"ab", 1, 16.0f * 1.25f, 24.0f},
      {"caption style", L"ab", 3, 16.0f * 0.84f, 14.0f},
      {"control style", L"ab", 4, 16.0f, 18.0f},
      {"subtitle style", L"ab", 5, 16.0f * 1.08f, 20.0f},
      {"unknown style", L"ab", 42, 16.0f, 18.0f},
      {"empty body", L"", 2, 0.0f, 18.0f},
      {"empty display", L"", 0, 0.0f, 32.0f},
  };
  for (const EstimateCase& c : cases) {
    const layout::Size size = estimate_widget_text(c.text, c.style);
    EXPECT_FLOAT_EQ(size.width, c.width) << c.name;
    EXPECT_FLOAT_EQ(size.height, c.height) << c.name;
  }
}

TEST(WidgetTextMeasureTest, AMeasurersAnswerWinsInTheStylesFont) {
  FixedTextMeasurer measurer(layout::Size{41.0f, 17.0f});
  layout::LayoutContext context;
  context.text_measurer = &measurer;
  const layout::Size size = measure_widget_text(L"Record", 3, context);
  EXPECT_EQ(size, (layout::Size{41.0f, 17.0f}));
  ASSERT_EQ(measurer.asked.size(), 1u);
  EXPECT_EQ(measurer.asked[0].first, L"Record");
  EXPECT_EQ(measurer.asked[0].second, 4u);
}

TEST(WidgetTextMeasureTest, FallsBackToTheEstimateWhenTheMeasurerCannotTell) {
  FixedTextMeasurer silent(std::nullopt);
  layout::LayoutContext with_silent;
  with_silent.text_measurer = &silent;
  EXPECT_EQ(measure_widget_text(L"Ww", 0, with_silent), (layout::Size{19.5f * 1.7f, 32.0f}));
  EXPECT_EQ(silent.asked.size(), 1u);
  EXPECT_EQ(measure_widget_text(L"Ww", 0, {}), (layout::Size{19.5f * 1.7f, 32.0f}));
}

}  // namespace
}  // namespace win32_ui::modern
