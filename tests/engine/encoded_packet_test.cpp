#include "engine/encoded_packet.h"

#include <mfapi.h>

#include <gtest/gtest.h>

#include "engine/engine_errors.h"
#include "tests/engine/packet_test_support.h"

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;

class MediaFoundationTest : public test::MediaFoundationFixture {
 protected:
  static ComPtr<IMFMediaType> make_type(const GUID& major, const GUID& subtype) {
    ComPtr<IMFMediaType> type;
    EXPECT_HRESULT_SUCCEEDED(MFCreateMediaType(&type));
    EXPECT_HRESULT_SUCCEEDED(type->SetGUID(MF_MT_MAJOR_TYPE, major));
    EXPECT_HRESULT_SUCCEEDED(type->SetGUID(MF_MT_SUBTYPE, subtype));
    return type;
  }
};

struct FormatCase {
  const char* name;
  GUID major;
  GUID subtype;
  HRESULT expected;
  uint32_t kind;
};

TEST_F(MediaFoundationTest, AcceptsOnlyH264VideoAndAacAudio) {
  const FormatCase cases[] = {
      {"h264", MFMediaType_Video, MFVideoFormat_H264, S_OK, EncodedStreamFormat::kH264Video},
      {"aac", MFMediaType_Audio, MFAudioFormat_AAC, S_OK, EncodedStreamFormat::kAacAudio},
      {"float audio", MFMediaType_Audio, MFAudioFormat_Float, kErrorInvalidMediaType, 0},
      {"nv12 video", MFMediaType_Video, MFVideoFormat_NV12, kErrorInvalidMediaType, 0},
      {"aac subtype on video", MFMediaType_Video, MFAudioFormat_AAC, kErrorInvalidMediaType, 0},
  };
  std::shared_ptr<EncodedStreamFormat> earlier;
  ASSERT_HRESULT_SUCCEEDED(
      EncodedStreamFormat::create(make_type(MFMediaType_Video, MFVideoFormat_H264).Get(), earlier));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto type = make_type(c.major, c.subtype);
    // A refused type leaves whatever the caller held in place.
    std::shared_ptr<EncodedStreamFormat> format = earlier;
    EXPECT_EQ(EncodedStreamFormat::create(type.Get(), format), c.expected);
    if (c.expected == S_OK) {
      ASSERT_TRUE(format);
      EXPECT_NE(format, earlier);
      EXPECT_EQ(format->kind, c.kind);
    } else {
      EXPECT_EQ(format, earlier);
    }
  }
}

TEST_F(MediaFoundationTest, NullTypeIsPointerError) {
  std::shared_ptr<EncodedStreamFormat> format;
  EXPECT_EQ(EncodedStreamFormat::create(nullptr, format), E_POINTER);
}

TEST_F(MediaFoundationTest, MissingSubtypeIsReturnedUnchanged) {
  ComPtr<IMFMediaType> type;
  ASSERT_HRESULT_SUCCEEDED(MFCreateMediaType(&type));
  ASSERT_HRESULT_SUCCEEDED(type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video));
  std::shared_ptr<EncodedStreamFormat> format;
  EXPECT_EQ(EncodedStreamFormat::create(type.Get(), format), MF_E_ATTRIBUTENOTFOUND);
}

TEST_F(MediaFoundationTest, CopyIsIndependentOfTheSourceType) {
  auto type = make_type(MFMediaType_Video, MFVideoFormat_H264);
  ASSERT_HRESULT_SUCCEEDED(MFSetAttributeSize(type.Get(), MF_MT_FRAME_SIZE, 1280, 720));
  std::shared_ptr<EncodedStreamFormat> format;
  ASSERT_HRESULT_SUCCEEDED(EncodedStreamFormat::create(type.Get(), format));
  // Later changes to the encoder's type must not reach the stored copy.
  ASSERT_HRESULT_SUCCEEDED(MFSetAttributeSize(type.Get(), MF_MT_FRAME_SIZE, 640, 360));

  ComPtr<IMFMediaType> copy;
  ASSERT_HRESULT_SUCCEEDED(format->copy_media_type(&copy));
  UINT32 width = 0, height = 0;
  ASSERT_HRESULT_SUCCEEDED(MFGetAttributeSize(copy.Get(), MF_MT_FRAME_SIZE, &width, &height));
  EXPECT_EQ(width, 1280u);
  EXPECT_EQ(height, 720u);

  // And a consumer's changes to its copy must not reach the next copy.
  ASSERT_HRESULT_SUCCEEDED(MFSetAttributeSize(copy.Get(), MF_MT_FRAME_SIZE, 1, 1));
  ComPtr<IMFMediaType> second;
  ASSERT_HRESULT_SUCCEEDED(format->copy_media_type(&second));
  ASSERT_HRESULT_SUCCEEDED(MFGetAttributeSize(second.Get(), MF_MT_FRAME_SIZE, &width, &height));
  EXPECT_EQ(width, 1280u);
  EXPECT_EQ(format->copy_media_type(nullptr), E_POINTER);
}

}  // namespace
}  // namespace quorvel::windows
