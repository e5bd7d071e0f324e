// One encoding run of a recording: desktop textures and audio blocks in,
// H.264 and AAC packets out, through a PacketRecordingWriter that writes the
// MP4 (and one writer per separate .m4a file) and calls the live packet
// callback.
//
// The session paces video to a constant frame rate (repeating the last frame
// over gaps of up to two seconds), composes and encodes each frame on the
// capture's GPU device, places each audio track's blocks back to back on the
// video's time line, writes everything under ".partial" names and gives the
// files their final names when finish succeeds. It keeps its first failure
// and the RecordingSessionStatus the application reads.
//
// The video path: at the first frame setup_encoders builds the GPU and
// encoder resources on the capture's Direct3D device; for every new texture
// compose_frame copies it, undoes the output's rotation, tone-maps HDR to SDR
// and draws the cursor into the upright composition target; for every frame
// slot encode_frame crops and scales that frame (through the watermark
// renderer when a watermark is on) into an NV12 sample and writes it to the
// encoder. Frames never leave the GPU.
//
// Clock. Frames, audio blocks and the end time all carry performance-counter
// (QPC) counts on one clock: the caller passes the current count minus the
// time the recording has been paused so far, the same adjusted clock for
// push_video_frame, repeat_last_frame, push_audio / push_mixed_audio and
// finish. Media time 0 is the first frame's count; audio stamped before it
// starts at 0. finish(0) takes the raw counter "now", which is right only
// while nothing was paused: a caller that pauses passes its adjusted end
// count.
//
// Ownership: the application owns its sessions through the pointer create
// returns; destroying a session finishes it first (end time now).
// Threads: every public operation holds the session's mutex for its whole
// body, so frames (capture thread), audio (mixer thread) and start, fail,
// finish and status (UI thread) may come from different threads. Packets
// leave on the encoders' output threads; the packet callback must never call
// back into the session.
#pragma once

#include <windows.h>
#include <d3d11.h>
#include <mfidl.h>
#include <wrl/client.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "engine/captured_frame_info.h"
#include "engine/cursor_shape.h"
#include "engine/nv12_converter.h"
#include "engine/packet_recording_writer.h"
#include "engine/recording_options.h"
#include "engine/recording_stages.h"
#include "engine/recovered_name.h"
#include "engine/watermark_renderer.h"

namespace quorvel::windows {

enum class RecordingState : uint8_t {
  kIdle = 0,
  kStarted = 1,  // no frame yet
  kEncoding = 2,
  kFinishing = 3,
  kFinished = 4,
  kFailed = 5,
};

enum class AudioTrack : uint32_t { kMixed = 0, kSystem = 1, kMicrophone = 2 };

// Counters and results for the application's messages and diagnostics
// report. Counts are unsigned 64-bit, times 100-ns units unless noted.
struct RecordingSessionStatus {
  uint64_t encoded_video_packets = 0;
  uint64_t encoded_audio_packets = 0;
  uint64_t encoded_packet_bytes = 0;
  uint32_t encoded_width = 0;
  uint32_t encoded_height = 0;
  uint32_t encoded_fps_numerator = 0;
  uint32_t encoded_fps_denominator = 0;
  HRESULT writer_result = S_OK;
  HRESULT file_result = S_OK;
  HRESULT live_result = S_OK;
  uint64_t file_queue_bytes = 0;
  uint64_t file_queue_peak_bytes = 0;
  bool file_committed = false;
  RecordingState state = RecordingState::kIdle;
  uint64_t video_source_frames = 0;
  uint64_t video_submitted_frames = 0;
  uint64_t video_duplicated_frames = 0;
  uint64_t video_dropped_frames = 0;
  uint64_t video_rate_limited_frames = 0;
  uint64_t video_allocator_drops = 0;
  uint64_t cursor_frames = 0;
  int64_t last_video_end = 0;
  int64_t elapsed = 0;
  int64_t frame_time_total = 0;
  int64_t frame_time_max = 0;
  int64_t frame_time_last = 0;
  int64_t write_time_total = 0;
  int64_t write_time_max = 0;
  int64_t finalize_time = 0;
  int64_t output_bytes = 0;
  uint64_t free_disk_bytes = 0;
  HRESULT result = S_OK;
  HRESULT device_removed_reason = S_OK;
  // The last step reached in encoder set-up and frame submission: one of
  // the kStage... codes of engine/recording_stages.h.
  uint32_t stage = 0;
  uint32_t input_format = 0;  // DXGI_FORMAT of the captured texture
  // Size of the captured picture, upright (a rotated output's sides swapped).
  uint32_t input_width = 0;
  uint32_t input_height = 0;
  uint32_t first_frame_width = 0;
  uint32_t first_frame_height = 0;
  uint64_t input_format_changes = 0;
  uint64_t mixed_blocks = 0;
  uint64_t mixed_frames = 0;
  uint64_t mixed_bytes = 0;
  uint64_t mixed_silent_blocks = 0;
  uint64_t mixed_discontinuities = 0;
  uint64_t audio_ignored_blocks = 0;
  uint64_t mixed_failures = 0;
  int64_t last_mixed_end = 0;
  int64_t audio_video_drift = 0;
  int64_t audio_video_drift_max_abs = 0;
  HRESULT mixed_track_result = S_OK;
  bool mixed_track_opened = false;
  uint64_t system_track_blocks = 0;
  uint64_t system_track_frames = 0;
  uint64_t microphone_track_blocks = 0;
  uint64_t microphone_track_frames = 0;
  uint64_t track_failures = 0;
  int64_t last_system_end = 0;
  int64_t last_microphone_end = 0;
  HRESULT system_track_result = S_OK;
  HRESULT microphone_track_result = S_OK;
  bool system_track_opened = false;
  bool microphone_track_opened = false;
  uint64_t system_file_blocks = 0;
  uint64_t system_file_frames = 0;
  uint64_t microphone_file_blocks = 0;
  uint64_t microphone_file_frames = 0;
  uint64_t audio_file_failures = 0;
  HRESULT system_file_result = S_OK;
  HRESULT microphone_file_result = S_OK;
  bool system_file_opened = false;
  bool microphone_file_opened = false;
  std::wstring system_file_path;
  std::wstring microphone_file_path;
  bool hdr_input = false;
  std::wstring output_path;
  std::wstring recovered_path;
};

// The platform pieces a session reaches; each empty member means the real
// one. The product passes nothing; tests pass fakes.
struct RecordingSessionPlatform {
  PacketWriterPlatform writers;
  Nv12ConverterFactory nv12_converters;
  std::wstring watermark_font_family = kWatermarkFontFamily;
  // How many "recovered-N" names a stale output file may take before the
  // start fails; tests lower it to reach the end with a few files.
  int max_recovered_names = kMaxRecoveredNames;
  // The status query of those names and of the stale file itself.
  NameStatusQuery name_status;
};

// Sample times of frame slots: slot `index` starts at index x 10,000,000 /
// `frame_rate` (0 for index <= 0), computed without overflow so that slot
// lengths alternate (333,333 and 333,334 at 30 frames/s) and never drift.
int64_t frame_slot_time(int64_t index, uint32_t frame_rate);

class RecordingSession {
 public:
  // Samples in the encoder's pool: frames beyond that are dropped, never
  // waited for.
  static constexpr uint32_t kInitialSamples = 4;
  static constexpr uint32_t kMaximumSamples = 12;

  static std::unique_ptr<RecordingSession> create(RecordingSessionPlatform platform = {});

  // Finishes the session (end time now) and deletes it.
  static void destroy(std::unique_ptr<RecordingSession> session);

  // Finishes a session still running (end time now) and releases everything.
  ~RecordingSession();
  RecordingSession(const RecordingSession&) = delete;
  RecordingSession& operator=(const RecordingSession&) = delete;

  // Copies the options and prepares the output names; true when the session
  // is now waiting for its first frame. False without any change for a
  // session already running or invalid options; false with state Failed and
  // `result` set when the start itself failed (disk space, Media Foundation,
  // a stale partial file that cannot be moved aside).
  bool start(const RecordingOptions& options);

  // A copy of the status with the writer's statistics over its first fields,
  // the first failure as `file_result`, and the elapsed time, the file's size
  // and the free disk space measured now.
  RecordingSessionStatus status() const;
  // The video frames submitted so far, without the output and free-space
  // readings `status` takes: cheap enough for every captured frame.
  uint64_t video_submitted_frames() const;
  bool is_active() const;

  // Keeps a failure as the session's first one and stops the file queues;
  // the session goes on (a live output keeps receiving packets).
  void fail(HRESULT code);

  // One captured texture. `source_rect` is the part of the texture that
  // becomes the video; `time` is the adjusted QPC count (see above).
  [[nodiscard]] HRESULT push_video_frame(ID3D11Device* device, ID3D11DeviceContext* context, ID3D11Texture2D* texture,
                           const RECT& source_rect, int64_t time, const CapturedFrameInfo& info);
  // The capture saw no new image: the last frame fills the slots up to `time`.
  [[nodiscard]] HRESULT repeat_last_frame(int64_t time);

  // One block of `frames` x `audio_channels` interleaved floats (null when
  // silent) starting at the adjusted QPC count `time`. Track 0 is the mixed
  // track, 1 the system sound, 2 the microphone.
  [[nodiscard]] HRESULT push_audio(AudioTrack track, const float* data, uint32_t frames, int64_t time, bool silent,
                     bool discontinuity);
  // push_audio on the mixed track, shaped like AudioBlockCallback.
  [[nodiscard]] HRESULT push_mixed_audio(const float* data, uint32_t frames, int64_t time, bool silent, bool discontinuity);

  // Repeats the last frame up to `end_time` (adjusted QPC; 0 or less: now),
  // drains the encoders, finalizes the files and renames them to their final
  // names. Returns the session's result; later calls return it again.
  [[nodiscard]] HRESULT finish(int64_t end_time);

 private:
  friend struct RecordingSessionTestPeer;

  explicit RecordingSession(RecordingSessionPlatform platform);

  // A separate .m4a file (system sound, microphone).
  struct AudioFile {
    std::unique_ptr<PacketRecordingWriter> writer;
    DWORD stream_index = 0;
    bool active = false;
    std::filesystem::path final_path;
    std::filesystem::path partial_path;
  };

  // Frame pacing shared by push_video_frame, repeat_last_frame and finish:
  // fills the gap since the last slot with the last frame, composes
  // `texture` (null for a repeat) and submits the slot of `time`.
  [[nodiscard]] HRESULT pace_frame(int64_t time, ID3D11Texture2D* texture, const CapturedFrameInfo* info,
                     const RECT* source_rect);
  // The session fails with `code` (state Failed); returns `code`.
  [[nodiscard]] HRESULT fail_session(HRESULT code);
  void keep_first_failure(HRESULT code);
  void update_drift();
  // Free bytes on the volume of `path` (the platform's probe when given).
  [[nodiscard]] HRESULT query_free_bytes(const std::filesystem::path& path, uint64_t& free_bytes) const;
  int64_t counter_now() const;

  // The AAC tracks and files. make_aac_media_type fills the encoder's output
  // (AAC) and input (float PCM) types from the options, releasing whatever
  // the out pointers held.
  [[nodiscard]] HRESULT make_aac_media_type(IMFMediaType** output_type, IMFMediaType** input_type) const;
  // Adds the track to the main writer when the options want it there.
  [[nodiscard]] HRESULT add_audio_stream(AudioTrack track);
  // Opens the track's separate file (tracks 1 and 2) when it is wanted. A
  // file that cannot be opened is dropped with its code, which the status
  // shows; the recording goes on without it.
  void open_audio_file(AudioTrack track);
  // Drops the track's separate file with `code`; it keeps its partial name.
  void close_audio_file(AudioTrack track, HRESULT code);

  // The video path. Each step records the stage it reached in the status and
  // returns the first failure; the caller holds the mutex.
  //
  // At the first frame: the video processor, the composition resources, the
  // watermark renderer, the encoding writer with its H.264 stream and NV12
  // input, the sample pool, and the start of writing. `rotation` is the
  // captured output's DXGI_MODE_ROTATION: the upright picture, with the sides
  // of a rotated output swapped, is what gets composed and encoded.
  [[nodiscard]] HRESULT setup_encoders(ID3D11Device* device, ID3D11DeviceContext* context,
                         const D3D11_TEXTURE2D_DESC& captured, uint32_t rotation);
  // The GPU copy of the captured texture the composition reads (also made
  // again when the captured format changes). MF_E_UNSUPPORTED_D3D_TYPE for a
  // format other than B8G8R8A8_UNORM and R16G16B16A16_FLOAT.
  [[nodiscard]] HRESULT create_frame_copy(const D3D11_TEXTURE2D_DESC& captured);
  // Copies the new texture and composes it with the cursor into the
  // composition target.
  [[nodiscard]] HRESULT compose_frame(ID3D11Texture2D* texture, const CapturedFrameInfo& info);
  // Converts the captured pointer shape and uploads it when it changed.
  // S_FALSE (the previous shape stays) when the shape converts to nothing.
  [[nodiscard]] HRESULT update_cursor_shape(const CapturedCursor& cursor);
  // Writes the composed frame as frame slot `index`, cropped to `source`
  // (upright composed pixels; clamped to the frame and at least 1 x 1).
  [[nodiscard]] HRESULT encode_frame(int64_t index, const RECT& source);

  // Releases every media resource of the run; the writers' statistics are
  // kept in the status first.
  void release_media();
  // release_media, then Media Foundation shut down when this run started it.
  void release_run();
  int64_t to_100ns(int64_t counts) const;

  const RecordingSessionPlatform platform_;
  mutable std::mutex mutex_;
  RecordingOptions options_;
  // The MP4 while recording; empty without a file.
  std::filesystem::path partial_path_;
  RecordingSessionStatus status_;
  // The session's first failure, handed to the writers once they exist.
  HRESULT first_failure_ = S_OK;
  int64_t frequency_ = 0;

  // Video path, declared in the order it is built so that it is released
  // in reverse: the writer (which holds samples) before the pool, the pool
  // before the device.
  Microsoft::WRL::ComPtr<ID3D11Device> device_;
  Microsoft::WRL::ComPtr<ID3D11DeviceContext> context_;
  DXGI_FORMAT captured_format_ = DXGI_FORMAT_UNKNOWN;
  uint32_t captured_width_ = 0;  // the texture as delivered
  uint32_t captured_height_ = 0;
  uint32_t composed_width_ = 0;  // upright
  uint32_t composed_height_ = 0;
  std::unique_ptr<Nv12Converter> converter_;
  Microsoft::WRL::ComPtr<ID3D11Texture2D> frame_copy_;
  Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> frame_copy_view_;
  Microsoft::WRL::ComPtr<ID3D11Texture2D> composition_target_;
  Microsoft::WRL::ComPtr<ID3D11RenderTargetView> composition_view_;
  Microsoft::WRL::ComPtr<ID3D11VertexShader> vertex_shader_;
  Microsoft::WRL::ComPtr<ID3D11PixelShader> pixel_shader_;
  Microsoft::WRL::ComPtr<ID3D11Buffer> frame_constants_;
  Microsoft::WRL::ComPtr<ID3D11Texture2D> cursor_texture_;
  Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> cursor_view_;
  CursorShape cursor_shape_;
  std::unique_ptr<WatermarkRenderer> watermark_;
  Microsoft::WRL::ComPtr<IMFDXGIDeviceManager> device_manager_;
  UINT reset_token_ = 0;
  std::unique_ptr<PacketRecordingWriter> writer_;
  DWORD video_stream_ = 0;

  // Audio: where each track went in the main file, and the separate files
  // (indexed by track - 1).
  std::array<DWORD, 3> audio_stream_index_{};
  std::array<bool, 3> track_active_{};
  std::array<AudioFile, 2> audio_files_;
  bool media_foundation_started_ = false;

  // Timing, in performance counts unless said otherwise.
  int64_t start_count_ = 0;
  int64_t base_time_ = 0;  // the first frame's count
  bool has_base_time_ = false;
  int64_t last_frame_index_ = -1;
  bool has_last_frame_ = false;
  RECT last_source_rect_{};
  int64_t last_sample_time_ = 0;
  // 100-ns media time at which each track's next block is due.
  std::array<int64_t, 3> next_audio_time_{};
};

}  // namespace quorvel::windows
