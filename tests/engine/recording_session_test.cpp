// The recording session as the application drives it: start, frames, audio,
// fail and finish, on real files in a temporary folder. Wine has no video
// processor, encoders or MP4 writer, so the session runs over the fake NV12
// converter, identity encoders (marking key frames) and the fake file
// writer; Direct3D, Media Foundation samples and the file system are real.
#include "engine/recording_session.h"

#include <mfapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <functional>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/audio_capture_source.h"
#include "engine/audio_mixer.h"
#include "engine/engine_errors.h"
#include "engine/unique_handle.h"
#include "tests/engine/gpu_test_support.h"
#include "tests/fakes/engine/fake_audio_clock.h"
#include "tests/fakes/engine/fake_audio_endpoints.h"
#include "tests/fakes/engine/fake_encoder_sink_writer.h"
#include "tests/fakes/engine/fake_key_frame_encoder.h"
#include "tests/fakes/engine/fake_name_status.h"
#include "tests/fakes/engine/fake_nv12_converter.h"
#include "tests/fakes/engine/fake_sink_writer.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

namespace fs = std::filesystem;
using Microsoft::WRL::ComPtr;

constexpr uint32_t kWidth = 64;
constexpr uint32_t kHeight = 48;
constexpr uint32_t kRed = 0xFFC03020;
constexpr uint32_t kBlue = 0xFF2040C0;
constexpr uint32_t kGreen = 0xFF20C040;
constexpr int64_t kBase = 5'000'000'000;  // an arbitrary first-frame count

std::vector<uint8_t> file_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void write_file(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// A stale file at `path` that another program holds open for reading: it
// cannot be renamed while the handle lives.
UniqueFile stale_file_held_open(const fs::path& path) {
  write_file(path, "held");
  return UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::vector<std::string> folder_names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(quorvel::test::utf8(entry.path().filename().wstring()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

class RecordingSessionTest : public test::MediaDeviceFixture {
 protected:
  void SetUp() override {
    MediaDeviceFixture::SetUp();
    if (HasFatalFailure()) return;
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    frequency_ = frequency.QuadPart;

    options_.output_path = folder_ / L"clip.mp4";
    options_.width = kWidth;
    options_.height = kHeight;
    options_.frame_rate = 60;
    options_.video_bitrate = 4'000'000;
    options_.min_free_disk_bytes = 1'000'000;
  }

  void TearDown() override {
    session_.reset();
    MediaDeviceFixture::TearDown();
  }

  // Packets reach the test's callback; every file is a fake file writer.
  void collect_packets() {
    options_.packet_callback = [this](std::shared_ptr<const EncodedPacket> packet) {
      std::lock_guard lock(mutex_);
      packets_.push_back(std::move(packet));
      return S_OK;
    };
  }

  RecordingSessionPlatform platform() {
    RecordingSessionPlatform platform;
    SinkWriterFactory::EncodingWriterFunction encoders = test::FakeEncoderSinkWriter::factory(encoder_);
    if (failing_encoding_writer_ > 0) {
      encoders = [this, inner = std::move(encoders)](IMFMediaSink* sink, IMFAttributes* attributes,
                                                     IMFSinkWriter** out) -> HRESULT {
        if (++encoding_writers_made_ == failing_encoding_writer_) return E_ACCESSDENIED;
        return inner(sink, attributes, out);
      };
    }
    platform.writers.sink_writers.create_encoding_writer =
        test::FakeKeyFrameEncoder::wrap(std::move(encoders), 2 * options_.frame_rate);
    platform.writers.sink_writers.create_file_writer = files_.function();
    platform.writers.disk.free_bytes = [this](const wchar_t*, uint64_t& free_bytes) {
      free_bytes = free_bytes_;
      return free_bytes_result_;
    };
    platform.nv12_converters = test::FakeNv12Converter::factory(converter_);
    platform.max_recovered_names = max_recovered_names_;
    platform.name_status = names_.query();
    return platform;
  }

  void start() {
    session_ = RecordingSession::create(platform());
    ASSERT_TRUE(session_->start(options_));
  }

  ComPtr<ID3D11Texture2D> frame(uint32_t color) {
    return test::make_bgra_texture(device_.Get(), kWidth, kHeight, std::vector<uint32_t>(kWidth * kHeight, color));
  }

  // The first count that falls into frame slot `slot`.
  int64_t slot_time(int64_t slot) const {
    const int64_t rate = options_.frame_rate;
    return kBase + (slot * frequency_ + rate - 1) / rate;
  }

  HRESULT push(ID3D11Texture2D* texture, int64_t time) {
    const RECT whole{0, 0, static_cast<LONG>(kWidth), static_cast<LONG>(kHeight)};
    return session_->push_video_frame(device_.Get(), context_.Get(), texture, whole, time, CapturedFrameInfo{});
  }

  // The frame the converter was given at conversion `index`, first pixel.
  uint32_t converted_pixel(size_t index) {
    if (index >= converter_->conversions.size()) return 0;
    const std::vector<uint32_t> pixels =
        test::read_bgra(device_.Get(), context_.Get(), converter_->conversions[index].source_copy.Get());
    return pixels.empty() ? 0 : pixels[0];
  }

  std::vector<std::shared_ptr<const EncodedPacket>> packets(uint32_t kind) {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<const EncodedPacket>> selected;
    for (const auto& packet : packets_) {
      if (packet->format && packet->format->kind == kind) selected.push_back(packet);
    }
    return selected;
  }

  std::vector<int64_t> sample_times(uint32_t kind) {
    std::vector<int64_t> times;
    for (const auto& packet : packets(kind)) times.push_back(packet->sample_time);
    return times;
  }

  // Waits (bounded, as a guard against hangs) until each of `count` fake
  // files received a sample on its queue's worker.
  bool wait_for_files_written(size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      const auto made = files_.made();
      const size_t written = std::count_if(made.begin(), made.end(), [](const auto& writer) {
        return !writer->samples().empty();
      });
      if (written >= count) return true;
      std::unique_lock lock(file_mutex_);
      file_written_.wait_for(lock, std::chrono::milliseconds(20));
    }
    return false;
  }

  quorvel::test::TempDir folder_;
  int64_t frequency_ = 0;
  RecordingOptions options_;
  uint64_t free_bytes_ = 100'000'000'000;
  HRESULT free_bytes_result_ = S_OK;
  int failing_encoding_writer_ = 0;
  int max_recovered_names_ = kMaxRecoveredNames;
  test::FakeNameStatus names_;
  int encoding_writers_made_ = 0;

  std::shared_ptr<test::FakeEncoderRecord> encoder_ = std::make_shared<test::FakeEncoderRecord>();
  std::shared_ptr<test::FakeNv12Record> converter_ = std::make_shared<test::FakeNv12Record>();
  std::mutex file_mutex_;
  std::condition_variable file_written_;
  test::FakeFileWriterFactory files_{[this](const test::FakeFileSample&) {
    file_written_.notify_all();
    return S_OK;
  }};

  std::mutex mutex_;
  std::vector<std::shared_ptr<const EncodedPacket>> packets_;
  std::unique_ptr<RecordingSession> session_;
};

// ------------------------------------------------------------------ start

struct InvalidOptionsCase {
  const char* name;
  void (*change)(RecordingOptions&);
};

TEST_F(RecordingSessionTest, RefusesInvalidOptionsWithoutChangingAnything) {
  collect_packets();
  const InvalidOptionsCase cases[] = {
      {"odd width 1921", [](RecordingOptions& o) { o.width = 1921; }},
      {"height 0", [](RecordingOptions& o) { o.height = 0; }},
      {"odd height", [](RecordingOptions& o) { o.height = 47; }},
      {"frame rate 0", [](RecordingOptions& o) { o.frame_rate = 0; }},
      {"bit rate 0", [](RecordingOptions& o) { o.video_bitrate = 0; }},
      {"no file and no callback",
       [](RecordingOptions& o) {
         o.output_path.clear();
         o.packet_callback = {};
       }},
      {"no file but a system audio file",
       [](RecordingOptions& o) {
         o.output_path.clear();
         o.mixed_audio_track = true;
         o.system_audio_file = true;
       }},
      {"no file but a microphone track",
       [](RecordingOptions& o) {
         o.output_path.clear();
         o.mixed_audio_track = true;
         o.microphone_audio_track = true;
       }},
      {"microphone track without the mixed track", [](RecordingOptions& o) { o.microphone_audio_track = true; }},
      {"system file without the mixed track", [](RecordingOptions& o) { o.system_audio_file = true; }},
  };
  for (const InvalidOptionsCase& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingOptions options = options_;
    c.change(options);
    auto session = RecordingSession::create(platform());
    EXPECT_FALSE(session->start(options));
    const RecordingSessionStatus status = session->status();
    EXPECT_EQ(status.state, RecordingState::kIdle);
    EXPECT_EQ(status.result, S_OK);
    EXPECT_TRUE(status.output_path.empty());
    EXPECT_FALSE(session->is_active());
  }
  EXPECT_TRUE(folder_names(folder_.path()).empty());
}

TEST_F(RecordingSessionTest, RefusesASecondStartWhileRunning) {
  start();
  EXPECT_TRUE(session_->is_active());
  RecordingOptions other = options_;
  other.output_path = folder_ / L"other.mp4";
  EXPECT_FALSE(session_->start(other));
  EXPECT_EQ(session_->status().output_path, options_.output_path.wstring());
}

TEST_F(RecordingSessionTest, TooLittleDiskSpaceFailsTheStart) {
  free_bytes_ = 999'999;
  session_ = RecordingSession::create(platform());
  EXPECT_FALSE(session_->start(options_));
  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.state, RecordingState::kFailed);
  EXPECT_EQ(status.result, kErrorDiskFull);
  EXPECT_EQ(status.free_disk_bytes, 999'999u);
  EXPECT_FALSE(session_->is_active());
}

TEST_F(RecordingSessionTest, AFreeSpaceThatCannotBeReadDoesNotStopTheStart) {
  free_bytes_ = 10;
  free_bytes_result_ = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
  start();
  EXPECT_EQ(session_->status().state, RecordingState::kStarted);
  EXPECT_EQ(session_->status().file_result, S_OK);
}

TEST_F(RecordingSessionTest, FileOptionalWithTooLittleDiskFeedsTheLiveOutputAndWritesNoFile) {
  collect_packets();
  options_.file_optional = true;
  free_bytes_ = 10;
  start();
  const auto texture = frame(kRed);
  ASSERT_HRESULT_SUCCEEDED(push(texture.Get(), slot_time(0)));
  ASSERT_HRESULT_SUCCEEDED(push(texture.Get(), slot_time(1)));
  EXPECT_EQ(session_->finish(slot_time(3)), S_OK);

  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.state, RecordingState::kFinished);
  EXPECT_EQ(status.file_result, kErrorDiskFull);
  EXPECT_FALSE(status.file_committed);
  // Slots 0 and 1, then slots 2 and 3 repeated up to the end.
  EXPECT_EQ(sample_times(EncodedStreamFormat::kH264Video), (std::vector<int64_t>{0, 166'666, 333'333, 500'000}));
  EXPECT_EQ(status.encoded_video_packets, 4u);
  EXPECT_TRUE(folder_names(folder_.path()).empty());
  EXPECT_EQ(files_.create_calls(), 0);
}

TEST_F(RecordingSessionTest, StaleRecoveredNamesAreSkippedWhenMovingAside) {
  write_file(folder_ / L"clip.partial.mp4", "stale");
  write_file(folder_ / L"clip.partial.recovered-1.mp4", "older");
  start();
  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.recovered_path, (folder_ / L"clip.partial.recovered-2.mp4").wstring());
  EXPECT_EQ(file_bytes(folder_ / L"clip.partial.recovered-2.mp4"), (std::vector<uint8_t>{'s', 't', 'a', 'l', 'e'}));
  EXPECT_EQ(file_bytes(folder_ / L"clip.partial.recovered-1.mp4"), (std::vector<uint8_t>{'o', 'l', 'd', 'e', 'r'}));
  EXPECT_FALSE(fs::exists(folder_ / L"clip.partial.mp4"));
}

// The end of the numbering, with the limit lowered from 9,999 to three so
// that a few real files reach it.
TEST_F(RecordingSessionTest, TheLastRecoveredNameIsTheLimitAndThenTheStartFails) {
  max_recovered_names_ = 3;
  for (int n = 1; n <= 2; ++n) {
    const fs::path taken = folder_ / (L"clip.partial.recovered-" + std::to_wstring(n) + L".mp4");
    UniqueFile file(
        CreateFileW(taken.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
  }
  write_file(folder_ / L"clip.partial.mp4", "stale");
  start();
  EXPECT_EQ(session_->status().recovered_path, (folder_ / L"clip.partial.recovered-3.mp4").wstring());
  session_.reset();

  write_file(folder_ / L"clip.partial.mp4", "newer");
  session_ = RecordingSession::create(platform());
  EXPECT_FALSE(session_->start(options_));
  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.state, RecordingState::kFailed);
  EXPECT_EQ(status.result, kErrorCannotMoveAside);
  EXPECT_FALSE(fs::exists(folder_ / L"clip.partial.recovered-4.mp4"));
  EXPECT_EQ(file_bytes(folder_ / L"clip.partial.mp4"), (std::vector<uint8_t>{'n', 'e', 'w', 'e', 'r'}));
  EXPECT_EQ(file_bytes(folder_ / L"clip.partial.recovered-3.mp4"),
            (std::vector<uint8_t>{'s', 't', 'a', 'l', 'e'}));
}

// A recovered name whose status query fails is used all the same; the
// rename alone decides, and only its failure refuses the start.
TEST_F(RecordingSessionTest, ARecoveredNameThatCannotBeQueriedIsTriedByTheRename) {
  struct Case {
    const char* name;
    bool folder_at_name;  // something the rename cannot replace stands there
    bool file_optional;
    bool started;
    HRESULT first_failure;
  };
  const Case cases[] = {
      {"the name is free", false, false, true, S_OK},
      {"the name is taken", true, false, false, kErrorCannotMoveAside},
      {"the name is taken, file optional", true, true, true, kErrorCannotMoveAside},
  };
  collect_packets();
  const fs::path stale = folder_ / L"clip.partial.mp4";
  const fs::path unqueryable = folder_ / L"clip.partial.recovered-1.mp4";
  names_.fail_on(unqueryable);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.folder_at_name) fs::create_directory(unqueryable);
    write_file(stale, "stale");
    options_.file_optional = c.file_optional;
    session_ = RecordingSession::create(platform());
    EXPECT_EQ(session_->start(options_), c.started);
    const RecordingSessionStatus status = session_->status();
    if (!c.started) {
      EXPECT_EQ(status.state, RecordingState::kFailed);
      EXPECT_EQ(status.result, kErrorCannotMoveAside);
      EXPECT_EQ(file_bytes(stale), (std::vector<uint8_t>{'s', 't', 'a', 'l', 'e'}));
    } else if (FAILED(c.first_failure)) {
      EXPECT_EQ(status.state, RecordingState::kStarted);
      EXPECT_EQ(status.file_result, c.first_failure);
      EXPECT_TRUE(status.recovered_path.empty());
    } else {
      EXPECT_EQ(status.state, RecordingState::kStarted);
      EXPECT_EQ(status.file_result, S_OK);
      EXPECT_EQ(status.recovered_path, unqueryable.wstring());
      EXPECT_EQ(file_bytes(unqueryable), (std::vector<uint8_t>{'s', 't', 'a', 'l', 'e'}));
      EXPECT_FALSE(fs::exists(stale));
    }
    // The search stopped at the name it could not query.
    EXPECT_FALSE(fs::exists(folder_ / L"clip.partial.recovered-2.mp4"));
    session_.reset();
    std::error_code ignored;
    fs::remove_all(unqueryable, ignored);
    fs::remove(stale, ignored);
  }
  const auto asked = names_.asked();
  EXPECT_EQ(std::count(asked.begin(), asked.end(), unqueryable), 3);
}

TEST_F(RecordingSessionTest, AStaleSeparateFileIsMovedAsideToo) {
  options_.mixed_audio_track = true;
  options_.system_audio_file = true;
  write_file(folder_ / L"clip.system.partial.m4a", "stale");
  start();
  EXPECT_TRUE(fs::exists(folder_ / L"clip.system.partial.recovered-1.m4a"));
  EXPECT_TRUE(session_->status().recovered_path.empty());
}

TEST_F(RecordingSessionTest, AStalePartialFileThatCannotBeMovedAsideStopsOrMarksTheStart) {
  collect_packets();
  for (const bool file_optional : {false, true}) {
    SCOPED_TRACE(file_optional);
    const fs::path stale = folder_ / L"clip.partial.mp4";
    {
      UniqueFile held = stale_file_held_open(stale);
      ASSERT_TRUE(held);
      options_.file_optional = file_optional;
      session_ = RecordingSession::create(platform());
      EXPECT_EQ(session_->start(options_), file_optional);
      const RecordingSessionStatus status = session_->status();
      if (file_optional) {
        EXPECT_EQ(status.state, RecordingState::kStarted);
        EXPECT_EQ(status.file_result, kErrorCannotMoveAside);
      } else {
        EXPECT_EQ(status.state, RecordingState::kFailed);
        EXPECT_EQ(status.result, kErrorCannotMoveAside);
      }
      session_.reset();
    }
    EXPECT_EQ(file_bytes(stale), (std::vector<uint8_t>{'h', 'e', 'l', 'd'}));
    fs::remove(stale);
  }
}

TEST_F(RecordingSessionTest, AStaleFileThatStayedInPlaceIsNeverOverwrittenByTheLiveRecording) {
  collect_packets();
  options_.file_optional = true;
  const fs::path stale = folder_ / L"clip.partial.mp4";
  {
    UniqueFile held = stale_file_held_open(stale);
    ASSERT_TRUE(held);
    start();
  }
  // The other program let go; the recording goes on for the live output only.
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  ASSERT_EQ(push(red.Get(), slot_time(1)), S_OK);
  ASSERT_EQ(session_->finish(slot_time(2)), S_OK);
  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.file_result, kErrorCannotMoveAside);
  EXPECT_FALSE(status.file_committed);
  EXPECT_EQ(sample_times(EncodedStreamFormat::kH264Video).size(), 3u);
  EXPECT_EQ(files_.create_calls(), 0);
  EXPECT_EQ(folder_names(folder_.path()), (std::vector<std::string>{"clip.partial.mp4"}));
  EXPECT_EQ(file_bytes(stale), (std::vector<uint8_t>{'h', 'e', 'l', 'd'}));
}

TEST_F(RecordingSessionTest, AStartThatFailsReportsItsOwnRunNotThePreviousOne) {
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  ASSERT_EQ(session_->finish(slot_time(1)), S_OK);
  ASSERT_TRUE(session_->status().file_committed);
  ASSERT_GT(session_->status().output_bytes, 0);

  // The next recording goes to another folder, which is full.
  const fs::path other = folder_ / L"other";
  fs::create_directory(other);
  RecordingOptions next = options_;
  next.output_path = other / L"next.mp4";
  free_bytes_ = 999'999;
  EXPECT_FALSE(session_->start(next));
  free_bytes_ = 5;  // whatever the volumes hold by now
  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.state, RecordingState::kFailed);
  EXPECT_EQ(status.result, kErrorDiskFull);
  EXPECT_EQ(status.free_disk_bytes, 999'999u);
  EXPECT_EQ(status.output_bytes, 0);
  EXPECT_FALSE(status.file_committed);
  EXPECT_EQ(status.elapsed, 0);
}

TEST_F(RecordingSessionTest, ASeparateFileThatCannotBeMovedAsideIsDropped) {
  options_.mixed_audio_track = true;
  options_.microphone_audio_file = true;
  const fs::path stale = folder_ / L"clip.microphone.partial.m4a";
  UniqueFile held = stale_file_held_open(stale);
  ASSERT_TRUE(held);
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  const float sample[2] = {0.1f, 0.2f};
  EXPECT_EQ(session_->push_audio(AudioTrack::kMicrophone, sample, 1, kBase, false, false), S_FALSE);
  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.microphone_file_result, kErrorCannotMoveAside);
  EXPECT_EQ(status.audio_file_failures, 1u);
  EXPECT_FALSE(status.microphone_file_opened);
  EXPECT_EQ(status.state, RecordingState::kEncoding);
}

// ------------------------------------------------------------------ frames

TEST_F(RecordingSessionTest, ATextureInAnEncodedSlotIsCountedAndShownInTheNextSlot) {
  start();
  const auto red = frame(kRed);
  const auto blue = frame(kBlue);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  // The last change of a burst: same slot, nothing newer follows.
  ASSERT_EQ(push(blue.Get(), slot_time(0) + 10), S_OK);
  RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.video_rate_limited_frames, 1u);
  EXPECT_EQ(status.video_submitted_frames, 1u);
  EXPECT_EQ(status.video_source_frames, 2u);
  ASSERT_EQ(converter_->conversions.size(), 1u);
  EXPECT_EQ(converted_pixel(0), kRed);

  ASSERT_EQ(session_->repeat_last_frame(slot_time(1)), S_OK);
  status = session_->status();
  EXPECT_EQ(status.video_submitted_frames, 2u);
  EXPECT_EQ(status.video_duplicated_frames, 1u);
  ASSERT_EQ(converter_->conversions.size(), 2u);
  EXPECT_EQ(converted_pixel(1), kBlue);
}

// Only textures count as rate-limited: a repeat or the end in a slot that is
// already encoded is simply nothing to do.
TEST_F(RecordingSessionTest, RepeatsAndTheEndInAnEncodedSlotEncodeNothing) {
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  ASSERT_EQ(session_->repeat_last_frame(slot_time(1)), S_OK);
  ASSERT_EQ(session_->repeat_last_frame(slot_time(1) + 10), S_OK);  // the same slot again
  ASSERT_EQ(session_->repeat_last_frame(slot_time(0)), S_OK);       // an older one
  ASSERT_EQ(session_->finish(slot_time(1) + 20), S_OK);
  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.video_rate_limited_frames, 0u);
  EXPECT_EQ(status.video_submitted_frames, 2u);
  EXPECT_EQ(status.video_duplicated_frames, 1u);
  EXPECT_EQ(converter_->conversions.size(), 2u);
}

TEST_F(RecordingSessionTest, AFiveSecondGapRepeatsTwoSecondsAndDropsTheRest) {
  collect_packets();
  start();
  const auto red = frame(kRed);
  const auto blue = frame(kBlue);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  ASSERT_EQ(push(blue.Get(), slot_time(300)), S_OK);

  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.video_submitted_frames, 122u);
  EXPECT_EQ(status.video_duplicated_frames, 120u);
  EXPECT_EQ(status.video_dropped_frames, 179u);
  ASSERT_EQ(converter_->conversions.size(), 122u);
  EXPECT_EQ(converted_pixel(1), kRed);
  EXPECT_EQ(converted_pixel(120), kRed);
  EXPECT_EQ(converted_pixel(121), kBlue);

  ASSERT_HRESULT_SUCCEEDED(session_->finish(slot_time(300)));
  std::vector<int64_t> expected{0};
  for (int64_t slot = 180; slot <= 300; ++slot) {
    expected.push_back((slot % 60) * 10'000'000 / 60 + (slot / 60) * 10'000'000);
  }
  EXPECT_EQ(sample_times(EncodedStreamFormat::kH264Video), expected);
}

TEST_F(RecordingSessionTest, FinishRepeatsTheLastFrameUpToTheEndTime) {
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  ASSERT_EQ(session_->finish(slot_time(5)), S_OK);
  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.video_submitted_frames, 6u);
  EXPECT_EQ(status.video_duplicated_frames, 5u);
  EXPECT_EQ(status.last_video_end, 1'000'000);
}

TEST_F(RecordingSessionTest, ARepeatBeforeAnyFrameDoesNothing) {
  start();
  EXPECT_EQ(session_->repeat_last_frame(slot_time(4)), S_FALSE);
  EXPECT_EQ(session_->status().state, RecordingState::kStarted);
}

TEST_F(RecordingSessionTest, FramesThatDoNotMatchTheFirstFailTheSession) {
  struct Case {
    const char* name;
    HRESULT expected;
  };
  const Case cases[] = {{"other device", DXGI_ERROR_DEVICE_REMOVED},
                        {"other size", kErrorFrameSizeChanged},
                        {"null texture", E_POINTER}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    start();
    const auto red = frame(kRed);
    ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
    HRESULT hr = S_OK;
    const RECT whole{0, 0, static_cast<LONG>(kWidth), static_cast<LONG>(kHeight)};
    if (c.expected == DXGI_ERROR_DEVICE_REMOVED) {
      ComPtr<ID3D11Device> other;
      ComPtr<ID3D11DeviceContext> other_context;
      ASSERT_TRUE(test::make_device(other, other_context));
      const auto texture = test::make_bgra_texture(other.Get(), kWidth, kHeight,
                                                   std::vector<uint32_t>(kWidth * kHeight, kRed));
      hr = session_->push_video_frame(other.Get(), other_context.Get(), texture.Get(), whole, slot_time(1),
                                      CapturedFrameInfo{});
    } else if (c.expected == kErrorFrameSizeChanged) {
      const auto bigger = test::make_bgra_texture(device_.Get(), kWidth + 2, kHeight,
                                                  std::vector<uint32_t>((kWidth + 2) * kHeight, kRed));
      hr = push(bigger.Get(), slot_time(1));
    } else {
      hr = push(nullptr, slot_time(1));
    }
    EXPECT_EQ(hr, c.expected);
    RecordingSessionStatus status = session_->status();
    EXPECT_EQ(status.state, RecordingState::kFailed);
    EXPECT_EQ(status.result, c.expected);
    EXPECT_FALSE(session_->is_active());
    // A failed session takes nothing more and keeps its result.
    EXPECT_EQ(push(red.Get(), slot_time(2)), S_FALSE);
    EXPECT_EQ(session_->repeat_last_frame(slot_time(3)), S_FALSE);
    EXPECT_EQ(session_->push_mixed_audio(nullptr, 480, slot_time(2), true, false), S_FALSE);
    EXPECT_EQ(session_->finish(slot_time(4)), c.expected);
    EXPECT_EQ(session_->status().state, RecordingState::kFailed);
    session_.reset();
  }
}

TEST_F(RecordingSessionTest, ANewCapturedFormatRebuildsTheFrameCopy) {
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  const auto hdr = test::make_fp16_texture(device_.Get(), kWidth, kHeight, {0.5f, 0.5f, 0.5f});
  ASSERT_EQ(push(hdr.Get(), slot_time(1)), S_OK);
  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.input_format_changes, 1u);
  EXPECT_EQ(status.input_format, static_cast<uint32_t>(DXGI_FORMAT_R16G16B16A16_FLOAT));
  EXPECT_TRUE(status.hdr_input);
  EXPECT_EQ(status.video_submitted_frames, 2u);
}

// ------------------------------------------------------------------ finish and files

TEST_F(RecordingSessionTest, ASessionWithoutFramesFinishesWellAndRenamesNothing) {
  options_.mixed_audio_track = true;
  options_.system_audio_file = true;
  start();
  EXPECT_EQ(session_->push_mixed_audio(nullptr, 480, kBase, true, false), S_FALSE);
  EXPECT_EQ(session_->finish(kBase), S_OK);
  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.state, RecordingState::kFinished);
  EXPECT_EQ(status.result, S_OK);
  EXPECT_FALSE(status.file_committed);
  EXPECT_EQ(status.audio_ignored_blocks, 1u);
  EXPECT_TRUE(folder_names(folder_.path()).empty());
}

TEST_F(RecordingSessionTest, WritesPartialNamesWhileActiveAndFinalNamesAfterFinish) {
  options_.mixed_audio_track = true;
  options_.system_audio_file = true;
  options_.microphone_audio_file = true;
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  const std::vector<float> samples(480 * 2, 0.25f);
  for (const AudioTrack track : {AudioTrack::kMixed, AudioTrack::kSystem, AudioTrack::kMicrophone}) {
    ASSERT_EQ(session_->push_audio(track, samples.data(), 480, slot_time(0), false, false), S_OK);
  }
  ASSERT_TRUE(wait_for_files_written(3));
  EXPECT_EQ(folder_names(folder_.path()),
            (std::vector<std::string>{"clip.microphone.partial.m4a", "clip.partial.mp4", "clip.system.partial.m4a"}));
  RecordingSessionStatus status = session_->status();
  EXPECT_GT(status.output_bytes, 0);
  EXPECT_TRUE(status.system_file_opened);
  EXPECT_TRUE(status.microphone_file_opened);

  ASSERT_EQ(session_->finish(slot_time(1)), S_OK);
  EXPECT_EQ(folder_names(folder_.path()),
            (std::vector<std::string>{"clip.microphone.m4a", "clip.mp4", "clip.system.m4a"}));
  status = session_->status();
  EXPECT_TRUE(status.file_committed);
  EXPECT_EQ(status.output_path, (folder_ / L"clip.mp4").wstring());
  EXPECT_EQ(status.system_file_path, (folder_ / L"clip.system.m4a").wstring());
  EXPECT_EQ(status.microphone_file_path, (folder_ / L"clip.microphone.m4a").wstring());
  EXPECT_EQ(status.system_file_blocks, 1u);
  EXPECT_EQ(status.microphone_file_frames, 480u);
  EXPECT_EQ(status.output_bytes, static_cast<int64_t>(fs::file_size(folder_ / L"clip.mp4")));
  // The separate files hold exactly the samples of their track.
  const std::vector<uint8_t> system = file_bytes(folder_ / L"clip.system.m4a");
  ASSERT_EQ(system.size(), samples.size() * sizeof(float));
  EXPECT_EQ(0, std::memcmp(system.data(), samples.data(), system.size()));
}

// Waits (bounded, as a guard against hangs) for a condition another thread
// makes true.
bool eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

TEST_F(RecordingSessionTest, AThrowingMixerOutputStopsOnlyTheMixerAndTheFileIsFinished) {
  options_.mixed_audio_track = true;
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);

  auto clock = std::make_shared<FakeAudioClock>(frequency_, kBase);
  int blocks = 0;
  std::unique_ptr<AudioMixer> mixer = AudioMixer::create(clock);
  ASSERT_TRUE(mixer->start(
      kBase, true, false,
      [&](const float* data, uint32_t frames, int64_t time, bool silent, bool gap) -> HRESULT {
        if (++blocks == 3) throw std::runtime_error("mixed output");
        return session_->push_mixed_audio(data, frames, time, silent, gap);
      },
      {}, {}));
  clock->run_until(kBase + frequency_ / 5, std::chrono::milliseconds(0));
  ASSERT_TRUE(eventually([&] { return mixer->stats().mixed_failures == 1; }));
  mixer->stop(0);
  const AudioMixerStats mixed = mixer->stats();
  EXPECT_EQ(mixed.last_mixed_result, static_cast<int32_t>(E_UNEXPECTED));
  EXPECT_EQ(mixed.delivered_blocks, 2u);
  EXPECT_EQ(blocks, 3);

  ASSERT_EQ(session_->finish(slot_time(1)), S_OK);
  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.state, RecordingState::kFinished);
  EXPECT_TRUE(status.file_committed);
  EXPECT_EQ(status.mixed_blocks, 2u);
  EXPECT_EQ(status.mixed_track_result, S_OK);
  EXPECT_EQ(folder_names(folder_.path()), (std::vector<std::string>{"clip.mp4"}));
}

TEST_F(RecordingSessionTest, AThrowingCaptureCallbackFailsOnlyTheSourceAndTheFileIsFinished) {
  options_.mixed_audio_track = true;
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);

  FakeAudioSystem world;
  world.add_device(L"mic-1", L"USB Microphone", eCapture);
  world.set_default(eCapture, L"mic-1");
  int packets = 0;
  std::unique_ptr<AudioCaptureSource> source = AudioCaptureSource::create(world.factory());
  ASSERT_TRUE(source->start(
      AudioCaptureEndpoint{AudioSourceKind::Microphone, {}},
      [&](const float* data, uint32_t frames, int64_t time, bool silent, bool gap) -> HRESULT {
        if (++packets == 2) throw std::runtime_error("capture callback");
        return session_->push_mixed_audio(data, frames, time, silent, gap);
      }));
  ASSERT_TRUE(world.wait_for_streams(1, std::chrono::milliseconds(5000)));
  FakeAudioPacket packet;
  packet.samples.assign(480 * 2, 0.25f);
  packet.frames = 480;
  ASSERT_TRUE(world.deliver(packet));
  ASSERT_TRUE(world.wait_for_releases(1, std::chrono::milliseconds(5000)));
  ASSERT_TRUE(world.deliver(packet));
  ASSERT_TRUE(eventually([&] { return source->stats().state == AudioCaptureState::Failed; }));
  EXPECT_EQ(source->stats().last_result, E_UNEXPECTED);
  source->stop();

  ASSERT_EQ(session_->finish(slot_time(1)), S_OK);
  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.state, RecordingState::kFinished);
  EXPECT_TRUE(status.file_committed);
  EXPECT_EQ(status.mixed_blocks, 1u);
  EXPECT_EQ(folder_names(folder_.path()), (std::vector<std::string>{"clip.mp4"}));
}

TEST_F(RecordingSessionTest, ASecondFinishReturnsTheSameResultAndTouchesNothing) {
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  ASSERT_EQ(session_->finish(slot_time(1)), S_OK);
  const RecordingSessionStatus first = session_->status();
  EXPECT_EQ(session_->finish(slot_time(50)), S_OK);
  const RecordingSessionStatus second = session_->status();
  EXPECT_EQ(second.video_submitted_frames, first.video_submitted_frames);
  EXPECT_EQ(second.state, RecordingState::kFinished);
  EXPECT_EQ(files_.made().size(), 1u);
  EXPECT_EQ(files_.made()[0]->finalize_calls(), 1);
}

TEST_F(RecordingSessionTest, DestroyingARunningSessionFinishesItFirst) {
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  RecordingSession::destroy(std::move(session_));
  EXPECT_EQ(folder_names(folder_.path()), (std::vector<std::string>{"clip.mp4"}));
  ASSERT_EQ(files_.made().size(), 1u);
  EXPECT_EQ(files_.made()[0]->finalize_calls(), 1);
}

TEST_F(RecordingSessionTest, AFinalNameThatCannotBeTakenFailsTheRecordingUnlessTheFileIsOptional) {
  collect_packets();
  options_.mixed_audio_track = true;
  options_.system_audio_file = true;
  // A folder at the final name: the rename cannot replace it.
  fs::create_directory(folder_ / L"clip.mp4");
  for (const bool file_optional : {false, true}) {
    SCOPED_TRACE(file_optional);
    options_.file_optional = file_optional;
    start();
    const auto red = frame(kRed);
    ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
    const std::vector<float> samples(480 * 2, 0.5f);
    ASSERT_EQ(session_->push_audio(AudioTrack::kSystem, samples.data(), 480, slot_time(0), false, false), S_OK);
    const HRESULT result = session_->finish(slot_time(1));
    const RecordingSessionStatus status = session_->status();
    EXPECT_TRUE(FAILED(status.file_result));
    EXPECT_FALSE(status.file_committed);
    EXPECT_TRUE(fs::exists(folder_ / L"clip.partial.mp4"));
    if (file_optional) {
      // The live output was the recording; the audio file is kept as usual.
      EXPECT_EQ(result, S_OK);
      EXPECT_EQ(status.state, RecordingState::kFinished);
      EXPECT_TRUE(fs::exists(folder_ / L"clip.system.m4a"));
      EXPECT_FALSE(fs::exists(folder_ / L"clip.system.partial.m4a"));
    } else {
      EXPECT_TRUE(FAILED(result));
      EXPECT_EQ(status.state, RecordingState::kFailed);
      EXPECT_EQ(status.file_result, result);
      // The audio renames are skipped with the MP4's.
      EXPECT_TRUE(fs::exists(folder_ / L"clip.system.partial.m4a"));
      EXPECT_FALSE(fs::exists(folder_ / L"clip.system.m4a"));
    }
    session_.reset();
    fs::remove(folder_ / L"clip.partial.mp4");
    fs::remove(folder_ / L"clip.system.partial.m4a");
  }
}

TEST_F(RecordingSessionTest, FailStopsTheFileButAFileOptionalSessionGoesOnLive) {
  collect_packets();
  options_.file_optional = true;
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  session_->fail(E_ACCESSDENIED);
  session_->fail(E_OUTOFMEMORY);  // only the first failure is kept
  ASSERT_EQ(push(red.Get(), slot_time(1)), S_OK);
  ASSERT_EQ(session_->finish(slot_time(2)), S_OK);
  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.file_result, E_ACCESSDENIED);
  EXPECT_FALSE(status.file_committed);
  EXPECT_EQ(sample_times(EncodedStreamFormat::kH264Video).size(), 3u);
  EXPECT_FALSE(fs::exists(folder_ / L"clip.mp4"));
}

TEST_F(RecordingSessionTest, ASeparateFileWhoseWriterCannotBeMadeIsDroppedAlone) {
  options_.mixed_audio_track = true;
  options_.system_audio_file = true;
  failing_encoding_writer_ = 2;  // the main writer is the first, the system file's the second
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  const std::vector<float> samples(480 * 2, 0.5f);
  EXPECT_EQ(session_->push_audio(AudioTrack::kSystem, samples.data(), 480, slot_time(0), false, false), S_FALSE);
  ASSERT_EQ(session_->push_mixed_audio(samples.data(), 480, slot_time(0), false, false), S_OK);
  ASSERT_EQ(session_->finish(slot_time(1)), S_OK);
  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.system_file_result, E_ACCESSDENIED);
  EXPECT_FALSE(status.system_file_opened);
  EXPECT_EQ(status.audio_file_failures, 1u);
  EXPECT_TRUE(status.file_committed);
  EXPECT_EQ(folder_names(folder_.path()), (std::vector<std::string>{"clip.mp4"}));
}

// ------------------------------------------------------------------ audio

TEST_F(RecordingSessionTest, PlacesAudioBlocksBackToBackOnTheVideoClock) {
  collect_packets();
  options_.mixed_audio_track = true;
  start();
  const auto red = frame(kRed);
  // Before the first frame there is no time line yet.
  EXPECT_EQ(session_->push_mixed_audio(nullptr, 480, slot_time(0), true, false), S_FALSE);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);

  const int64_t ms = frequency_ / 1000;
  struct Block {
    int64_t time;
    int64_t expected_time;
  };
  const Block blocks[] = {
      {kBase - 50 * ms, 0},               // before the first frame: starts at 0
      {kBase - 40 * ms, 100'000},         // still early: right after the previous block
      {kBase + 500 * ms, 5'000'000},      // a gap is kept
      {kBase + 505 * ms, 5'100'000},      // overlapping: placed after the previous one
      {kBase + 1000 * ms, 10'000'000},
  };
  for (const Block& block : blocks) {
    ASSERT_EQ(session_->push_mixed_audio(nullptr, 480, block.time, true, false), S_OK);
  }
  ASSERT_EQ(session_->finish(slot_time(1)), S_OK);

  const auto audio = packets(EncodedStreamFormat::kAacAudio);
  ASSERT_EQ(audio.size(), std::size(blocks));
  for (size_t i = 0; i < audio.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(audio[i]->sample_time, blocks[i].expected_time);
    EXPECT_EQ(audio[i]->duration, 100'000);
    EXPECT_EQ(audio[i]->data.size(), 480u * 2 * sizeof(float));
    EXPECT_EQ(audio[i]->stream_index, 1u);
  }
  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.mixed_blocks, 5u);
  EXPECT_EQ(status.mixed_frames, 2400u);
  EXPECT_EQ(status.mixed_silent_blocks, 5u);
  EXPECT_EQ(status.mixed_bytes, 5u * 480 * 2 * 4);
  EXPECT_EQ(status.audio_ignored_blocks, 1u);
  EXPECT_EQ(status.last_mixed_end, 10'100'000);
  EXPECT_TRUE(status.mixed_track_opened);
  EXPECT_EQ(status.mixed_track_result, S_OK);
}

TEST_F(RecordingSessionTest, CopiesSamplesAndMarksDiscontinuitiesAndDrift) {
  collect_packets();
  options_.mixed_audio_track = true;
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);  // video ends at 166,666
  std::vector<float> samples(960 * 2);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<float>(i) / 4096.0f;
  ASSERT_EQ(session_->push_mixed_audio(samples.data(), 960, kBase, false, true), S_OK);

  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.mixed_discontinuities, 1u);
  EXPECT_EQ(status.mixed_silent_blocks, 0u);
  EXPECT_EQ(status.audio_video_drift, 200'000 - 166'666);
  EXPECT_EQ(status.audio_video_drift_max_abs, 200'000 - 166'666);
  ASSERT_EQ(session_->finish(slot_time(1)), S_OK);
  const auto audio = packets(EncodedStreamFormat::kAacAudio);
  ASSERT_EQ(audio.size(), 1u);
  EXPECT_TRUE(audio[0]->discontinuity);
  EXPECT_EQ(audio[0]->duration, 200'000);
  ASSERT_EQ(audio[0]->data.size(), samples.size() * sizeof(float));
  EXPECT_EQ(0, std::memcmp(audio[0]->data.data(), samples.data(), audio[0]->data.size()));
}

TEST_F(RecordingSessionTest, RefusesBadAudioBlocksAndUnwantedTracks) {
  options_.mixed_audio_track = true;
  auto idle = RecordingSession::create(platform());
  EXPECT_EQ(idle->push_mixed_audio(nullptr, 480, kBase, true, false), S_FALSE);
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  const float sample[2] = {0.1f, 0.2f};
  EXPECT_EQ(session_->push_audio(static_cast<AudioTrack>(3), sample, 1, kBase, false, false), E_INVALIDARG);
  EXPECT_EQ(session_->push_audio(AudioTrack::kSystem, sample, 1, kBase, false, false), S_FALSE);
  EXPECT_EQ(session_->push_audio(AudioTrack::kMicrophone, sample, 1, kBase, false, false), S_FALSE);
  EXPECT_EQ(session_->push_mixed_audio(sample, 0, kBase, false, false), E_INVALIDARG);
  EXPECT_EQ(session_->push_mixed_audio(nullptr, 1, kBase, false, false), E_INVALIDARG);
  EXPECT_EQ(session_->push_mixed_audio(sample, 1, kBase, false, false), S_OK);
  EXPECT_EQ(session_->status().mixed_blocks, 1u);
}

TEST_F(RecordingSessionTest, AFailedWriteEndsOnlyItsOutputAndTheBlockCountsWhereItLanded) {
  options_.mixed_audio_track = true;
  options_.system_audio_track = true;
  options_.system_audio_file = true;
  options_.microphone_audio_file = true;
  // Main writer: video 0, mixed 1, system 2. Writers: 0 main, 1 system
  // file, 2 microphone file.
  int main_system_writes = 0;
  encoder_->write_result = [&](size_t writer, DWORD stream) -> HRESULT {
    if (writer == 0 && stream == 2) {
      ++main_system_writes;
      return E_OUTOFMEMORY;
    }
    return writer == 2 ? E_ACCESSDENIED : S_OK;
  };
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  const std::vector<float> samples(480 * 2, 0.25f);
  const int64_t ms = frequency_ / 1000;

  // The MP4 track refuses, the separate file takes it: a success.
  ASSERT_EQ(session_->push_audio(AudioTrack::kSystem, samples.data(), 480, kBase, false, false), S_OK);
  // Only the separate file wanted it, and it refused.
  EXPECT_EQ(session_->push_audio(AudioTrack::kMicrophone, samples.data(), 480, kBase, false, false),
            E_ACCESSDENIED);
  EXPECT_EQ(session_->push_audio(AudioTrack::kMicrophone, samples.data(), 480, kBase, false, false), S_FALSE);
  // The dead MP4 track is not asked again; the file goes on back to back.
  ASSERT_EQ(session_->push_audio(AudioTrack::kSystem, samples.data(), 480, kBase, false, false), S_OK);
  ASSERT_EQ(session_->push_mixed_audio(samples.data(), 480, kBase + 20 * ms, false, false), S_OK);

  RecordingSessionStatus status = session_->status();
  EXPECT_EQ(main_system_writes, 1);
  EXPECT_EQ(status.track_failures, 1u);
  EXPECT_EQ(status.system_track_result, E_OUTOFMEMORY);
  EXPECT_EQ(status.system_track_blocks, 0u);
  EXPECT_EQ(status.system_file_blocks, 2u);
  EXPECT_EQ(status.system_file_frames, 960u);
  EXPECT_EQ(status.last_system_end, 200'000);
  EXPECT_EQ(status.microphone_file_result, E_ACCESSDENIED);
  EXPECT_EQ(status.microphone_file_blocks, 0u);
  EXPECT_EQ(status.audio_file_failures, 1u);
  EXPECT_EQ(status.audio_ignored_blocks, 1u);
  EXPECT_EQ(status.mixed_blocks, 1u);
  EXPECT_EQ(status.mixed_failures, 0u);
  EXPECT_EQ(status.last_mixed_end, 300'000);
  EXPECT_EQ(status.state, RecordingState::kEncoding);

  ASSERT_EQ(session_->finish(slot_time(1)), S_OK);
  EXPECT_EQ(folder_names(folder_.path()), (std::vector<std::string>{"clip.mp4", "clip.system.m4a"}));
  ASSERT_TRUE(wait_for_files_written(1));
  std::vector<int64_t> file_times;
  for (const auto& writer : files_.made()) {
    if (writer->path() != (folder_ / L"clip.system.partial.m4a").wstring()) continue;
    for (const test::FakeFileSample& sample : writer->samples()) file_times.push_back(sample.time);
  }
  EXPECT_EQ(file_times, (std::vector<int64_t>{0, 100'000}));
}

TEST_F(RecordingSessionTest, WhenNoOutputTakesABlockTheMainWritersErrorIsReturned) {
  options_.mixed_audio_track = true;
  options_.system_audio_track = true;
  options_.system_audio_file = true;
  encoder_->write_result = [](size_t writer, DWORD stream) -> HRESULT {
    if (writer == 0 && stream != 0) return E_OUTOFMEMORY;  // every audio track of the MP4
    return writer == 1 ? E_ACCESSDENIED : S_OK;              // the system file
  };
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  const float sample[2] = {0.1f, 0.2f};
  EXPECT_EQ(session_->push_mixed_audio(sample, 1, kBase, false, false), E_OUTOFMEMORY);
  EXPECT_EQ(session_->push_mixed_audio(sample, 1, kBase, false, false), S_FALSE);
  EXPECT_EQ(session_->push_audio(AudioTrack::kSystem, sample, 1, kBase, false, false), E_OUTOFMEMORY);
  EXPECT_EQ(session_->push_audio(AudioTrack::kSystem, sample, 1, kBase, false, false), S_FALSE);

  RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.mixed_failures, 1u);
  EXPECT_EQ(status.mixed_track_result, E_OUTOFMEMORY);
  EXPECT_EQ(status.mixed_blocks, 0u);
  EXPECT_EQ(status.track_failures, 1u);
  EXPECT_EQ(status.system_track_result, E_OUTOFMEMORY);
  EXPECT_EQ(status.system_file_result, E_ACCESSDENIED);
  EXPECT_EQ(status.audio_file_failures, 1u);
  EXPECT_EQ(status.audio_ignored_blocks, 2u);
  // Audio failures never end the recording.
  EXPECT_EQ(status.state, RecordingState::kEncoding);
  ASSERT_EQ(session_->finish(slot_time(1)), S_OK);
  status = session_->status();
  EXPECT_TRUE(status.file_committed);
  EXPECT_EQ(folder_names(folder_.path()), (std::vector<std::string>{"clip.mp4"}));
}

TEST_F(RecordingSessionTest, ASeparateFileThatFailsToFinishKeepsItsPartialName) {
  options_.mixed_audio_track = true;
  options_.system_audio_file = true;
  options_.microphone_audio_file = true;
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  const std::vector<float> samples(480 * 2, 0.25f);
  ASSERT_EQ(session_->push_audio(AudioTrack::kSystem, samples.data(), 480, kBase, false, false), S_OK);
  ASSERT_EQ(session_->push_audio(AudioTrack::kMicrophone, samples.data(), 480, kBase, false, false), S_OK);
  ASSERT_EQ(encoder_->writers.size(), 3u);
  encoder_->writers[1]->set_finalize_result(E_ABORT);  // the system file's encoder
  ASSERT_EQ(session_->finish(slot_time(1)), S_OK);
  const RecordingSessionStatus status = session_->status();
  EXPECT_TRUE(status.file_committed);
  EXPECT_EQ(status.system_file_result, E_ABORT);
  EXPECT_EQ(status.microphone_file_result, S_OK);
  EXPECT_EQ(status.audio_file_failures, 1u);
  EXPECT_EQ(folder_names(folder_.path()),
            (std::vector<std::string>{"clip.microphone.m4a", "clip.mp4", "clip.system.partial.m4a"}));
}

TEST_F(RecordingSessionTest, WithoutTheSystemTrackTheMicrophoneIsStreamTwo) {
  collect_packets();
  options_.mixed_audio_track = true;
  options_.microphone_audio_track = true;
  start();
  const auto red = frame(kRed);
  ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
  ASSERT_EQ(encoder_->output_types.size(), 3u);
  GUID subtype = GUID_NULL;
  ASSERT_HRESULT_SUCCEEDED(encoder_->output_types[0]->GetGUID(MF_MT_SUBTYPE, &subtype));
  EXPECT_EQ(subtype, MFVideoFormat_H264);
  for (size_t i = 1; i < 3; ++i) {
    ASSERT_HRESULT_SUCCEEDED(encoder_->output_types[i]->GetGUID(MF_MT_SUBTYPE, &subtype));
    EXPECT_EQ(subtype, MFAudioFormat_AAC);
  }
  const float sample[2] = {0.1f, 0.2f};
  ASSERT_EQ(session_->push_mixed_audio(sample, 1, kBase, false, false), S_OK);
  ASSERT_EQ(session_->push_audio(AudioTrack::kMicrophone, sample, 1, kBase, false, false), S_OK);
  ASSERT_EQ(session_->finish(slot_time(1)), S_OK);

  std::lock_guard lock(mutex_);
  std::vector<std::pair<uint32_t, uint32_t>> seen;  // (stream, kind), first of each stream
  for (const auto& packet : packets_) {
    const bool known = std::any_of(seen.begin(), seen.end(), [&](const auto& s) { return s.first == packet->stream_index; });
    if (!known) seen.emplace_back(packet->stream_index, packet->format->kind);
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::pair<uint32_t, uint32_t>>{{0, 0}, {1, 1}, {2, 1}}));
  const RecordingSessionStatus status = session_->status();
  EXPECT_EQ(status.microphone_track_blocks, 1u);
  EXPECT_TRUE(status.microphone_track_opened);
  EXPECT_FALSE(status.system_track_opened);
}

UINT32 attribute(IMFMediaType* type, REFGUID key) {
  UINT32 value = 0;
  return SUCCEEDED(type->GetUINT32(key, &value)) ? value : 0xFFFFFFFF;
}

TEST_F(RecordingSessionTest, AacTypesFollowTheAudioFormat) {
  struct Case {
    uint16_t channels;
    uint32_t bitrate;
    UINT32 average_bytes;
    UINT32 input_alignment;
    UINT32 channel_mask;
  };
  const Case cases[] = {{2, 192000, 24000, 8, 3}, {1, 192000, 24000, 4, 4}, {2, 128007, 16000, 8, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.channels);
    SCOPED_TRACE(c.bitrate);
    encoder_ = std::make_shared<test::FakeEncoderRecord>();
    options_.mixed_audio_track = true;
    options_.audio_channels = c.channels;
    options_.audio_bitrate = c.bitrate;
    start();
    const auto red = frame(kRed);
    ASSERT_EQ(push(red.Get(), slot_time(0)), S_OK);
    ASSERT_EQ(encoder_->output_types.size(), 2u);
    ASSERT_EQ(encoder_->input_types.size(), 2u);
    IMFMediaType* output = encoder_->output_types[1].Get();
    IMFMediaType* input = encoder_->input_types[1].Get();
    GUID guid = GUID_NULL;
    ASSERT_HRESULT_SUCCEEDED(output->GetGUID(MF_MT_MAJOR_TYPE, &guid));
    EXPECT_EQ(guid, MFMediaType_Audio);
    ASSERT_HRESULT_SUCCEEDED(output->GetGUID(MF_MT_SUBTYPE, &guid));
    EXPECT_EQ(guid, MFAudioFormat_AAC);
    EXPECT_EQ(attribute(output, MF_MT_AUDIO_NUM_CHANNELS), c.channels);
    EXPECT_EQ(attribute(output, MF_MT_AUDIO_SAMPLES_PER_SECOND), 48000u);
    EXPECT_EQ(attribute(output, MF_MT_AUDIO_AVG_BYTES_PER_SECOND), c.average_bytes);
    EXPECT_EQ(attribute(output, MF_MT_AUDIO_BITS_PER_SAMPLE), 16u);
    EXPECT_EQ(attribute(output, MF_MT_AUDIO_BLOCK_ALIGNMENT), 1u);
    EXPECT_EQ(attribute(output, MF_MT_AAC_PAYLOAD_TYPE), 0u);
    EXPECT_EQ(attribute(output, MF_MT_AAC_AUDIO_PROFILE_LEVEL_INDICATION), 0x29u);
    EXPECT_EQ(attribute(output, MF_MT_AUDIO_VALID_BITS_PER_SAMPLE), 0xFFFFFFFFu);
    EXPECT_EQ(attribute(output, MF_MT_AUDIO_CHANNEL_MASK), 0xFFFFFFFFu);

    ASSERT_HRESULT_SUCCEEDED(input->GetGUID(MF_MT_SUBTYPE, &guid));
    EXPECT_EQ(guid, MFAudioFormat_Float);
    EXPECT_EQ(attribute(input, MF_MT_AUDIO_NUM_CHANNELS), c.channels);
    EXPECT_EQ(attribute(input, MF_MT_AUDIO_SAMPLES_PER_SECOND), 48000u);
    EXPECT_EQ(attribute(input, MF_MT_AUDIO_AVG_BYTES_PER_SECOND), c.channels * 4u * 48000u);
    EXPECT_EQ(attribute(input, MF_MT_AUDIO_BITS_PER_SAMPLE), 32u);
    EXPECT_EQ(attribute(input, MF_MT_AUDIO_VALID_BITS_PER_SAMPLE), 32u);
    EXPECT_EQ(attribute(input, MF_MT_AUDIO_BLOCK_ALIGNMENT), c.input_alignment);
    EXPECT_EQ(attribute(input, MF_MT_AUDIO_CHANNEL_MASK), c.channel_mask);
    EXPECT_EQ(attribute(input, MF_MT_ALL_SAMPLES_INDEPENDENT), 1u);
    EXPECT_EQ(attribute(input, MF_MT_AAC_PAYLOAD_TYPE), 0xFFFFFFFFu);
    ASSERT_TRUE(encoder_->parameters[1] == nullptr);
    session_.reset();
  }
}

TEST_F(RecordingSessionTest, AZeroAudioFormatFailsTheEncoderSetUp) {
  options_.mixed_audio_track = true;
  options_.audio_sample_rate = 0;
  start();
  const auto red = frame(kRed);
  EXPECT_EQ(push(red.Get(), slot_time(0)), E_INVALIDARG);
  EXPECT_EQ(session_->status().state, RecordingState::kFailed);
}

// ------------------------------------------------------------------ the platform as Wine has it

TEST_F(RecordingSessionTest, UnderThePlatformWithoutEncodersTheFirstFrameFailsTheSession) {
  session_ = RecordingSession::create();
  ASSERT_TRUE(session_->start(options_));
  const auto red = frame(kRed);
  const HRESULT hr = push(red.Get(), slot_time(0));
  const RecordingSessionStatus status = session_->status();
  if (SUCCEEDED(hr)) GTEST_SKIP() << "this platform has a video processor and encoders";
  EXPECT_EQ(status.state, RecordingState::kFailed);
  EXPECT_EQ(status.result, hr);
  EXPECT_EQ(session_->finish(0), hr);
  EXPECT_FALSE(fs::exists(folder_ / L"clip.mp4"));
}

}  // namespace
}  // namespace quorvel::windows
