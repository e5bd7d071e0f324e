#include "engine/recording_session.h"

#include <mfapi.h>
#include <mferror.h>
#include <mftransform.h>

#include <algorithm>
#include <cstring>
#include <system_error>

#include "engine/d3d11_textures.h"
#include "engine/engine_errors.h"
#include "engine/frame_shader.h"
#include "engine/fullscreen_pass.h"
#include "engine/media_foundation_library.h"
#include "engine/recording_stages.h"

namespace quorvel::windows {

using Microsoft::WRL::ComPtr;

namespace {

constexpr int64_t kUnitsPerSecond = 10'000'000;

// Not in every SDK's headers: the buffers the video sample allocator puts in
// each sample, and the encoder's rate-control mode and GOP size.
constexpr GUID kSampleAllocatorBuffersPerSample = {
    0x873c5171, 0x1e3d, 0x4e25, {0x98, 0x8d, 0xb4, 0x33, 0xce, 0x04, 0x19, 0x83}};
constexpr GUID kEncoderRateControlMode = {
    0x1c0608e9, 0x370c, 0x4710, {0x8a, 0x58, 0xcb, 0x61, 0x81, 0xc4, 0x24, 0x23}};
constexpr GUID kEncoderGopSize = {
    0x95f31b26, 0x95a4, 0x41aa, {0x93, 0x03, 0x24, 0x6a, 0x7f, 0xc6, 0xee, 0xf1}};
constexpr UINT32 kRateControlConstantBitRate = 0;

constexpr UINT32 kInterlaceProgressive = 2;  // MFVideoInterlace_Progressive
constexpr UINT32 kProfileHigh = 100;         // eAVEncH264VProfile_High
constexpr UINT32 kPrimariesBt709 = 2;        // MFVideoPrimaries_BT709
constexpr UINT32 kTransferBt709 = 5;         // MFVideoTransFunc_709
constexpr UINT32 kMatrixBt709 = 1;           // MFVideoTransferMatrix_BT709
constexpr UINT32 kNominalRange16To235 = 2;   // MFNominalRange_16_235

bool rotated_sideways(uint32_t rotation) {
  return rotation == DXGI_MODE_ROTATION_ROTATE90 || rotation == DXGI_MODE_ROTATION_ROTATE270;
}

UINT64 pack(uint32_t high, uint32_t low) { return (static_cast<UINT64>(high) << 32) | low; }

// The attributes the H.264 output and the NV12 input have in common.
HRESULT set_video_attributes(IMFMediaType* type, const RecordingOptions& options) {
  HRESULT hr = type->SetUINT32(MF_MT_INTERLACE_MODE, kInterlaceProgressive);
  if (SUCCEEDED(hr)) hr = type->SetUINT32(MF_MT_VIDEO_PRIMARIES, kPrimariesBt709);
  if (SUCCEEDED(hr)) hr = type->SetUINT32(MF_MT_TRANSFER_FUNCTION, kTransferBt709);
  if (SUCCEEDED(hr)) hr = type->SetUINT32(MF_MT_YUV_MATRIX, kMatrixBt709);
  if (SUCCEEDED(hr)) hr = type->SetUINT32(MF_MT_VIDEO_NOMINAL_RANGE, kNominalRange16To235);
  if (SUCCEEDED(hr)) hr = type->SetUINT64(MF_MT_FRAME_SIZE, pack(options.width, options.height));
  if (SUCCEEDED(hr)) hr = type->SetUINT64(MF_MT_FRAME_RATE, pack(options.frame_rate, 1));
  if (SUCCEEDED(hr)) hr = type->SetUINT64(MF_MT_PIXEL_ASPECT_RATIO, pack(1, 1));
  return hr;
}

// The writer's counters and results as the session reports them.
void copy_writer_stats(const PacketWriterStats& stats, RecordingSessionStatus& status) {
  status.encoded_video_packets = stats.video_packets;
  status.encoded_audio_packets = stats.audio_packets;
  status.encoded_packet_bytes = stats.packet_bytes;
  status.encoded_width = stats.encoded_width;
  status.encoded_height = stats.encoded_height;
  status.encoded_fps_numerator = stats.frame_rate_numerator;
  status.encoded_fps_denominator = stats.frame_rate_denominator;
  status.writer_result = stats.writer_result;
  status.file_result = stats.file_result;
  status.live_result = stats.live_result;
  status.file_queue_bytes = stats.file_queue_bytes;
  status.file_queue_peak_bytes = stats.file_queue_peak_bytes;
}

}  // namespace

int64_t frame_slot_time(int64_t index, uint32_t frame_rate) {
  if (index <= 0 || frame_rate == 0) return 0;
  const int64_t rate = frame_rate;
  return (index % rate) * kUnitsPerSecond / rate + (index / rate) * kUnitsPerSecond;
}

std::unique_ptr<RecordingSession> RecordingSession::create(RecordingSessionPlatform platform) {
  return std::unique_ptr<RecordingSession>(new RecordingSession(std::move(platform)));
}

RecordingSession::RecordingSession(RecordingSessionPlatform platform) : platform_(std::move(platform)) {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  frequency_ = frequency.QuadPart;
}

RecordingSession::~RecordingSession() {
  // The result stays in the status; a destructor has no caller to hand it to.
  static_cast<void>(finish(0));
  std::lock_guard lock(mutex_);
  release_run();
}

uint64_t RecordingSession::video_submitted_frames() const {
  std::lock_guard lock(mutex_);
  return status_.video_submitted_frames;
}

RecordingSessionStatus RecordingSession::status() const {
  std::lock_guard lock(mutex_);
  RecordingSessionStatus copy = status_;
  if (writer_) {
    copy_writer_stats(writer_->stats(), copy);
  }
  if (FAILED(first_failure_)) copy.file_result = first_failure_;
  if (start_count_ != 0) copy.elapsed = to_100ns(counter_now() - start_count_);
  // A start that failed left no output in the status, and the options may
  // still be the previous run's: its reading of the free space stands.
  if (!options_.file_optional && !status_.output_path.empty()) {
    const bool active = copy.state == RecordingState::kStarted || copy.state == RecordingState::kEncoding ||
                        copy.state == RecordingState::kFinishing;
    const std::filesystem::path& measured = active ? partial_path_ : options_.output_path;
    std::error_code error;
    if (!measured.empty() && std::filesystem::exists(measured, error)) {
      const uintmax_t size = std::filesystem::file_size(measured, error);
      copy.output_bytes = error ? -1 : static_cast<int64_t>(size);
    }
    uint64_t free_bytes = 0;
    if (!options_.output_path.empty() && SUCCEEDED(query_free_bytes(options_.output_path, free_bytes))) {
      copy.free_disk_bytes = free_bytes;
    }
  }
  return copy;
}

void RecordingSession::release_media() {
  if (writer_) {
    copy_writer_stats(writer_->stats(), status_);
  }
  for (AudioFile& file : audio_files_) {
    file.writer.reset();
    file.active = false;
  }
  track_active_.fill(false);
  writer_.reset();
  device_manager_.Reset();
  watermark_.reset();
  cursor_shape_ = {};
  cursor_view_.Reset();
  cursor_texture_.Reset();
  frame_constants_.Reset();
  pixel_shader_.Reset();
  vertex_shader_.Reset();
  composition_view_.Reset();
  composition_target_.Reset();
  frame_copy_view_.Reset();
  frame_copy_.Reset();
  converter_.reset();
  context_.Reset();
  device_.Reset();
}

int64_t RecordingSession::to_100ns(int64_t counts) const {
  if (frequency_ <= 0) return 0;
  // Split so that long intervals cannot overflow the multiplication.
  return counts / frequency_ * kUnitsPerSecond + counts % frequency_ * kUnitsPerSecond / frequency_;
}

HRESULT RecordingSession::setup_encoders(ID3D11Device* device, ID3D11DeviceContext* context,
                                         const D3D11_TEXTURE2D_DESC& captured, uint32_t rotation) {
  if (!device || !context) return E_POINTER;
  release_media();
  status_.stage = kStageStart;

  captured_format_ = captured.Format;
  captured_width_ = captured.Width;
  captured_height_ = captured.Height;
  const bool sideways = rotated_sideways(rotation);
  composed_width_ = sideways ? captured.Height : captured.Width;
  composed_height_ = sideways ? captured.Width : captured.Height;
  status_.input_format = captured.Format;
  status_.input_width = status_.first_frame_width = composed_width_;
  status_.input_height = status_.first_frame_height = composed_height_;
  status_.hdr_input = captured.Format == DXGI_FORMAT_R16G16B16A16_FLOAT;

  device_ = device;
  context_ = context;
  converter_ = platform_.nv12_converters ? platform_.nv12_converters() : create_video_processor_converter();
  if (!converter_) return E_OUTOFMEMORY;
  const bool watermark = options_.watermark.enabled;
  Nv12ConverterSettings settings;
  settings.input_width = watermark ? options_.width : composed_width_;
  settings.input_height = watermark ? options_.height : composed_height_;
  settings.output_width = options_.width;
  settings.output_height = options_.height;
  settings.frame_rate = options_.frame_rate;
  HRESULT hr = converter_->open(device, context, settings, status_.stage);
  if (FAILED(hr)) return hr;

  // Composition resources.
  hr = create_frame_copy(captured);
  if (FAILED(hr)) return hr;
  // The watermark pass reads the composed frame back as its source.
  hr = make_bgra_render_target(device, composed_width_, composed_height_,
                               watermark ? static_cast<UINT>(D3D11_BIND_SHADER_RESOURCE) : 0u, composition_target_,
                               composition_view_);
  if (FAILED(hr)) return hr;
  hr = create_vertex_pixel_shaders(device, frame_shader(), vertex_shader_, pixel_shader_);
  if (FAILED(hr)) return hr;
  hr = make_dynamic_constants(device, sizeof(FrameConstants), frame_constants_);
  if (FAILED(hr)) return hr;

  if (watermark) {
    watermark_ = WatermarkRenderer::create(platform_.watermark_font_family);
    hr = watermark_->initialize(device, context, composition_target_.Get(), options_.width, options_.height,
                                options_.watermark);
    if (FAILED(hr)) return hr;
    status_.stage = kStageWatermarkRenderer;
  }

  hr = media_foundation().create_dxgi_device_manager(&reset_token_, &device_manager_);
  if (FAILED(hr)) return hr;
  hr = device_manager_->ResetDevice(device, reset_token_);
  if (FAILED(hr)) return hr;
  status_.stage = kStageDeviceManager;

  ComPtr<IMFAttributes> attributes;
  hr = media_foundation().create_attributes(&attributes, 4);
  if (SUCCEEDED(hr)) hr = attributes->SetUINT32(MF_READWRITE_ENABLE_HARDWARE_TRANSFORMS, 1);
  if (SUCCEEDED(hr)) hr = attributes->SetUINT32(MF_LOW_LATENCY, 1);
  if (SUCCEEDED(hr)) hr = attributes->SetUINT32(MF_SINK_WRITER_DISABLE_THROTTLING, 1);
  if (SUCCEEDED(hr)) hr = attributes->SetUnknown(MF_SINK_WRITER_D3D_MANAGER, device_manager_.Get());
  if (FAILED(hr)) return hr;
  hr = PacketRecordingWriter::create(partial_path_, attributes.Get(), writer_, options_.packet_callback,
                                     options_.file_optional, options_.min_free_disk_bytes, platform_.writers);
  if (FAILED(hr)) return hr;
  status_.stage = kStageWriter;

  ComPtr<IMFMediaType> output;
  hr = media_foundation().create_media_type(&output);
  if (SUCCEEDED(hr)) hr = output->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
  if (SUCCEEDED(hr)) hr = output->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_H264);
  if (SUCCEEDED(hr)) hr = output->SetUINT32(MF_MT_AVG_BITRATE, options_.video_bitrate);
  if (SUCCEEDED(hr)) hr = output->SetUINT32(MF_MT_MPEG2_PROFILE, kProfileHigh);
  if (SUCCEEDED(hr)) hr = set_video_attributes(output.Get(), options_);
  if (SUCCEEDED(hr)) hr = writer_->add_stream(output.Get(), &video_stream_);
  if (FAILED(hr)) return hr;
  status_.stage = kStageVideoStream;

  ComPtr<IMFMediaType> input;
  hr = media_foundation().create_media_type(&input);
  if (SUCCEEDED(hr)) hr = input->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
  if (SUCCEEDED(hr)) hr = input->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_NV12);
  if (SUCCEEDED(hr)) hr = set_video_attributes(input.Get(), options_);
  if (FAILED(hr)) return hr;
  ComPtr<IMFAttributes> parameters;
  if (options_.live_encoding) {
    // The GOP of two seconds must fit the encoder's 32-bit property.
    if (options_.frame_rate > 0x7FFFFFFFu) return E_INVALIDARG;
    hr = media_foundation().create_attributes(&parameters, 2);
    if (SUCCEEDED(hr)) hr = parameters->SetUINT32(kEncoderRateControlMode, kRateControlConstantBitRate);
    if (SUCCEEDED(hr)) hr = parameters->SetUINT32(kEncoderGopSize, options_.frame_rate * 2);
    if (FAILED(hr)) return hr;
  }
  hr = writer_->set_input_type(video_stream_, input.Get(), parameters.Get());
  if (FAILED(hr)) return hr;
  status_.stage = kStageEncoderInput;

  ComPtr<IMFAttributes> pool;
  hr = media_foundation().create_attributes(&pool, 3);
  if (SUCCEEDED(hr)) hr = pool->SetUINT32(kSampleAllocatorBuffersPerSample, 1);
  if (SUCCEEDED(hr)) hr = pool->SetUINT32(MF_SA_D3D11_USAGE, D3D11_USAGE_DEFAULT);
  if (SUCCEEDED(hr)) hr = pool->SetUINT32(MF_SA_D3D11_BINDFLAGS, D3D11_BIND_RENDER_TARGET);
  if (FAILED(hr)) return hr;
  for (const AudioTrack track : {AudioTrack::kMixed, AudioTrack::kSystem, AudioTrack::kMicrophone}) {
    hr = add_audio_stream(track);
    if (FAILED(hr)) return hr;
  }
  status_.stage = kStageAudioStreams;

  hr = converter_->create_allocator(device_manager_.Get(), kInitialSamples, kMaximumSamples, pool.Get(),
                                    input.Get(), status_.stage);
  if (FAILED(hr)) return hr;

  hr = writer_->begin_writing();
  if (FAILED(hr)) return hr;
  status_.stage = kStageBeginWriting;

  // A separate file that cannot be opened is only dropped.
  open_audio_file(AudioTrack::kSystem);
  open_audio_file(AudioTrack::kMicrophone);

  // A failure kept before the writers existed (a file-optional start without
  // disk space) ends their files from the start; the live output goes on.
  if (FAILED(first_failure_)) {
    writer_->fail(first_failure_);
    for (AudioFile& file : audio_files_) {
      if (file.writer) file.writer->fail(first_failure_);
    }
  }
  return S_OK;
}

HRESULT RecordingSession::create_frame_copy(const D3D11_TEXTURE2D_DESC& captured) {
  if (!device_) return E_UNEXPECTED;
  if (captured.Format != DXGI_FORMAT_B8G8R8A8_UNORM && captured.Format != DXGI_FORMAT_R16G16B16A16_FLOAT) {
    return kErrorUnsupportedD3DType;
  }
  const D3D11_TEXTURE2D_DESC desc = texture_2d_desc(captured.Width, captured.Height, captured.Format,
                                                    D3D11_USAGE_DEFAULT, D3D11_BIND_SHADER_RESOURCE);
  ComPtr<ID3D11Texture2D> copy;
  ComPtr<ID3D11ShaderResourceView> view;
  const HRESULT hr = make_texture_view(device_.Get(), desc, nullptr, copy, view);
  if (FAILED(hr)) return hr;
  frame_copy_ = std::move(copy);
  frame_copy_view_ = std::move(view);
  captured_format_ = captured.Format;
  status_.hdr_input = captured.Format == DXGI_FORMAT_R16G16B16A16_FLOAT;
  return S_OK;
}

HRESULT RecordingSession::update_cursor_shape(const CapturedCursor& cursor) {
  CursorShape shape =
      convert_cursor_shape(cursor.shape_info.Type, cursor.shape_info.Width, cursor.shape_info.Height,
                           cursor.shape_info.Pitch, cursor.shape_data, cursor.shape_size);
  if (shape.empty()) return S_FALSE;
  if (cursor_view_ && shape == cursor_shape_) return S_OK;
  if (!device_) return E_UNEXPECTED;

  ComPtr<ID3D11Texture2D> texture;
  ComPtr<ID3D11ShaderResourceView> view;
  const HRESULT hr =
      make_immutable_bgra_view(device_.Get(), shape.width, shape.height, shape.pixels.data(), shape.width * 4,
                               texture, view);
  if (FAILED(hr)) return hr;
  cursor_texture_ = std::move(texture);
  cursor_view_ = std::move(view);
  cursor_shape_ = std::move(shape);
  return S_OK;
}

HRESULT RecordingSession::compose_frame(ID3D11Texture2D* texture, const CapturedFrameInfo& info) {
  if (!texture) return E_POINTER;
  if (!frame_copy_ || !composition_view_ || !frame_constants_) return E_UNEXPECTED;
  D3D11_TEXTURE2D_DESC desc{};
  texture->GetDesc(&desc);
  const bool sideways = rotated_sideways(info.rotation);
  const uint32_t upright_width = sideways ? desc.Height : desc.Width;
  const uint32_t upright_height = sideways ? desc.Width : desc.Height;
  D3D11_TEXTURE2D_DESC copy_desc{};
  frame_copy_->GetDesc(&copy_desc);
  // A texture the copy cannot take, or a turn of the output that changes the
  // frame's shape, would compose a stale or clipped picture.
  if (desc.Width != copy_desc.Width || desc.Height != copy_desc.Height || upright_width != composed_width_ ||
      upright_height != composed_height_) {
    return kErrorFrameSizeChanged;
  }
  if (desc.Format != copy_desc.Format) return kErrorUnsupportedD3DType;
  context_->CopyResource(frame_copy_.Get(), texture);

  bool cursor_drawn = false;
  if (options_.include_cursor && info.cursor.visible) {
    const HRESULT hr = update_cursor_shape(info.cursor);
    if (FAILED(hr)) return hr;
    cursor_drawn = cursor_view_ != nullptr;
  }

  FrameConstants constants{};
  constants.frameSize[0] = static_cast<float>(copy_desc.Width);
  constants.frameSize[1] = static_cast<float>(copy_desc.Height);
  constants.cursorOrigin[0] = static_cast<float>(info.cursor.position.x);
  constants.cursorOrigin[1] = static_cast<float>(info.cursor.position.y);
  constants.cursorSize[0] = static_cast<float>(cursor_shape_.width);
  constants.cursorSize[1] = static_cast<float>(cursor_shape_.height);
  constants.sdrWhiteNits = info.sdr_white_nits;
  constants.maxLuminanceNits = info.max_luminance_nits;
  constants.cursorType = cursor_shape_.type;
  constants.cursorVisible = cursor_drawn ? 1u : 0u;
  constants.hdrInput = copy_desc.Format == DXGI_FORMAT_R16G16B16A16_FLOAT ? 1u : 0u;
  constants.rotation = info.rotation;
  HRESULT hr = write_dynamic_constants(context_.Get(), frame_constants_.Get(), &constants, sizeof(constants));
  if (FAILED(hr)) return hr;

  ID3D11ShaderResourceView* const views[] = {frame_copy_view_.Get(), cursor_view_.Get()};
  hr = draw_fullscreen_pass(context_.Get(), {.target = composition_view_.Get(),
                                             .width = composed_width_,
                                             .height = composed_height_,
                                             .vertex_shader = vertex_shader_.Get(),
                                             .pixel_shader = pixel_shader_.Get(),
                                             .views = views,
                                             .constants = frame_constants_.Get()});
  if (FAILED(hr)) return hr;

  if (cursor_drawn) ++status_.cursor_frames;
  return S_OK;
}

HRESULT RecordingSession::encode_frame(int64_t index, const RECT& source) {
  if (!writer_ || !converter_ || !composition_target_) return E_UNEXPECTED;
  status_.stage = kStageSubmissionBegun;
  const int64_t time = frame_slot_time(index, options_.frame_rate);
  const int64_t duration = frame_slot_time(index + 1, options_.frame_rate) - time;

  ComPtr<IMFSample> sample;
  HRESULT hr = converter_->allocate_sample(&sample);
  if (hr == kErrorSampleAllocatorEmpty) {
    // Every surface is still inside the encoder: skip the frame rather than
    // wait for it.
    ++status_.video_dropped_frames;
    ++status_.video_allocator_drops;
    return S_OK;
  }
  if (FAILED(hr)) return hr;
  ComPtr<IMFMediaBuffer> buffer;
  hr = sample->GetBufferByIndex(0, &buffer);
  if (FAILED(hr)) return hr;
  ComPtr<IMFDXGIBuffer> surface_buffer;
  hr = buffer.As(&surface_buffer);
  if (FAILED(hr)) return hr;
  ComPtr<ID3D11Texture2D> surface;
  hr = surface_buffer->GetResource(IID_PPV_ARGS(&surface));
  if (FAILED(hr)) return hr;
  UINT subresource = 0;
  hr = surface_buffer->GetSubresourceIndex(&subresource);
  if (FAILED(hr)) return hr;
  if (subresource != 0) return E_UNEXPECTED;
  DWORD max_length = 0;
  hr = buffer->GetMaxLength(&max_length);
  if (SUCCEEDED(hr)) hr = buffer->SetCurrentLength(max_length);
  if (FAILED(hr)) return hr;
  status_.stage = kStageSurfaceReady;

  const LONG width = static_cast<LONG>(composed_width_);
  const LONG height = static_cast<LONG>(composed_height_);
  RECT rect;
  rect.left = std::clamp<LONG>(source.left, 0, width - 1);
  rect.top = std::clamp<LONG>(source.top, 0, height - 1);
  rect.right = std::clamp<LONG>(source.right, rect.left + 1, width);
  rect.bottom = std::clamp<LONG>(source.bottom, rect.top + 1, height);
  ID3D11Texture2D* frame = composition_target_.Get();
  if (watermark_) {
    hr = watermark_->render(rect.left, rect.top, rect.right, rect.bottom, time);
    if (FAILED(hr)) return hr;
    status_.stage = kStageWatermarkPass;
    frame = watermark_->output_texture();
    rect = {0, 0, static_cast<LONG>(options_.width), static_cast<LONG>(options_.height)};
  }
  hr = converter_->convert(frame, rect, surface.Get(), status_.video_submitted_frames, status_.stage);
  if (FAILED(hr)) return hr;

  hr = sample->SetSampleTime(time);
  if (FAILED(hr)) return hr;
  status_.stage = kStageSampleTime;
  hr = sample->SetSampleDuration(duration);
  if (FAILED(hr)) return hr;
  status_.stage = kStageSampleDuration;
  LARGE_INTEGER before{};
  QueryPerformanceCounter(&before);
  hr = writer_->write_sample(video_stream_, sample.Get());
  LARGE_INTEGER after{};
  QueryPerformanceCounter(&after);
  const int64_t write_time = to_100ns(after.QuadPart - before.QuadPart);
  status_.write_time_total += write_time;
  status_.write_time_max = std::max(status_.write_time_max, write_time);
  if (FAILED(hr)) return hr;
  status_.stage = kStageWrite;

  last_sample_time_ = time;
  last_frame_index_ = index;
  status_.last_video_end = time + duration;
  ++status_.video_submitted_frames;
  update_drift();
  status_.stage = kStageFrameWritten;
  return S_OK;
}

}  // namespace quorvel::windows
