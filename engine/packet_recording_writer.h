// What a recording session writes its samples into. The writer wraps the
// platform's H.264 and AAC encoders in a sink writer whose media sink is the
// program's PacketSink, and fans every resulting packet out to two
// consumers: the MP4 output, through the bounded write queue so a slow disk
// never blocks the encoders, and the live packet callback. A writer may have
// only a file, only a live callback, or both.
//
// With `file_optional` (a live output besides the file), a file failure ends
// only the file: the encoders and the live callback go on. Without it, the
// first failure of either consumer stops the encoding streams and is
// reported by write_sample.
//
// Ownership: owned by the recording session through a unique pointer.
// Threads: create, add_stream, set_input_type, begin_writing, write_sample
// and finish from the session's thread(s), serialised by the session;
// fan_out_packet runs on the encoder output threads; stats and fail from any
// thread. Lock order: writer lock, then queue lock.
#pragma once

#include <windows.h>
// mfreadwrite.h uses IMFMediaSink without including its declaration.
#include <mfidl.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <cstdint>
#include <filesystem>
#include <memory>

#include "engine/encoded_packet.h"
#include "engine/mp4_packet_output.h"
#include "engine/packet_write_queue.h"
#include "engine/sink_writer_factory.h"

namespace quorvel::windows {

struct PacketWriterStats {
  uint64_t video_packets = 0;
  uint64_t audio_packets = 0;
  uint64_t packet_bytes = 0;
  uint32_t encoded_width = 0;
  uint32_t encoded_height = 0;
  uint32_t frame_rate_numerator = 0;
  uint32_t frame_rate_denominator = 0;
  HRESULT writer_result = S_OK;
  HRESULT file_result = S_OK;  // the file queue's status; S_OK without a file
  HRESULT live_result = S_OK;
  uint64_t file_queue_bytes = 0;
  uint64_t file_queue_peak_bytes = 0;
};

// The platform pieces the writer reaches; each empty member means the real
// one. The product passes nothing; tests pass fakes.
struct PacketWriterPlatform {
  SinkWriterFactory sink_writers;
  DiskSpaceProbe disk;
  std::shared_ptr<Clock> queue_clock;
};

class PacketRecordingWriter {
 public:
  // The file queue's limits.
  static constexpr PacketQueueLimits kFileQueueLimits{67'108'864, 4096, 5000};

  // `path` empty: no file (then `live_callback` is required). `attributes`
  // go to the encoding sink writer. `file_optional` requires both a path and
  // a callback. On success `out` is replaced by the new writer.
  [[nodiscard]] static HRESULT create(const std::filesystem::path& path, IMFAttributes* attributes,
                        std::unique_ptr<PacketRecordingWriter>& out, PacketCallback live_callback,
                        bool file_optional, uint64_t min_free_disk_bytes,
                        const PacketWriterPlatform& platform = {});

  ~PacketRecordingWriter();
  PacketRecordingWriter(const PacketRecordingWriter&) = delete;
  PacketRecordingWriter& operator=(const PacketRecordingWriter&) = delete;

  // Adds an encoder output stream (H.264 or AAC); `index` receives its
  // stream index. Streams are added before the first packet reaches the file.
  [[nodiscard]] HRESULT add_stream(IMFMediaType* type, DWORD* index);
  // The encoder's input type; `encoding_parameters` may be null.
  [[nodiscard]] HRESULT set_input_type(DWORD index, IMFMediaType* type, IMFAttributes* encoding_parameters);
  [[nodiscard]] HRESULT begin_writing();
  // The kept failure (including a failed file queue without
  // `file_optional`), else the sink writer's WriteSample result.
  [[nodiscard]] HRESULT write_sample(DWORD index, IMFSample* sample);
  // Drains the encoders, then the file queue, and finalizes the file. Done
  // once; later calls return the same result.
  [[nodiscard]] HRESULT finish();
  PacketWriterStats stats() const;
  // Fails the file queue, which stops accepting packets. Nothing without a file.
  void fail(HRESULT code);

  // The sink's packet callback: hands the packet to the file queue and the
  // live callback and counts it.
  [[nodiscard]] HRESULT fan_out_packet(std::shared_ptr<const EncodedPacket> packet);

 private:
  struct State;
  explicit PacketRecordingWriter(std::unique_ptr<State> state);

  std::unique_ptr<State> state_;
};

}  // namespace quorvel::windows
