#include "engine/recording_timeline.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "engine/recovered_name.h"
#include "engine/timeline_format.h"

namespace quorvel::windows {
namespace {

namespace fs = std::filesystem;

// Records buffered before the stream is flushed, whatever the record time.
constexpr uint32_t kFlushRecords = 256;

int64_t query_performance_frequency() {
  LARGE_INTEGER frequency{};
  if (!QueryPerformanceFrequency(&frequency)) return 0;
  return frequency.QuadPart;
}

// Little-endian field writers; the layout never depends on the host.
void put_u32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void put_u64(uint8_t* at, uint64_t value) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void put_i32(uint8_t* at, int32_t value) { put_u32(at, static_cast<uint32_t>(value)); }
void put_i64(uint8_t* at, int64_t value) { put_u64(at, static_cast<uint64_t>(value)); }

void put_f64(uint8_t* at, double value) {
  uint64_t bits = 0;
  static_assert(sizeof bits == sizeof value);
  std::memcpy(&bits, &value, sizeof bits);
  put_u64(at, bits);
}

// Tick differences wrap instead of overflowing: the times come from the
// caller and are not trusted to be in order.
int64_t ticks_since(int64_t time, int64_t origin) {
  return static_cast<int64_t>(static_cast<uint64_t>(time) - static_cast<uint64_t>(origin));
}

fs::path sibling(const fs::path& path, const std::wstring& infix) {
  return path.parent_path() / (path.stem().wstring() + infix + path.extension().wstring());
}

bool move_file(const std::wstring& from, const std::wstring& to, DWORD flags) {
  return MoveFileExW(from.c_str(), to.c_str(), flags) != FALSE;
}

uint64_t valid_timeline_file_length(const fs::path& path, uint64_t file_size) {
  std::ifstream in(path, std::ios::in | std::ios::binary);
  if (!in.is_open()) return 0;
  return valid_timeline_length(in, file_size);
}

}  // namespace

RecordingTimeline::RecordingTimeline() : RecordingTimeline(query_performance_frequency) {}

RecordingTimeline::RecordingTimeline(FrequencySource frequency)
    : frequency_source_(std::move(frequency)) {}

RecordingTimeline::~RecordingTimeline() {
  std::lock_guard lock(mutex_);
  if (stream_.is_open()) flush_and_close();
}

bool RecordingTimeline::recover_existing(const std::wstring& partial_path,
                                         const std::wstring& final_path,
                                         std::wstring& aside_path,
                                         const NameStatusQuery& names) {
  const fs::path partial(partial_path);
  std::error_code error;
  const fs::file_status status = fs::status(partial, error);
  if (status.type() == fs::file_type::not_found) return true;
  if (error) return false;
  const uintmax_t size = fs::file_size(partial, error);
  if (error) return false;

  const uint64_t valid = valid_timeline_file_length(partial, size);
  const fs::path beside(valid >= kTimelineHeaderSize ? final_path : partial_path);
  const std::wstring target =
      first_free_recovered_name(beside, kMaxRecoveredNames, UnqueryableName::kGiveUp, names)
          .wstring();
  if (target.empty()) return false;
  if (valid > 0 && valid != size) {
    fs::resize_file(partial, valid, error);
    if (error) return false;
  }
  if (!move_file(partial_path, target, 0)) return false;
  aside_path = target;
  return true;
}

bool RecordingTimeline::open(const TimelineOpenRequest& request, int64_t start_ticks) {
  std::lock_guard lock(mutex_);
  if (stream_.is_open() || request.path.empty() || start_ticks <= 0) return false;

  final_path_ = request.path;
  partial_path_ = sibling(fs::path(request.path), L".partial").wstring();
  aside_path_.clear();
  if (!recover_existing(partial_path_, final_path_, aside_path_)) return false;

  // The C runtime opens files shareable, so other programs may read the
  // timeline while it grows.
  stream_.open(fs::path(partial_path_), std::ios::out | std::ios::binary | std::ios::trunc);
  if (!stream_.good()) {
    stream_.close();
    return false;
  }

  frequency_ = frequency_source_ ? frequency_source_() : 0;
  start_ticks_ = start_ticks;
  last_flush_ticks_ = start_ticks;
  video_records_ = 0;
  camera_records_ = 0;
  flushes_ = 0;
  bytes_written_ = 0;
  pending_ = 0;
  write_failed_ = false;

  std::array<uint8_t, kTimelineHeaderSize> header{};
  std::memcpy(header.data(), kTimelineMagic, sizeof kTimelineMagic);
  put_u32(header.data() + 8, kTimelineVersion);
  put_u32(header.data() + 12, kTimelineHeaderSize);
  put_i64(header.data() + 16, frequency_);
  put_i64(header.data() + 24, start_ticks);
  put_i32(header.data() + 32, request.capture_left);
  put_i32(header.data() + 36, request.capture_top);
  put_i32(header.data() + 40, request.capture_right);
  put_i32(header.data() + 44, request.capture_bottom);
  put_i32(header.data() + 48, request.output_width);
  put_i32(header.data() + 52, request.output_height);
  stream_.write(reinterpret_cast<const char*>(header.data()), header.size());
  if (!stream_.good()) {
    stream_.close();
    return false;
  }
  bytes_written_ = kTimelineHeaderSize;
  return true;
}

bool RecordingTimeline::add_video_record(int64_t time, POINT cursor, uint32_t button_bits,
                                         const CaptureViewport& viewport, double tightness) {
  std::lock_guard lock(mutex_);
  if (!stream_.is_open()) return false;
  std::array<uint8_t, kTimelineVideoRecordSize> record{};
  uint8_t* r = record.data();
  put_u32(r + 0, kTimelineVideoRecordType);
  put_u32(r + 4, kTimelineVideoRecordSize);
  put_i64(r + 8, ticks_since(time, start_ticks_));
  put_i32(r + 16, static_cast<int32_t>(cursor.x));
  put_i32(r + 20, static_cast<int32_t>(cursor.y));
  put_u32(r + 24, button_bits);
  put_f64(r + 28, viewport.left);
  put_f64(r + 36, viewport.top);
  put_f64(r + 44, viewport.right);
  put_f64(r + 52, viewport.bottom);
  put_f64(r + 60, viewport.zoom);
  put_f64(r + 68, tightness);
  ++video_records_;
  return write_record(r, record.size(), time);
}

bool RecordingTimeline::add_camera_record(int64_t time, uint64_t frame_index, const RECT& rect) {
  std::lock_guard lock(mutex_);
  if (!stream_.is_open()) return false;
  std::array<uint8_t, kTimelineCameraRecordSize> record{};
  uint8_t* r = record.data();
  put_u32(r + 0, kTimelineCameraRecordType);
  put_u32(r + 4, kTimelineCameraRecordSize);
  put_i64(r + 8, ticks_since(time, start_ticks_));
  put_u64(r + 16, frame_index);
  put_i32(r + 24, static_cast<int32_t>(rect.left));
  put_i32(r + 28, static_cast<int32_t>(rect.top));
  put_i32(r + 32, static_cast<int32_t>(rect.right));
  put_i32(r + 36, static_cast<int32_t>(rect.bottom));
  ++camera_records_;
  return write_record(r, record.size(), time);
}

bool RecordingTimeline::write_record(const uint8_t* bytes, size_t size, int64_t time) {
  stream_.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
  bytes_written_ += size;
  ++pending_;
  if (!stream_.good()) {
    write_failed_ = true;
    return false;
  }
  // Two seconds of record time since the last flush, or a full batch.
  const bool time_due = frequency_ > 0 && time >= last_flush_ticks_ &&
                        static_cast<uint64_t>(ticks_since(time, last_flush_ticks_)) >=
                            2 * static_cast<uint64_t>(frequency_);
  if (pending_ < kFlushRecords && !time_due) return true;
  stream_.flush();
  ++flushes_;
  pending_ = 0;
  last_flush_ticks_ = time;
  if (!stream_.good()) {
    write_failed_ = true;
    return false;
  }
  return true;
}

void RecordingTimeline::flush_and_close() {
  stream_.flush();
  ++flushes_;
  if (!stream_.good()) write_failed_ = true;
  stream_.close();
  // Closing writes nothing more after the flush, but a failing close still
  // means the file cannot be trusted.
  if (stream_.fail()) write_failed_ = true;
}

bool RecordingTimeline::finish(bool commit) {
  std::lock_guard lock(mutex_);
  if (!stream_.is_open()) return true;
  flush_and_close();
  if (!commit || write_failed_) return false;
  constexpr DWORD kReplace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED;
  if (move_file(partial_path_, final_path_, kReplace)) return true;
  DeleteFileW(final_path_.c_str());
  return move_file(partial_path_, final_path_, kReplace);
}

RecordingTimelineStats RecordingTimeline::stats() const {
  std::lock_guard lock(mutex_);
  RecordingTimelineStats stats;
  stats.open = stream_.is_open();
  stats.write_failed = write_failed_;
  stats.video_records = video_records_;
  stats.camera_records = camera_records_;
  stats.flushes = flushes_;
  stats.bytes_written = bytes_written_;
  stats.final_path = final_path_;
  stats.partial_path = partial_path_;
  stats.aside_path = aside_path_;
  return stats;
}

}  // namespace quorvel::windows
