#include "engine/privacy_media_encoder.h"

#include <d3d11.h>
#include <d3d10.h>
#include <wrl/client.h>

#include <memory>
#include <mutex>

#include "engine/d3d11_device.h"
#include "engine/d3d11_textures.h"

namespace quorvel::windows {

using Microsoft::WRL::ComPtr;

namespace {

constexpr UINT kCoverSize = 64;
constexpr int kCoverFrames = 3;
constexpr int kCoverAudioBlocks = 20;

// What the clip's packet callback keeps, shared with the encoder threads.
struct CoverCollector {
  std::mutex mutex;
  std::shared_ptr<const EncodedPacket> video_key_frame;
  std::shared_ptr<const EncodedPacket> audio_packet;

  HRESULT take(std::shared_ptr<const EncodedPacket> packet) {
    if (!packet || !packet->format) return S_OK;
    std::lock_guard lock(mutex);
    if (packet->format->kind != EncodedStreamFormat::kH264Video) {
      audio_packet = std::move(packet);
    } else if (packet->keyframe && !video_key_frame) {
      video_key_frame = std::move(packet);
    }
    return S_OK;
  }
};

}  // namespace

HRESULT create_privacy_media(const RecordingOptions& options, PrivacyMedia& media,
                             const RecordingSessionPlatform& platform,
                             const D3D11DeviceFactory& create_device) {
  media = PrivacyMedia{};

  // A device without video support still gets as far as the video
  // processor, which then fails with its own error.
  ComPtr<ID3D11Device> device;
  ComPtr<ID3D11DeviceContext> context;
  HRESULT hr = create_device_preferring_video(create_device, nullptr, D3D_DRIVER_TYPE_HARDWARE,
                                              D3D11_CREATE_DEVICE_BGRA_SUPPORT, nullptr, 0, device,
                                              context);
  if (FAILED(hr)) return hr;
  // The encoders use the device from their own threads.
  ComPtr<ID3D10Multithread> multithread;
  hr = device.As(&multithread);
  if (FAILED(hr)) return hr;
  multithread->SetMultithreadProtected(TRUE);

  ComPtr<ID3D11Texture2D> cover;
  ComPtr<ID3D11RenderTargetView> view;
  hr = make_bgra_render_target(device.Get(), kCoverSize, kCoverSize, 0, cover, view);
  if (FAILED(hr)) return hr;
  const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  context->ClearRenderTargetView(view.Get(), black);

  auto collector = std::make_shared<CoverCollector>();
  RecordingOptions clip;
  clip.output_path.clear();
  clip.width = options.width;
  clip.height = options.height;
  clip.frame_rate = options.frame_rate;
  clip.video_bitrate = options.video_bitrate;
  clip.include_cursor = false;
  clip.watermark = RecordingWatermark{};
  clip.mixed_audio_track = true;
  clip.audio_sample_rate = options.audio_sample_rate;
  clip.audio_channels = options.audio_channels;
  clip.audio_bitrate = options.audio_bitrate;
  clip.min_free_disk_bytes = 268'435'456;
  clip.packet_callback = [collector](std::shared_ptr<const EncodedPacket> packet) {
    return collector->take(std::move(packet));
  };
  clip.live_encoding = true;
  clip.file_optional = false;

  std::unique_ptr<RecordingSession> session = RecordingSession::create(platform);
  if (!session->start(clip)) return E_FAIL;

  LARGE_INTEGER counter{};
  LARGE_INTEGER frequency{};
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  const int64_t t0 = counter.QuadPart;
  const int64_t f = frequency.QuadPart;

  HRESULT pushed = S_OK;
  CapturedFrameInfo info;
  info.rotation = 0;
  info.sdr_white_nits = 203.0f;
  info.max_luminance_nits = 1000.0f;
  const RECT whole{0, 0, static_cast<LONG>(kCoverSize), static_cast<LONG>(kCoverSize)};
  for (int i = 0; i < kCoverFrames && SUCCEEDED(pushed); ++i) {
    pushed = session->push_video_frame(device.Get(), context.Get(), cover.Get(), whole,
                                       t0 + i * f / static_cast<int64_t>(clip.frame_rate), info);
  }
  const uint32_t block_frames = clip.audio_sample_rate / 100;
  for (int j = 0; j < kCoverAudioBlocks && SUCCEEDED(pushed); ++j) {
    pushed = session->push_mixed_audio(nullptr, block_frames, t0 + j * f / 100, true, false);
  }
  const HRESULT finished = session->finish(t0 + f / 5);
  session.reset();

  if (FAILED(pushed)) return pushed;
  if (FAILED(finished)) return finished;
  std::lock_guard lock(collector->mutex);
  if (!collector->video_key_frame || !collector->audio_packet) return E_FAIL;
  media.video_key_frame = collector->video_key_frame;
  media.audio_packet = collector->audio_packet;
  return S_OK;
}

}  // namespace quorvel::windows
