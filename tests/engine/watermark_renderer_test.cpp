#include "engine/watermark_renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "engine/com_apartment.h"
#include "engine/frame_shader.h"
#include "engine/watermark_layout.h"
#include "engine/watermark_shader.h"
#include "tests/engine/gpu_test_support.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;
using test::blue;
using test::green;
using test::red;

constexpr int64_t kSecond = 10'000'000;
// Wine has no "Segoe UI"; the host's DejaVu is there.
constexpr wchar_t kTestFont[] = L"DejaVu Sans";

class WatermarkRendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    com_.emplace();
    ASSERT_TRUE(test::make_device(device_, context_));
  }
  void TearDown() override {
    context_.Reset();
    device_.Reset();
    com_.reset();
  }

  // A solid picture written as PNG in the temporary folder.
  std::wstring solid_png(const wchar_t* name, uint32_t width, uint32_t height, uint32_t pixel) {
    const std::wstring path = (temp_ / name).wstring();
    EXPECT_HRESULT_SUCCEEDED(test::write_png(
        path, width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height, pixel)));
    return path;
  }

  // An enabled image mark of a 40 x 10 solid picture (aspect 4).
  RecordingWatermark image_mark(const wchar_t* name, uint32_t pixel, float opacity, uint32_t seed) {
    RecordingWatermark settings;
    settings.enabled = true;
    settings.mode = RecordingWatermark::kModeImage;
    settings.image_path = solid_png(name, 40, 10, pixel);
    settings.opacity = opacity;
    settings.seed = seed;
    return settings;
  }

  ComPtr<ID3D11Texture2D> composed(uint32_t width, uint32_t height, const std::vector<uint32_t>& pixels) {
    return test::make_bgra_texture(device_.Get(), width, height, pixels,
                                   D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET);
  }

  static D3D11_TEXTURE2D_DESC view_texture(ID3D11ShaderResourceView* view) {
    ComPtr<ID3D11Resource> resource;
    view->GetResource(&resource);
    ComPtr<ID3D11Texture2D> texture;
    resource.As(&texture);
    D3D11_TEXTURE2D_DESC desc{};
    texture->GetDesc(&desc);
    return desc;
  }

  // Checks a 320 x 180 output against the mark's rectangle `g` turned by
  // `angle`: each pixel well inside goes to `inside_pixel`, each pixel well
  // outside must be `background`. Two pixels either side of the edge may be
  // partly covered and are skipped.
  template <typename InsidePixel>
  static void expect_mark(const std::vector<uint32_t>& out, const WatermarkGeometry& g, float angle,
                          uint32_t background, InsidePixel inside_pixel) {
    ASSERT_EQ(out.size(), 320u * 180u);
    const double cos_a = std::cos(angle);
    const double sin_a = std::sin(angle);
    size_t inside = 0;
    size_t outside = 0;
    for (int y = 0; y < 180; ++y) {
      for (int x = 0; x < 320; ++x) {
        const uint32_t pixel = out[static_cast<size_t>(y) * 320 + x];
        const double rx = x + 0.5 - g.center_x;
        const double ry = y + 0.5 - g.center_y;
        // The pixel in the mark's own frame.
        const double u = std::fabs(cos_a * rx + sin_a * ry);
        const double v = std::fabs(-sin_a * rx + cos_a * ry);
        if (u < g.half_width - 2 && v < g.half_height - 2) {
          ++inside;
          SCOPED_TRACE(testing::Message() << x << "," << y);
          inside_pixel(pixel);
        } else if (u > g.half_width + 2 || v > g.half_height + 2) {
          ++outside;
          ASSERT_EQ(pixel, background) << x << "," << y;
        }
      }
    }
    EXPECT_GT(inside, 200u);
    EXPECT_GT(outside, 50'000u);
  }

  std::optional<ComApartment> com_;
  quorvel::test::TempDir temp_;
  ComPtr<ID3D11Device> device_;
  ComPtr<ID3D11DeviceContext> context_;
};

TEST_F(WatermarkRendererTest, RefusesInvalidSettings) {
  const ComPtr<ID3D11Texture2D> frame = composed(64, 64, std::vector<uint32_t>(64 * 64, 0xFF000000));
  RecordingWatermark text;
  text.enabled = true;
  struct Case {
    const char* what;
    RecordingWatermark settings;
    uint32_t width;
  };
  RecordingWatermark too_long = text;
  too_long.text.assign(321, L'W');
  RecordingWatermark empty_text = text;
  empty_text.text.clear();
  RecordingWatermark image_without_path = text;
  image_without_path.mode = RecordingWatermark::kModeImage;
  RecordingWatermark disabled = text;
  disabled.enabled = false;
  const Case cases[] = {
      {"321 UTF-16 units", too_long, 64},
      {"empty text", empty_text, 64},
      {"image without a path", image_without_path, 64},
      {"disabled", disabled, 64},
      {"zero width", text, 0},
  };
  for (const Case& c : cases) {
    auto renderer = WatermarkRenderer::create(kTestFont);
    EXPECT_EQ(renderer->initialize(device_.Get(), context_.Get(), frame.Get(), c.width, 64, c.settings),
              E_INVALIDARG)
        << c.what;
  }
  auto renderer = WatermarkRenderer::create(kTestFont);
  EXPECT_EQ(renderer->initialize(nullptr, context_.Get(), frame.Get(), 64, 64, text), E_INVALIDARG);
  EXPECT_EQ(renderer->initialize(device_.Get(), nullptr, frame.Get(), 64, 64, text), E_INVALIDARG);
  EXPECT_EQ(renderer->initialize(device_.Get(), context_.Get(), nullptr, 64, 64, text), E_INVALIDARG);
  EXPECT_EQ(renderer->initialize(device_.Get(), context_.Get(), frame.Get(), 64, 0, text), E_INVALIDARG);
  EXPECT_EQ(renderer->render(0, 0, 64, 64, 0), E_UNEXPECTED);
  EXPECT_EQ(renderer->output_texture(), nullptr);

  // 320 units is the longest text accepted.
  RecordingWatermark longest = text;
  longest.text.assign(320, L'W');
  EXPECT_HRESULT_SUCCEEDED(renderer->initialize(device_.Get(), context_.Get(), frame.Get(), 64, 64, longest));
}

TEST_F(WatermarkRendererTest, LargeImagesAreScaledToTwoThousandPixelsASide) {
  struct Case {
    const wchar_t* name;
    uint32_t width, height, expected_width, expected_height;
  };
  const Case cases[] = {
      {L"wide.png", 4096, 1024, 2048, 512},
      {L"line.png", 3000, 1, 2048, 1},
      {L"small.png", 40, 10, 40, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(quorvel::test::utf8(c.name));
    const std::wstring path = solid_png(c.name, c.width, c.height, 0xFF3366CC);
    ComPtr<ID3D11ShaderResourceView> view;
    float aspect = 0.0f;
    ASSERT_HRESULT_SUCCEEDED(load_watermark_image(device_.Get(), path, &view, &aspect));
    const D3D11_TEXTURE2D_DESC desc = view_texture(view.Get());
    EXPECT_EQ(desc.Width, c.expected_width);
    EXPECT_EQ(desc.Height, c.expected_height);
    EXPECT_EQ(desc.Format, DXGI_FORMAT_B8G8R8A8_UNORM);
    EXPECT_EQ(desc.Usage, D3D11_USAGE_IMMUTABLE);
    EXPECT_FLOAT_EQ(aspect, static_cast<float>(c.expected_width) / static_cast<float>(c.expected_height));
  }
}

TEST_F(WatermarkRendererTest, ImageFailuresAreReported) {
  ComPtr<ID3D11ShaderResourceView> view;
  float aspect = 0.0f;
  EXPECT_EQ(load_watermark_image(device_.Get(), std::wstring(), &view, &aspect), E_INVALIDARG);
  EXPECT_TRUE(
      FAILED(load_watermark_image(device_.Get(), (temp_ / L"missing.png").wstring(), &view, &aspect)));
  EXPECT_FALSE(view);
}

TEST_F(WatermarkRendererTest, TextIsDrawnWhiteOnTransparentWithABorder) {
  struct Case {
    const wchar_t* text;
    bool wider_than_minimum;
  };
  for (const Case& c : {Case{L"Quorvel", true}, Case{L".", false}}) {
    SCOPED_TRACE(quorvel::test::utf8(c.text));
    ComPtr<ID3D11ShaderResourceView> view;
    float aspect = 0.0f;
    ASSERT_HRESULT_SUCCEEDED(render_watermark_text(device_.Get(), c.text, &view, &aspect, kTestFont));
    const D3D11_TEXTURE2D_DESC desc = view_texture(view.Get());
    EXPECT_GE(desc.Width, 64u);
    EXPECT_GE(desc.Height, 64u);
    EXPECT_EQ(desc.Width > 64u, c.wider_than_minimum);
    EXPECT_FLOAT_EQ(aspect, static_cast<float>(desc.Width) / static_cast<float>(desc.Height));

    ComPtr<ID3D11Resource> resource;
    view->GetResource(&resource);
    ComPtr<ID3D11Texture2D> texture;
    ASSERT_HRESULT_SUCCEEDED(resource.As(&texture));
    const std::vector<uint32_t> pixels = test::read_bgra(device_.Get(), context_.Get(), texture.Get());
    ASSERT_EQ(pixels.size(), static_cast<size_t>(desc.Width) * desc.Height);
    size_t drawn = 0;
    for (uint32_t y = 0; y < desc.Height; ++y) {
      for (uint32_t x = 0; x < desc.Width; ++x) {
        const uint32_t pixel = pixels[static_cast<size_t>(y) * desc.Width + x];
        const uint8_t alpha = static_cast<uint8_t>(pixel >> 24);
        // Premultiplied white: every channel equals alpha.
        EXPECT_EQ(red(pixel), alpha);
        EXPECT_EQ(blue(pixel), alpha);
        if (alpha != 0) {
          ++drawn;
          // Nothing inside the 16-pixel border's outer half.
          EXPECT_TRUE(x >= 8 && y >= 8 && x < desc.Width - 8 && y < desc.Height - 8) << x << "," << y;
        }
      }
    }
    EXPECT_GT(drawn, 0u);
    test::keep_frame(c.wider_than_minimum ? "watermark-text-bitmap" : "watermark-dot-bitmap", desc.Width,
                     desc.Height, pixels);
  }
  ComPtr<ID3D11ShaderResourceView> view;
  float aspect = 0.0f;
  EXPECT_EQ(render_watermark_text(device_.Get(), std::wstring(), &view, &aspect, kTestFont), E_INVALIDARG);
}

// The bitmap is as wide as the text's advance, trailing spaces included, so
// a mark that ends in spaces keeps them as room.
TEST_F(WatermarkRendererTest, TrailingSpacesWidenTheTextBitmap) {
  const auto bitmap_width = [&](const wchar_t* text) -> UINT {
    ComPtr<ID3D11ShaderResourceView> view;
    float aspect = 0.0f;
    EXPECT_HRESULT_SUCCEEDED(render_watermark_text(device_.Get(), text, &view, &aspect, kTestFont));
    return view ? view_texture(view.Get()).Width : 0;
  };
  const UINT plain = bitmap_width(L"Quorvel");
  const UINT spaced = bitmap_width(L"Quorvel    ");
  EXPECT_GT(plain, 64u);
  EXPECT_GT(spaced, plain + 20);
}

TEST_F(WatermarkRendererTest, CropsAndScalesTheViewportWhileTheMarkIsInvisible) {
  // 640 x 360 in four quadrants; the bottom-right one is the viewport.
  std::vector<uint32_t> pixels(640 * 360);
  for (uint32_t y = 0; y < 360; ++y) {
    for (uint32_t x = 0; x < 640; ++x) {
      pixels[y * 640 + x] =
          x < 320 ? (y < 180 ? 0xFFFF0000 : 0xFF00FF00) : (y < 180 ? 0xFF0000FF : 0xFF808080);
    }
  }
  const ComPtr<ID3D11Texture2D> frame = composed(640, 360, pixels);
  RecordingWatermark settings;
  settings.enabled = true;
  settings.mode = RecordingWatermark::kModeImage;
  settings.image_path = solid_png(L"mark.png", 40, 10, 0xFFFF0000);
  settings.opacity = 1.0f;
  auto renderer = WatermarkRenderer::create(kTestFont);
  ASSERT_HRESULT_SUCCEEDED(
      renderer->initialize(device_.Get(), context_.Get(), frame.Get(), 160, 90, settings));
  // Time 0: the mark has opacity 0.
  ASSERT_HRESULT_SUCCEEDED(renderer->render(320, 180, 640, 360, 0));
  ASSERT_NE(renderer->output_texture(), nullptr);
  const std::vector<uint32_t> out =
      test::read_bgra(device_.Get(), context_.Get(), renderer->output_texture());
  ASSERT_EQ(out.size(), 160u * 90u);
  for (uint32_t pixel : out) ASSERT_EQ(pixel, 0xFF808080u);
  test::keep_frame("watermark-crop-time-0", 160, 90, out);
}

// Where the geometry puts the mark, turned by the angle of the moment, the
// blended colour is the mark over the frame at the faded opacity; outside it
// the frame is untouched. The quarter and three-quarter turns of the spin
// check the shader's sine and cosine.
TEST_F(WatermarkRendererTest, BlendsTheMarkWhereTheGeometrySays) {
  const uint32_t background = 0xFF336699;  // r 0x33, g 0x66, b 0x99
  const ComPtr<ID3D11Texture2D> frame = composed(320, 180, std::vector<uint32_t>(320 * 180, background));
  const RecordingWatermark settings = image_mark(L"mark.png", 0xFFFF0000, 0.48f, 0xC0FFEE);
  auto renderer = WatermarkRenderer::create(kTestFont);
  ASSERT_HRESULT_SUCCEEDED(
      renderer->initialize(device_.Get(), context_.Get(), frame.Get(), 320, 180, settings));
  EXPECT_FLOAT_EQ(renderer->aspect(), 4.0f);
  ASSERT_EQ(watermark_corner(0, settings.seed), WatermarkCorner::kTopRight);
  ASSERT_EQ(watermark_corner(1, settings.seed), WatermarkCorner::kBottomRight);

  struct Case {
    const char* name;
    int64_t time;
    WatermarkCorner corner;
  };
  const Case cases[] = {
      // full opacity, wobble only
      {"watermark-6s", 6 * kSecond, WatermarkCorner::kTopRight},
      // half opacity, half a turn
      {"watermark-11.625s", 116'250'000, WatermarkCorner::kTopRight},
      // three-quarter opacity, a quarter turn
      {"watermark-0.5625s", 5'625'000, WatermarkCorner::kTopRight},
      // quarter opacity, three quarters of a turn
      {"watermark-0.1875s", 1'875'000, WatermarkCorner::kTopRight},
      // 6 s into the second cycle: the seed moved the mark
      {"watermark-18s", 18 * kSecond, WatermarkCorner::kBottomRight},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const WatermarkGeometry g = watermark_geometry(320, 180, 4.0f, c.corner);
    ASSERT_HRESULT_SUCCEEDED(renderer->render(0, 0, 320, 180, c.time));
    const std::vector<uint32_t> out =
        test::read_bgra(device_.Get(), context_.Get(), renderer->output_texture());
    ASSERT_EQ(out.size(), 320u * 180u);
    test::keep_frame(c.name, 320, 180, out);

    const WatermarkTiming timing = watermark_timing(c.time);
    const double opacity = watermark_opacity(timing, settings.opacity);
    const uint8_t expected_r = static_cast<uint8_t>(std::lround(0x33 * (1 - opacity) + 255 * opacity));
    const uint8_t expected_g = static_cast<uint8_t>(std::lround(0x66 * (1 - opacity)));
    const uint8_t expected_b = static_cast<uint8_t>(std::lround(0x99 * (1 - opacity)));
    expect_mark(out, g, timing.angle, background, [&](uint32_t pixel) {
      EXPECT_NEAR(red(pixel), expected_r, 1);
      EXPECT_NEAR(green(pixel), expected_g, 1);
      EXPECT_NEAR(blue(pixel), expected_b, 1);
    });
  }
}

// A half-transparent picture is blended as premultiplied colour (its white
// counts half), and unlike text it casts no shadow around itself.
TEST_F(WatermarkRendererTest, ImageMarksBlendPremultipliedWithoutAShadow) {
  const uint32_t background = 0xFF404040;
  const ComPtr<ID3D11Texture2D> frame = composed(320, 180, std::vector<uint32_t>(320 * 180, background));
  const RecordingWatermark settings = image_mark(L"veil.png", 0x80FFFFFF, 1.0f, 0);  // cycle 0: top left
  auto renderer = WatermarkRenderer::create(kTestFont);
  ASSERT_HRESULT_SUCCEEDED(
      renderer->initialize(device_.Get(), context_.Get(), frame.Get(), 320, 180, settings));
  ASSERT_HRESULT_SUCCEEDED(renderer->render(0, 0, 320, 180, 6 * kSecond));
  const std::vector<uint32_t> out = test::read_bgra(device_.Get(), context_.Get(), renderer->output_texture());
  ASSERT_EQ(out.size(), 320u * 180u);
  test::keep_frame("watermark-half-transparent-image", 320, 180, out);

  const WatermarkGeometry g = watermark_geometry(320, 180, 4.0f, WatermarkCorner::kTopLeft);
  // 0x40 x (1 - 128/255) + 128: the mark's premultiplied white is 128. A
  // text mark's shadow would first darken the 0x40 by up to 22 % of alpha.
  const double expected = 0x40 * (1.0 - 128.0 / 255.0) + 128.0;
  expect_mark(out, g, watermark_timing(6 * kSecond).angle, background, [&](uint32_t pixel) {
    EXPECT_NEAR(red(pixel), expected, 1.5);
    EXPECT_EQ(red(pixel), green(pixel));
    EXPECT_EQ(red(pixel), blue(pixel));
  });
}

TEST_F(WatermarkRendererTest, TextMarkBrightensItsCornerOnly) {
  const ComPtr<ID3D11Texture2D> frame = composed(640, 360, std::vector<uint32_t>(640 * 360, 0xFF101010));
  RecordingWatermark settings;
  settings.enabled = true;
  settings.text = L"Quorvel";
  settings.opacity = 1.0f;
  settings.seed = 0;  // cycle 0: top left
  auto renderer = WatermarkRenderer::create(kTestFont);
  ASSERT_HRESULT_SUCCEEDED(
      renderer->initialize(device_.Get(), context_.Get(), frame.Get(), 640, 360, settings));
  ASSERT_HRESULT_SUCCEEDED(renderer->render(0, 0, 640, 360, 6 * kSecond));
  const std::vector<uint32_t> out =
      test::read_bgra(device_.Get(), context_.Get(), renderer->output_texture());
  ASSERT_EQ(out.size(), 640u * 360u);
  test::keep_frame("watermark-text", 640, 360, out);
  const WatermarkGeometry g = watermark_geometry(640, 360, renderer->aspect(), WatermarkCorner::kTopLeft);
  size_t bright = 0;
  for (int y = 0; y < 360; ++y) {
    for (int x = 0; x < 640; ++x) {
      const uint32_t pixel = out[static_cast<size_t>(y) * 640 + x];
      const bool near_mark = std::fabs(x + 0.5f - g.center_x) < g.half_width + 4 &&
                             std::fabs(y + 0.5f - g.center_y) < g.half_height + 4;
      if (!near_mark) {
        ASSERT_EQ(pixel, 0xFF101010u) << x << "," << y;
      } else if (red(pixel) > 0xC0) {
        ++bright;
      }
    }
  }
  EXPECT_GT(bright, 50u);
}

// The shader compile test covers every shader in the registry; both of the
// video path's shaders must be there under the names the compiler reports.
TEST(VideoShaders, AreRegisteredForTheCompileTest) {
  bool frame = false;
  bool watermark = false;
  for (const EmbeddedShader* shader : embedded_shaders()) {
    frame = frame || shader == &frame_shader();
    watermark = watermark || shader == &watermark_shader();
  }
  EXPECT_TRUE(frame);
  EXPECT_TRUE(watermark);
  EXPECT_STREQ(frame_shader().name, "quorvel-frame");
  EXPECT_STREQ(watermark_shader().name, "quorvel-watermark");
  EXPECT_EQ(sizeof(FrameConstants), 48u);
  EXPECT_EQ(sizeof(WatermarkConstants), 64u);
}

}  // namespace
}  // namespace quorvel::windows
