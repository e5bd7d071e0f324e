#include "engine/recording_timeline.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "engine/recovered_name.h"

namespace quorvel::windows {
namespace {

namespace fs = std::filesystem;

constexpr char kMagic[8] = {'Q', 'U', 'O', 'R', 'T', 'L', 'N', '\0'};
constexpr uint32_t kVersion = 1;
constexpr uint32_t kHeaderSize = 56;
constexpr uint32_t kVideoRecordType = 1;
constexpr uint32_t kVideoRecordSize = 76;
constexpr uint32_t kCameraRecordType = 2;
constexpr uint32_t kCameraRecordSize = 40;
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

uint32_t get_u32(const uint8_t* at) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(at[i]) << (8 * i);
  return value;
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

// Length of the valid prefix of a timeline file: 0 when the header is
// invalid, else the header and every whole, well-formed record before the
// first that is not.
uint64_t valid_timeline_length(const fs::path& path, uint64_t file_size) {
  std::ifstream in(path, std::ios::in | std::ios::binary);
  if (!in.is_open()) return 0;
  std::array<uint8_t, kHeaderSize> header{};
  if (!in.read(reinterpret_cast<char*>(header.data()), header.size())) return 0;
  if (std::memcmp(header.data(), kMagic, sizeof kMagic) != 0 ||
      get_u32(header.data() + 8) != kVersion || get_u32(header.data() + 12) != kHeaderSize) {
    return 0;
  }
  uint64_t valid = kHeaderSize;
  std::array<uint8_t, 8> head{};
  while (in.read(reinterpret_cast<char*>(head.data()), head.size())) {
    const uint32_t type = get_u32(head.data());
    const uint32_t size = get_u32(head.data() + 4);
    const bool known = (type == kVideoRecordType && size == kVideoRecordSize) ||
                       (type == kCameraRecordType && size == kCameraRecordSize);
    if (!known || valid + size > file_size) break;
    if (!in.seekg(size - 8, std::ios::cur)) break;
    valid += size;
  }
  return valid;
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
                                         std::wstring& aside_path) {
  const fs::path partial(partial_path);
  std::error_code error;
  const fs::file_status status = fs::status(partial, error);
  if (status.type() == fs::file_type::not_found) return true;
  if (error) return false;
  const uintmax_t size = fs::file_size(partial, error);
  if (error) return false;

  const uint64_t valid = valid_timeline_length(partial, size);
  const std::wstring target =
      first_free_recovered_name(fs::path(valid >= kHeaderSize ? final_path : partial_path))
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

  std::array<uint8_t, kHeaderSize> header{};
  std::memcpy(header.data(), kMagic, sizeof kMagic);
  put_u32(header.data() + 8, kVersion);
  put_u32(header.data() + 12, kHeaderSize);
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
  bytes_written_ = kHeaderSize;
  return true;
}

bool RecordingTimeline::add_video_record(int64_t time, POINT cursor, uint32_t button_bits,
                                         const CaptureViewport& viewport, double tightness) {
  std::lock_guard lock(mutex_);
  if (!stream_.is_open()) return false;
  std::array<uint8_t, kVideoRecordSize> record{};
  uint8_t* r = record.data();
  put_u32(r + 0, kVideoRecordType);
  put_u32(r + 4, kVideoRecordSize);
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
  std::array<uint8_t, kCameraRecordSize> record{};
  uint8_t* r = record.data();
  put_u32(r + 0, kCameraRecordType);
  put_u32(r + 4, kCameraRecordSize);
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
