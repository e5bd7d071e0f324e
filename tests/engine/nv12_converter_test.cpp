#include "engine/nv12_converter.h"

#include <gtest/gtest.h>
#include <mfapi.h>

#include <memory>
#include <utility>
#include <vector>

#include "engine/engine_errors.h"
#include "engine/recording_stages.h"
#include "tests/engine/gpu_test_support.h"
#include "tests/fakes/engine/fake_video_processor.h"

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

// The product's converter on Wine's real device, with the video device and
// context (which Wine lacks) faked at the converter's seam.
class FakeVideoProcessorTest : public VideoProcessorConverterTest {
 protected:
  std::unique_ptr<Nv12Converter> make_converter() {
    return create_video_processor_converter(test::FakeVideoInterfaces(record_).query());
  }

  std::shared_ptr<test::FakeVideoProcessorRecord> record_ =
      std::make_shared<test::FakeVideoProcessorRecord>();
};

bool same_rect(const std::optional<RECT>& rect, const RECT& expected) {
  return rect && rect->left == expected.left && rect->top == expected.top &&
         rect->right == expected.right && rect->bottom == expected.bottom;
}

// Drivers apply their own noise reduction, edge enhancement or colour
// changes unless told not to: every blit finds the input stream's
// auto-processing off, with the rest of the stream state the frame needs.
TEST_F(FakeVideoProcessorTest, EveryBlitFindsTheDriversOwnProcessingOffOnTheInputStream) {
  const auto converter = make_converter();
  uint32_t stage = kStageStart;
  ASSERT_EQ(converter->open(device_.Get(), context_.Get(), Nv12ConverterSettings{64, 48, 32, 24, 30}, stage), S_OK);
  EXPECT_EQ(stage, kStageOutputFormatChecked);
  EXPECT_EQ(record_->processors_made, 1);
  ASSERT_TRUE(record_->content);
  EXPECT_EQ(record_->content->InputWidth, 64u);
  EXPECT_EQ(record_->content->InputHeight, 48u);
  EXPECT_EQ(record_->content->OutputWidth, 32u);
  EXPECT_EQ(record_->content->OutputHeight, 24u);
  EXPECT_EQ(record_->content->InputFrameRate.Numerator, 30u);
  EXPECT_EQ(record_->content->InputFrameFormat, D3D11_VIDEO_FRAME_FORMAT_PROGRESSIVE);
  // Nothing is set before the first frame: the driver's default still holds.
  EXPECT_TRUE(record_->auto_processing_calls.empty());

  const ComPtr<ID3D11Texture2D> source =
      test::make_bgra_texture(device_.Get(), 64, 48, std::vector<uint32_t>(64 * 48, 0xFF102030));
  // Wine makes no NV12 surfaces; the fake processor never writes its target.
  const ComPtr<ID3D11Texture2D> target =
      test::make_bgra_texture(device_.Get(), 32, 24, std::vector<uint32_t>(32 * 24));
  const RECT crops[] = {{0, 0, 64, 48}, {8, 4, 40, 28}};
  for (UINT frame = 0; frame < 2; ++frame) {
    stage = kStageSubmissionBegun;
    ASSERT_EQ(converter->convert(source.Get(), crops[frame], target.Get(), frame, stage), S_OK);
    EXPECT_EQ(stage, kStageProcessorBlit);
  }

  const std::vector<std::pair<UINT, BOOL>> off_on_stream_0(2, {0u, FALSE});
  EXPECT_EQ(record_->auto_processing_calls, off_on_stream_0);
  ASSERT_EQ(record_->blts.size(), 2u);
  const RECT whole_output{0, 0, 32, 24};
  for (UINT frame = 0; frame < 2; ++frame) {
    SCOPED_TRACE(frame);
    const test::FakeVideoBlt& blt = record_->blts[frame];
    EXPECT_FALSE(blt.stream.auto_processing);
    EXPECT_EQ(blt.frame_number, frame);
    EXPECT_EQ(blt.stream_count, 1u);
    EXPECT_TRUE(blt.stream_enabled);
    EXPECT_EQ(blt.input, source.Get());
    EXPECT_EQ(blt.output, target.Get());
    EXPECT_EQ(blt.stream.frame_format, std::optional(D3D11_VIDEO_FRAME_FORMAT_PROGRESSIVE));
    EXPECT_TRUE(same_rect(blt.stream.source_rect, crops[frame]));
    EXPECT_TRUE(same_rect(blt.stream.dest_rect, whole_output));
    EXPECT_TRUE(same_rect(blt.target_rect, whole_output));
    ASSERT_TRUE(blt.stream.color_space);
    EXPECT_EQ(blt.stream.color_space->RGB_Range, 0u);  // full range in
    ASSERT_TRUE(blt.output_color_space);
    EXPECT_EQ(blt.output_color_space->YCbCr_Matrix, 1u);  // BT.709 out
    EXPECT_EQ(blt.output_color_space->Nominal_Range,
              static_cast<UINT>(D3D11_VIDEO_PROCESSOR_NOMINAL_RANGE_16_235));
  }
}

// A processor that cannot read BGRA or write NV12 is refused at its format
// check; a blit the driver fails is returned as it is.
TEST_F(FakeVideoProcessorTest, UnusableFormatsAndFailedBlitsKeepTheirErrors) {
  struct Case {
    const char* name;
    UINT bgra;
    UINT nv12;
    HRESULT open_result;
    uint32_t open_stage;
  };
  const Case cases[] = {
      {"no BGRA input", 0, D3D11_VIDEO_PROCESSOR_FORMAT_SUPPORT_OUTPUT, kErrorUnsupportedD3DType,
       kStageProcessorEnumerator},
      {"no NV12 output", D3D11_VIDEO_PROCESSOR_FORMAT_SUPPORT_INPUT, D3D11_VIDEO_PROCESSOR_FORMAT_SUPPORT_INPUT,
       kErrorUnsupportedD3DType, kStageInputFormatChecked},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    record_ = std::make_shared<test::FakeVideoProcessorRecord>();
    record_->bgra_support = c.bgra;
    record_->nv12_support = c.nv12;
    const auto converter = make_converter();
    uint32_t stage = kStageStart;
    EXPECT_EQ(converter->open(device_.Get(), context_.Get(), Nv12ConverterSettings{16, 16, 16, 16, 30}, stage),
              c.open_result);
    EXPECT_EQ(stage, c.open_stage);
    EXPECT_EQ(record_->processors_made, 0);
  }

  record_ = std::make_shared<test::FakeVideoProcessorRecord>();
  record_->blt_result = DXGI_ERROR_DEVICE_REMOVED;
  const auto converter = make_converter();
  uint32_t stage = kStageStart;
  ASSERT_EQ(converter->open(device_.Get(), context_.Get(), Nv12ConverterSettings{16, 16, 16, 16, 30}, stage), S_OK);
  const ComPtr<ID3D11Texture2D> frame =
      test::make_bgra_texture(device_.Get(), 16, 16, std::vector<uint32_t>(256));
  stage = kStageSubmissionBegun;
  EXPECT_EQ(converter->convert(frame.Get(), RECT{0, 0, 16, 16}, frame.Get(), 0, stage), DXGI_ERROR_DEVICE_REMOVED);
  EXPECT_EQ(stage, kStageOutputView);
  EXPECT_TRUE(record_->blts.empty());
}

}  // namespace
}  // namespace quorvel::windows
