#include "engine/recording_timeline.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fakes/engine/fake_name_status.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using quorvel::test::TempDir;
using quorvel::test::utf8;

// The file layout, written down here independently of the code under test.
constexpr size_t kHeaderBytes = 56;
constexpr size_t kType1Bytes = 76;
constexpr size_t kType2Bytes = 40;

void put(Bytes& bytes, size_t offset, uint64_t value, size_t size) {
  for (size_t i = 0; i < size; ++i) bytes.at(offset + i) = static_cast<uint8_t>(value >> (8 * i));
}
void put_u32(Bytes& b, size_t offset, uint32_t v) { put(b, offset, v, 4); }
void put_i32(Bytes& b, size_t offset, int32_t v) { put(b, offset, static_cast<uint32_t>(v), 4); }
void put_u64(Bytes& b, size_t offset, uint64_t v) { put(b, offset, v, 8); }
void put_i64(Bytes& b, size_t offset, int64_t v) { put(b, offset, static_cast<uint64_t>(v), 8); }
void put_f64(Bytes& b, size_t offset, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  put(b, offset, bits, 8);
}

struct HeaderFields {
  int64_t frequency;
  int64_t start;
  int32_t left, top, right, bottom, width, height;
};

Bytes header_fixture(const HeaderFields& h) {
  Bytes b(kHeaderBytes, 0xEE);
  const char magic[8] = {'Q', 'U', 'O', 'R', 'T', 'L', 'N', 0};
  std::memcpy(b.data(), magic, 8);
  put_u32(b, 8, 1);   // version
  put_u32(b, 12, 56); // header size
  put_i64(b, 16, h.frequency);
  put_i64(b, 24, h.start);
  put_i32(b, 32, h.left);
  put_i32(b, 36, h.top);
  put_i32(b, 40, h.right);
  put_i32(b, 44, h.bottom);
  put_i32(b, 48, h.width);
  put_i32(b, 52, h.height);
  return b;
}

struct Type1Fields {
  int64_t time;  // relative to the start
  int32_t cursor_x, cursor_y;
  uint32_t buttons;
  double left, top, right, bottom, zoom, tightness;
};

Bytes type1_fixture(const Type1Fields& r) {
  Bytes b(kType1Bytes, 0xEE);
  put_u32(b, 0, 1);
  put_u32(b, 4, 76);
  put_i64(b, 8, r.time);
  put_i32(b, 16, r.cursor_x);
  put_i32(b, 20, r.cursor_y);
  put_u32(b, 24, r.buttons);
  put_f64(b, 28, r.left);
  put_f64(b, 36, r.top);
  put_f64(b, 44, r.right);
  put_f64(b, 52, r.bottom);
  put_f64(b, 60, r.zoom);
  put_f64(b, 68, r.tightness);
  return b;
}

struct Type2Fields {
  int64_t time;  // relative to the start
  uint64_t frame;
  int32_t left, top, right, bottom;
};

Bytes type2_fixture(const Type2Fields& r) {
  Bytes b(kType2Bytes, 0xEE);
  put_u32(b, 0, 2);
  put_u32(b, 4, 40);
  put_i64(b, 8, r.time);
  put_u64(b, 16, r.frame);
  put_i32(b, 24, r.left);
  put_i32(b, 28, r.top);
  put_i32(b, 32, r.right);
  put_i32(b, 36, r.bottom);
  return b;
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_bytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

constexpr int64_t kFrequency = 10'000'000;
constexpr int64_t kStart = 5'000'000'000;

RecordingTimeline::FrequencySource fixed_frequency(int64_t value) {
  return [value] { return value; };
}

TimelineOpenRequest request_for(const fs::path& path) {
  TimelineOpenRequest request;
  request.path = path.wstring();
  request.capture_left = -1920;
  request.capture_top = -8;
  request.capture_right = 2560;
  request.capture_bottom = 1440;
  request.output_width = 1920;
  request.output_height = 1080;
  return request;
}

const HeaderFields kHeader{kFrequency, kStart, -1920, -8, 2560, 1440, 1920, 1080};

CaptureViewport viewport_of(double left, double top, double right, double bottom, double zoom) {
  CaptureViewport v;
  v.left = left;
  v.top = top;
  v.right = right;
  v.bottom = bottom;
  v.zoom = zoom;
  v.center_x = 999;  // not part of the record
  return v;
}

TEST(RecordingTimelineTest, WritesTheFileByteForByteAsTheLayout) {
  TempDir dir;
  RecordingTimeline timeline(fixed_frequency(kFrequency));
  ASSERT_TRUE(timeline.open(request_for(dir / L"Clip.quorvel"), kStart));

  ASSERT_TRUE(timeline.add_video_record(kStart + 123'456, POINT{-150, 2200}, 0b10101,
                                        viewport_of(10.25, -20.5, 1930.125, 1059.75, 1.35),
                                        0.75));
  ASSERT_TRUE(timeline.add_camera_record(kStart + 234'567, 0x0102030405060708ULL,
                                         RECT{-1, 2, 1921, 1083}));
  ASSERT_TRUE(timeline.add_video_record(kStart - 10, POINT{7, -9}, 0, viewport_of(0, 0, 1, 1, 6),
                                        1.0 / 3.0));
  ASSERT_TRUE(timeline.finish(true));

  const Bytes expected = concat({
      header_fixture(kHeader),
      type1_fixture({123'456, -150, 2200, 0b10101, 10.25, -20.5, 1930.125, 1059.75, 1.35, 0.75}),
      type2_fixture({234'567, 0x0102030405060708ULL, -1, 2, 1921, 1083}),
      type1_fixture({-10, 7, -9, 0, 0, 0, 1, 1, 6, 1.0 / 3.0}),
  });
  ASSERT_EQ(expected.size(), 56u + 76 + 40 + 76);
  EXPECT_EQ(read_bytes(dir / L"Clip.quorvel"), expected);
  EXPECT_FALSE(fs::exists(dir / L"Clip.partial.quorvel"));

  const RecordingTimelineStats stats = timeline.stats();
  EXPECT_FALSE(stats.open);
  EXPECT_FALSE(stats.write_failed);
  EXPECT_EQ(stats.video_records, 2u);
  EXPECT_EQ(stats.camera_records, 1u);
  EXPECT_EQ(stats.bytes_written, expected.size());
  EXPECT_EQ(stats.flushes, 1u);  // the one of finish
  EXPECT_EQ(stats.final_path, (dir / L"Clip.quorvel").wstring());
  EXPECT_EQ(stats.partial_path, (dir / L"Clip.partial.quorvel").wstring());
  EXPECT_TRUE(stats.aside_path.empty());
}

TEST(RecordingTimelineTest, HeaderCarriesThePerformanceCounterFrequencyByDefault) {
  TempDir dir;
  LARGE_INTEGER frequency{};
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  {
    RecordingTimeline timeline;
    ASSERT_TRUE(timeline.open(request_for(dir / L"Clip.quorvel"), kStart));
    ASSERT_TRUE(timeline.finish(true));
  }
  HeaderFields fields = kHeader;
  fields.frequency = frequency.QuadPart;
  EXPECT_EQ(read_bytes(dir / L"Clip.quorvel"), header_fixture(fields));
}

TEST(RecordingTimelineTest, OpenRefusesAnInvalidRequestOrASecondOpen) {
  TempDir dir;
  struct Case {
    const char* name;
    bool empty_path;
    int64_t start;
  };
  const Case cases[] = {
      {"start 0", false, 0},
      {"negative start", false, -5},
      {"empty path", true, kStart},
  };
  for (const Case& c : cases) {
    RecordingTimeline timeline(fixed_frequency(kFrequency));
    TimelineOpenRequest request = request_for(dir / L"A.quorvel");
    if (c.empty_path) request.path.clear();
    EXPECT_FALSE(timeline.open(request, c.start)) << c.name;
    EXPECT_FALSE(timeline.stats().open) << c.name;
  }
  EXPECT_TRUE(fs::is_empty(dir.path()));

  RecordingTimeline timeline(fixed_frequency(kFrequency));
  ASSERT_TRUE(timeline.open(request_for(dir / L"A.quorvel"), kStart));
  EXPECT_FALSE(timeline.open(request_for(dir / L"B.quorvel"), kStart));
  EXPECT_FALSE(fs::exists(dir / L"B.partial.quorvel"));
  EXPECT_EQ(timeline.stats().final_path, (dir / L"A.quorvel").wstring());
}

TEST(RecordingTimelineTest, RecordsAreRefusedWhileClosed) {
  TempDir dir;
  RecordingTimeline timeline(fixed_frequency(kFrequency));
  EXPECT_FALSE(timeline.add_video_record(kStart, POINT{}, 0, CaptureViewport{}, 1));
  EXPECT_FALSE(timeline.add_camera_record(kStart, 0, RECT{}));
  EXPECT_TRUE(timeline.finish(true)) << "nothing open is nothing to fail";

  ASSERT_TRUE(timeline.open(request_for(dir / L"Clip.quorvel"), kStart));
  ASSERT_TRUE(timeline.finish(true));
  EXPECT_FALSE(timeline.add_camera_record(kStart + 1, 1, RECT{}));
  const RecordingTimelineStats stats = timeline.stats();
  EXPECT_EQ(stats.camera_records, 0u);
  EXPECT_EQ(stats.bytes_written, kHeaderBytes);
}

TEST(RecordingTimelineTest, FlushesAfter256RecordsAndNotBefore) {
  TempDir dir;
  RecordingTimeline timeline(fixed_frequency(kFrequency));
  ASSERT_TRUE(timeline.open(request_for(dir / L"Clip.quorvel"), kStart));
  // All within two seconds of the start, alternating the two record types.
  for (int i = 0; i < 255; ++i) {
    const int64_t time = kStart + i * 1000;
    const bool ok = i % 2 == 0
                        ? timeline.add_camera_record(time, i, RECT{0, 0, 10, 10})
                        : timeline.add_video_record(time, POINT{}, 0, CaptureViewport{}, 1);
    ASSERT_TRUE(ok) << i;
  }
  EXPECT_EQ(timeline.stats().flushes, 0u);

  ASSERT_TRUE(timeline.add_camera_record(kStart + 255'000, 255, RECT{0, 0, 10, 10}));
  const RecordingTimelineStats stats = timeline.stats();
  EXPECT_EQ(stats.flushes, 1u);
  EXPECT_EQ(stats.camera_records, 129u);
  EXPECT_EQ(stats.video_records, 127u);
  const uint64_t expected_bytes = kHeaderBytes + 129 * kType2Bytes + 127 * kType1Bytes;
  EXPECT_EQ(stats.bytes_written, expected_bytes);
  // Flushed means on disk, readable by others while the file stays open.
  EXPECT_EQ(read_bytes(dir / L"Clip.partial.quorvel").size(), expected_bytes);

  // The count starts again after the flush.
  for (int i = 0; i < 255; ++i) {
    ASSERT_TRUE(timeline.add_camera_record(kStart + 300'000, i, RECT{}));
  }
  EXPECT_EQ(timeline.stats().flushes, 1u);
  ASSERT_TRUE(timeline.add_camera_record(kStart + 300'000, 255, RECT{}));
  EXPECT_EQ(timeline.stats().flushes, 2u);
}

TEST(RecordingTimelineTest, FlushesTwoSecondsOfRecordTimeAfterTheLastFlush) {
  TempDir dir;
  constexpr int64_t f = 1000;  // ticks per second
  RecordingTimeline timeline(fixed_frequency(f));
  ASSERT_TRUE(timeline.open(request_for(dir / L"Clip.quorvel"), kStart));
  struct Step {
    int64_t time;       // ticks after the start
    uint64_t flushes;   // expected after the record
  };
  const Step steps[] = {
      {1, 0},
      {2 * f - 1, 0},      // just short of two seconds after the open
      {2 * f, 1},          // two seconds: flushed, the clock restarts here
      {4 * f - 1, 1},
      {3 * f, 1},          // earlier times never flush
      {4 * f, 2},
      {10 * f, 3},
      {10 * f + 1, 3},
  };
  for (const Step& s : steps) {
    ASSERT_TRUE(timeline.add_video_record(kStart + s.time, POINT{}, 0, CaptureViewport{}, 1));
    EXPECT_EQ(timeline.stats().flushes, s.flushes) << "time " << s.time;
  }
}

TEST(RecordingTimelineTest, WithoutAFrequencyOnlyTheRecordCountFlushes) {
  TempDir dir;
  RecordingTimeline timeline(fixed_frequency(0));
  ASSERT_TRUE(timeline.open(request_for(dir / L"Clip.quorvel"), kStart));
  ASSERT_TRUE(timeline.add_camera_record(kStart + 1'000'000'000, 0, RECT{}));
  EXPECT_EQ(timeline.stats().flushes, 0u);
}

TEST(RecordingTimelineTest, FinishWithoutCommitKeepsThePartialFile) {
  TempDir dir;
  write_bytes(dir / L"Clip.quorvel", Bytes{1, 2, 3});
  RecordingTimeline timeline(fixed_frequency(kFrequency));
  ASSERT_TRUE(timeline.open(request_for(dir / L"Clip.quorvel"), kStart));
  ASSERT_TRUE(timeline.add_camera_record(kStart + 7, 3, RECT{4, 5, 6, 7}));
  EXPECT_FALSE(timeline.finish(false));

  EXPECT_EQ(read_bytes(dir / L"Clip.partial.quorvel"),
            concat({header_fixture(kHeader), type2_fixture({7, 3, 4, 5, 6, 7})}));
  EXPECT_EQ(read_bytes(dir / L"Clip.quorvel"), (Bytes{1, 2, 3}));
  EXPECT_FALSE(timeline.stats().open);
  EXPECT_EQ(timeline.stats().flushes, 1u);
}

TEST(RecordingTimelineTest, FinishWithCommitReplacesAnExistingFinalFile) {
  TempDir dir;
  write_bytes(dir / L"Clip.quorvel", Bytes(500, 0x55));
  RecordingTimeline timeline(fixed_frequency(kFrequency));
  ASSERT_TRUE(timeline.open(request_for(dir / L"Clip.quorvel"), kStart));
  EXPECT_TRUE(timeline.finish(true));
  EXPECT_EQ(read_bytes(dir / L"Clip.quorvel"), header_fixture(kHeader));
  EXPECT_FALSE(fs::exists(dir / L"Clip.partial.quorvel"));
}

TEST(RecordingTimelineTest, DestructionLeavesTheFileUnderItsPartialName) {
  TempDir dir;
  {
    RecordingTimeline timeline(fixed_frequency(kFrequency));
    ASSERT_TRUE(timeline.open(request_for(dir / L"Clip.quorvel"), kStart));
    ASSERT_TRUE(timeline.add_camera_record(kStart + 1, 9, RECT{1, 2, 3, 4}));
  }
  EXPECT_EQ(read_bytes(dir / L"Clip.partial.quorvel"),
            concat({header_fixture(kHeader), type2_fixture({1, 9, 1, 2, 3, 4})}));
  EXPECT_FALSE(fs::exists(dir / L"Clip.quorvel"));
}

// A stale partial file as an earlier run would have left it.
Bytes stale_records(int count) {
  Bytes bytes = header_fixture({1000, 77, 0, 0, 100, 100, 100, 100});
  for (int i = 0; i < count; ++i) {
    const Bytes record = i % 2 == 0 ? type2_fixture({i, static_cast<uint64_t>(i), 1, 2, 3, 4})
                                    : type1_fixture({i, 5, 6, 1, 0.5, 1.5, 2.5, 3.5, 2, 0.5});
    bytes.insert(bytes.end(), record.begin(), record.end());
  }
  return bytes;
}

TEST(RecordingTimelineTest, StaleFileIsCutToItsWholeRecordsAndMovedBesideTheFinalName) {
  TempDir dir;
  const Bytes whole = stale_records(3);  // type 2, type 1, type 2
  Bytes stale = stale_records(4);        // the fourth is a type 1 record
  stale.resize(whole.size() + kType1Bytes / 2);
  write_bytes(dir / L"Clip.partial.quorvel", stale);

  RecordingTimeline timeline(fixed_frequency(kFrequency));
  ASSERT_TRUE(timeline.open(request_for(dir / L"Clip.quorvel"), kStart));
  EXPECT_EQ(read_bytes(dir / L"Clip.recovered-1.quorvel"), whole);
  EXPECT_EQ(timeline.stats().aside_path, (dir / L"Clip.recovered-1.quorvel").wstring());
  // The new timeline starts afresh under the partial name.
  EXPECT_FALSE(timeline.finish(false));
  EXPECT_EQ(read_bytes(dir / L"Clip.partial.quorvel"), header_fixture(kHeader));

  // Once more: the first aside name is taken, the next number is used.
  write_bytes(dir / L"Clip.partial.quorvel", stale);
  RecordingTimeline second(fixed_frequency(kFrequency));
  ASSERT_TRUE(second.open(request_for(dir / L"Clip.quorvel"), kStart));
  EXPECT_EQ(second.stats().aside_path, (dir / L"Clip.recovered-2.quorvel").wstring());
  EXPECT_EQ(read_bytes(dir / L"Clip.recovered-2.quorvel"), whole);
  EXPECT_EQ(read_bytes(dir / L"Clip.recovered-1.quorvel"), whole);
}

TEST(RecordingTimelineTest, StaleFileWithAnInvalidHeaderIsMovedWholeBesideThePartialName) {
  struct Case {
    const char* name;
    size_t offset;
    uint8_t value;
  };
  const Case cases[] = {
      {"magic", 3, 'X'},
      {"magic's NUL", 7, '!'},
      {"version", 8, 2},
      {"header size", 12, 64},
  };
  for (const Case& c : cases) {
    TempDir dir;
    Bytes stale = stale_records(2);
    stale[c.offset] = c.value;
    write_bytes(dir / L"Clip.partial.quorvel", stale);

    RecordingTimeline timeline(fixed_frequency(kFrequency));
    ASSERT_TRUE(timeline.open(request_for(dir / L"Clip.quorvel"), kStart)) << c.name;
    EXPECT_EQ(read_bytes(dir / L"Clip.partial.recovered-1.quorvel"), stale) << c.name;
    EXPECT_EQ(timeline.stats().aside_path,
              (dir / L"Clip.partial.recovered-1.quorvel").wstring()) << c.name;
    EXPECT_FALSE(fs::exists(dir / L"Clip.recovered-1.quorvel")) << c.name;
  }
}

TEST(RecordingTimelineTest, StaleFileShorterThanAHeaderIsMovedWholeBesideThePartialName) {
  const size_t sizes[] = {0, 30, kHeaderBytes - 1};
  for (size_t size : sizes) {
    TempDir dir;
    Bytes stale = stale_records(1);
    stale.resize(size);
    write_bytes(dir / L"Clip.partial.quorvel", stale);

    RecordingTimeline timeline(fixed_frequency(kFrequency));
    ASSERT_TRUE(timeline.open(request_for(dir / L"Clip.quorvel"), kStart)) << size;
    EXPECT_EQ(read_bytes(dir / L"Clip.partial.recovered-1.quorvel"), stale) << size;
    EXPECT_FALSE(fs::exists(dir / L"Clip.recovered-1.quorvel")) << size;
  }
}

TEST(RecordingTimelineTest, StaleFileKeepsOnlyWhatPrecedesAMalformedRecord) {
  struct Case {
    const char* name;
    uint32_t type;
    uint32_t size;
  };
  const Case cases[] = {
      {"unknown type", 3, 40},
      {"type 0", 0, 8},
      {"type 1 with the size of type 2", 1, 40},
      {"type 2 with the size of type 1", 2, 76},
      {"record past the end of the file", 2, 40},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const Bytes prefix = stale_records(2);
    Bytes stale = prefix;
    Bytes odd(c.size == 40 && c.type == 2 ? 32 : 80, 0xAB);  // 32: shorter than it claims
    put_u32(odd, 0, c.type);
    put_u32(odd, 4, c.size);
    stale.insert(stale.end(), odd.begin(), odd.end());
    const Bytes later = type2_fixture({9, 9, 9, 9, 9, 9});
    if (c.size != 40 || c.type != 2) stale.insert(stale.end(), later.begin(), later.end());
    write_bytes(dir / L"Clip.partial.quorvel", stale);

    RecordingTimeline timeline(fixed_frequency(kFrequency));
    ASSERT_TRUE(timeline.open(request_for(dir / L"Clip.quorvel"), kStart)) << c.name;
    EXPECT_EQ(read_bytes(dir / L"Clip.recovered-1.quorvel"), prefix) << c.name;
  }
}

TEST(RecordingTimelineTest, StaleHeaderWithoutRecordsIsKept) {
  TempDir dir;
  const Bytes header = stale_records(0);
  write_bytes(dir / L"Clip.partial.quorvel", header);
  RecordingTimeline timeline(fixed_frequency(kFrequency));
  ASSERT_TRUE(timeline.open(request_for(dir / L"Clip.quorvel"), kStart));
  EXPECT_EQ(read_bytes(dir / L"Clip.recovered-1.quorvel"), header);
}

TEST(RecordingTimelineTest, OpenFailsWithoutCreatingAFileWhenTheStaleOneCannotMoveAside) {
  TempDir dir;
  // A folder where the partial file should be: it cannot be measured or cut.
  fs::create_directory(dir / L"Clip.partial.quorvel");
  RecordingTimeline timeline(fixed_frequency(kFrequency));
  EXPECT_FALSE(timeline.open(request_for(dir / L"Clip.quorvel"), kStart));
  EXPECT_FALSE(timeline.stats().open);
  EXPECT_TRUE(fs::is_directory(dir / L"Clip.partial.quorvel"));
  EXPECT_FALSE(fs::exists(dir / L"Clip.recovered-1.quorvel"));
  EXPECT_FALSE(fs::exists(dir / L"Clip.partial.recovered-1.quorvel"));
}

// Unlike a recording's stale file, the timeline's is never renamed onto a
// name it could not look at: it stays whole where it is.
TEST(RecordingTimelineTest, ARecoveredNameThatCannotBeQueriedLeavesTheStaleFileInPlace) {
  struct Case {
    const char* name;
    Bytes stale;
    const wchar_t* unqueryable;
  };
  Bytes cut_short = stale_records(2);
  cut_short.resize(cut_short.size() - 3);
  const Case cases[] = {
      {"valid header, half a record", cut_short, L"Clip.recovered-1.quorvel"},
      {"invalid header", Bytes(20, 0x55), L"Clip.partial.recovered-1.quorvel"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const fs::path partial = dir / L"Clip.partial.quorvel";
    write_bytes(partial, c.stale);
    test::FakeNameStatus names;
    names.fail_on(dir / c.unqueryable);
    std::wstring aside = L"untouched";
    EXPECT_FALSE(RecordingTimeline::recover_existing(
        partial.wstring(), (dir / L"Clip.quorvel").wstring(), aside, names.query()));
    EXPECT_EQ(aside, L"untouched");
    EXPECT_EQ(read_bytes(partial), c.stale);  // not even cut
    EXPECT_EQ(names.asked(), std::vector<fs::path>{dir / c.unqueryable});
    EXPECT_FALSE(fs::exists(dir / c.unqueryable));
  }
}

TEST(RecordingTimelineTest, RecoverExistingWithNothingToMoveSucceeds) {
  TempDir dir;
  std::wstring aside = L"untouched";
  EXPECT_TRUE(RecordingTimeline::recover_existing((dir / L"Clip.partial.quorvel").wstring(),
                                                  (dir / L"Clip.quorvel").wstring(), aside));
  EXPECT_EQ(aside, L"untouched");
}

}  // namespace
}  // namespace quorvel::windows
