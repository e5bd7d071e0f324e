// The timeline side file written beside a file recording: a fixed-layout log
// of where the cursor was, which mouse buttons were down and where the
// follow-the-mouse viewport stood at each control tick (type 1 records, 76
// bytes), and which viewport rectangle each accepted video frame showed
// (type 2 records, 40 bytes), after a 56-byte header that starts with
// "QUORTLN\0". All integers little-endian, no padding, records back to back;
// the doubles of a type 1 record sit at offsets that are not multiples of 8.
//
// The file is written under a ".partial" name and given its final name when
// the recording is committed. A stale partial file of an earlier run is cut
// back to its last whole record and moved aside (".recovered-N") before a new
// one is created, so a crash never costs the old data nor blocks a new start.
//
// Owned by the application shell. Every method takes the object's mutex: the
// UI thread adds type 1 records from its control tick while the capture
// thread adds type 2 records for the frames it delivers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>

#include "engine/capture_camera.h"
#include "engine/recovered_name.h"

namespace quorvel::windows {

struct TimelineOpenRequest {
  std::wstring path;  // the final file name, e.g. "Clip.quorvel"
  // Copied into the header unchecked: the capture area in desktop pixels and
  // the output video size.
  int32_t capture_left = 0;
  int32_t capture_top = 0;
  int32_t capture_right = 0;
  int32_t capture_bottom = 0;
  int32_t output_width = 0;
  int32_t output_height = 0;
};

struct RecordingTimelineStats {
  bool open = false;
  bool write_failed = false;
  uint64_t video_records = 0;   // type 1
  uint64_t camera_records = 0;  // type 2
  uint64_t flushes = 0;
  uint64_t bytes_written = 0;
  std::wstring final_path;
  std::wstring partial_path;
  std::wstring aside_path;  // where a stale partial file was moved; empty if none
};

class RecordingTimeline {
 public:
  // The tick frequency of the times handed in; the product counts in
  // performance-counter ticks.
  using FrequencySource = std::function<int64_t()>;

  RecordingTimeline();
  explicit RecordingTimeline(FrequencySource frequency);
  // An open file is flushed and left under its partial name.
  ~RecordingTimeline();
  RecordingTimeline(const RecordingTimeline&) = delete;
  RecordingTimeline& operator=(const RecordingTimeline&) = delete;

  // Moves a stale partial file aside, then creates the partial file and
  // writes the header. False when already open, the path is empty, the start
  // is not positive, the stale file cannot be moved aside or the file cannot
  // be written.
  bool open(const TimelineOpenRequest& request, int64_t start_ticks);

  // A type 1 record. `time` is in ticks on the same clock as the start.
  // False when closed or when writing failed.
  bool add_video_record(int64_t time, POINT cursor, uint32_t button_bits,
                        const CaptureViewport& viewport, double tightness);

  // A type 2 record for one accepted video frame; the rectangle is relative
  // to the capture area. False when closed or when writing failed.
  bool add_camera_record(int64_t time, uint64_t frame_index, const RECT& rect);

  // Flushes and closes. With commit and no write failure the partial file
  // replaces the final one; otherwise it stays and the result is false.
  // True when nothing is open.
  bool finish(bool commit);

  RecordingTimelineStats stats() const;

  // Validates the stale file at `partial_path`, cuts it to its last whole
  // record and moves it aside: beside the final name when its header is
  // valid, beside the partial name when it is not. True when there was
  // nothing to move or it was moved (then `aside_path` names the new place).
  // A recovered name whose status cannot be queried leaves the stale file
  // where it is (false): it is not renamed onto what may be another file.
  // `names` queries those names; empty means the file system's own query.
  static bool recover_existing(const std::wstring& partial_path, const std::wstring& final_path,
                               std::wstring& aside_path, const NameStatusQuery& names = {});

 private:
  bool write_record(const uint8_t* bytes, size_t size, int64_t time);
  void flush_and_close();

  mutable std::mutex mutex_;
  FrequencySource frequency_source_;
  std::ofstream stream_;
  std::wstring final_path_;
  std::wstring partial_path_;
  std::wstring aside_path_;
  int64_t start_ticks_ = 0;
  int64_t frequency_ = 0;
  int64_t last_flush_ticks_ = 0;
  uint64_t video_records_ = 0;
  uint64_t camera_records_ = 0;
  uint64_t flushes_ = 0;
  uint64_t bytes_written_ = 0;
  uint32_t pending_ = 0;
  bool write_failed_ = false;
};

}  // namespace quorvel::windows
