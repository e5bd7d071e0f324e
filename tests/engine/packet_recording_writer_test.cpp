#include "engine/packet_recording_writer.h"

#include <mfapi.h>
#include <mferror.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/engine_errors.h"
#include "tests/engine/packet_test_support.h"
#include "tests/support/fake_clock.h"
#include "tests/fakes/engine/fake_empty_sample_encoder.h"
#include "tests/fakes/engine/fake_sink_writer.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using namespace std::chrono_literals;
using Microsoft::WRL::ComPtr;
using test::FakeFileSample;
using test::FakeFileSinkWriter;
using test::FakeFileWriterFactory;
using test::FakeSinkWriter;
using test::make_aac_type;
using test::make_format;
using test::make_h264_type;
using test::make_packet;
using test::make_sample;
using test::pattern_bytes;
using test::SampleSpec;
using test::Signal;

// The live side: every packet it is handed, with a switchable answer.
using LiveOutput = test::PacketRecorder;

std::vector<uint8_t> read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class PacketRecordingWriterTest : public test::MediaFoundationFixture {
 protected:
  PacketWriterPlatform platform(FakeFileWriterFactory& files, size_t held_back = 0) {
    PacketWriterPlatform result;
    result.sink_writers.create_encoding_writer = FakeSinkWriter::factory(&encoders_, held_back);
    result.sink_writers.create_file_writer = files.function();
    result.queue_clock = clock_;
    return result;
  }

  // A writer with an H.264 stream (0) and an AAC stream (1), writing.
  std::unique_ptr<PacketRecordingWriter> make_writer(const std::filesystem::path& path,
                                                     PacketCallback live, bool file_optional,
                                                     FakeFileWriterFactory& files, size_t held_back = 0,
                                                     bool begin = true) {
    std::unique_ptr<PacketRecordingWriter> writer;
    EXPECT_EQ(PacketRecordingWriter::create(path, nullptr, writer, std::move(live), file_optional, 0,
                                            platform(files, held_back)),
              S_OK);
    if (!writer) return writer;
    DWORD index = 99;
    EXPECT_EQ(writer->add_stream(make_h264_type(1280, 720, 60, 1).Get(), &index), S_OK);
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(writer->add_stream(make_aac_type().Get(), &index), S_OK);
    EXPECT_EQ(index, 1u);
    if (begin) {
      EXPECT_EQ(writer->begin_writing(), S_OK);
    }
    return writer;
  }

  void write(PacketRecordingWriter& writer, DWORD stream, const SampleSpec& spec,
             HRESULT expected = S_OK) {
    EXPECT_EQ(writer.write_sample(stream, make_sample(spec).Get()), expected);
  }

  quorvel::test::TempDir dir_;
  std::vector<ComPtr<FakeSinkWriter>> encoders_;
  std::shared_ptr<test::FakeClock> clock_ = std::make_shared<test::FakeClock>();
  LiveOutput live_;
};

TEST_F(PacketRecordingWriterTest, CreateNeedsAnOutputAndFileOptionalNeedsBoth) {
  struct Case {
    const char* name;
    bool path;
    bool callback;
    bool file_optional;
  };
  const Case cases[] = {
      {"neither file nor live", false, false, false},
      {"file optional without live", true, false, true},
      {"file optional without file", false, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFileWriterFactory files;
    std::unique_ptr<PacketRecordingWriter> writer;
    EXPECT_EQ(PacketRecordingWriter::create(c.path ? dir_ / L"a.mp4" : std::filesystem::path(), nullptr,
                                            writer, c.callback ? live_.callback() : PacketCallback(),
                                            c.file_optional, 0, platform(files)),
              E_INVALIDARG);
    EXPECT_EQ(writer, nullptr);
    EXPECT_TRUE(encoders_.empty());
  }
}

TEST_F(PacketRecordingWriterTest, FailureToCreateTheEncodingWriterLeavesTheCallersWriter) {
  FakeFileWriterFactory files;
  std::unique_ptr<PacketRecordingWriter> existing;
  ASSERT_EQ(PacketRecordingWriter::create({}, nullptr, existing, live_.callback(), false, 0, platform(files)), S_OK);
  PacketRecordingWriter* before = existing.get();

  PacketWriterPlatform refusing = platform(files);
  refusing.sink_writers.create_encoding_writer = [](IMFMediaSink*, IMFAttributes*, IMFSinkWriter**) {
    return MF_E_TOPO_CODEC_NOT_FOUND;
  };
  EXPECT_EQ(PacketRecordingWriter::create(dir_ / L"b.mp4", nullptr, existing, live_.callback(), true, 0, refusing),
            MF_E_TOPO_CODEC_NOT_FOUND);
  EXPECT_EQ(existing.get(), before);
  EXPECT_EQ(files.create_calls(), 0);
}

TEST_F(PacketRecordingWriterTest, LiveOnlyWriterHasNoFile) {
  FakeFileWriterFactory files;
  auto writer = make_writer({}, live_.callback(), false, files);
  ASSERT_TRUE(writer);
  write(*writer, 0, {pattern_bytes(100), 0, 10, {}, 1u, {}});
  write(*writer, 1, {pattern_bytes(20), 0, 10, {}, {}, {}});
  EXPECT_EQ(writer->finish(), S_OK);

  EXPECT_EQ(live_.packets().size(), 2u);
  EXPECT_EQ(files.create_calls(), 0);
  const auto stats = writer->stats();
  EXPECT_EQ(stats.file_result, S_OK);
  EXPECT_EQ(stats.file_queue_bytes, 0u);
  EXPECT_EQ(stats.file_queue_peak_bytes, 0u);
  EXPECT_EQ(stats.video_packets, 1u);
  EXPECT_EQ(stats.audio_packets, 1u);
  EXPECT_EQ(stats.packet_bytes, 120u);
}

TEST_F(PacketRecordingWriterTest, FileGetsEveryPacketUnchangedWithItsTimingAndFlags) {
  FakeFileWriterFactory files;
  const auto path = dir_ / L"take.mp4.partial";
  auto writer = make_writer(path, live_.callback(), false, files);
  ASSERT_TRUE(writer);
  ASSERT_EQ(encoders_.size(), 1u);

  struct Written {
    DWORD stream;
    SampleSpec spec;
  };
  const Written samples[] = {
      {0, {pattern_bytes(300, 1), 0, 166'667, 0u, 1u, {}}},
      {1, {pattern_bytes(40, 2), 0, 213'333, {}, {}, {}}},
      {0, {pattern_bytes(90, 3), 166'667, 166'667, {}, 0u, 1u}},
      {1, {pattern_bytes(41, 4), 213'333, 213'333, {}, 1u, {}}},
  };
  for (const auto& sample : samples) write(*writer, sample.stream, sample.spec);
  EXPECT_EQ(writer->finish(), S_OK);

  ASSERT_EQ(files.made().size(), 1u);
  const ComPtr<FakeFileSinkWriter> file = files.made()[0];
  EXPECT_EQ(std::filesystem::path(file->path()), path);
  // Pass-through: no converters; the platform may make the worker wait.
  EXPECT_EQ(file->disable_converters(), std::optional<UINT32>(1u));
  EXPECT_EQ(file->disable_throttling(), std::optional<UINT32>(0u));

  // Streams in the encoding writer's order, each taking what it gives.
  const auto added = file->added_types();
  const auto inputs = file->input_types();
  ASSERT_EQ(added.size(), 2u);
  ASSERT_EQ(inputs.size(), 2u);
  const GUID subtypes[] = {MFVideoFormat_H264, MFAudioFormat_AAC};
  for (size_t i = 0; i < 2; ++i) {
    GUID subtype{};
    ASSERT_HRESULT_SUCCEEDED(added[i]->GetGUID(MF_MT_SUBTYPE, &subtype));
    EXPECT_EQ(subtype, subtypes[i]);
    BOOL equal = FALSE;
    ASSERT_HRESULT_SUCCEEDED(added[i]->Compare(inputs[i].Get(), MF_ATTRIBUTES_MATCH_ALL_ITEMS, &equal));
    EXPECT_TRUE(equal);
  }

  const auto recorded = file->samples();
  ASSERT_EQ(recorded.size(), std::size(samples));
  std::vector<uint8_t> expected_file;
  for (size_t i = 0; i < recorded.size(); ++i) {
    SCOPED_TRACE(i);
    const SampleSpec& spec = samples[i].spec;
    EXPECT_EQ(recorded[i].stream, samples[i].stream);
    EXPECT_EQ(recorded[i].time, spec.time);
    EXPECT_EQ(recorded[i].duration, spec.duration);
    EXPECT_EQ(recorded[i].decode_time, spec.decode_time);
    EXPECT_EQ(recorded[i].clean_point, std::optional<UINT32>(spec.clean_point.value_or(0) ? 1u : 0u));
    EXPECT_EQ(recorded[i].discontinuity, std::optional<UINT32>(spec.discontinuity.value_or(0) ? 1u : 0u));
    EXPECT_EQ(recorded[i].bytes, spec.bytes);
    expected_file.insert(expected_file.end(), spec.bytes.begin(), spec.bytes.end());
  }
  EXPECT_EQ(file->finalize_calls(), 1);
  EXPECT_EQ(read_file(path), expected_file);

  // The live output saw the very same packet objects' bytes.
  const auto live = live_.packets();
  ASSERT_EQ(live.size(), std::size(samples));
  EXPECT_EQ(live[2]->data, samples[2].spec.bytes);

  const auto stats = writer->stats();
  EXPECT_EQ(stats.video_packets, 2u);
  EXPECT_EQ(stats.audio_packets, 2u);
  EXPECT_EQ(stats.packet_bytes, 300u + 40u + 90u + 41u);
  EXPECT_EQ(stats.encoded_width, 1280u);
  EXPECT_EQ(stats.encoded_height, 720u);
  EXPECT_EQ(stats.frame_rate_numerator, 60u);
  EXPECT_EQ(stats.frame_rate_denominator, 1u);
  EXPECT_EQ(stats.writer_result, S_OK);
  EXPECT_EQ(stats.file_result, S_OK);
  EXPECT_EQ(stats.live_result, S_OK);
  EXPECT_EQ(stats.file_queue_bytes, 0u);
  EXPECT_GE(stats.file_queue_peak_bytes, 41u);
  EXPECT_EQ(encoders_[0]->input_types_set(), 0u);
}

TEST_F(PacketRecordingWriterTest, FinishDrainsTheEncodersBeforeClosingTheFileAndOnlyOnce) {
  FakeFileWriterFactory files;
  const auto path = dir_ / L"drain.mp4";
  // The "encoders" keep two samples per stream until they are drained.
  auto writer = make_writer(path, {}, false, files, 2);
  ASSERT_TRUE(writer);
  for (int i = 0; i < 5; ++i) write(*writer, 0, test::plain(pattern_bytes(10, static_cast<uint8_t>(i)), i * 10, 10));
  EXPECT_EQ(encoders_[0]->delivered_samples(), 3u);

  EXPECT_EQ(writer->finish(), S_OK);
  EXPECT_EQ(writer->finish(), S_OK);
  EXPECT_EQ(encoders_[0]->finalize_calls(), 1);
  ASSERT_EQ(files.made().size(), 1u);
  EXPECT_EQ(files.made()[0]->finalize_calls(), 1);
  EXPECT_EQ(files.made()[0]->samples().size(), 5u);
  EXPECT_EQ(read_file(path).size(), 50u);
}

// An encoder that puts out an empty sample between real ones, while
// encoding or only when drained: the stream goes on, and the file and the
// live output get exactly the real packets.
TEST_F(PacketRecordingWriterTest, EncoderEmptySampleIsPassedOverAndTheFileIsComplete) {
  for (const size_t held_back : {size_t{0}, size_t{2}}) {
    SCOPED_TRACE(held_back);
    FakeFileWriterFactory files;
    encoders_.clear();
    LiveOutput live;
    const auto path = dir_ / (held_back == 0 ? L"empty-sample.mp4" : L"empty-sample-drained.mp4");
    PacketWriterPlatform writers = platform(files, held_back);
    writers.sink_writers.create_encoding_writer = test::FakeEmptySampleEncoder::wrap(
        FakeSinkWriter::factory(&encoders_, held_back), 1);
    std::unique_ptr<PacketRecordingWriter> writer;
    ASSERT_EQ(PacketRecordingWriter::create(path, nullptr, writer, live.callback(), false, 0, writers), S_OK);
    DWORD index = 99;
    ASSERT_EQ(writer->add_stream(make_h264_type(1280, 720, 60, 1).Get(), &index), S_OK);
    ASSERT_EQ(writer->add_stream(make_aac_type().Get(), &index), S_OK);
    ASSERT_EQ(writer->begin_writing(), S_OK);

    const SampleSpec video[] = {
        {pattern_bytes(70, 1), 0, 166'667, {}, 1u, {}},
        {pattern_bytes(20, 2), 166'667, 166'667, {}, 0u, {}},
        {pattern_bytes(30, 3), 333'334, 166'667, {}, 0u, {}},
    };
    const SampleSpec audio = test::plain(pattern_bytes(16, 4), 0, 213'333);
    write(*writer, 0, video[0]);
    write(*writer, 1, audio);
    write(*writer, 0, video[1]);
    write(*writer, 0, video[2]);
    EXPECT_EQ(writer->finish(), S_OK);

    // The encoder's empty sample did reach the sink and was answered.
    ASSERT_EQ(encoders_.size(), 1u);
    EXPECT_EQ(encoders_[0]->delivered_samples(), 5u);
    EXPECT_EQ(encoders_[0]->pending_samples(), 0u);
    const auto stats = writer->stats();
    EXPECT_EQ(stats.writer_result, S_OK);
    EXPECT_EQ(stats.file_result, S_OK);
    EXPECT_EQ(stats.video_packets, 3u);
    EXPECT_EQ(stats.audio_packets, 1u);

    ASSERT_EQ(files.made().size(), 1u);
    const auto recorded = files.made()[0]->samples();
    std::vector<std::vector<uint8_t>> video_bytes;
    for (const FakeFileSample& sample : recorded) {
      if (sample.stream == 0) video_bytes.push_back(sample.bytes);
    }
    ASSERT_EQ(video_bytes.size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(video_bytes[i], video[i].bytes);
    EXPECT_EQ(files.made()[0]->finalize_calls(), 1);
    EXPECT_EQ(read_file(path).size(), 70u + 16u + 20u + 30u);
    EXPECT_EQ(live.packets().size(), 4u);
  }
}

// A failed drain of the encoders outranks the file's result, yet the file
// is still closed with what reached it.
TEST_F(PacketRecordingWriterTest, FailedEncoderDrainIsTheResultAndTheFileIsStillClosed) {
  for (const bool file_optional : {false, true}) {
    SCOPED_TRACE(file_optional ? "file optional" : "file required");
    FakeFileWriterFactory files;
    encoders_.clear();
    const auto path = dir_ / (file_optional ? L"drain-optional.mp4" : L"drain-required.mp4");
    auto writer = make_writer(path, live_.callback(), file_optional, files, 1);
    ASSERT_TRUE(writer);
    for (int i = 0; i < 3; ++i) write(*writer, 0, test::plain(pattern_bytes(10), i * 10, 10));
    encoders_[0]->set_finalize_result(MF_E_TRANSFORM_NEED_MORE_INPUT);

    EXPECT_EQ(writer->finish(), MF_E_TRANSFORM_NEED_MORE_INPUT);
    EXPECT_EQ(writer->finish(), MF_E_TRANSFORM_NEED_MORE_INPUT);
    EXPECT_EQ(encoders_[0]->finalize_calls(), 1);
    const auto stats = writer->stats();
    EXPECT_EQ(stats.writer_result, MF_E_TRANSFORM_NEED_MORE_INPUT);
    EXPECT_EQ(stats.file_result, S_OK);
    ASSERT_EQ(files.made().size(), 1u);
    EXPECT_EQ(files.made()[0]->finalize_calls(), 1);
    EXPECT_EQ(read_file(path).size(), 30u);
  }
}

// A session that fails before finishing just lets the writer go: what the
// file received is still written out and the file closed once.
TEST_F(PacketRecordingWriterTest, DestroyingAnUnfinishedWriterStillClosesTheFile) {
  FakeFileWriterFactory files;
  const auto path = dir_ / L"abandoned.mp4";
  auto writer = make_writer(path, {}, false, files);
  ASSERT_TRUE(writer);
  write(*writer, 0, test::plain(pattern_bytes(30, 1), 0, 10));
  write(*writer, 1, test::plain(pattern_bytes(12, 2), 0, 10));
  writer.reset();

  ASSERT_EQ(files.made().size(), 1u);
  EXPECT_EQ(files.made()[0]->finalize_calls(), 1);
  auto expected = pattern_bytes(30, 1);
  const auto audio = pattern_bytes(12, 2);
  expected.insert(expected.end(), audio.begin(), audio.end());
  EXPECT_EQ(read_file(path), expected);
  EXPECT_EQ(encoders_[0]->finalize_calls(), 0);
}

TEST_F(PacketRecordingWriterTest, SetInputTypeReachesTheEncodingWriter) {
  FakeFileWriterFactory files;
  auto writer = make_writer({}, live_.callback(), false, files, 0, false);
  ASSERT_TRUE(writer);
  ComPtr<IMFMediaType> nv12;
  ASSERT_HRESULT_SUCCEEDED(MFCreateMediaType(&nv12));
  ASSERT_HRESULT_SUCCEEDED(nv12->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video));
  ASSERT_HRESULT_SUCCEEDED(nv12->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_NV12));
  EXPECT_EQ(writer->set_input_type(0, nv12.Get(), nullptr), S_OK);
  EXPECT_EQ(encoders_[0]->input_types_set(), 1u);
}

TEST_F(PacketRecordingWriterTest, AddStreamRefusesWhatTheFileCannotTake) {
  Signal first_written;
  FakeFileWriterFactory files([&](const FakeFileSample&) {
    first_written.set();
    return S_OK;
  });
  auto writer = make_writer(dir_ / L"late.mp4", {}, false, files, 0, false);
  ASSERT_TRUE(writer);
  DWORD index = 0;
  EXPECT_EQ(writer->add_stream(nullptr, &index), E_POINTER);
  ComPtr<IMFMediaType> pcm;
  ASSERT_HRESULT_SUCCEEDED(MFCreateMediaType(&pcm));
  ASSERT_HRESULT_SUCCEEDED(pcm->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio));
  ASSERT_HRESULT_SUCCEEDED(pcm->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_Float));
  EXPECT_EQ(writer->add_stream(pcm.Get(), &index), kErrorInvalidMediaType);

  // Once a packet has reached the file, its stream set is fixed.
  ASSERT_EQ(writer->fan_out_packet(make_packet(8, 0, make_format(make_h264_type().Get()))), S_OK);
  ASSERT_TRUE(first_written.wait());
  EXPECT_EQ(writer->add_stream(make_aac_type().Get(), &index), kErrorInvalidRequest);
}

TEST_F(PacketRecordingWriterTest, WithFileOptionalAFailingFileLeavesTheLiveOutputRunning) {
  int writes = 0;
  FakeFileWriterFactory files([&](const FakeFileSample&) { return ++writes == 2 ? E_ACCESSDENIED : S_OK; });
  const auto path = dir_ / L"optional.mp4";
  auto writer = make_writer(path, live_.callback(), true, files);
  ASSERT_TRUE(writer);
  for (int i = 0; i < 6; ++i) write(*writer, i % 2, test::plain(pattern_bytes(16), i * 10, 10));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(writer->fan_out_packet(make_packet(8, 1, make_format(make_aac_type().Get()))), S_OK);
  }
  EXPECT_EQ(writer->finish(), S_OK);

  EXPECT_EQ(live_.packets().size(), 9u);
  const auto stats = writer->stats();
  EXPECT_EQ(stats.writer_result, S_OK);
  EXPECT_EQ(stats.file_result, E_ACCESSDENIED);
  EXPECT_EQ(stats.live_result, S_OK);
  EXPECT_EQ(stats.video_packets + stats.audio_packets, 9u);
  // What was written before the failure is still a closed file.
  ASSERT_EQ(files.made().size(), 1u);
  EXPECT_EQ(files.made()[0]->finalize_calls(), 1);
  EXPECT_EQ(read_file(path).size(), 16u);
}

TEST_F(PacketRecordingWriterTest, WithoutFileOptionalAFailingFileStopsTheRecording) {
  FakeFileWriterFactory files([](const FakeFileSample&) { return E_ACCESSDENIED; });
  auto writer = make_writer(dir_ / L"required.mp4", live_.callback(), false, files);
  ASSERT_TRUE(writer);
  write(*writer, 0, test::plain(pattern_bytes(16), 0, 10));
  EXPECT_EQ(writer->finish(), E_ACCESSDENIED);
  EXPECT_EQ(writer->stats().writer_result, E_ACCESSDENIED);
  EXPECT_EQ(writer->stats().file_result, E_ACCESSDENIED);
  EXPECT_EQ(writer->write_sample(0, make_sample(test::plain(pattern_bytes(4), 10, 10)).Get()), E_ACCESSDENIED);
  EXPECT_EQ(writer->fan_out_packet(make_packet(4, 0, make_format(make_h264_type().Get()))), E_ACCESSDENIED);
}

TEST_F(PacketRecordingWriterTest, ImpossibleFreeSpaceMinimumFailsAtTheFirstPacket) {
  FakeFileWriterFactory files;
  std::unique_ptr<PacketRecordingWriter> writer;
  ASSERT_EQ(PacketRecordingWriter::create(dir_ / L"disk.mp4", nullptr, writer, {}, false, UINT64_MAX,
                                          platform(files)),
            S_OK);
  DWORD index = 0;
  ASSERT_EQ(writer->add_stream(make_h264_type().Get(), &index), S_OK);
  ASSERT_EQ(writer->begin_writing(), S_OK);
  write(*writer, 0, test::plain(pattern_bytes(16), 0, 10));
  EXPECT_EQ(writer->finish(), kErrorDiskFull);
  EXPECT_EQ(files.create_calls(), 0);
  EXPECT_FALSE(std::filesystem::exists(dir_ / L"disk.mp4"));
}

TEST_F(PacketRecordingWriterTest, LiveFailureIsKeptAndStopsAWriterWithoutFileOptional) {
  FakeFileWriterFactory files;
  live_.answer_at(2, E_ABORT);
  auto writer = make_writer({}, live_.callback(), false, files);
  ASSERT_TRUE(writer);
  auto video = make_format(make_h264_type().Get());
  EXPECT_EQ(writer->fan_out_packet(make_packet(10, 0, video)), S_OK);
  EXPECT_EQ(writer->fan_out_packet(make_packet(20, 0, video)), E_ABORT);
  const auto stats = writer->stats();
  EXPECT_EQ(stats.live_result, E_ABORT);
  EXPECT_EQ(stats.writer_result, E_ABORT);
  EXPECT_EQ(stats.video_packets, 1u);  // a failed packet is not counted
  EXPECT_EQ(stats.packet_bytes, 10u);
  EXPECT_EQ(writer->write_sample(0, make_sample(test::plain(pattern_bytes(4), 0, 1)).Get()), E_ABORT);
  EXPECT_EQ(writer->finish(), E_ABORT);
}

// S_FALSE (a packet the live side did not take) is no failure in either
// mode; a live failure ends the writer only when the file is not optional.
TEST_F(PacketRecordingWriterTest, LiveAnswerReachesTheEncodersOnlyWhenTheFileIsRequired) {
  struct Case {
    const char* name;
    bool file_optional;
    HRESULT live_answer;
    HRESULT fan_out;
    HRESULT live_result;
  };
  const Case cases[] = {
      {"not taken, live only", false, S_FALSE, S_FALSE, S_OK},
      {"not taken, file optional", true, S_FALSE, S_OK, S_OK},
      {"failed, file optional", true, E_ABORT, S_OK, E_ABORT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LiveOutput live;
    live.answer_at(1, c.live_answer);
    FakeFileWriterFactory files;
    std::unique_ptr<PacketRecordingWriter> writer;
    const auto path = c.file_optional ? dir_ / L"answer.mp4" : std::filesystem::path();
    ASSERT_EQ(PacketRecordingWriter::create(path, nullptr, writer, live.callback(), c.file_optional, 0,
                                            platform(files)),
              S_OK);
    DWORD index = 0;
    ASSERT_EQ(writer->add_stream(make_h264_type().Get(), &index), S_OK);
    auto video = make_format(make_h264_type().Get());
    EXPECT_EQ(writer->fan_out_packet(make_packet(10, 0, video)), c.fan_out);
    EXPECT_EQ(writer->fan_out_packet(make_packet(20, 0, video)), S_OK);

    const auto stats = writer->stats();
    EXPECT_EQ(stats.live_result, c.live_result);
    EXPECT_EQ(stats.writer_result, S_OK);
    EXPECT_EQ(stats.video_packets, 2u);
    EXPECT_EQ(stats.packet_bytes, 30u);
    EXPECT_EQ(live.packets().size(), 2u);
    EXPECT_EQ(writer->finish(), S_OK);
    if (c.file_optional) {
      ASSERT_EQ(files.made().size(), 1u);
      EXPECT_EQ(files.made()[0]->samples().size(), 2u);
    }
  }
}

// The encoded size and rate come from the first video packet whose format
// carries all four values, and stay.
TEST_F(PacketRecordingWriterTest, EncodedSizeAndRateComeFromTheFirstCompleteVideoFormat) {
  FakeFileWriterFactory files;
  std::unique_ptr<PacketRecordingWriter> writer;
  ASSERT_EQ(PacketRecordingWriter::create({}, nullptr, writer, live_.callback(), false, 0, platform(files)), S_OK);
  auto no_rate = make_h264_type(800, 600, 30, 1);
  ASSERT_HRESULT_SUCCEEDED(no_rate->DeleteItem(MF_MT_FRAME_RATE));
  struct Step {
    const char* name;
    std::shared_ptr<EncodedStreamFormat> format;
    UINT32 width, height, numerator, denominator;
  };
  const Step steps[] = {
      {"audio", make_format(make_aac_type().Get()), 0, 0, 0, 0},
      {"video without rate", make_format(no_rate.Get()), 0, 0, 0, 0},
      {"zero height", make_format(make_h264_type(800, 0, 30, 1).Get()), 0, 0, 0, 0},
      {"complete", make_format(make_h264_type(1024, 768, 30000, 1001).Get()), 1024, 768, 30000, 1001},
      {"later change", make_format(make_h264_type(640, 480, 25, 1).Get()), 1024, 768, 30000, 1001},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    ASSERT_EQ(writer->fan_out_packet(make_packet(4, 0, step.format)), S_OK);
    const auto stats = writer->stats();
    EXPECT_EQ(stats.encoded_width, step.width);
    EXPECT_EQ(stats.encoded_height, step.height);
    EXPECT_EQ(stats.frame_rate_numerator, step.numerator);
    EXPECT_EQ(stats.frame_rate_denominator, step.denominator);
  }
  const auto stats = writer->stats();
  EXPECT_EQ(stats.audio_packets, 1u);
  EXPECT_EQ(stats.video_packets, 4u);
}

TEST_F(PacketRecordingWriterTest, ThrowingLiveCallbackBecomesALiveResult) {
  struct Case {
    const char* name;
    bool bad_alloc;
    HRESULT expected;
  };
  const Case cases[] = {{"allocation", true, E_OUTOFMEMORY}, {"anything else", false, E_UNEXPECTED}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LiveOutput live;
    live.throw_at(1, c.bad_alloc);
    FakeFileWriterFactory files;
    std::unique_ptr<PacketRecordingWriter> writer;
    ASSERT_EQ(PacketRecordingWriter::create({}, nullptr, writer, live.callback(), false, 0, platform(files)), S_OK);
    EXPECT_EQ(writer->fan_out_packet(make_packet(4, 0, make_format(make_aac_type().Get()))), c.expected);
    EXPECT_EQ(writer->stats().live_result, c.expected);
  }
}

// Each limit of the file queue, reached through the writer while the disk
// is stuck on the first packet.
TEST_F(PacketRecordingWriterTest, FileQueueLimitsReachedThroughTheWriter) {
  enum class Limit { kPackets, kBytes, kAge };
  struct Case {
    const char* name;
    Limit limit;
  };
  const Case cases[] = {{"4096 packets", Limit::kPackets}, {"64 MiB", Limit::kBytes}, {"5000 ms", Limit::kAge}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Signal entered;
    Signal release;
    FakeFileWriterFactory files([&](const FakeFileSample&) {
      entered.set();
      release.wait(60s);
      return S_OK;
    });
    std::unique_ptr<PacketRecordingWriter> writer;
    // Declared after the writer: lets the stuck disk go before the writer
    // joins its queue, even when an assertion ends the case early.
    struct ReleaseOnExit {
      Signal& release;
      ~ReleaseOnExit() { release.set(); }
    } release_on_exit{release};
    ASSERT_EQ(PacketRecordingWriter::create(dir_ / L"limits.mp4", nullptr, writer, {}, false, 0, platform(files)),
              S_OK);
    DWORD index = 0;
    ASSERT_EQ(writer->add_stream(make_h264_type().Get(), &index), S_OK);
    auto video = make_format(make_h264_type().Get());
    ASSERT_EQ(writer->fan_out_packet(make_packet(16, 0, video)), S_OK);
    ASSERT_TRUE(entered.wait());

    switch (c.limit) {
      case Limit::kPackets:
        for (int i = 1; i < 4096; ++i) ASSERT_EQ(writer->fan_out_packet(make_packet(16, 0, video)), S_OK) << i;
        EXPECT_EQ(writer->fan_out_packet(make_packet(16, 0, video)), kErrorQueueTimeout);
        break;
      case Limit::kBytes:
        for (int i = 0; i < 3; ++i) ASSERT_EQ(writer->fan_out_packet(make_packet(16 << 20, 0, video)), S_OK);
        ASSERT_EQ(writer->fan_out_packet(make_packet((16 << 20) - 16, 0, video)), S_OK);  // exactly 64 MiB
        EXPECT_EQ(writer->stats().file_queue_bytes, 64u << 20);
        EXPECT_EQ(writer->fan_out_packet(make_packet(1, 0, video)), kErrorQueueTimeout);
        break;
      case Limit::kAge:
        clock_->advance(std::chrono::nanoseconds(5000ms).count());
        ASSERT_EQ(writer->fan_out_packet(make_packet(16, 0, video)), S_OK);
        clock_->advance(std::chrono::nanoseconds(1ms).count());
        EXPECT_EQ(writer->fan_out_packet(make_packet(16, 0, video)), kErrorQueueTimeout);
        break;
    }
    const auto stats = writer->stats();
    EXPECT_EQ(stats.file_result, kErrorQueueTimeout);
    EXPECT_EQ(stats.writer_result, kErrorQueueTimeout);
    release.set();
    EXPECT_EQ(writer->finish(), kErrorQueueTimeout);
  }
}

TEST_F(PacketRecordingWriterTest, FailPassesTheCodeToTheFileQueue) {
  FakeFileWriterFactory files;
  std::unique_ptr<PacketRecordingWriter> writer;
  ASSERT_EQ(PacketRecordingWriter::create(dir_ / L"fail.mp4", nullptr, writer, live_.callback(), true, 0,
                                          platform(files)),
            S_OK);
  writer->fail(kErrorDiskFull);
  EXPECT_EQ(writer->stats().file_result, kErrorDiskFull);
  EXPECT_EQ(writer->stats().writer_result, S_OK);  // the file was optional
  EXPECT_EQ(writer->fan_out_packet(make_packet(4, 0, make_format(make_h264_type().Get()))), S_OK);
  EXPECT_EQ(live_.packets().size(), 1u);
}

// The product's own factory: the platform's sink writer on the packet sink.
TEST_F(PacketRecordingWriterTest, PlatformEncodingWriterDeliversPacketsToTheLiveOutput) {
  std::unique_ptr<PacketRecordingWriter> writer;
  ASSERT_EQ(PacketRecordingWriter::create({}, nullptr, writer, live_.callback(), false, 0), S_OK);
  DWORD video = 0;
  ASSERT_EQ(writer->add_stream(make_h264_type(640, 480, 30, 1).Get(), &video), S_OK);
  ASSERT_EQ(writer->begin_writing(), S_OK);
  write(*writer, video, {pattern_bytes(64, 9), 0, 333'333, {}, 1u, {}});
  write(*writer, video, test::plain(pattern_bytes(32, 7), 333'333, 333'333));
  // The platform writer delivers on its own work queue. The second sample
  // is asked for only after the first one's fan-out has returned, so once
  // it arrived the first one is fully counted.
  ASSERT_TRUE(live_.wait_for(2));
  const auto packets = live_.packets();
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[0]->data, pattern_bytes(64, 9));
  EXPECT_TRUE(packets[0]->keyframe);
  EXPECT_EQ(packets[1]->data, pattern_bytes(32, 7));
  EXPECT_FALSE(packets[1]->keyframe);
  const auto stats = writer->stats();
  EXPECT_GE(stats.video_packets, 1u);
  EXPECT_EQ(stats.encoded_width, 640u);
  EXPECT_EQ(stats.encoded_height, 480u);
  EXPECT_EQ(stats.frame_rate_numerator, 30u);
}

}  // namespace
}  // namespace quorvel::windows
