#include "engine/desktop_snapshot.h"

#include <d3d11.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "engine/d3d11_textures.h"
#include "tests/engine/display_test_support.h"
#include "tests/fakes/engine/fake_device_factory.h"
#include "tests/fakes/engine/fake_output_duplication.h"
#include "tests/support/fake_clock.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using namespace std::chrono_literals;
using Microsoft::WRL::ComPtr;

constexpr int64_t kNsPerMs = 1'000'000;

using test::primary_monitor;
// Some expectations hold only for Wine's display, which cannot be duplicated
// and reports no HDR values.
using quorvel::test::running_under_wine;

// IEEE 754 binary16, round to nearest even; enough for the normal range the
// tests use (and zero).
uint16_t to_half(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof(bits));
  const uint16_t sign = static_cast<uint16_t>((bits >> 16) & 0x8000u);
  const int exponent = static_cast<int>((bits >> 23) & 0xFF) - 127 + 15;
  uint32_t mantissa = bits & 0x7FFFFFu;
  if ((bits & 0x7FFFFFFFu) == 0 || exponent <= 0) return sign;
  if (exponent >= 31) return static_cast<uint16_t>(sign | 0x7C00u);
  uint32_t half = (static_cast<uint32_t>(exponent) << 10) | (mantissa >> 13);
  const uint32_t rest = mantissa & 0x1FFFu;
  if (rest > 0x1000u || (rest == 0x1000u && (half & 1u))) ++half;
  return static_cast<uint16_t>(sign | half);
}

float from_half(uint16_t half) {
  const int exponent = (half >> 10) & 0x1F;
  const int mantissa = half & 0x3FF;
  const float magnitude = exponent == 0
                              ? std::ldexp(static_cast<float>(mantissa), -24)
                              : std::ldexp(static_cast<float>(mantissa + 1024), exponent - 25);
  return (half & 0x8000) ? -magnitude : magnitude;
}

std::vector<uint8_t> fp16_texel(float r, float g, float b, float a) {
  const uint16_t halves[4] = {to_half(r), to_half(g), to_half(b), to_half(a)};
  std::vector<uint8_t> bytes(8);
  std::memcpy(bytes.data(), halves, 8);
  return bytes;
}

// The SDR tone curve written out from its definition, in double precision.
double encode_srgb(double v) {
  v = std::max(v, 0.0);
  return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
}

std::array<double, 3> reference_tone_map(std::array<double, 3> scene, double sdr_white,
                                         double max_luminance) {
  const double white_scale = std::max(sdr_white / 80.0, 1.0);
  std::array<double, 3> relative;
  for (int i = 0; i < 3; ++i) relative[i] = std::max(scene[i], 0.0) / white_scale;
  const double luminance = 0.2126 * relative[0] + 0.7152 * relative[1] + 0.0722 * relative[2];
  const double max_relative = std::max(max_luminance / std::max(sdr_white, 80.0), 1.01);
  const double knee = 0.95;
  double mapped = luminance;
  if (luminance > knee) {
    const double n = std::clamp((luminance - knee) / (max_relative - knee), 0.0, 1.0);
    const double shoulder = (1.0 - std::exp(-3.0 * n)) / (1.0 - std::exp(-3.0));
    mapped = knee + (1.0 - knee) * shoulder;
  }
  std::array<double, 3> out;
  for (int i = 0; i < 3; ++i) {
    double v = luminance > 0.00001 ? relative[i] * mapped / luminance : relative[i];
    out[i] = std::clamp(encode_srgb(std::clamp(v, 0.0, 1.0)), 0.0, 1.0);
  }
  return out;
}

uint8_t to_byte(double unit) { return static_cast<uint8_t>(std::lround(unit * 255.0)); }

class SnapshotDeviceTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_HRESULT_SUCCEEDED(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr,
                                               D3D11_CREATE_DEVICE_BGRA_SUPPORT, nullptr, 0,
                                               D3D11_SDK_VERSION, &device_, nullptr, &context_));
  }
  static void TearDownTestSuite() {
    context_.Reset();
    device_.Reset();
  }

  // A texture like a duplication surface: bound to nothing.
  static ComPtr<ID3D11Texture2D> make_texture(UINT width, UINT height, DXGI_FORMAT format,
                                              const std::vector<uint8_t>& pixels) {
    const UINT texel_bytes = format == DXGI_FORMAT_R16G16B16A16_FLOAT ? 8 : 4;
    EXPECT_EQ(pixels.size(), static_cast<size_t>(width) * height * texel_bytes);
    const D3D11_TEXTURE2D_DESC desc = texture_2d_desc(width, height, format, D3D11_USAGE_DEFAULT, 0);
    D3D11_SUBRESOURCE_DATA data{pixels.data(), width * texel_bytes, 0};
    ComPtr<ID3D11Texture2D> texture;
    EXPECT_HRESULT_SUCCEEDED(device_->CreateTexture2D(&desc, &data, &texture));
    return texture;
  }

  static ComPtr<ID3D11Device> device_;
  static ComPtr<ID3D11DeviceContext> context_;
};

ComPtr<ID3D11Device> SnapshotDeviceTest::device_;
ComPtr<ID3D11DeviceContext> SnapshotDeviceTest::context_;

void expect_near_byte(uint8_t actual, uint8_t expected, const char* what) {
  EXPECT_LE(std::abs(static_cast<int>(actual) - static_cast<int>(expected)), 1)
      << what << ": got " << int(actual) << ", expected " << int(expected);
}

TEST_F(SnapshotDeviceTest, RejectsNullPointersAndUnsupportedTextures) {
  auto bgra = make_texture(2, 2, DXGI_FORMAT_B8G8R8A8_UNORM, std::vector<uint8_t>(16, 9));
  auto rgba = make_texture(2, 2, DXGI_FORMAT_R8G8B8A8_UNORM, std::vector<uint8_t>(16, 9));
  const CapturedFrameInfo info;
  DesktopSnapshot out;
  out.width = 77;
  EXPECT_EQ(convert_snapshot_frame(nullptr, context_.Get(), bgra.Get(), info, out), E_INVALIDARG);
  EXPECT_EQ(convert_snapshot_frame(device_.Get(), nullptr, bgra.Get(), info, out), E_INVALIDARG);
  EXPECT_EQ(convert_snapshot_frame(device_.Get(), context_.Get(), nullptr, info, out),
            E_INVALIDARG);
  EXPECT_EQ(convert_snapshot_frame(device_.Get(), context_.Get(), rgba.Get(), info, out),
            DXGI_ERROR_UNSUPPORTED);
  EXPECT_EQ(out.width, 77u);
  EXPECT_TRUE(out.pixels.empty());
}

TEST_F(SnapshotDeviceTest, SdrFramePassesUnchangedWithOpaqueAlpha) {
  const UINT width = 7, height = 5;
  std::vector<uint8_t> pixels(width * height * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((i * 37 + 11) % 256);
  pixels[3] = 0;  // A texel with colour but no alpha still counts as content.
  auto source = make_texture(width, height, DXGI_FORMAT_B8G8R8A8_UNORM, pixels);
  CapturedFrameInfo info;
  // HDR values do not touch an SDR frame: the texture's format decides.
  info.hdr_input = true;
  info.sdr_white_nits = 400.0f;
  info.max_luminance_nits = 600.0f;
  DesktopSnapshot out;
  ASSERT_EQ(convert_snapshot_frame(device_.Get(), context_.Get(), source.Get(), info, out), S_OK);
  ASSERT_EQ(out.width, width);
  ASSERT_EQ(out.height, height);
  ASSERT_EQ(out.stride, width * 4);
  ASSERT_EQ(out.pixels.size(), width * height * 4);
  EXPECT_FALSE(out.hdr_source);
  for (size_t i = 0; i < pixels.size(); ++i) {
    const uint8_t expected = i % 4 == 3 ? 255 : pixels[i];
    ASSERT_EQ(out.pixels[i], expected) << "byte " << i;
  }
}

TEST_F(SnapshotDeviceTest, RotatedFrameComesOutUpright) {
  // Each texel names its own source position: B = x, G = y.
  const UINT width = 5, height = 3;
  std::vector<uint8_t> pixels(width * height * 4);
  for (UINT y = 0; y < height; ++y) {
    for (UINT x = 0; x < width; ++x) {
      uint8_t* texel = &pixels[(y * width + x) * 4];
      texel[0] = static_cast<uint8_t>(10 + x * 20);
      texel[1] = static_cast<uint8_t>(10 + y * 20);
      texel[2] = 200;
      texel[3] = 255;
    }
  }
  auto source = make_texture(width, height, DXGI_FORMAT_B8G8R8A8_UNORM, pixels);

  struct Case {
    uint32_t rotation;
    UINT out_width, out_height;
  };
  const Case cases[] = {
      {DXGI_MODE_ROTATION_UNSPECIFIED, width, height},
      {DXGI_MODE_ROTATION_IDENTITY, width, height},
      {DXGI_MODE_ROTATION_ROTATE90, height, width},
      {DXGI_MODE_ROTATION_ROTATE180, width, height},
      {DXGI_MODE_ROTATION_ROTATE270, height, width},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rotation);
    CapturedFrameInfo info;
    info.rotation = c.rotation;
    DesktopSnapshot out;
    ASSERT_EQ(convert_snapshot_frame(device_.Get(), context_.Get(), source.Get(), info, out), S_OK);
    ASSERT_EQ(out.width, c.out_width);
    ASSERT_EQ(out.height, c.out_height);
    for (UINT y = 0; y < c.out_height; ++y) {
      for (UINT x = 0; x < c.out_width; ++x) {
        // Where the texel of upright pixel (x, y) lies in the rotated image.
        UINT sx = x, sy = y;
        switch (c.rotation) {
          case DXGI_MODE_ROTATION_ROTATE90:
            sx = y;
            sy = height - 1 - x;
            break;
          case DXGI_MODE_ROTATION_ROTATE180:
            sx = width - 1 - x;
            sy = height - 1 - y;
            break;
          case DXGI_MODE_ROTATION_ROTATE270:
            sx = width - 1 - y;
            sy = x;
            break;
          default:
            break;
        }
        const uint8_t* got = &out.pixels[(y * out.width + x) * 4];
        ASSERT_EQ(got[0], 10 + sx * 20) << "x " << x << " y " << y;
        ASSERT_EQ(got[1], 10 + sy * 20) << "x " << x << " y " << y;
        ASSERT_EQ(got[2], 200);
        ASSERT_EQ(got[3], 255);
      }
    }
  }

  // A 90-degree turn of a landscape image is the image turned back: the
  // top-left of the upright picture is the bottom-left of the source.
  CapturedFrameInfo quarter;
  quarter.rotation = DXGI_MODE_ROTATION_ROTATE90;
  DesktopSnapshot out;
  ASSERT_EQ(convert_snapshot_frame(device_.Get(), context_.Get(), source.Get(), quarter, out),
            S_OK);
  EXPECT_EQ(out.pixels[0], 10);                      // x 0
  EXPECT_EQ(out.pixels[1], 10 + (height - 1) * 20);  // y 2
}

TEST_F(SnapshotDeviceTest, HdrFrameIsToneMappedToSdr) {
  struct Case {
    const char* name;
    std::array<float, 3> scene;
    float sdr_white;
    float max_luminance;
  };
  const Case cases[] = {
      {"SDR white", {2.5375f, 2.5375f, 2.5375f}, 203.0f, 1000.0f},
      {"half SDR white", {1.26875f, 1.26875f, 1.26875f}, 203.0f, 1000.0f},
      {"dark grey", {0.01f, 0.01f, 0.01f}, 203.0f, 1000.0f},
      {"peak", {12.5f, 12.5f, 12.5f}, 203.0f, 1000.0f},
      {"colour above the knee", {6.0f, 2.0f, 0.25f}, 203.0f, 1000.0f},
      {"negative clipped", {-1.0f, 0.5f, 0.75f}, 203.0f, 1000.0f},
      {"80-nit white", {1.0f, 1.0f, 1.0f}, 80.0f, 400.0f},
      {"dim display", {3.0f, 3.0f, 3.0f}, 240.0f, 250.0f},
      // Both 80-nit floors: white stays at scale 1 and the peak is taken
      // relative to 80 nits.
      {"white level below 80 nits", {1.2f, 1.2f, 1.2f}, 60.0f, 120.0f},
      // The peak never falls below 1.01 x SDR white.
      {"peak below SDR white", {2.5375f, 2.5375f, 2.5375f}, 203.0f, 100.0f},
      // Relative 0.001: the linear toe of the sRGB curve (3, not 1).
      {"below the sRGB toe", {0.0025375f, 0.0025375f, 0.0025375f}, 203.0f, 1000.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto source = make_texture(2, 1, DXGI_FORMAT_R16G16B16A16_FLOAT, [&] {
      std::vector<uint8_t> pixels = fp16_texel(c.scene[0], c.scene[1], c.scene[2], 1.0f);
      pixels.resize(16);
      std::copy_n(pixels.begin(), 8, pixels.begin() + 8);
      return pixels;
    }());
    CapturedFrameInfo info;
    info.hdr_input = true;
    info.sdr_white_nits = c.sdr_white;
    info.max_luminance_nits = c.max_luminance;
    DesktopSnapshot out;
    ASSERT_EQ(convert_snapshot_frame(device_.Get(), context_.Get(), source.Get(), info, out), S_OK);
    ASSERT_EQ(out.pixels.size(), 8u);
    EXPECT_TRUE(out.hdr_source);

    // The reference starts from the values FP16 actually holds.
    const auto expected =
        reference_tone_map({from_half(to_half(c.scene[0])), from_half(to_half(c.scene[1])),
                            from_half(to_half(c.scene[2]))},
                           c.sdr_white, c.max_luminance);
    expect_near_byte(out.pixels[0], to_byte(expected[2]), "blue");
    expect_near_byte(out.pixels[1], to_byte(expected[1]), "green");
    expect_near_byte(out.pixels[2], to_byte(expected[0]), "red");
    EXPECT_EQ(out.pixels[3], 255);
    EXPECT_EQ(std::memcmp(out.pixels.data(), out.pixels.data() + 4, 4), 0);
  }
}

TEST_F(SnapshotDeviceTest, SdrWhiteOfAnHdrDesktopBecomesAbout250) {
  auto source = make_texture(1, 1, DXGI_FORMAT_R16G16B16A16_FLOAT,
                             fp16_texel(2.5375f, 2.5375f, 2.5375f, 1.0f));
  CapturedFrameInfo info;
  info.hdr_input = true;
  DesktopSnapshot out;
  ASSERT_EQ(convert_snapshot_frame(device_.Get(), context_.Get(), source.Get(), info, out), S_OK);
  // Relative luminance 1.0, about 0.952 after the shoulder, about 0.979
  // after the sRGB curve.
  for (int channel = 0; channel < 3; ++channel) expect_near_byte(out.pixels[channel], 250, "grey");
}

TEST_F(SnapshotDeviceTest, AllZeroFrameIsNotAPicture) {
  struct Case {
    DXGI_FORMAT format;
    std::vector<uint8_t> texel;
    HRESULT expected;
  };
  const Case cases[] = {
      {DXGI_FORMAT_B8G8R8A8_UNORM, {0, 0, 0, 0}, S_FALSE},
      {DXGI_FORMAT_R16G16B16A16_FLOAT, fp16_texel(0, 0, 0, 0), S_FALSE},
      // Black but opaque is a real (black) desktop.
      {DXGI_FORMAT_B8G8R8A8_UNORM, {0, 0, 0, 255}, S_OK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.format));
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 12; ++i) pixels.insert(pixels.end(), c.texel.begin(), c.texel.end());
    auto source = make_texture(4, 3, c.format, pixels);
    CapturedFrameInfo info;
    DesktopSnapshot out;
    out.width = 99;
    out.pixels = {1, 2, 3};
    EXPECT_EQ(convert_snapshot_frame(device_.Get(), context_.Get(), source.Get(), info, out),
              c.expected);
    if (c.expected == S_FALSE) {
      EXPECT_EQ(out.width, 99u);
      EXPECT_EQ(out.pixels, (std::vector<uint8_t>{1, 2, 3}));
    } else {
      EXPECT_EQ(out.width, 4u);
      EXPECT_EQ(out.pixels.size(), 48u);
    }
  }
}

TEST(DesktopSnapshot, RefusesNullMonitorAndNonPositiveTimeoutWithoutCapturing) {
  struct Case {
    HMONITOR monitor;
    int32_t timeout_ms;
  };
  const Case cases[] = {{nullptr, 2000}, {primary_monitor(), 0}, {primary_monitor(), -5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.timeout_ms);
    DesktopSnapshot snapshot;
    snapshot.width = 3;
    snapshot.pixels = {1};
    snapshot.hdr_source = true;
    bool called = false;
    EXPECT_EQ(capture_desktop_snapshot(c.monitor, snapshot, c.timeout_ms, [&] { called = true; }),
              E_INVALIDARG);
    EXPECT_FALSE(called);
    EXPECT_EQ(snapshot.width, 0u);
    EXPECT_TRUE(snapshot.pixels.empty());
    EXPECT_FALSE(snapshot.hdr_source);
  }
}

// Wine cannot duplicate the output, so the capture fails at once; the
// snapshot still waits out its time-out and then reports that failure.
TEST(DesktopSnapshot, OnWineReturnsTheCaptureFailureAfterTheTimeout) {
  if (!running_under_wine()) GTEST_SKIP() << "Windows duplicates the output";
  DesktopSnapshot snapshot;
  int before_calls = 0;
  const auto clock = std::make_shared<test::FakeClock>();
  DesktopCaptureSeams seams;
  seams.clock = clock;
  const int64_t deadline = clock->now() + 300 * kNsPerMs;
  std::atomic<bool> time_passed{false};
  std::thread time_passes([&] {
    EXPECT_TRUE(clock->wait_for_waiter(deadline, 60000));
    time_passed = true;
    clock->advance(300 * kNsPerMs);
  });
  const HRESULT hr =
      capture_desktop_snapshot(primary_monitor(), snapshot, 300, [&] { ++before_calls; }, seams);
  EXPECT_TRUE(time_passed.load()) << "returned before its time-out";
  time_passes.join();
  EXPECT_EQ(hr, E_NOTIMPL);
  EXPECT_EQ(before_calls, 1);
  EXPECT_TRUE(snapshot.pixels.empty());
  EXPECT_EQ(snapshot.width, 0u);
}

class SnapshotCaptureTest : public testing::TestWithParam<DXGI_FORMAT> {};

TEST_P(SnapshotCaptureTest, WaitsPastAllZeroFramesForTheFirstRealOne) {
  const bool hdr = GetParam() == DXGI_FORMAT_R16G16B16A16_FLOAT;
  if (hdr && !running_under_wine()) GTEST_SKIP() << "the expected colour assumes Wine's display";
  FakeDuplicationScript script(FakeDuplicationScript::mode(32, 16, GetParam()));
  script.push(FakeAcquireStep::frame());
  script.push(FakeAcquireStep::frame());
  const std::vector<uint8_t> texel =
      hdr ? fp16_texel(0.5f, 1.0f, 0.25f, 1.0f) : std::vector<uint8_t>{30, 60, 90, 255};
  script.push(FakeAcquireStep::frame(texel));
  script.push(
      FakeAcquireStep::frame(hdr ? fp16_texel(2, 2, 2, 1) : std::vector<uint8_t>{1, 1, 1, 1}));

  int opens_before_capture = -1;
  DesktopSnapshot snapshot;
  ASSERT_EQ(capture_desktop_snapshot(primary_monitor(), snapshot, 5000,
                                     [&] { opens_before_capture = script.open_calls(); },
                                     {script.opener(), {}}),
            S_OK);
  EXPECT_EQ(opens_before_capture, 0);
  EXPECT_GE(script.frames_delivered(), 3);
  EXPECT_EQ(script.live_duplications(), 0);
  ASSERT_EQ(snapshot.width, 32u);
  ASSERT_EQ(snapshot.height, 16u);
  ASSERT_EQ(snapshot.stride, 32u * 4);
  ASSERT_EQ(snapshot.pixels.size(), 32u * 4 * 16);
  EXPECT_EQ(snapshot.hdr_source, hdr);

  std::array<uint8_t, 4> expected{30, 60, 90, 255};
  if (hdr) {
    // The capture's HDR values on Wine are the defaults, 203 and 1000 nits.
    const auto mapped = reference_tone_map({0.5, 1.0, 0.25}, 203.0, 1000.0);
    expected = {to_byte(mapped[2]), to_byte(mapped[1]), to_byte(mapped[0]), 255};
  }
  for (size_t i = 0; i < snapshot.pixels.size(); i += 4) {
    for (int channel = 0; channel < 4; ++channel) {
      ASSERT_LE(std::abs(snapshot.pixels[i + channel] - expected[channel]), 1)
          << "byte " << i + channel;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, SnapshotCaptureTest,
                         testing::Values(DXGI_FORMAT_B8G8R8A8_UNORM,
                                         DXGI_FORMAT_R16G16B16A16_FLOAT),
                         [](const testing::TestParamInfo<DXGI_FORMAT>& info) {
                           return info.param == DXGI_FORMAT_B8G8R8A8_UNORM ? std::string("Bgra8")
                                                                           : std::string("Fp16");
                         });

// The screenshot and the region selection do not need video support: on an
// adapter that refuses it the snapshot is taken on a device without it.
TEST(DesktopSnapshot, AdapterRefusingVideoSupportStillGivesTheSnapshot) {
  FakeDuplicationScript script(FakeDuplicationScript::mode(8, 4, DXGI_FORMAT_B8G8R8A8_UNORM));
  script.push(FakeAcquireStep::frame({40, 50, 60, 255}));
  test::FakeDeviceFactory devices;
  devices.refuse_video_support(DXGI_ERROR_UNSUPPORTED);
  DesktopSnapshot snapshot;
  ASSERT_EQ(capture_desktop_snapshot(primary_monitor(), snapshot, 5000, {},
                                     {script.opener(), {}, devices.function()}),
            S_OK);
  EXPECT_EQ(devices.requested_flags(),
            (std::vector<UINT>{D3D11_CREATE_DEVICE_BGRA_SUPPORT | D3D11_CREATE_DEVICE_VIDEO_SUPPORT,
                               D3D11_CREATE_DEVICE_BGRA_SUPPORT}));
  EXPECT_EQ(devices.granted_flags(), static_cast<UINT>(D3D11_CREATE_DEVICE_BGRA_SUPPORT));
  ASSERT_EQ(snapshot.pixels.size(), 8u * 4 * 4);
  for (size_t i = 0; i < snapshot.pixels.size(); i += 4) {
    ASSERT_EQ(snapshot.pixels[i], 40) << i;
    ASSERT_EQ(snapshot.pixels[i + 1], 50) << i;
    ASSERT_EQ(snapshot.pixels[i + 2], 60) << i;
    ASSERT_EQ(snapshot.pixels[i + 3], 255) << i;
  }
}

// The seams' clock: the tests' stands still until they move it.
DesktopCaptureSeams seams_on(FakeDuplicationScript& script, std::shared_ptr<test::FakeClock> clock) {
  DesktopCaptureSeams seams;
  seams.open_duplication = script.opener();
  seams.clock = std::move(clock);
  return seams;
}

TEST(DesktopSnapshot, OnlyAllZeroFramesTimeOut) {
  FakeDuplicationScript script(FakeDuplicationScript::mode(8, 8, DXGI_FORMAT_B8G8R8A8_UNORM));
  for (int i = 0; i < 5; ++i) script.push(FakeAcquireStep::frame());
  const auto clock = std::make_shared<test::FakeClock>();
  const int64_t deadline = clock->now() + 2000 * kNsPerMs;
  // The time-out passes once the capture has seen all five and waits for
  // more, however long that took.
  std::thread time_passes([&] {
    EXPECT_TRUE(script.wait_until_drained(60s));
    EXPECT_TRUE(clock->wait_for_waiter(deadline, 60000));
    clock->advance(2000 * kNsPerMs);
  });
  DesktopSnapshot snapshot;
  EXPECT_EQ(capture_desktop_snapshot(primary_monitor(), snapshot, 2000, {}, seams_on(script, clock)),
            HRESULT_FROM_WIN32(ERROR_TIMEOUT));
  time_passes.join();
  EXPECT_EQ(script.frames_delivered(), 5);
  EXPECT_TRUE(snapshot.pixels.empty());
}

// However slowly the machine starts the capture and converts the frame, the
// time-out is counted on the seams' clock, not in real time.
TEST(DesktopSnapshot, TimeOutRunsOnTheSeamsClock) {
  FakeDuplicationScript script(FakeDuplicationScript::mode(8, 8, DXGI_FORMAT_B8G8R8A8_UNORM));
  script.push(FakeAcquireStep::frame({7, 8, 9, 255}));
  DesktopSnapshot snapshot;
  // One millisecond is less than making a device takes.
  ASSERT_EQ(capture_desktop_snapshot(primary_monitor(), snapshot, 1, {},
                                     seams_on(script, std::make_shared<test::FakeClock>())),
            S_OK);
  ASSERT_EQ(snapshot.pixels.size(), 8u * 8 * 4);
  EXPECT_EQ(snapshot.pixels[0], 7);
  EXPECT_EQ(snapshot.pixels[2], 9);
}

// As with a real duplication, the snapshot's own starts with the current
// desktop image at once while another capture of the output waits for
// frames: nothing is taken from one by the other.
TEST(DesktopSnapshot, GetsTheCurrentDesktopWhileAnotherCaptureRuns) {
  FakeDuplicationScript script(FakeDuplicationScript::mode(8, 8, DXGI_FORMAT_B8G8R8A8_UNORM));
  script.set_desktop(FakeAcquireStep::frame({11, 22, 33, 255}));
  std::atomic<int> live_frames{0};
  DesktopCapture live(seams_on(script, nullptr));
  ASSERT_TRUE(live.start(
      primary_monitor(),
      [&](ID3D11Device*, ID3D11DeviceContext*, ID3D11Texture2D*, const CapturedFrameInfo&) {
        ++live_frames;
        return S_OK;
      },
      IdleCallback{}));
  ASSERT_TRUE(script.wait_until_drained(60s)) << "the live capture waits for more";

  DesktopSnapshot snapshot;
  ASSERT_EQ(capture_desktop_snapshot(primary_monitor(), snapshot, 2000, {},
                                     seams_on(script, std::make_shared<test::FakeClock>())),
            S_OK);
  live.stop();
  ASSERT_EQ(snapshot.pixels.size(), 8u * 8 * 4);
  EXPECT_EQ(snapshot.pixels[0], 11);
  EXPECT_EQ(snapshot.pixels[1], 22);
  EXPECT_EQ(snapshot.pixels[2], 33);
  EXPECT_EQ(live_frames.load(), 1) << "the live capture saw the desktop once, when it began";
  EXPECT_EQ(script.frames_delivered(), 2);
  EXPECT_EQ(script.protocol_errors(), 0);
}

TEST(DesktopSnapshot, MonitorThatCannotBeDuplicatedReturnsTheCaptureFailure) {
  FakeDuplicationScript script(FakeDuplicationScript::mode(8, 8, DXGI_FORMAT_B8G8R8A8_UNORM));
  script.set_default_open_result(DXGI_ERROR_NOT_FOUND);
  DesktopSnapshot snapshot;
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(capture_desktop_snapshot(primary_monitor(), snapshot, 500, {},
                                     {script.opener(), [](std::stop_token) { return true; }}),
            DXGI_ERROR_NOT_FOUND);
  // The failed capture does not cut the wait short.
  EXPECT_GE(std::chrono::steady_clock::now() - begin, 500ms);
  EXPECT_EQ(script.open_calls(), 41);
}

TEST(DesktopSnapshot, ConversionFailureIsReturned) {
  // A desktop format the converter does not know.
  FakeDuplicationScript script(FakeDuplicationScript::mode(8, 8, DXGI_FORMAT_R8G8B8A8_UNORM));
  script.push(FakeAcquireStep::frame({1, 2, 3, 255}));
  DesktopSnapshot snapshot;
  EXPECT_EQ(capture_desktop_snapshot(primary_monitor(), snapshot, 5000, {}, {script.opener(), {}}),
            DXGI_ERROR_UNSUPPORTED);
  EXPECT_TRUE(snapshot.pixels.empty());
}

}  // namespace
}  // namespace quorvel::windows
