#include "app/editor/selection_overlay_painter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/editor/memory_bitmap.h"
#include "tests/support/png_maker.h"
#include "tests/support/test_support.h"

#include <filesystem>
#include <fstream>
#include <vector>

namespace quorvel::windows::test {
namespace {

constexpr SIZE kSize{800, 600};
const RECT kSelection{50, 60, 251, 161};
const wchar_t kHint[] = L"Click or drag to select and edit";

struct Pixel {
  uint8_t b, g, r, a;
  bool is(COLORREF color) const {
    return r == GetRValue(color) && g == GetGValue(color) && b == GetBValue(color);
  }
  bool black() const { return (r | g | b) == 0; }
};

class OverlayPixels {
 public:
  OverlayPixels() {
    HDC screen = GetDC(nullptr);
    EXPECT_TRUE(bitmap_.create_dib(screen, kSize.cx, kSize.cy, &bits_));
    ReleaseDC(nullptr, screen);
    // Left-over content must not survive the clear.
    if (bits_) std::memset(bits_, 0x7F, static_cast<size_t>(kSize.cx) * kSize.cy * 4);
    paint_selection_overlay(bitmap_.dc(), bits_, kSize, kSelection, 96, kHint);
  }
  Pixel at(int x, int y) const {
    const uint8_t* p = bits_ + (static_cast<size_t>(y) * kSize.cx + x) * 4;
    return {p[0], p[1], p[2], p[3]};
  }
  bool valid() const { return bits_ != nullptr; }

  // Over a grey desktop, as the layered window shows it, into
  // QUORVEL_CANVAS_PNG_DIR when that is set.
  void save_png_if_asked(const char* name) const {
    const std::wstring folder = quorvel::test::environment(L"QUORVEL_CANVAS_PNG_DIR");
    if (folder.empty() || !bits_) return;
    std::vector<win32_ui::ui::graphics::test::Bgra> pixels;
    for (int y = 0; y < kSize.cy; ++y) {
      for (int x = 0; x < kSize.cx; ++x) {
        const Pixel p = at(x, y);
        const auto mix = [&](uint8_t value) {
          return static_cast<uint8_t>(value + (128 * (255 - p.a)) / 255);
        };
        pixels.push_back({mix(p.b), mix(p.g), mix(p.r), 255});
      }
    }
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::vector<uint8_t> png =
        win32_ui::ui::graphics::test::encode_png(kSize.cx, kSize.cy, pixels);
    if (SUCCEEDED(com)) CoUninitialize();
    std::ofstream file(std::filesystem::path(folder) / name, std::ios::binary);
    file.write(reinterpret_cast<const char*>(png.data()),
               static_cast<std::streamsize>(png.size()));
  }

 private:
  MemoryBitmap bitmap_;
  uint8_t* bits_ = nullptr;
};

int frame_run(const OverlayPixels& pixels, POINT from, POINT step, int count) {
  int seen = 0;
  for (int i = 0; i < count; ++i) {
    if (pixels.at(from.x + step.x * i, from.y + step.y * i).is(kOverlayFrameColor)) ++seen;
  }
  return seen;
}

TEST(SelectionOverlayPainter, DrawsATwoPixelFrameOnTheSelection) {
  OverlayPixels pixels;
  ASSERT_TRUE(pixels.valid());
  EXPECT_EQ(frame_run(pixels, {45, 110}, {1, 0}, 11), 2);
  EXPECT_TRUE(pixels.at(50, 110).is(kOverlayFrameColor));
  EXPECT_EQ(frame_run(pixels, {245, 110}, {1, 0}, 11), 2);
  EXPECT_TRUE(pixels.at(250, 110).is(kOverlayFrameColor));
  EXPECT_EQ(frame_run(pixels, {150, 55}, {0, 1}, 11), 2);
  EXPECT_TRUE(pixels.at(150, 60).is(kOverlayFrameColor));
  EXPECT_EQ(frame_run(pixels, {150, 155}, {0, 1}, 11), 2);
  EXPECT_TRUE(pixels.at(150, 160).is(kOverlayFrameColor));
  EXPECT_EQ(pixels.at(50, 110).a, 255);
  // Inside the frame the desktop shows through but the mouse still lands.
  EXPECT_TRUE(pixels.at(150, 110).black());
  EXPECT_EQ(pixels.at(150, 110).a, 1);
}

TEST(SelectionOverlayPainter, DrawsTheHintBarAcrossTheTopWithItsText) {
  OverlayPixels pixels;
  ASSERT_TRUE(pixels.valid());
  pixels.save_png_if_asked("selection_overlay.png");
  int bar = 0;
  int text = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < kSize.cx; ++x) {
      const Pixel p = pixels.at(x, y);
      ASSERT_FALSE(p.black()) << x << "," << y;
      ASSERT_EQ(p.a, 255) << x << "," << y;
      if (p.is(kOverlayBarColor)) {
        ++bar;
      } else {
        ++text;
      }
    }
  }
  EXPECT_GT(bar, 20000);
  EXPECT_GT(text, 50);
  EXPECT_TRUE(pixels.at(0, 0).is(kOverlayBarColor));
  EXPECT_TRUE(pixels.at(799, 31).is(kOverlayBarColor));
  EXPECT_TRUE(pixels.at(400, 32).black());
  EXPECT_EQ(pixels.at(400, 32).a, 1);
}

TEST(SelectionOverlayPainter, GivesAlphaOneExactlyToUntouchedPixels) {
  OverlayPixels pixels;
  ASSERT_TRUE(pixels.valid());
  int opaque = 0;
  for (int y = 0; y < kSize.cy; ++y) {
    for (int x = 0; x < kSize.cx; ++x) {
      const Pixel p = pixels.at(x, y);
      ASSERT_EQ(p.a, p.black() ? 1 : 255) << x << "," << y;
      if (p.a == 255) ++opaque;
    }
  }
  // The bar, the text and the frame, nothing else.
  const int frame = 2 * 2 * (201 + 101);
  EXPECT_GE(opaque, 800 * 32);
  EXPECT_LE(opaque, 800 * 32 + frame + 32);
}

TEST(SelectionOverlayPainter, NarrowsTheBarToACanvasNarrowerThanIt) {
  const SIZE size{300, 100};
  MemoryBitmap bitmap;
  uint8_t* bits = nullptr;
  HDC screen = GetDC(nullptr);
  ASSERT_TRUE(bitmap.create_dib(screen, size.cx, size.cy, &bits));
  ReleaseDC(nullptr, screen);
  paint_selection_overlay(bitmap.dc(), bits, size, {0, 0, 300, 100}, 96, L"");
  auto pixel = [&](int x, int y) {
    const uint8_t* p = bits + (static_cast<size_t>(y) * size.cx + x) * 4;
    return RGB(p[2], p[1], p[0]);
  };
  EXPECT_EQ(pixel(150, 15), kOverlayBarColor);
  EXPECT_EQ(pixel(150, 50), RGB(0, 0, 0));
}

}  // namespace
}  // namespace quorvel::windows::test
