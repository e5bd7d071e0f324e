#include "engine/mp4_packet_output.h"

#include <mfapi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine_errors.h"
#include "tests/engine/packet_test_support.h"
#include "tests/fakes/engine/fake_sink_writer.h"
#include "tests/support/fake_clock.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;
using test::FakeFileWriterFactory;
using test::make_aac_type;
using test::make_format;
using test::make_h264_type;
using test::make_packet;

class Mp4PacketOutputTest : public test::MediaFoundationFixture {
 protected:
  SinkWriterFactory factory() {
    SinkWriterFactory result;
    result.create_file_writer = files_.function();
    return result;
  }

  quorvel::test::TempDir dir_;
  FakeFileWriterFactory files_;
};

TEST_F(Mp4PacketOutputTest, RefusesAPacketOfAStreamItDoesNotKnow) {
  Mp4PacketOutput output(dir_ / L"three.mp4", 0, factory());
  auto video = make_format(make_h264_type().Get());
  auto audio = make_format(make_aac_type().Get());
  ASSERT_EQ(output.add_stream_format(video, 0), S_OK);
  ASSERT_EQ(output.add_stream_format(audio, 1), S_OK);
  ASSERT_EQ(output.add_stream_format(audio, 2), S_OK);
  // Streams are registered in order, each exactly once.
  EXPECT_EQ(output.add_stream_format(audio, 4), kErrorInvalidRequest);

  EXPECT_EQ(output.write_packet(make_packet(10, 3, audio)), kErrorInvalidRequest);
  EXPECT_EQ(output.result(), S_OK);  // a refused packet does not end the file
  EXPECT_EQ(files_.create_calls(), 0);

  EXPECT_EQ(output.write_packet(make_packet(10, 2, audio)), S_OK);
  ASSERT_EQ(files_.made().size(), 1u);
  const auto samples = files_.made()[0]->samples();
  ASSERT_EQ(samples.size(), 1u);
  EXPECT_EQ(samples[0].stream, 2u);
  EXPECT_EQ(output.finalize(), S_OK);
}

TEST_F(Mp4PacketOutputTest, FirstPacketsFormatReplacesItsStreamsRegisteredFormat) {
  Mp4PacketOutput output(dir_ / L"format.mp4", 0, factory());
  ASSERT_EQ(output.add_stream_format(make_format(make_h264_type(640, 360).Get()), 0), S_OK);
  ASSERT_EQ(output.write_packet(make_packet(10, 0, make_format(make_h264_type(1920, 1080).Get()))), S_OK);
  const auto added = files_.made().at(0)->added_types();
  ASSERT_EQ(added.size(), 1u);
  UINT32 width = 0, height = 0;
  ASSERT_HRESULT_SUCCEEDED(MFGetAttributeSize(added[0].Get(), MF_MT_FRAME_SIZE, &width, &height));
  EXPECT_EQ(width, 1920u);
  EXPECT_EQ(height, 1080u);
  EXPECT_EQ(output.finalize(), S_OK);
}

TEST_F(Mp4PacketOutputTest, ChecksFreeSpaceAtMostEvery250Milliseconds) {
  constexpr int64_t kMs = 1'000'000;
  auto clock = std::make_shared<test::FakeClock>(1000 * kMs);
  uint64_t free_bytes = 10'000;
  std::vector<std::wstring> asked;
  DiskSpaceProbe probe;
  probe.clock = clock;
  probe.free_bytes = [&](const wchar_t* folder, uint64_t& free) -> HRESULT {
    asked.push_back(folder ? folder : L"<null>");
    free = free_bytes;
    return S_OK;
  };
  Mp4PacketOutput output(dir_ / L"space.mp4", 5'000, factory(), probe);
  auto video = make_format(make_h264_type().Get());
  ASSERT_EQ(output.add_stream_format(video, 0), S_OK);

  struct Step {
    int64_t ms;
    size_t checks_so_far;
  };
  const Step steps[] = {{1000, 1}, {1100, 1}, {1249, 1}, {1250, 2}, {1251, 2}, {1600, 3}, {1849, 3}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.ms);
    clock->advance(step.ms * kMs - clock->now());
    ASSERT_EQ(output.write_packet(make_packet(4, 0, video)), S_OK);
    EXPECT_EQ(asked.size(), step.checks_so_far);
  }
  // The folder of the output (a temporary folder's name ends in no
  // separator), ending in one backslash.
  EXPECT_EQ(asked.front(), dir_.path().wstring() + L"\\");

  free_bytes = 4'999;
  clock->advance(1850 * kMs - clock->now());
  EXPECT_EQ(output.write_packet(make_packet(4, 0, video)), kErrorDiskFull);
  free_bytes = 1'000'000;
  clock->advance(5000 * kMs - clock->now());
  EXPECT_EQ(output.write_packet(make_packet(4, 0, video)), kErrorDiskFull);  // kept
  EXPECT_EQ(asked.size(), 4u);
  // The file written so far is still closed properly.
  EXPECT_EQ(output.finalize(), kErrorDiskFull);
  EXPECT_EQ(files_.made().at(0)->finalize_calls(), 1);
}

TEST_F(Mp4PacketOutputTest, AsksAboutTheOutputFolderInTheFormEveryVolumeAccepts) {
  struct Case {
    const wchar_t* path;
    const wchar_t* folder;  // null: the current folder's volume
  };
  const Case cases[] = {
      {L"C:\\Videos\\take.mp4", L"C:\\Videos\\"},
      {L"C:\\take.mp4", L"C:\\"},
      {L"\\\\server\\share\\take.mp4", L"\\\\server\\share\\"},
      {L"D:/clips//take.mp4", L"D:/clips\\"},
      {L"take.mp4", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(quorvel::test::utf8(c.path));
    std::optional<std::wstring> asked;
    DiskSpaceProbe probe;
    probe.clock = std::make_shared<test::FakeClock>();
    probe.free_bytes = [&](const wchar_t* folder, uint64_t& free) -> HRESULT {
      asked = folder ? folder : L"<null>";
      free = 0;  // too little: the file is never opened
      return S_OK;
    };
    Mp4PacketOutput output(c.path, 1, factory(), probe);
    auto video = make_format(make_h264_type().Get());
    ASSERT_EQ(output.add_stream_format(video, 0), S_OK);
    EXPECT_EQ(output.write_packet(make_packet(4, 0, video)), kErrorDiskFull);
    EXPECT_EQ(asked, std::optional<std::wstring>(c.folder ? c.folder : L"<null>"));
  }
  EXPECT_EQ(files_.create_calls(), 0);
}

// A volume that cannot tell its free space is written to anyway: the
// writes themselves fail if it is really full.
TEST_F(Mp4PacketOutputTest, UnanswerableFreeSpaceQueryDoesNotStopTheFile) {
  int queries = 0;
  DiskSpaceProbe probe;
  probe.clock = std::make_shared<test::FakeClock>();
  probe.free_bytes = [&](const wchar_t*, uint64_t& free) -> HRESULT {
    ++queries;
    free = 0;
    return HRESULT_FROM_WIN32(ERROR_NOT_READY);
  };
  Mp4PacketOutput output(dir_ / L"unknown.mp4", UINT64_MAX, factory(), probe);
  auto video = make_format(make_h264_type().Get());
  ASSERT_EQ(output.add_stream_format(video, 0), S_OK);
  EXPECT_EQ(output.write_packet(make_packet(4, 0, video)), S_OK);
  EXPECT_EQ(queries, 1);
  ASSERT_EQ(files_.made().size(), 1u);
  EXPECT_EQ(files_.made()[0]->samples().size(), 1u);
  EXPECT_EQ(output.finalize(), S_OK);
}

// A file that cannot be opened ends the output at its first packet; it is
// not tried again.
TEST_F(Mp4PacketOutputTest, FailureToOpenTheFileIsKept) {
  Mp4PacketOutput output(dir_ / L"missing" / L"open.mp4", 0, factory());
  auto video = make_format(make_h264_type().Get());
  ASSERT_EQ(output.add_stream_format(video, 0), S_OK);
  const HRESULT not_found = HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(output.write_packet(make_packet(4, 0, video)), not_found);
  EXPECT_EQ(output.write_packet(make_packet(4, 0, video)), not_found);
  EXPECT_EQ(files_.create_calls(), 1);
  EXPECT_EQ(output.add_stream_format(video, 1), kErrorInvalidRequest);
  EXPECT_EQ(output.finalize(), not_found);
  EXPECT_EQ(files_.made().at(0)->finalize_calls(), 0);
}

TEST_F(Mp4PacketOutputTest, RealVolumeBelowAnImpossibleMinimumIsDiskFull) {
  Mp4PacketOutput output(dir_ / L"full.mp4", UINT64_MAX, factory());
  auto video = make_format(make_h264_type().Get());
  ASSERT_EQ(output.add_stream_format(video, 0), S_OK);
  EXPECT_EQ(output.write_packet(make_packet(4, 0, video)), kErrorDiskFull);
  EXPECT_EQ(files_.create_calls(), 0);
  EXPECT_FALSE(std::filesystem::exists(dir_ / L"full.mp4"));
}

TEST_F(Mp4PacketOutputTest, FinalizesOnceAndRefusesPacketsAfterwards) {
  Mp4PacketOutput output(dir_ / L"once.mp4", 0, factory());
  auto video = make_format(make_h264_type().Get());
  ASSERT_EQ(output.add_stream_format(video, 0), S_OK);
  ASSERT_EQ(output.write_packet(make_packet(4, 0, video)), S_OK);
  EXPECT_EQ(output.finalize(), S_OK);
  EXPECT_EQ(output.finalize(), S_OK);
  EXPECT_EQ(files_.made().at(0)->finalize_calls(), 1);
  EXPECT_EQ(output.write_packet(make_packet(4, 0, video)), kErrorInvalidRequest);
  EXPECT_EQ(output.add_stream_format(video, 1), kErrorInvalidRequest);
}

TEST_F(Mp4PacketOutputTest, FinalizingAFileThatNeverOpenedIsInvalidRequest) {
  Mp4PacketOutput output(dir_ / L"never.mp4", 0, factory());
  ASSERT_EQ(output.add_stream_format(make_format(make_h264_type().Get()), 0), S_OK);
  EXPECT_EQ(output.finalize(), kErrorInvalidRequest);
  EXPECT_EQ(output.result(), kErrorInvalidRequest);
}

TEST_F(Mp4PacketOutputTest, FailureToCreateTheFileWriterIsKept) {
  FakeFileWriterFactory refusing({}, E_INVALIDARG);
  SinkWriterFactory writers;
  writers.create_file_writer = refusing.function();
  Mp4PacketOutput output(dir_ / L"refused.mp4", 0, writers);
  auto video = make_format(make_h264_type().Get());
  ASSERT_EQ(output.add_stream_format(video, 0), S_OK);
  EXPECT_EQ(output.write_packet(make_packet(4, 0, video)), E_INVALIDARG);
  EXPECT_EQ(output.write_packet(make_packet(4, 0, video)), E_INVALIDARG);
  EXPECT_EQ(refusing.create_calls(), 1);
  EXPECT_EQ(output.finalize(), E_INVALIDARG);
}

}  // namespace
}  // namespace quorvel::windows
