#include "ui/views/graphics/measure_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/views/graphics/paint_target.h"
#include "ui/views/graphics/graphics_diagnostics.h"

namespace win32_ui::modern::detail {
namespace {

using ui::graphics::test::on_fresh_thread;

HFONT tahoma(int height) {
  return CreateFontW(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
}

TEST(MeasureTextTest, EmptyTextIsZeroAndOk) {
  const TextExtent extent = measure_text(nullptr, L"");
  EXPECT_EQ(extent.width, 0.0f);
  EXPECT_EQ(extent.height, 0.0f);
  EXPECT_TRUE(extent.ok);
}

TEST(MeasureTextTest, TahomaFontGivesAPositiveSizeThatGrowsWithTheText) {
  const HFONT font = tahoma(16);
  ASSERT_NE(font, nullptr);
  const TextExtent hello = measure_text(font, L"Hello");
  ASSERT_TRUE(hello.ok);
  EXPECT_GT(hello.width, 0.0f);
  EXPECT_GT(hello.height, 0.0f);
  const TextExtent longer = measure_text(font, L"Hello world");
  ASSERT_TRUE(longer.ok);
  EXPECT_GT(longer.width, hello.width);
  // Trailing white space counts.
  const TextExtent spaced = measure_text(font, L"Hello   ");
  ASSERT_TRUE(spaced.ok);
  EXPECT_GT(spaced.width, hello.width);
  // A larger font measures larger.
  const HFONT large = tahoma(32);
  const TextExtent big = measure_text(large, L"Hello");
  ASSERT_TRUE(big.ok);
  EXPECT_GT(big.height, hello.height);
  DeleteObject(large);
  DeleteObject(font);
}

TEST(MeasureTextTest, NoFontMeasuresWithTheDefaultFont) {
  const TextExtent extent = measure_text(nullptr, L"Hello");
  EXPECT_TRUE(extent.ok);
  EXPECT_GT(extent.width, 0.0f);
}

TEST(TextLayoutCacheTest, SameTextTwiceIsOneEntry) {
  on_fresh_thread([] {
    const HFONT font = tahoma(16);
    const TextExtent first = measure_text(font, L"Hello");
    const TextExtent second = measure_text(font, L"Hello");
    EXPECT_EQ(first.width, second.width);
    const GraphicsDiagnostics figures = thread_graphics_diagnostics();
    EXPECT_EQ(figures.layout_entries, 1u);
    EXPECT_EQ(figures.layout_text_units, 5u);
    EXPECT_EQ(figures.layout_misses, 1u);
    EXPECT_EQ(figures.layout_hits, 1u);
    EXPECT_EQ(figures.format_entries, 1u);
    DeleteObject(font);
  });
}

TEST(TextLayoutCacheTest, KeepsAtMost512EntriesDroppingTheLeastRecentlyUsed) {
  on_fresh_thread([] {
    for (int i = 0; i < 513; ++i) ASSERT_TRUE(measure_text(nullptr, std::to_wstring(i)).ok);
    GraphicsDiagnostics figures = thread_graphics_diagnostics();
    EXPECT_EQ(figures.layout_entries, 512u);
    EXPECT_EQ(figures.layout_misses, 513u);

    measure_text(nullptr, L"1");
    figures = thread_graphics_diagnostics();
    EXPECT_EQ(figures.layout_hits, 1u);
    measure_text(nullptr, L"0");
    figures = thread_graphics_diagnostics();
    EXPECT_EQ(figures.layout_hits, 1u);
    EXPECT_EQ(figures.layout_misses, 514u);
    EXPECT_EQ(figures.layout_entries, 512u);
    // "1" was used more recently than "2", which made room.
    measure_text(nullptr, L"1");
    EXPECT_EQ(thread_graphics_diagnostics().layout_hits, 2u);
    measure_text(nullptr, L"2");
    EXPECT_EQ(thread_graphics_diagnostics().layout_misses, 515u);
  });
}

// Texts of more than 0x10000 units are not measured here: Wine's
// DirectWrite crashes on them.
TEST(TextLayoutCacheTest, KeepsAtMost0x20000UnitsDroppingTheLeastRecentlyUsed) {
  on_fresh_thread([] {
    const std::wstring a(0x10000, L'a');
    const std::wstring b(0x10000, L'b');
    ASSERT_TRUE(measure_text(nullptr, a).ok);
    ASSERT_TRUE(measure_text(nullptr, b).ok);
    GraphicsDiagnostics figures = thread_graphics_diagnostics();
    EXPECT_EQ(figures.layout_entries, 2u);
    EXPECT_EQ(figures.layout_text_units, 0x20000u);

    ASSERT_TRUE(measure_text(nullptr, L"c").ok);
    figures = thread_graphics_diagnostics();
    EXPECT_EQ(figures.layout_entries, 2u);
    EXPECT_EQ(figures.layout_text_units, 0x10001u);

    measure_text(nullptr, b);
    EXPECT_EQ(thread_graphics_diagnostics().layout_hits, 1u);
    measure_text(nullptr, a);  // pushes out "c", used before b
    figures = thread_graphics_diagnostics();
    EXPECT_EQ(figures.layout_hits, 1u);
    EXPECT_EQ(figures.layout_misses, 4u);
    EXPECT_EQ(figures.layout_entries, 2u);
    EXPECT_EQ(figures.layout_text_units, 0x20000u);
    measure_text(nullptr, b);
    EXPECT_EQ(thread_graphics_diagnostics().layout_hits, 2u);
  });
}

TEST(TextFormatCacheTest, KeepsAtMost64Formats) {
  on_fresh_thread([] {
    std::vector<HFONT> fonts;
    for (int height = 8; height < 8 + 65; ++height) fonts.push_back(tahoma(height));
    for (const HFONT font : fonts) ASSERT_TRUE(measure_text(font, L"x").ok);
    EXPECT_EQ(thread_graphics_diagnostics().format_entries, 64u);
    for (const HFONT font : fonts) DeleteObject(font);
  });
}

}  // namespace
}  // namespace win32_ui::modern::detail
