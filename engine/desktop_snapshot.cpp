#include "engine/desktop_snapshot.h"

#include <wrl/client.h>

#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>

#include "engine/d3d11_textures.h"
#include "engine/fullscreen_pass.h"
#include "engine/shader_sources.h"

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;

constexpr int64_t kNsPerMs = 1'000'000;

// What the capture thread hands back to the waiting caller.
struct SnapshotWait {
  std::mutex mutex;
  std::condition_variable ready;
  bool done = false;
  HRESULT result = E_PENDING;
  DesktopSnapshot snapshot;
};

}  // namespace

HRESULT convert_snapshot_frame(ID3D11Device* device, ID3D11DeviceContext* context,
                               ID3D11Texture2D* source, const CapturedFrameInfo& info,
                               DesktopSnapshot& out) {
  if (!device || !context || !source) return E_INVALIDARG;
  D3D11_TEXTURE2D_DESC source_desc{};
  source->GetDesc(&source_desc);
  if (source_desc.Width == 0 || source_desc.Height == 0) return DXGI_ERROR_UNSUPPORTED;
  if (source_desc.Format != DXGI_FORMAT_B8G8R8A8_UNORM &&
      source_desc.Format != DXGI_FORMAT_R16G16B16A16_FLOAT) {
    return DXGI_ERROR_UNSUPPORTED;
  }
  const bool hdr = source_desc.Format == DXGI_FORMAT_R16G16B16A16_FLOAT;
  const bool quarter_turn =
      info.rotation == DXGI_MODE_ROTATION_ROTATE90 || info.rotation == DXGI_MODE_ROTATION_ROTATE270;
  const UINT width = quarter_turn ? source_desc.Height : source_desc.Width;
  const UINT height = quarter_turn ? source_desc.Width : source_desc.Height;

  // The duplication's surface is never bound to the pipeline: a private copy
  // is.
  D3D11_TEXTURE2D_DESC copy_desc = source_desc;
  copy_desc.Usage = D3D11_USAGE_DEFAULT;
  copy_desc.BindFlags = D3D11_BIND_SHADER_RESOURCE;
  copy_desc.CPUAccessFlags = 0;
  copy_desc.MiscFlags = 0;
  ComPtr<ID3D11Texture2D> copy;
  ComPtr<ID3D11ShaderResourceView> source_view;
  HRESULT hr = make_texture_view(device, copy_desc, nullptr, copy, source_view);
  if (FAILED(hr)) return hr;
  context->CopyResource(copy.Get(), source);

  ComPtr<ID3D11Texture2D> target;
  ComPtr<ID3D11RenderTargetView> target_view;
  hr = make_bgra_render_target(device, width, height, 0, target, target_view);
  if (FAILED(hr)) return hr;

  ComPtr<ID3D11VertexShader> vertex_shader;
  ComPtr<ID3D11PixelShader> pixel_shader;
  hr = create_vertex_pixel_shaders(device, snapshot_shader(), vertex_shader, pixel_shader);
  if (FAILED(hr)) return hr;

  ComPtr<ID3D11Buffer> constants_buffer;
  hr = make_dynamic_constants(device, sizeof(SnapshotConstants), constants_buffer);
  if (FAILED(hr)) return hr;
  SnapshotConstants constants{};
  constants.sourceSize[0] = static_cast<float>(source_desc.Width);
  constants.sourceSize[1] = static_cast<float>(source_desc.Height);
  constants.sdrWhiteNits = info.sdr_white_nits;
  constants.maxLuminanceNits = info.max_luminance_nits;
  constants.rotation = info.rotation;
  constants.hdrInput = hdr ? 1u : 0u;
  hr = write_dynamic_constants(context, constants_buffer.Get(), &constants, sizeof(constants));
  if (FAILED(hr)) return hr;

  D3D11_RASTERIZER_DESC rasterizer_desc{};
  rasterizer_desc.FillMode = D3D11_FILL_SOLID;
  rasterizer_desc.CullMode = D3D11_CULL_NONE;
  rasterizer_desc.FrontCounterClockwise = FALSE;
  rasterizer_desc.DepthBias = 0;
  rasterizer_desc.DepthBiasClamp = 0.0f;
  rasterizer_desc.SlopeScaledDepthBias = 0.0f;
  rasterizer_desc.DepthClipEnable = TRUE;
  rasterizer_desc.ScissorEnable = FALSE;
  rasterizer_desc.MultisampleEnable = FALSE;
  rasterizer_desc.AntialiasedLineEnable = FALSE;
  ComPtr<ID3D11RasterizerState> rasterizer;
  hr = device->CreateRasterizerState(&rasterizer_desc, &rasterizer);
  if (FAILED(hr)) return hr;

  ID3D11ShaderResourceView* const views[] = {source_view.Get()};
  hr = draw_fullscreen_pass(context, {.target = target_view.Get(),
                                      .width = width,
                                      .height = height,
                                      .rasterizer = rasterizer.Get(),
                                      .vertex_shader = vertex_shader.Get(),
                                      .pixel_shader = pixel_shader.Get(),
                                      .views = views,
                                      .constants = constants_buffer.Get()});
  if (FAILED(hr)) return hr;

  D3D11_TEXTURE2D_DESC staging_desc = bgra_texture_desc(width, height, D3D11_USAGE_STAGING, 0);
  staging_desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
  ComPtr<ID3D11Texture2D> staging;
  hr = device->CreateTexture2D(&staging_desc, nullptr, &staging);
  if (FAILED(hr)) return hr;
  context->CopyResource(staging.Get(), target.Get());
  D3D11_MAPPED_SUBRESOURCE mapped{};
  hr = context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped);
  if (FAILED(hr)) return hr;
  const size_t stride = static_cast<size_t>(width) * 4;
  std::vector<uint8_t> pixels(stride * height);
  for (UINT row = 0; row < height; ++row) {
    std::memcpy(
        pixels.data() + row * stride,
        static_cast<const uint8_t*>(mapped.pData) + static_cast<size_t>(row) * mapped.RowPitch,
        stride);
  }
  context->Unmap(staging.Get(), 0);

  bool any_content = false;
  for (size_t alpha = 3; alpha < pixels.size(); alpha += 4) {
    any_content = any_content || pixels[alpha] != 0;
    pixels[alpha] = 255;
  }
  if (!any_content) return S_FALSE;

  out.width = width;
  out.height = height;
  out.stride = static_cast<uint32_t>(stride);
  out.pixels = std::move(pixels);
  out.hdr_source = hdr;
  return S_OK;
}

HRESULT capture_desktop_snapshot(HMONITOR monitor, DesktopSnapshot& snapshot, int32_t timeout_ms,
                                 std::function<void()> before_capture, DesktopCaptureSeams seams) {
  snapshot = DesktopSnapshot{};
  if (!monitor || timeout_ms <= 0) return E_INVALIDARG;
  if (before_capture) before_capture();

  // Shared with the capture thread's callback, which never outlives the
  // capture stopped below; the shared owner keeps that true on every path.
  const auto wait = std::make_shared<SnapshotWait>();
  // The steady clock waits for whole milliseconds, rounded up, and at most a
  // day at a time.
  const std::shared_ptr<Clock> clock = seams.clock ? seams.clock : make_steady_clock();
  const int64_t deadline = clock->now() + int64_t{timeout_ms} * kNsPerMs;

  DesktopCapture capture(std::move(seams));
  FrameCallback on_frame = [wait](ID3D11Device* device, ID3D11DeviceContext* context,
                                  ID3D11Texture2D* texture, const CapturedFrameInfo& info) {
    {
      std::lock_guard lock(wait->mutex);
      if (wait->done) return S_OK;
    }
    DesktopSnapshot converted;
    const HRESULT hr = convert_snapshot_frame(device, context, texture, info, converted);
    if (hr == S_FALSE) return S_OK;  // The placeholder surface: keep waiting.
    {
      std::lock_guard lock(wait->mutex);
      if (!wait->done) {
        wait->snapshot = std::move(converted);
        wait->result = hr;
        wait->done = true;
      }
    }
    wait->ready.notify_one();
    // The capture keeps running until stopped; a failure travels through
    // the stored result.
    return S_OK;
  };
  if (!capture.start(monitor, std::move(on_frame), IdleCallback{})) {
    const HRESULT last_result = capture.stats().last_result;
    return FAILED(last_result) ? last_result : E_FAIL;
  }

  bool timed_out = false;
  {
    std::unique_lock lock(wait->mutex);
    while (!wait->done) {
      if (clock->now() >= deadline) {
        // Frames that still arrive are ignored from here on.
        wait->done = true;
        timed_out = true;
        break;
      }
      clock->wait_until(wait->ready, lock, deadline);
    }
  }
  capture.stop();

  if (timed_out) {
    const HRESULT last_result = capture.stats().last_result;
    return FAILED(last_result) ? last_result : HRESULT_FROM_WIN32(ERROR_TIMEOUT);
  }
  if (FAILED(wait->result)) return wait->result;
  const DesktopSnapshot& result = wait->snapshot;
  if (result.width == 0 || result.height == 0 ||
      result.stride != static_cast<uint64_t>(result.width) * 4 ||
      result.pixels.size() != static_cast<uint64_t>(result.height) * result.stride) {
    return E_UNEXPECTED;
  }
  snapshot = std::move(wait->snapshot);
  return S_OK;
}

}  // namespace quorvel::windows
