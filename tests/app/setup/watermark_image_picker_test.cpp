// The watermark image picker on real image files and painted through the
// toolkit's Direct2D canvas: the size it keeps, the dashed prompt area, the
// checkerboard behind an image, and the pressed and focused looks.
#include "app/setup/watermark_image_picker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/setup/watermark_image_size.h"
#include "tests/app/setup/view_painter.h"
#include "tests/support/png_maker.h"
#include "ui/views/draw_context.h"

namespace quorvel::windows {
namespace {

using test::palette_rgb;
using win32_ui::Theme;
using win32_ui::ui::graphics::test::Bgra;
using win32_ui::ui::graphics::test::DibTarget;
using win32_ui::ui::graphics::test::encode_png;
using win32_ui::ui::graphics::test::Rgb;

constexpr Rgb kOutside{255, 0, 255};

bool close_to(Rgb actual, Rgb expected) {
  const auto close = [](int a, int b) { return a - b <= 8 && b - a <= 8; };
  return close(actual.r, expected.r) && close(actual.g, expected.g) &&
         close(actual.b, expected.b);
}

class PickerFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    com_ = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    folder_ = std::filesystem::temp_directory_path() / L"quorvel_picker_test";
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    if (SUCCEEDED(com_)) CoUninitialize();
  }

  std::wstring write(const std::wstring& name, const std::vector<uint8_t>& bytes) {
    const auto path = folder_ / name;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path.wstring();
  }

  std::wstring write_png(uint32_t width, uint32_t height) {
    std::vector<Bgra> pixels(static_cast<size_t>(width) * height, Bgra{40, 80, 160, 255});
    return write(std::to_wstring(width) + L"x" + std::to_wstring(height) + L".png",
                 encode_png(width, height, pixels));
  }

  std::filesystem::path folder_;
  HRESULT com_ = E_FAIL;
};

struct ScaleCase {
  uint32_t width, height;
  uint32_t kept_width, kept_height;
};

constexpr ScaleCase kScaleCases[] = {
    {4000, 1000, 1024, 256}, {1024, 4096, 256, 1024}, {3000, 2, 1024, 1},
    {1, 3000, 1, 1024},      {1024, 1024, 1024, 1024}, {300, 200, 300, 200},
    {1025, 3, 1024, 3},      {2049, 1025, 1024, 512},
};

TEST(WatermarkImageSize, FitsTheLargerSideTo1024AndKeepsEachSideAtLeastOne) {
  for (const ScaleCase& c : kScaleCases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    EXPECT_EQ(fit_watermark_image({c.width, c.height}), (PixelSize{c.kept_width, c.kept_height}));
  }
}

TEST_F(PickerFiles, KeepsImagesAtMost1024PixelsOnASide) {
  for (const ScaleCase& c : kScaleCases) {
    if (c.width > 4000 || c.height > 4096) continue;
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    WatermarkImagePicker picker(write_png(c.width, c.height), L"Choose", L"Alt", L"Hint");
    ASSERT_TRUE(picker.image().valid());
    EXPECT_EQ(picker.image().width(), c.kept_width);
    EXPECT_EQ(picker.image().height(), c.kept_height);
  }
}

TEST_F(PickerFiles, FilesThatDoNotDecodeLeaveNoImage) {
  const std::wstring text_file = write(L"notes.png", {'h', 'e', 'l', 'l', 'o', '\n'});
  const std::wstring too_wide = write_png(20000, 10);
  const std::wstring missing = (folder_ / L"missing.png").wstring();
  for (const std::wstring& path : {text_file, too_wide, missing}) {
    WatermarkImagePicker picker(path, L"Choose", L"Alt", L"Hint");
    EXPECT_FALSE(picker.image().valid());
    EXPECT_EQ(picker.path(), path);
  }
}

TEST_F(PickerFiles, EmptyPathDropsThePreviousImage) {
  WatermarkImagePicker picker(write_png(300, 200), L"Choose", L"Alt", L"Hint");
  ASSERT_TRUE(picker.image().valid());
  picker.set_path(L"");
  EXPECT_FALSE(picker.image().valid());
  EXPECT_TRUE(picker.path().empty());
}

TEST(WatermarkImagePicker, IsAnInvokableButtonWithItsTexts) {
  auto owned = std::make_unique<WatermarkImagePicker>(L"", L"Choose an image", L"Alt", L"PNG or JPEG");
  WatermarkImagePicker& picker = *owned;
  EXPECT_EQ(picker.control_id(), kWatermarkImagePickerId);
  EXPECT_EQ(picker.default_size().height, 140.0f);
  win32_ui::modern::ElementInfo info;
  picker.describe_element(info);
  EXPECT_EQ(info.name, L"Choose an image");
  EXPECT_EQ(info.help_text, L"PNG or JPEG");
  int invoked = 0;
  picker.on_invoked([&] { ++invoked; });
  test::RootedView rooted(std::move(owned));
  picker.activate(win32_ui::modern::kInputKeyboard);
  EXPECT_EQ(invoked, 1);
}

// Paints a 400 x 140 picker; the image, when given, is decoded from a PNG
// built here.
class PickerPaint : public PickerFiles {
 protected:
  const Theme theme = Theme::light(win32_ui::kDefaultAccent);
  DibTarget target{400, 140, kOutside};

  Rgb color(int index) const { return palette_rgb(theme, index); }
};

TEST_F(PickerPaint, WithoutImageDrawsEveryOtherDashAlongTheEdges) {
  WatermarkImagePicker picker(L"", L"Choose an image", L"Alt", L"Hint");
  ASSERT_TRUE(test::paint_view(picker, theme, target));
  target.save_png_if_asked("picker_prompt.png");
  // Top and bottom: 32 segments of 12.5 px; the last odd one lies in the
  // rounded corner.
  for (int segment = 0; segment < 31; ++segment) {
    SCOPED_TRACE("segment " + std::to_string(segment));
    const int x = static_cast<int>(12.5 * segment + 6.25);
    const Rgb expected = segment % 2 == 0 ? color(5) : color(1);
    EXPECT_EQ(target.pixel(x, 0), expected);
    EXPECT_EQ(target.pixel(x, 139), expected);
  }
  // Sides: 8 segments of 17.5 px.
  for (int segment = 0; segment < 7; ++segment) {
    SCOPED_TRACE("side segment " + std::to_string(segment));
    const int y = static_cast<int>(17.5 * segment + 8.75);
    const Rgb expected = segment % 2 == 0 ? color(5) : color(1);
    EXPECT_EQ(target.pixel(0, y), expected);
    EXPECT_EQ(target.pixel(399, y), expected);
  }
}

TEST_F(PickerPaint, PromptColourFollowsTheEnabledStateAndTheAlternate) {
  const RECT prompt_area{12, 28, 388, 110};
  WatermarkImagePicker picker(L"", L"Choose an image", L"Drop a picture here", L"Hint");
  ASSERT_TRUE(test::paint_view(picker, theme, target));
  EXPECT_GT(test::count_pixels(target, prompt_area, color(6)), 0);
  std::vector<Rgb> prompt_pixels;
  for (int y = prompt_area.top; y < prompt_area.bottom; ++y) {
    for (int x = prompt_area.left; x < prompt_area.right; ++x) prompt_pixels.push_back(target.pixel(x, y));
  }

  picker.show_alternate(true);
  target.fill(kOutside);
  ASSERT_TRUE(test::paint_view(picker, theme, target));
  std::vector<Rgb> alternate_pixels;
  for (int y = prompt_area.top; y < prompt_area.bottom; ++y) {
    for (int x = prompt_area.left; x < prompt_area.right; ++x) alternate_pixels.push_back(target.pixel(x, y));
  }
  EXPECT_NE(prompt_pixels, alternate_pixels);

  picker.show_alternate(false);
  picker.set_enabled(false);
  target.fill(kOutside);
  ASSERT_TRUE(test::paint_view(picker, theme, target));
  EXPECT_GT(test::count_pixels(target, prompt_area, color(8)), 0);
  EXPECT_EQ(test::count_pixels(target, prompt_area, color(6)), 0);
}

TEST_F(PickerPaint, ImageFillsACentredSquareOverTheCheckerboard) {
  const std::vector<Bgra> quadrants{
      {0, 0, 200, 255}, {0, 200, 0, 255}, {200, 0, 0, 255}, {0, 200, 200, 255}};
  WatermarkImagePicker picker(write(L"four.png", encode_png(2, 2, quadrants)), L"Choose", L"Alt",
                              L"Hint");
  ASSERT_TRUE(picker.image().valid());
  ASSERT_TRUE(test::paint_view(picker, theme, target));
  target.save_png_if_asked("picker_image.png");

  // Inner rectangle 12..388 x 12..128; the image is enlarged 58 times into
  // 142..258 x 12..128.
  // Smooth sampling may mix a trace of the neighbouring quadrants.
  EXPECT_PRED2(close_to, target.pixel(171, 41), (Rgb{200, 0, 0}));
  EXPECT_PRED2(close_to, target.pixel(229, 41), (Rgb{0, 200, 0}));
  EXPECT_PRED2(close_to, target.pixel(171, 99), (Rgb{0, 0, 200}));
  EXPECT_PRED2(close_to, target.pixel(229, 99), (Rgb{200, 200, 0}));
  // Just outside the image square the checkerboard shows again.
  EXPECT_EQ(target.pixel(138, 18), color(1));
  EXPECT_EQ(target.pixel(262, 18), color(1));
  // Checker squares of 12 px from the inner top-left corner.
  struct Square {
    int row, column;
  };
  for (const Square s : {Square{0, 0}, Square{0, 1}, Square{1, 0}, Square{1, 1}, Square{3, 4},
                         Square{8, 30}, Square{9, 30}}) {
    SCOPED_TRACE("square " + std::to_string(s.row) + "," + std::to_string(s.column));
    const int x = 12 + 12 * s.column + 6;
    const int y = 12 + 12 * s.row + 6;
    EXPECT_EQ(target.pixel(x, y), (s.row + s.column) % 2 == 1 ? color(3) : color(1));
  }
  // Column 31 starts at 384 and stops at the inner right edge, 388.
  EXPECT_EQ(target.pixel(386, 18), color(3));
  EXPECT_EQ(target.pixel(389, 18), color(1));
  EXPECT_EQ(target.pixel(394, 18), color(1));
  // Row 9 starts at 120 and stops at the inner bottom edge, 128.
  EXPECT_EQ(target.pixel(18 + 12, 126), color(1));
  EXPECT_EQ(target.pixel(18, 126), color(3));
  EXPECT_EQ(target.pixel(18, 130), color(1));
}

TEST_F(PickerPaint, PressedUsesTheAccentOutlineAndThePressedFill) {
  WatermarkImagePicker picker(L"", L"Choose", L"Alt", L"Hint");
  test::PaintStates states;
  states.pressed = &picker;
  ASSERT_TRUE(test::paint_view(picker, theme, target, states));
  EXPECT_EQ(target.pixel(200, 20), color(2));
  EXPECT_EQ(target.pixel(6, 0), color(9));
  EXPECT_EQ(target.pixel(18, 0), color(2));
}

TEST_F(PickerPaint, FocusRingOnlyWhenTheContextShowsFocus) {
  WatermarkImagePicker picker(L"", L"Choose", L"Alt", L"Hint");
  const auto paint = [&](const test::PaintStates& states) {
    target.fill(kOutside);
    EXPECT_TRUE(test::paint_view(picker, theme, target, states));
    std::vector<Rgb> pixels;
    for (int y = 0; y < target.height(); ++y) {
      for (int x = 0; x < target.width(); ++x) pixels.push_back(target.pixel(x, y));
    }
    return pixels;
  };
  const std::vector<Rgb> unfocused = paint({});
  test::PaintStates states;
  states.focused = &picker;
  EXPECT_EQ(paint(states), unfocused);
  states.keyboard_cues = true;
  const std::vector<Rgb> ring = paint(states);
  // The ring follows the rounded outline: it changes pixels, and only along
  // the edges and in the rounded corners.
  int changed = 0;
  for (int y = 0; y < target.height(); ++y) {
    for (int x = 0; x < target.width(); ++x) {
      const size_t at = static_cast<size_t>(y) * target.width() + x;
      if (ring[at] == unfocused[at]) continue;
      ++changed;
      EXPECT_TRUE(x < 4 || y < 4 || x >= target.width() - 4 || y >= target.height() - 4)
          << x << "," << y;
    }
  }
  EXPECT_GT(changed, 0);
}

}  // namespace
}  // namespace quorvel::windows
