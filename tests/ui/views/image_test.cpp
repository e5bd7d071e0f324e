#include "ui/views/image.h"

#include <psapi.h>
#include <wincodec.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "engine/com_apartment.h"
#include "tests/support/test_support.h"
#include "tests/support/png_maker.h"

namespace win32_ui::ui::graphics {
namespace {

using test::Bgra;
using test::encode_png;

class ImageTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_HRESULT_SUCCEEDED(apartment_.result()); }

  const quorvel::windows::ComApartment apartment_{COINIT_APARTMENTTHREADED};

  // A valid image to show that a failing producer clears its output.
  static Image some_image() {
    const std::vector<uint8_t> pixels(4, 0xFF);
    Image image;
    EXPECT_EQ(Image::from_pixels(1, 1, 4, pixels, image), S_OK);
    return image;
  }

  // Decodes `encoded` from memory and, written to `path`, from the file:
  // both fail (with `expected` when given) and leave the image empty.
  static void expect_refused_both_ways(const std::vector<uint8_t>& encoded, const std::filesystem::path& path,
                                       std::optional<HRESULT> expected = std::nullopt);

  static Bgra pixel_at(const Image& image, uint32_t x, uint32_t y) {
    const uint8_t* p = image.pixels().data() + static_cast<size_t>(y) * image.stride() + x * 4;
    return {p[0], p[1], p[2], p[3]};
  }
};

void expect_pixel(const Bgra& actual, const Bgra& expected, int tolerance = 0) {
  EXPECT_NEAR(actual.b, expected.b, tolerance);
  EXPECT_NEAR(actual.g, expected.g, tolerance);
  EXPECT_NEAR(actual.r, expected.r, tolerance);
  EXPECT_NEAR(actual.a, expected.a, tolerance);
}

void expect_empty(const Image& image) {
  EXPECT_FALSE(image.valid());
  EXPECT_EQ(image.width(), 0u);
  EXPECT_EQ(image.height(), 0u);
  EXPECT_EQ(image.stride(), 0u);
  EXPECT_EQ(image.pixels().data(), nullptr);
  EXPECT_EQ(image.pixels().size(), 0u);
}

void write_file(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST_F(ImageTest, DefaultImageIsEmpty) { expect_empty(Image()); }

TEST_F(ImageTest, FromPixelsValidatesGeometryAndSpan) {
  const std::vector<uint8_t> bytes(64 * 1024, 0x11);
  const struct {
    const char* name;
    uint32_t width, height, stride;
    size_t span;
    HRESULT expected;
  } cases[] = {
      {"exact", 3, 2, 12, 24, S_OK},
      {"span longer than needed", 3, 2, 12, 100, S_OK},
      {"wide stride", 3, 2, 20, 40, S_OK},
      {"stride 4w-1", 3, 2, 11, 22, E_INVALIDARG},
      {"span one byte short", 3, 2, 12, 23, E_INVALIDARG},
      {"span one byte short of a wide stride", 3, 2, 20, 39, E_INVALIDARG},
      {"empty span", 1, 1, 4, 0, E_INVALIDARG},
      {"width 0", 0, 2, 12, 24, E_INVALIDARG},
      {"height 0", 3, 0, 12, 24, E_INVALIDARG},
      {"width 0x40000000", 0x40000000, 1, 0xFFFFFFFF, 1, E_INVALIDARG},
      {"width 0xFFFFFFFF", 0xFFFFFFFF, 1, 0xFFFFFFFF, 1, E_INVALIDARG},
      {"width 16385", 16385, 1, 65540, 65540, E_INVALIDARG},
      {"height 16385", 1, 16385, 4, 65540, E_INVALIDARG},
      {"width 16384", 16384, 1, 65536, 65536, S_OK},
      {"height 16384", 1, 16384, 4, 65536, S_OK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Image image = some_image();
    const HRESULT hr =
        Image::from_pixels(c.width, c.height, c.stride, std::span(bytes.data(), c.span), image);
    EXPECT_EQ(hr, c.expected);
    if (c.expected == S_OK) {
      EXPECT_TRUE(image.valid());
      EXPECT_EQ(image.width(), c.width);
      EXPECT_EQ(image.height(), c.height);
      EXPECT_EQ(image.stride(), c.stride);
      EXPECT_EQ(image.pixels().size(), static_cast<size_t>(c.stride) * c.height);
    } else {
      expect_empty(image);
    }
  }
}

TEST_F(ImageTest, FromPixelsCopiesRowsWithTheirStride) {
  // 2 x 2 pixels in rows of 12 bytes: 8 bytes of pixels and 4 of padding.
  std::vector<uint8_t> bytes(24);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
  Image image;
  ASSERT_EQ(Image::from_pixels(2, 2, 12, bytes, image), S_OK);
  EXPECT_EQ(image.stride(), 12u);
  EXPECT_EQ(std::vector<uint8_t>(image.pixels().begin(), image.pixels().end()), bytes);
  EXPECT_NE(image.pixels().data(), bytes.data());

  bytes[0] = 0xEE;  // the image holds a copy
  EXPECT_EQ(image.pixels()[0], 0);
}

TEST_F(ImageTest, CopiesShareThePixels) {
  const Image original = some_image();
  const Image copy = original;
  EXPECT_EQ(copy.data(), original.data());
  EXPECT_EQ(copy.pixels().data(), original.pixels().data());
  EXPECT_EQ(original.data().use_count(), 2);
}

TEST_F(ImageTest, DecodesPngToPremultipliedBgra) {
  const std::vector<Bgra> pixels = {
      {0, 0, 255, 255}, {0, 255, 0, 255},   {255, 0, 0, 255},
      {10, 20, 30, 255}, {200, 100, 50, 128}, {90, 90, 90, 0},
  };
  const std::vector<uint8_t> png = encode_png(3, 2, pixels);
  ASSERT_FALSE(png.empty());

  Image image = some_image();
  ASSERT_EQ(Image::decode(png, image), S_OK);
  ASSERT_TRUE(image.valid());
  EXPECT_EQ(image.width(), 3u);
  EXPECT_EQ(image.height(), 2u);
  EXPECT_EQ(image.stride(), 12u);
  EXPECT_EQ(image.pixels().size(), 24u);
  for (int i = 0; i < 4; ++i) expect_pixel(pixel_at(image, i % 3, i / 3), pixels[i]);
  // Colour scaled by alpha (128 / 255), rounding either way.
  expect_pixel(pixel_at(image, 1, 1), {100, 50, 25, 128}, 1);
  expect_pixel(pixel_at(image, 2, 1), {0, 0, 0, 0});
}

TEST_F(ImageTest, DecodesAFile) {
  const std::vector<Bgra> pixels = {{1, 2, 3, 255}, {4, 5, 6, 255}};
  const std::vector<uint8_t> png = encode_png(1, 2, pixels);
  quorvel::test::TempDir dir;
  const auto path = dir / L"picture \u00e9\u4e2d.png";
  write_file(path, png);
  Image image;
  ASSERT_EQ(Image::decode_file(path.wstring(), image), S_OK);
  EXPECT_EQ(image.width(), 1u);
  EXPECT_EQ(image.height(), 2u);
  expect_pixel(pixel_at(image, 0, 0), pixels[0]);
  expect_pixel(pixel_at(image, 0, 1), pixels[1]);

  Image missing = some_image();
  EXPECT_TRUE(FAILED(Image::decode_file((dir / L"missing.png").wstring(), missing)));
  expect_empty(missing);

  Image empty_path = some_image();
  EXPECT_EQ(Image::decode_file(std::wstring(), empty_path), E_INVALIDARG);
  expect_empty(empty_path);
}

TEST_F(ImageTest, DecodeRefusesBytesThatAreNoImage) {
  const std::vector<uint8_t> garbage(100, 0x5A);
  Image image = some_image();
  EXPECT_TRUE(FAILED(Image::decode(garbage, image)));
  expect_empty(image);

  // A PNG cut short after its header.
  std::vector<uint8_t> png = encode_png(8, 8, std::vector<Bgra>(64, Bgra{1, 2, 3, 255}));
  png.resize(40);
  Image cut = some_image();
  EXPECT_TRUE(FAILED(Image::decode(png, cut)));
  expect_empty(cut);
}

TEST_F(ImageTest, EmptySpanFailsBeforeAnyImagingCall) {
  // On a thread without COM any call into the Imaging Component fails with
  // CO_E_NOTINITIALIZED, so E_INVALIDARG there shows the span was refused
  // first.
  const std::vector<uint8_t> png = encode_png(1, 1, {{1, 2, 3, 255}});
  HRESULT empty_result = S_OK;
  HRESULT valid_result = S_OK;
  bool cleared = false;
  std::thread([&] {
    Image image = some_image();
    empty_result = Image::decode({}, image);
    cleared = !image.valid();
    Image other;
    valid_result = Image::decode(png, other);
  }).join();
  EXPECT_EQ(empty_result, E_INVALIDARG);
  EXPECT_TRUE(cleared);
  EXPECT_EQ(valid_result, CO_E_NOTINITIALIZED);
}

TEST_F(ImageTest, TintedKeepsEachPixelsAlphaAndTakesTheColourPremultiplied) {
  // 3 x 1 in rows of 16 bytes: opaque red, half-covered blue, transparent,
  // then 4 bytes of padding.
  const std::vector<uint8_t> bytes{0, 0, 255, 255, 128, 0, 0, 128, 0, 0, 0, 0, 9, 9, 9, 9};
  Image source;
  ASSERT_EQ(Image::from_pixels(3, 1, 16, bytes, source), S_OK);
  Image tinted = some_image();
  ASSERT_EQ(source.tinted(Color{200, 100, 50}, tinted), S_OK);
  EXPECT_EQ(tinted.width(), 3u);
  EXPECT_EQ(tinted.stride(), 16u);
  expect_pixel(pixel_at(tinted, 0, 0), {50, 100, 200, 255});
  // (channel x 128 + 127) / 255
  expect_pixel(pixel_at(tinted, 1, 0), {25, 50, 100, 128});
  expect_pixel(pixel_at(tinted, 2, 0), {0, 0, 0, 0});
  // The source keeps its own colours.
  expect_pixel(pixel_at(source, 0, 0), {0, 0, 255, 255});

  // Into itself, and from nothing.
  ASSERT_EQ(source.tinted(Color{0, 0, 0}, source), S_OK);
  expect_pixel(pixel_at(source, 0, 0), {0, 0, 0, 255});
  Image empty;
  Image out = some_image();
  EXPECT_EQ(empty.tinted(Color{1, 2, 3}, out), E_INVALIDARG);
  expect_empty(out);
}

TEST_F(ImageTest, ResizedToTheSameSizeSharesThePixels) {
  const std::vector<uint8_t> png = encode_png(2, 2, std::vector<Bgra>(4, Bgra{9, 8, 7, 255}));
  Image image;
  ASSERT_EQ(Image::decode(png, image), S_OK);
  Image same;
  ASSERT_EQ(image.resized(2, 2, same), S_OK);
  EXPECT_EQ(same.data(), image.data());
  EXPECT_EQ(same.pixels().data(), image.pixels().data());
}

TEST_F(ImageTest, ResizedScalesToExactlyTheRequestedSize) {
  // Left half red, right half blue: halving keeps each half's colour with
  // any interpolation.
  std::vector<Bgra> pixels;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) pixels.push_back(x < 2 ? Bgra{0, 0, 255, 255} : Bgra{255, 0, 0, 255});
  }
  Image source;
  ASSERT_EQ(Image::decode(encode_png(4, 4, pixels), source), S_OK);

  Image half;
  ASSERT_EQ(source.resized(2, 2, half), S_OK);
  EXPECT_EQ(half.width(), 2u);
  EXPECT_EQ(half.height(), 2u);
  EXPECT_EQ(half.stride(), 8u);
  EXPECT_NE(half.data(), source.data());
  for (uint32_t y = 0; y < 2; ++y) {
    expect_pixel(pixel_at(half, 0, y), {0, 0, 255, 255});
    expect_pixel(pixel_at(half, 1, y), {255, 0, 0, 255});
  }

  // A uniform colour stays that colour when enlarged to an odd size.
  Image uniform;
  ASSERT_EQ(Image::from_pixels(1, 1, 4, std::vector<uint8_t>{40, 80, 120, 255}, uniform), S_OK);
  Image large;
  ASSERT_EQ(uniform.resized(5, 3, large), S_OK);
  EXPECT_EQ(large.width(), 5u);
  EXPECT_EQ(large.height(), 3u);
  EXPECT_EQ(large.stride(), 20u);
  for (uint32_t y = 0; y < 3; ++y) {
    for (uint32_t x = 0; x < 5; ++x) expect_pixel(pixel_at(large, x, y), {40, 80, 120, 255});
  }

  // The source is untouched, and a wide-stride source scales by its rows.
  EXPECT_EQ(source.width(), 4u);
  std::vector<uint8_t> padded(2 * 16, 0xCD);
  for (int x = 0; x < 2; ++x) std::memcpy(&padded[x * 4], "\x10\x20\x30\xFF", 4);
  for (int x = 0; x < 2; ++x) std::memcpy(&padded[16 + x * 4], "\x10\x20\x30\xFF", 4);
  Image wide;
  ASSERT_EQ(Image::from_pixels(2, 2, 16, padded, wide), S_OK);
  Image one;
  ASSERT_EQ(wide.resized(1, 1, one), S_OK);
  expect_pixel(pixel_at(one, 0, 0), {0x10, 0x20, 0x30, 0xFF});
}

TEST_F(ImageTest, ResizedIntoItselfReplacesTheImage) {
  Image image;
  ASSERT_EQ(Image::from_pixels(1, 1, 4, std::vector<uint8_t>{1, 2, 3, 255}, image), S_OK);
  ASSERT_EQ(image.resized(3, 2, image), S_OK);
  EXPECT_EQ(image.width(), 3u);
  EXPECT_EQ(image.height(), 2u);
  expect_pixel(pixel_at(image, 2, 1), {1, 2, 3, 255});
}

TEST_F(ImageTest, ResizedRefusesBadSizes) {
  const Image source = some_image();
  const struct {
    const char* name;
    uint32_t width, height;
  } cases[] = {
      {"width 0", 0, 5},      {"height 0", 5, 0},          {"width 0x40000000", 0x40000000, 1},
      {"width 16385", 16385, 1}, {"height 16385", 1, 16385},
  };
  for (const auto& c : cases) {
    Image out = some_image();
    EXPECT_EQ(source.resized(c.width, c.height, out), E_INVALIDARG) << c.name;
    expect_empty(out);
  }
  Image out = some_image();
  EXPECT_EQ(Image().resized(1, 1, out), E_INVALIDARG);
  expect_empty(out);
}

// A bitmap file header and info header declaring a 32-bit picture of the
// given size, with no pixel data behind them.
std::vector<uint8_t> bmp_header_only(int32_t width, int32_t height) {
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + 4u * static_cast<uint32_t>(width) * static_cast<uint32_t>(height);
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  std::vector<uint8_t> bytes(sizeof(file) + sizeof(info));
  std::memcpy(bytes.data(), &file, sizeof(file));
  std::memcpy(bytes.data() + sizeof(file), &info, sizeof(info));
  return bytes;
}

void ImageTest::expect_refused_both_ways(const std::vector<uint8_t>& encoded, const std::filesystem::path& path,
                                         std::optional<HRESULT> expected) {
  Image image = some_image();
  const HRESULT from_memory = Image::decode(encoded, image);
  if (expected) {
    EXPECT_EQ(from_memory, *expected);
  } else {
    EXPECT_TRUE(FAILED(from_memory)) << std::hex << from_memory;
  }
  expect_empty(image);
  write_file(path, encoded);
  Image from_file = some_image();
  const HRESULT from_path = Image::decode_file(path.wstring(), from_file);
  if (expected) {
    EXPECT_EQ(from_path, *expected);
  } else {
    EXPECT_TRUE(FAILED(from_path)) << std::hex << from_path;
  }
  expect_empty(from_file);
}

TEST_F(ImageTest, RefusesPicturesWiderOrTallerThanTheLimit) {
  quorvel::test::TempDir dir;
  const struct {
    uint32_t width, height;
  } sizes[] = {{16385, 1}, {1, 16385}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(testing::Message() << s.width << " x " << s.height);
    const std::vector<uint8_t> png =
        encode_png(s.width, s.height, std::vector<Bgra>(s.width * s.height, Bgra{1, 2, 3, 255}));
    expect_refused_both_ways(png, dir / L"wide.png", WINCODEC_ERR_IMAGESIZEOUTOFRANGE);
  }

  // The limit itself is accepted.
  const std::vector<uint8_t> edge = encode_png(16384, 1, std::vector<Bgra>(16384, Bgra{1, 2, 3, 255}));
  Image image;
  ASSERT_EQ(Image::decode(edge, image), S_OK);
  EXPECT_EQ(image.width(), 16384u);
}

// Peak memory of this process so far, in bytes: the larger of the peak
// resident set and the committed private memory.
size_t peak_memory() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  EXPECT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)));
  return std::max(counters.PeakWorkingSetSize, counters.PeakPagefileUsage);
}

TEST_F(ImageTest, RefusesATinyFileDeclaringAHugePictureWithoutAllocatingIt) {
  quorvel::test::TempDir dir;
  const size_t before = peak_memory();

  // A decoder that reads only the header before the pixels are asked for
  // reports the declared size, and the size check refuses it.
  for (const auto& [width, height] : {std::pair{32767, 32767}, std::pair{0x40000000, 1}}) {
    SCOPED_TRACE(testing::Message() << "bmp " << width << " x " << height);
    const std::vector<uint8_t> bmp = bmp_header_only(width, height);
    expect_refused_both_ways(bmp, dir / L"huge.bmp", WINCODEC_ERR_IMAGESIZEOUTOFRANGE);
  }

  // A 16 x 16 PNG whose header claims 32767 x 32767 (4 GiB of pixels). The
  // system's PNG decoder reads the header lazily and the size check refuses
  // it; a decoder that inflates everything up front (Wine's) refuses the
  // missing data itself. Either way nothing of that size is allocated.
  std::vector<uint8_t> png = encode_png(16, 16, std::vector<Bgra>(256, Bgra{0, 0, 0, 255}));
  test::set_declared_size(png, 32767, 32767);
  ASSERT_LT(png.size(), 2048u);
  expect_refused_both_ways(png, dir / L"huge.png");

  EXPECT_LT(peak_memory() - before, size_t{64} << 20);
}

}  // namespace
}  // namespace win32_ui::ui::graphics
