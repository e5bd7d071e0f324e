#include "ui/views/surface_text_measurer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "ui/views/graphics/gdi_handles.h"

namespace win32_ui::modern {
namespace {

detail::TextExtent failing_step(HFONT, std::wstring_view) { return {}; }

TEST(SurfaceTextMeasurerTest, GivesNothingForAFontOutsideTheTable) {
  SurfaceFonts fonts;
  fonts.create(96.0f, 1.0f);
  std::uint32_t dpi = 96;
  float zoom = 1.0f;
  SurfaceTextMeasurer measurer(&fonts, &dpi, &zoom);
  for (std::uint32_t index : {0u, 7u}) {
    EXPECT_FALSE(measurer.measure(L"Text", 4, index).has_value()) << index;
  }
}

TEST(SurfaceTextMeasurerTest, GivesNothingBeforeTheFontsExist) {
  SurfaceFonts fonts;
  std::uint32_t dpi = 96;
  float zoom = 1.0f;
  SurfaceTextMeasurer measurer(&fonts, &dpi, &zoom);
  EXPECT_FALSE(measurer.measure(L"Text", 4, 1).has_value());
}

TEST(SurfaceTextMeasurerTest, MeasuresEmptyTextAsNothingWide) {
  SurfaceFonts fonts;
  fonts.create(96.0f, 1.0f);
  std::uint32_t dpi = 96;
  float zoom = 1.0f;
  SurfaceTextMeasurer measurer(&fonts, &dpi, &zoom);
  const std::optional<layout::Size> size = measurer.measure(L"", 0, 3);
  ASSERT_TRUE(size.has_value());
  EXPECT_EQ(size->width, 0.0f);
  EXPECT_EQ(size->height, 0.0f);
}

TEST(SurfaceTextMeasurerTest, AnswersInDipForTheCurrentDpiAndZoom) {
  SurfaceFonts fonts;
  fonts.create(144.0f, 2.0f);
  std::uint32_t dpi = 144;
  float zoom = 2.0f;
  HFONT asked = nullptr;
  SurfaceTextMeasurer measurer(&fonts, &dpi, &zoom,
                               [&asked](HFONT font, std::wstring_view) {
                                 asked = font;
                                 return detail::TextExtent{30.0f, 15.0f, true};
                               });
  const std::optional<layout::Size> size = measurer.measure(L"Text", 4, 2);
  ASSERT_TRUE(size.has_value());
  EXPECT_FLOAT_EQ(size->width, 10.0f);
  EXPECT_FLOAT_EQ(size->height, 5.0f);
  EXPECT_EQ(asked, fonts.font(2));

  zoom = 1.0f;
  EXPECT_FLOAT_EQ(measurer.measure(L"Text", 4, 2)->width, 20.0f);
}

TEST(SurfaceTextMeasurerTest, FallsBackToTheGdiExtentOfTheSameFont) {
  SurfaceFonts fonts;
  fonts.create(144.0f, 1.0f);
  std::uint32_t dpi = 144;
  float zoom = 1.0f;
  SurfaceTextMeasurer measurer(&fonts, &dpi, &zoom, &failing_step);
  const std::wstring text = L"Fallback text";

  SIZE pixels{};
  {
    detail::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    const detail::ScopedSelection selection(dc.get(), fonts.font(3));
    ASSERT_TRUE(GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()),
                                      &pixels));
  }
  ASSERT_GT(pixels.cx, 0);

  const std::optional<layout::Size> size = measurer.measure(text.c_str(), text.size(), 3);
  ASSERT_TRUE(size.has_value());
  EXPECT_FLOAT_EQ(size->width, static_cast<float>(pixels.cx) * 96.0f / 144.0f);
  EXPECT_FLOAT_EQ(size->height, static_cast<float>(pixels.cy) * 96.0f / 144.0f);
}

}  // namespace
}  // namespace win32_ui::modern
