#include "engine/packet_sink.h"

#include <mfapi.h>
#include <mferror.h>
#include <mfreadwrite.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/engine_errors.h"
#include "tests/engine/packet_test_support.h"
#include "tests/fakes/engine/fake_media_buffer.h"

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;
using test::make_aac_type;
using test::make_h264_type;
using test::make_sample;
using test::PacketRecorder;
using test::pattern_bytes;
using test::SampleSpec;

// The event types a stream has queued, without waiting.
std::vector<MediaEventType> drain_events(IMFStreamSink* stream) {
  std::vector<MediaEventType> types;
  ComPtr<IMFMediaEvent> event;
  while (SUCCEEDED(stream->GetEvent(MF_EVENT_FLAG_NO_WAIT, &event))) {
    MediaEventType type = MEUnknown;
    EXPECT_HRESULT_SUCCEEDED(event->GetType(&type));
    types.push_back(type);
    event.Reset();
  }
  return types;
}

class PacketSinkTest : public test::MediaFoundationFixture {
 protected:
  void SetUp() override {
    MediaFoundationFixture::SetUp();
    ASSERT_HRESULT_SUCCEEDED(PacketSink::create(recorder_.callback(), sink_));
  }
  void TearDown() override {
    if (sink_) sink_->Shutdown();
    sink_.Reset();
    MediaFoundationFixture::TearDown();
  }

  ComPtr<IMFStreamSink> add_stream(DWORD identifier, IMFMediaType* type) {
    ComPtr<IMFStreamSink> stream;
    EXPECT_HRESULT_SUCCEEDED(sink_->AddStreamSink(identifier, type, &stream));
    return stream;
  }

  PacketRecorder recorder_;
  ComPtr<PacketSink> sink_;
};

TEST_F(PacketSinkTest, AnswersOnlyItsInterfaces) {
  struct Case {
    const char* name;
    IUnknown* object;
    IID iid;
    HRESULT expected;
  };
  auto video = add_stream(1, make_h264_type().Get());
  IUnknown* sink_object = static_cast<IMFMediaSink*>(sink_.Get());
  const Case cases[] = {
      {"sink IUnknown", sink_object, __uuidof(IUnknown), S_OK},
      {"sink IMFMediaSink", sink_object, __uuidof(IMFMediaSink), S_OK},
      {"sink IMFClockStateSink", sink_object, __uuidof(IMFClockStateSink), S_OK},
      {"sink IMFStreamSink", sink_object, __uuidof(IMFStreamSink), E_NOINTERFACE},
      {"sink IMFMediaEventGenerator", sink_object, __uuidof(IMFMediaEventGenerator), E_NOINTERFACE},
      {"stream IUnknown", video.Get(), __uuidof(IUnknown), S_OK},
      {"stream IMFStreamSink", video.Get(), __uuidof(IMFStreamSink), S_OK},
      {"stream IMFMediaEventGenerator", video.Get(), __uuidof(IMFMediaEventGenerator), S_OK},
      {"stream IMFMediaSink", video.Get(), __uuidof(IMFMediaSink), E_NOINTERFACE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ComPtr<IUnknown> result;
    EXPECT_EQ(c.object->QueryInterface(c.iid, reinterpret_cast<void**>(result.GetAddressOf())), c.expected);
    EXPECT_EQ(result != nullptr, c.expected == S_OK);
  }
  // IUnknown is reached through IMFMediaSink: the same pointer either way.
  ComPtr<IUnknown> through_clock;
  ComPtr<IMFClockStateSink> clock_state;
  ASSERT_HRESULT_SUCCEEDED(sink_.As(&clock_state));
  ASSERT_HRESULT_SUCCEEDED(clock_state.As(&through_clock));
  EXPECT_EQ(through_clock.Get(), sink_object);
}

TEST_F(PacketSinkTest, IsRateless) {
  DWORD characteristics = 0;
  ASSERT_HRESULT_SUCCEEDED(sink_->GetCharacteristics(&characteristics));
  EXPECT_EQ(characteristics, static_cast<DWORD>(MEDIASINK_RATELESS));
  EXPECT_EQ(sink_->GetCharacteristics(nullptr), E_POINTER);
}

TEST_F(PacketSinkTest, StreamsKeepIdentifierOrderAndTypeAndRefuseDuplicates) {
  auto h264 = make_h264_type();
  auto video = add_stream(7, h264.Get());
  auto audio = add_stream(3, make_aac_type().Get());

  ComPtr<IMFStreamSink> duplicate;
  EXPECT_EQ(sink_->AddStreamSink(7, make_aac_type().Get(), &duplicate), kErrorStreamSinkExists);
  EXPECT_EQ(duplicate, nullptr);
  DWORD count = 0;
  ASSERT_HRESULT_SUCCEEDED(sink_->GetStreamSinkCount(&count));
  EXPECT_EQ(count, 2u);

  ComPtr<IMFStreamSink> found;
  ASSERT_HRESULT_SUCCEEDED(sink_->GetStreamSinkByIndex(1, &found));
  EXPECT_EQ(found, audio);
  ASSERT_HRESULT_SUCCEEDED(sink_->GetStreamSinkById(7, &found));
  EXPECT_EQ(found, video);
  EXPECT_EQ(sink_->GetStreamSinkByIndex(2, &found), MF_E_INVALIDINDEX);
  EXPECT_EQ(sink_->GetStreamSinkById(5, &found), kErrorInvalidStreamNumber);
  EXPECT_EQ(sink_->RemoveStreamSink(7), MF_E_STREAMSINKS_FIXED);

  DWORD identifier = 0;
  ASSERT_HRESULT_SUCCEEDED(video->GetIdentifier(&identifier));
  EXPECT_EQ(identifier, 7u);
  EXPECT_EQ(video->GetIdentifier(nullptr), E_POINTER);

  ComPtr<IMFMediaSink> owner;
  ASSERT_HRESULT_SUCCEEDED(video->GetMediaSink(&owner));
  EXPECT_EQ(owner.Get(), static_cast<IMFMediaSink*>(sink_.Get()));

  ComPtr<IMFMediaTypeHandler> handler;
  ASSERT_HRESULT_SUCCEEDED(video->GetMediaTypeHandler(&handler));
  ComPtr<IMFMediaType> current;
  ASSERT_HRESULT_SUCCEEDED(handler->GetCurrentMediaType(&current));
  BOOL equal = FALSE;
  ASSERT_HRESULT_SUCCEEDED(current->Compare(h264.Get(), MF_ATTRIBUTES_MATCH_ALL_ITEMS, &equal));
  EXPECT_TRUE(equal);
}

TEST_F(PacketSinkTest, RefusesNullArguments) {
  ComPtr<IMFStreamSink> stream;
  EXPECT_EQ(sink_->AddStreamSink(1, nullptr, &stream), E_POINTER);
  EXPECT_EQ(sink_->AddStreamSink(1, make_h264_type().Get(), nullptr), E_POINTER);
  EXPECT_EQ(sink_->GetStreamSinkCount(nullptr), E_POINTER);
  auto video = add_stream(1, make_h264_type().Get());
  EXPECT_EQ(video->ProcessSample(nullptr), E_POINTER);
}

TEST_F(PacketSinkTest, KeepsThePresentationClockItIsGiven) {
  ComPtr<IMFPresentationClock> clock;
  EXPECT_EQ(sink_->GetPresentationClock(&clock), MF_E_NO_CLOCK);
  ComPtr<IMFPresentationClock> created;
  ASSERT_HRESULT_SUCCEEDED(MFCreatePresentationClock(&created));
  ASSERT_HRESULT_SUCCEEDED(sink_->SetPresentationClock(created.Get()));
  ASSERT_HRESULT_SUCCEEDED(sink_->GetPresentationClock(&clock));
  EXPECT_EQ(clock, created);
  clock.Reset();
  ASSERT_HRESULT_SUCCEEDED(sink_->SetPresentationClock(nullptr));
  EXPECT_EQ(sink_->GetPresentationClock(&clock), MF_E_NO_CLOCK);
}

TEST_F(PacketSinkTest, StartingRequestsOneSamplePerStreamOnce) {
  auto video = add_stream(1, make_h264_type().Get());
  auto audio = add_stream(2, make_aac_type().Get());
  EXPECT_TRUE(drain_events(video.Get()).empty());

  ComPtr<IMFClockStateSink> clock_state;
  ASSERT_HRESULT_SUCCEEDED(sink_.As(&clock_state));
  ASSERT_HRESULT_SUCCEEDED(clock_state->OnClockStart(0, 0));
  ASSERT_HRESULT_SUCCEEDED(sink_->start_streams());
  ASSERT_HRESULT_SUCCEEDED(clock_state->OnClockStart(0, 0));

  const std::vector<MediaEventType> one_request{MEStreamSinkRequestSample};
  EXPECT_EQ(drain_events(video.Get()), one_request);
  EXPECT_EQ(drain_events(audio.Get()), one_request);

  // The clock's other state changes are of no concern to a rateless sink.
  EXPECT_HRESULT_SUCCEEDED(clock_state->OnClockPause(0));
  EXPECT_HRESULT_SUCCEEDED(clock_state->OnClockRestart(0));
  EXPECT_HRESULT_SUCCEEDED(clock_state->OnClockSetRate(0, 2.0f));
  EXPECT_HRESULT_SUCCEEDED(clock_state->OnClockStop(0));
  EXPECT_TRUE(drain_events(video.Get()).empty());
}

TEST_F(PacketSinkTest, TurnsEachSampleIntoAPacketAndRequestsTheNext) {
  struct Case {
    const char* name;
    SampleSpec spec;
    std::optional<int64_t> decode_time;
    bool keyframe;
    bool discontinuity;
  };
  const Case cases[] = {
      {"key frame with decode time", {pattern_bytes(1000, 1), 1'000'000, 166'667, 833'333u, 1u, 0u},
       833'333, true, false},
      {"no attributes", test::plain(pattern_bytes(37, 2), 1'166'667, 166'667), std::nullopt, false, false},
      {"clean point present but 0, discontinuity", {pattern_bytes(1, 3), 5, 6, {}, 0u, 1u},
       std::nullopt, false, true},
  };
  auto video = add_stream(10, make_h264_type(1920, 1080, 30, 1).Get());
  auto audio = add_stream(20, make_aac_type().Get());
  ASSERT_HRESULT_SUCCEEDED(sink_->start_streams());
  drain_events(video.Get());

  size_t expected_count = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_HRESULT_SUCCEEDED(video->ProcessSample(make_sample(c.spec).Get()));
    EXPECT_EQ(drain_events(video.Get()), std::vector<MediaEventType>{MEStreamSinkRequestSample});
    const auto packets = recorder_.packets();
    ASSERT_EQ(packets.size(), ++expected_count);
    const auto& packet = *packets.back();
    EXPECT_EQ(packet.stream_index, 0u);
    ASSERT_TRUE(packet.format);
    EXPECT_EQ(packet.format->kind, EncodedStreamFormat::kH264Video);
    EXPECT_EQ(packet.data, c.spec.bytes);
    EXPECT_EQ(packet.sample_time, c.spec.time);
    EXPECT_EQ(packet.duration, c.spec.duration);
    EXPECT_EQ(packet.decode_time, c.decode_time);
    EXPECT_EQ(packet.keyframe, c.keyframe);
    EXPECT_EQ(packet.discontinuity, c.discontinuity);
  }

  // The second stream's packets carry its index (its place, not its
  // identifier) and its own format.
  ASSERT_HRESULT_SUCCEEDED(audio->ProcessSample(make_sample(test::plain(pattern_bytes(300), 0, 213'333)).Get()));
  const auto packets = recorder_.packets();
  ASSERT_EQ(packets.size(), expected_count + 1);
  EXPECT_EQ(packets.back()->stream_index, 1u);
  EXPECT_EQ(packets.back()->format->kind, EncodedStreamFormat::kAacAudio);
  ComPtr<IMFMediaType> format_type;
  ASSERT_HRESULT_SUCCEEDED(packets.front()->format->copy_media_type(&format_type));
  UINT32 width = 0, height = 0;
  ASSERT_HRESULT_SUCCEEDED(MFGetAttributeSize(format_type.Get(), MF_MT_FRAME_SIZE, &width, &height));
  EXPECT_EQ(width, 1920u);
  EXPECT_EQ(height, 1080u);
}

TEST_F(PacketSinkTest, JoinsASampleOfSeveralBuffers) {
  auto video = add_stream(1, make_h264_type().Get());
  auto sample = make_sample(test::plain(pattern_bytes(10, 0), 0, 1));
  ComPtr<IMFMediaBuffer> second;
  ASSERT_HRESULT_SUCCEEDED(MFCreateMemoryBuffer(5, &second));
  BYTE* data = nullptr;
  ASSERT_HRESULT_SUCCEEDED(second->Lock(&data, nullptr, nullptr));
  const auto tail = pattern_bytes(5, 100);
  std::memcpy(data, tail.data(), tail.size());
  ASSERT_HRESULT_SUCCEEDED(second->Unlock());
  ASSERT_HRESULT_SUCCEEDED(second->SetCurrentLength(5));
  ASSERT_HRESULT_SUCCEEDED(sample->AddBuffer(second.Get()));

  ASSERT_HRESULT_SUCCEEDED(video->ProcessSample(sample.Get()));
  auto expected = pattern_bytes(10, 0);
  expected.insert(expected.end(), tail.begin(), tail.end());
  ASSERT_EQ(recorder_.packets().size(), 1u);
  EXPECT_EQ(recorder_.packets()[0]->data, expected);
}

// An empty sample makes no packet but is answered like a good one (the
// stream asks for the next); only an oversize one is refused.
TEST_F(PacketSinkTest, EmptySampleIsSkippedAndOnlyOversizeIsRefused) {
  struct Case {
    const char* name;
    DWORD length;
    HRESULT expected;
    bool packet;
  };
  const Case cases[] = {
      {"empty", 0, S_OK, false},
      {"one byte", 1, S_OK, true},
      {"exactly 64 MiB", 0x4000000, S_OK, true},
      {"64 MiB + 1", 0x4000001, E_INVALIDARG, false},
  };
  auto video = add_stream(1, make_h264_type().Get());
  size_t packets_made = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    drain_events(video.Get());
    EXPECT_EQ(video->ProcessSample(make_sample({}, c.length).Get()), c.expected);
    if (c.packet) ++packets_made;
    const auto packets = recorder_.packets();
    ASSERT_EQ(packets.size(), packets_made);
    if (c.packet) {
      EXPECT_EQ(packets.back()->data.size(), c.length);
    }
    // A refused sample asks for nothing more.
    EXPECT_EQ(drain_events(video.Get()).size(), c.expected == S_OK ? 1u : 0u);
  }
}

// Hardware encoders emit empty samples at a format change or a drain, with
// or without a time and with or without a buffer. Among real samples they
// leave the packets exactly the real ones, and the stream keeps asking.
TEST_F(PacketSinkTest, EmptySamplesAmongRealOnesLeaveOnlyTheRealPackets) {
  struct Empty {
    const char* name;
    bool buffer;
    bool timing;
  };
  const Empty empties[] = {
      {"zero-length buffer with timing", true, true},
      {"zero-length buffer without timing", true, false},
      {"no buffer at all", false, false},
  };
  auto video = add_stream(1, make_h264_type().Get());
  ASSERT_HRESULT_SUCCEEDED(sink_->start_streams());
  drain_events(video.Get());

  std::vector<std::vector<uint8_t>> expected;
  LONGLONG time = 0;
  const auto write_real = [&] {
    expected.push_back(pattern_bytes(50 + expected.size(), static_cast<uint8_t>(expected.size())));
    EXPECT_EQ(video->ProcessSample(make_sample(test::plain(expected.back(), time, 10)).Get()), S_OK);
    time += 10;
    EXPECT_EQ(drain_events(video.Get()), std::vector<MediaEventType>{MEStreamSinkRequestSample});
  };
  write_real();
  for (const Empty& empty : empties) {
    SCOPED_TRACE(empty.name);
    ComPtr<IMFSample> sample;
    ASSERT_HRESULT_SUCCEEDED(MFCreateSample(&sample));
    if (empty.buffer) {
      ComPtr<IMFMediaBuffer> buffer;
      ASSERT_HRESULT_SUCCEEDED(MFCreateMemoryBuffer(64, &buffer));
      ASSERT_HRESULT_SUCCEEDED(buffer->SetCurrentLength(0));
      ASSERT_HRESULT_SUCCEEDED(sample->AddBuffer(buffer.Get()));
    }
    if (empty.timing) {
      ASSERT_HRESULT_SUCCEEDED(sample->SetSampleTime(time));
      ASSERT_HRESULT_SUCCEEDED(sample->SetSampleDuration(0));
    }
    EXPECT_EQ(video->ProcessSample(sample.Get()), S_OK);
    EXPECT_EQ(drain_events(video.Get()), std::vector<MediaEventType>{MEStreamSinkRequestSample});
    EXPECT_EQ(recorder_.packets().size(), expected.size());
    write_real();
  }

  const auto packets = recorder_.packets();
  ASSERT_EQ(packets.size(), expected.size());
  for (size_t i = 0; i < packets.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(packets[i]->data, expected[i]);
    EXPECT_EQ(packets[i]->sample_time, static_cast<LONGLONG>(i) * 10);
  }
}

TEST_F(PacketSinkTest, RefusesAStreamTypeThatIsNotEncoded) {
  ComPtr<IMFMediaType> nv12;
  ASSERT_HRESULT_SUCCEEDED(MFCreateMediaType(&nv12));
  ASSERT_HRESULT_SUCCEEDED(nv12->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video));
  ASSERT_HRESULT_SUCCEEDED(nv12->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_NV12));
  auto raw = add_stream(1, nv12.Get());
  EXPECT_EQ(raw->ProcessSample(make_sample(test::plain(pattern_bytes(4), 0, 1)).Get()), kErrorInvalidMediaType);
  EXPECT_TRUE(recorder_.packets().empty());
}

TEST_F(PacketSinkTest, FailingCallbackStopsRequestsForThatStreamOnly) {
  auto video = add_stream(1, make_h264_type().Get());
  auto audio = add_stream(2, make_aac_type().Get());
  recorder_.answer_at(2, E_FAIL);
  ASSERT_HRESULT_SUCCEEDED(audio->ProcessSample(make_sample(test::plain(pattern_bytes(8), 0, 1)).Get()));
  EXPECT_EQ(drain_events(audio.Get()).size(), 1u);

  EXPECT_EQ(audio->ProcessSample(make_sample(test::plain(pattern_bytes(8), 1, 1)).Get()), E_FAIL);
  EXPECT_TRUE(drain_events(audio.Get()).empty());

  ASSERT_HRESULT_SUCCEEDED(video->ProcessSample(make_sample(test::plain(pattern_bytes(8), 0, 1)).Get()));
  EXPECT_EQ(drain_events(video.Get()).size(), 1u);
}

// S_FALSE means the receiver did not take the packet: no failure, so the
// stream goes on asking. A throwing receiver fails the sample without the
// exception leaving the COM call.
TEST_F(PacketSinkTest, CallbackAnswerDecidesWhetherTheStreamAsksForMore) {
  enum class Answer { kNotTaken, kThrowsBadAlloc, kThrowsOther };
  struct Case {
    const char* name;
    Answer answer;
    HRESULT expected;
    size_t requests;
  };
  const Case cases[] = {
      {"not taken", Answer::kNotTaken, S_OK, 1},
      {"out of memory", Answer::kThrowsBadAlloc, E_OUTOFMEMORY, 0},
      {"other exception", Answer::kThrowsOther, E_UNEXPECTED, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PacketRecorder recorder;
    if (c.answer == Answer::kNotTaken) {
      recorder.answer_at(1, S_FALSE);
    } else {
      recorder.throw_at(1, c.answer == Answer::kThrowsBadAlloc);
    }
    ComPtr<PacketSink> sink;
    ASSERT_HRESULT_SUCCEEDED(PacketSink::create(recorder.callback(), sink));
    ComPtr<IMFStreamSink> audio;
    ASSERT_HRESULT_SUCCEEDED(sink->AddStreamSink(1, make_aac_type().Get(), &audio));
    EXPECT_EQ(audio->ProcessSample(make_sample(test::plain(pattern_bytes(8), 0, 1)).Get()), c.expected);
    EXPECT_EQ(recorder.packets().size(), 1u);
    EXPECT_EQ(drain_events(audio.Get()).size(), c.requests);
    EXPECT_HRESULT_SUCCEEDED(sink->Shutdown());
  }
}

// A sample without its timing never becomes a packet; the platform's code
// for what is missing is passed on.
TEST_F(PacketSinkTest, SampleWithoutTimeOrDurationIsRefused) {
  struct Case {
    const char* name;
    bool time;
    bool duration;
    HRESULT expected;
  };
  const Case cases[] = {
      {"no time", false, true, MF_E_NO_SAMPLE_TIMESTAMP},
      {"no duration", true, false, MF_E_NO_SAMPLE_DURATION},
  };
  auto video = add_stream(1, make_h264_type().Get());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ComPtr<IMFMediaBuffer> buffer;
    ASSERT_HRESULT_SUCCEEDED(MFCreateMemoryBuffer(8, &buffer));
    ASSERT_HRESULT_SUCCEEDED(buffer->SetCurrentLength(8));
    ComPtr<IMFSample> sample;
    ASSERT_HRESULT_SUCCEEDED(MFCreateSample(&sample));
    ASSERT_HRESULT_SUCCEEDED(sample->AddBuffer(buffer.Get()));
    if (c.time) {
      ASSERT_HRESULT_SUCCEEDED(sample->SetSampleTime(10));
    }
    if (c.duration) {
      ASSERT_HRESULT_SUCCEEDED(sample->SetSampleDuration(10));
    }
    EXPECT_EQ(video->ProcessSample(sample.Get()), c.expected);
    EXPECT_TRUE(recorder_.packets().empty());
    EXPECT_TRUE(drain_events(video.Get()).empty());
  }
}

// The bytes are copied only from a buffer whose lock agrees with the length
// it reported; the buffer is unlocked whatever happened.
TEST_F(PacketSinkTest, CopiesOnlyFromABufferThatLocksConsistently) {
  using Behaviour = test::FakeMediaBuffer::Behaviour;
  struct Case {
    const char* name;
    Behaviour behaviour;
    HRESULT expected;
    int unlocks;
  };
  const Case cases[] = {
      {"consistent", {16, false, 16, 16, S_OK, S_OK}, S_OK, 1},
      {"larger maximum", {16, false, 16, 64, S_OK, S_OK}, S_OK, 1},
      {"no pointer", {16, true, 16, 16, S_OK, S_OK}, E_UNEXPECTED, 1},
      {"current length changed", {16, false, 15, 16, S_OK, S_OK}, E_UNEXPECTED, 1},
      {"maximum below length", {16, false, 16, 15, S_OK, S_OK}, E_UNEXPECTED, 1},
      {"unlock fails", {16, false, 16, 16, S_OK, MF_E_INVALIDREQUEST}, MF_E_INVALIDREQUEST, 1},
      {"no pointer and unlock fails", {16, true, 16, 16, S_OK, MF_E_INVALIDREQUEST}, E_UNEXPECTED, 1},
      {"lock fails", {16, false, 16, 16, E_ACCESSDENIED, S_OK}, E_ACCESSDENIED, 0},
  };
  auto video = add_stream(1, make_h264_type().Get());
  size_t accepted = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ComPtr<test::FakeMediaBuffer> buffer;
    // Takes over the new buffer's own reference (MinGW's ComPtr::Attach
    // would add another).
    *buffer.GetAddressOf() = new test::FakeMediaBuffer(c.behaviour);
    ASSERT_EQ(buffer.Get()->AddRef(), 2u);  // the pointer holds the only reference
    ASSERT_EQ(buffer.Get()->Release(), 1u);
    ComPtr<IMFSample> sample;
    ASSERT_HRESULT_SUCCEEDED(MFCreateSample(&sample));
    ASSERT_HRESULT_SUCCEEDED(sample->AddBuffer(buffer.Get()));
    ASSERT_HRESULT_SUCCEEDED(sample->SetSampleTime(0));
    ASSERT_HRESULT_SUCCEEDED(sample->SetSampleDuration(1));

    EXPECT_EQ(video->ProcessSample(sample.Get()), c.expected);
    EXPECT_EQ(buffer->unlocks(), c.unlocks);
    EXPECT_EQ(buffer->locks(), FAILED(c.behaviour.lock_result) ? 0 : 1);
    if (c.expected == S_OK) ++accepted;
    const auto packets = recorder_.packets();
    ASSERT_EQ(packets.size(), accepted);
    if (c.expected == S_OK) {
      EXPECT_EQ(packets.back()->data, std::vector<uint8_t>(16, 0x5A));
    }
    EXPECT_EQ(drain_events(video.Get()).size(), c.expected == S_OK ? 1u : 0u);
  }
}

TEST_F(PacketSinkTest, MarkerCarriesTheCallersContext) {
  auto video = add_stream(1, make_h264_type().Get());
  PROPVARIANT context;
  PropVariantInit(&context);
  context.vt = VT_UI4;
  context.ulVal = 1234;
  ASSERT_HRESULT_SUCCEEDED(video->PlaceMarker(MFSTREAMSINK_MARKER_ENDOFSEGMENT, nullptr, &context));
  ComPtr<IMFMediaEvent> event;
  ASSERT_HRESULT_SUCCEEDED(video->GetEvent(MF_EVENT_FLAG_NO_WAIT, &event));
  MediaEventType type = MEUnknown;
  ASSERT_HRESULT_SUCCEEDED(event->GetType(&type));
  EXPECT_EQ(type, MEStreamSinkMarker);
  PROPVARIANT value;
  PropVariantInit(&value);
  ASSERT_HRESULT_SUCCEEDED(event->GetValue(&value));
  EXPECT_EQ(value.vt, VT_UI4);
  EXPECT_EQ(value.ulVal, 1234u);
  PropVariantClear(&value);
  EXPECT_HRESULT_SUCCEEDED(video->Flush());
}

TEST_F(PacketSinkTest, EverythingAfterShutdownIsRefused) {
  auto video = add_stream(1, make_h264_type().Get());
  ASSERT_HRESULT_SUCCEEDED(sink_->Shutdown());

  ComPtr<IMFStreamSink> stream;
  DWORD count = 0;
  ComPtr<IMFPresentationClock> clock;
  ComPtr<IMFMediaSink> owner;
  EXPECT_EQ(sink_->AddStreamSink(2, make_aac_type().Get(), &stream), kErrorShutdown);
  EXPECT_EQ(sink_->GetStreamSinkCount(&count), kErrorShutdown);
  EXPECT_EQ(sink_->GetStreamSinkByIndex(0, &stream), kErrorShutdown);
  EXPECT_EQ(sink_->GetStreamSinkById(1, &stream), kErrorShutdown);
  EXPECT_EQ(sink_->SetPresentationClock(nullptr), kErrorShutdown);
  EXPECT_EQ(sink_->GetPresentationClock(&clock), kErrorShutdown);
  EXPECT_EQ(sink_->start_streams(), kErrorShutdown);
  EXPECT_EQ(video->ProcessSample(make_sample(test::plain(pattern_bytes(8), 0, 1)).Get()), kErrorShutdown);
  EXPECT_EQ(video->GetMediaSink(&owner), kErrorShutdown);
  EXPECT_EQ(sink_->Shutdown(), kErrorShutdown);
  EXPECT_TRUE(recorder_.packets().empty());
}

TEST_F(PacketSinkTest, ShutdownLetsGoOfTheCallback) {
  auto held = std::make_shared<int>(0);
  ComPtr<PacketSink> sink;
  ASSERT_HRESULT_SUCCEEDED(PacketSink::create(
      [held](std::shared_ptr<const EncodedPacket>) { return S_OK; }, sink));
  ComPtr<IMFStreamSink> stream;
  ASSERT_HRESULT_SUCCEEDED(sink->AddStreamSink(1, make_h264_type().Get(), &stream));
  EXPECT_EQ(held.use_count(), 3);  // ours, the sink's, the stream's
  ASSERT_HRESULT_SUCCEEDED(sink->Shutdown());
  EXPECT_EQ(held.use_count(), 1);
}

// The references `object` has besides none of ours.
ULONG reference_count(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

TEST_F(PacketSinkTest, AfterShutdownOnlyTheCallersReferencesRemain) {
  ComPtr<PacketSink> sink;
  ASSERT_HRESULT_SUCCEEDED(
      PacketSink::create([](std::shared_ptr<const EncodedPacket>) { return S_OK; }, sink));
  EXPECT_EQ(reference_count(static_cast<IMFMediaSink*>(sink.Get())), 1u);
  ComPtr<IMFStreamSink> stream;
  ASSERT_HRESULT_SUCCEEDED(sink->AddStreamSink(1, make_h264_type().Get(), &stream));
  EXPECT_EQ(reference_count(stream.Get()), 2u);  // ours, the sink's
  EXPECT_EQ(reference_count(static_cast<IMFMediaSink*>(sink.Get())), 2u);  // ours, the stream's
  ASSERT_HRESULT_SUCCEEDED(sink->Shutdown());
  // Our releases are the last ones: nothing of a finished recording stays.
  EXPECT_EQ(reference_count(stream.Get()), 1u);
  EXPECT_EQ(reference_count(static_cast<IMFMediaSink*>(sink.Get())), 1u);
}

// The same sink driven by the platform's own sink writer.
class PlatformSinkWriterTest : public PacketSinkTest {
 protected:
  ComPtr<IMFSinkWriter> make_writer() {
    ComPtr<IMFSinkWriter> writer;
    EXPECT_HRESULT_SUCCEEDED(MFCreateSinkWriterFromMediaSink(sink_.Get(), nullptr, &writer));
    return writer;
  }
};

TEST_F(PlatformSinkWriterTest, WrittenSamplesArriveAsPackets) {
  auto writer = make_writer();
  ASSERT_TRUE(writer);
  DWORD video = 99;
  ASSERT_HRESULT_SUCCEEDED(writer->AddStream(make_h264_type().Get(), &video));
  DWORD count = 0;
  ASSERT_HRESULT_SUCCEEDED(sink_->GetStreamSinkCount(&count));
  EXPECT_EQ(count, 1u);
  ASSERT_HRESULT_SUCCEEDED(writer->BeginWriting());
  // The sink does not register with the writer's clock, so whoever begins
  // writing also starts the streams, as the recording writer does.
  ASSERT_HRESULT_SUCCEEDED(sink_->start_streams());

  const SampleSpec specs[] = {
      {pattern_bytes(500, 1), 0, 166'667, {}, 1u, {}},
      {pattern_bytes(120, 2), 166'667, 166'667, {}, 0u, {}},
      {pattern_bytes(130, 3), 333'334, 166'667, {}, 0u, {}},
  };
  for (const auto& spec : specs) ASSERT_HRESULT_SUCCEEDED(writer->WriteSample(video, make_sample(spec).Get()));
  ASSERT_TRUE(recorder_.wait_for(3));
  const auto packets = recorder_.packets();
  ASSERT_EQ(packets.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(packets[i]->stream_index, 0u);
    EXPECT_EQ(packets[i]->data, specs[i].bytes);
    EXPECT_EQ(packets[i]->sample_time, specs[i].time);
    EXPECT_EQ(packets[i]->keyframe, i == 0);
  }
}

}  // namespace
}  // namespace quorvel::windows
