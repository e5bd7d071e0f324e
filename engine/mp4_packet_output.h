// The MP4 (or M4A) side of a recording: a file sink writer, opened at the
// first packet, that takes the already encoded packets unchanged (same media
// type in and out, no converters) and muxes them into the container the
// path's extension names. While writing it checks the output volume's free
// space at most every 250 ms.
//
// Ownership: shared by the packet recording writer and the callbacks of its
// write queue. Threads: add_stream_format from the writer before writing
// starts; write_packet and finalize from the queue's worker. The lock guards
// everything anyway. The first failure is kept and every later packet is
// refused with it.
#pragma once

#include <windows.h>
// mfreadwrite.h uses IMFMediaSink without including its declaration.
#include <mfidl.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/clock.h"
#include "engine/encoded_packet.h"
#include "engine/sink_writer_factory.h"

namespace quorvel::windows {

// How the output reads the clock and the volume's free space; tests pass
// their own. An empty member means the system's (the steady clock,
// GetDiskFreeSpaceExW).
struct DiskSpaceProbe {
  std::shared_ptr<Clock> clock;
  // `folder` is null for the current folder's volume.
  std::function<HRESULT(const wchar_t* folder, uint64_t& free_bytes)> free_bytes;
};

class Mp4PacketOutput {
 public:
  // Checks the free space at most this often while writing.
  static constexpr uint64_t kFreeSpaceCheckIntervalMs = 250;

  // `min_free_disk_bytes` 0 turns the free-space check off.
  Mp4PacketOutput(std::filesystem::path path, uint64_t min_free_disk_bytes,
                  SinkWriterFactory factory = {}, DiskSpaceProbe probe = {});
  ~Mp4PacketOutput();
  Mp4PacketOutput(const Mp4PacketOutput&) = delete;
  Mp4PacketOutput& operator=(const Mp4PacketOutput&) = delete;

  // Registers the format of encoding stream `index`, which must be the next
  // one. kErrorInvalidRequest once the file was opened or finalized.
  [[nodiscard]] HRESULT add_stream_format(std::shared_ptr<EncodedStreamFormat> format, uint32_t index);

  // Writes one packet, opening the file at the first one. A kept failure is
  // returned at once; a packet of an unknown stream or after finalization is
  // refused with kErrorInvalidRequest (not kept).
  [[nodiscard]] HRESULT write_packet(const std::shared_ptr<const EncodedPacket>& packet);

  // Finalizes the file once; kErrorInvalidRequest when it was never opened.
  // Returns the kept result.
  [[nodiscard]] HRESULT finalize();

  [[nodiscard]] HRESULT result() const;

 private:
  [[nodiscard]] HRESULT open_locked();
  [[nodiscard]] HRESULT write_sample_locked(const EncodedPacket& packet);
  [[nodiscard]] HRESULT check_free_space_locked();

  const std::wstring path_;
  const uint64_t min_free_disk_bytes_;
  const SinkWriterFactory factory_;
  const DiskSpaceProbe probe_;
  const std::shared_ptr<Clock> clock_;

  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<EncodedStreamFormat>> formats_;
  std::vector<DWORD> file_stream_indices_;
  Microsoft::WRL::ComPtr<IMFSinkWriter> file_writer_;
  HRESULT result_ = S_OK;
  bool open_attempted_ = false;
  bool finalized_ = false;
  int64_t next_free_space_check_ns_ = INT64_MIN;  // the first write checks
};

}  // namespace quorvel::windows
