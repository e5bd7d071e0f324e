#include "engine/nv12_converter.h"

#include <gtest/gtest.h>
#include <mfapi.h>

#include <vector>

#include "tests/engine/gpu_test_support.h"
#include "engine/recording_stages.h"

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;

class VideoProcessorConverterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_FULL));
    ASSERT_TRUE(test::make_device(device_, context_));
  }
  void TearDown() override {
    context_.Reset();
    device_.Reset();
    MFShutdown();
  }

  ComPtr<ID3D11Device> device_;
  ComPtr<ID3D11DeviceContext> context_;
};

TEST_F(VideoProcessorConverterTest, RefusesWorkBeforeItsPartsExist) {
  const auto converter = create_video_processor_converter();
  ComPtr<IMFSample> sample;
  EXPECT_EQ(converter->allocate_sample(&sample), E_UNEXPECTED);
  uint32_t stage = kStageSubmissionBegun;
  const ComPtr<ID3D11Texture2D> frame =
      test::make_bgra_texture(device_.Get(), 16, 16, std::vector<uint32_t>(256));
  EXPECT_EQ(converter->convert(frame.Get(), RECT{0, 0, 16, 16}, frame.Get(), 0, stage), E_UNEXPECTED);
  EXPECT_EQ(stage, kStageSubmissionBegun);
}

TEST_F(VideoProcessorConverterTest, OpensTheVideoProcessorOrReportsTheMissingVideoDevice) {
  const auto converter = create_video_processor_converter();
  Nv12ConverterSettings settings{64, 48, 64, 48, 30};
  uint32_t stage = kStageStart;
  const HRESULT hr = converter->open(device_.Get(), context_.Get(), settings, stage);
  if (FAILED(hr)) {
    // Wine's device has no ID3D11VideoDevice: nothing past the start is reached.
    EXPECT_EQ(hr, E_NOINTERFACE);
    EXPECT_EQ(stage, kStageStart);
  } else {
    EXPECT_EQ(stage, kStageOutputFormatChecked);
  }
}

}  // namespace
}  // namespace quorvel::windows
