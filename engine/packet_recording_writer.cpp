#include "engine/packet_recording_writer.h"

#include <mfapi.h>

#include <mutex>
#include <new>
#include <utility>

#include "engine/packet_sink.h"

namespace quorvel::windows {

using Microsoft::WRL::ComPtr;

struct PacketRecordingWriter::State {
  ~State() {
    // The sink writer goes first; shutting the sink down then drops the
    // streams' copies of the fan-out, which points at this state.
    encoding_writer.Reset();
    if (sink) sink->Shutdown();
    // Finishing the queue finalizes the file if that has not happened yet;
    // finish() has reported the queue's result, a destructor has no one to
    // report to.
    static_cast<void>(PacketWriteQueue::stop(queue));
    mp4.reset();
    sink.Reset();
  }

  HRESULT fan_out(const std::shared_ptr<const EncodedPacket>& packet);

  ComPtr<IMFSinkWriter> encoding_writer;
  ComPtr<PacketSink> sink;
  std::shared_ptr<Mp4PacketOutput> mp4;
  std::unique_ptr<PacketWriteQueue> queue;
  PacketCallback live_callback;

  mutable std::mutex mutex;
  // The counters and results of the fan-out; the file queue's part is added
  // when the statistics are read.
  PacketWriterStats counts;
  bool finished = false;
  bool file_optional = false;
};

namespace {

void keep_first_failure(HRESULT& kept, HRESULT result) {
  if (SUCCEEDED(kept) && FAILED(result)) kept = result;
}

}  // namespace

HRESULT PacketRecordingWriter::State::fan_out(const std::shared_ptr<const EncodedPacket>& packet) {
  if (!packet) return E_POINTER;
  HRESULT file_result = S_OK;
  HRESULT live_outcome = S_OK;
  try {
    if (queue) file_result = queue->enqueue(packet);
    if (live_callback) live_outcome = live_callback(packet);
  } catch (const std::bad_alloc&) {
    live_outcome = E_OUTOFMEMORY;
  } catch (...) {
    live_outcome = E_UNEXPECTED;
  }

  std::lock_guard lock(mutex);
  keep_first_failure(counts.live_result, live_outcome);
  // S_FALSE from the live side (a packet it did not take) is no failure: the
  // packet is counted and the answer passed on.
  HRESULT result = S_OK;
  if (!file_optional) {
    result = FAILED(file_result) ? file_result : live_outcome;
    if (FAILED(result)) {
      keep_first_failure(counts.writer_result, result);
      return result;
    }
  }

  if (packet->format && packet->format->kind == EncodedStreamFormat::kAacAudio) {
    ++counts.audio_packets;
  } else {
    ++counts.video_packets;
    if (counts.encoded_width == 0 && packet->format) {
      ComPtr<IMFMediaType> type;
      if (SUCCEEDED(packet->format->copy_media_type(&type))) {
        UINT32 width = 0, height = 0, numerator = 0, denominator = 0;
        MFGetAttributeSize(type.Get(), MF_MT_FRAME_SIZE, &width, &height);
        MFGetAttributeRatio(type.Get(), MF_MT_FRAME_RATE, &numerator, &denominator);
        if (width && height && numerator && denominator) {
          counts.encoded_width = width;
          counts.encoded_height = height;
          counts.frame_rate_numerator = numerator;
          counts.frame_rate_denominator = denominator;
        }
      }
    }
  }
  counts.packet_bytes += packet->data.size();
  return result;
}

PacketRecordingWriter::PacketRecordingWriter(std::unique_ptr<State> state) : state_(std::move(state)) {}

PacketRecordingWriter::~PacketRecordingWriter() = default;

HRESULT PacketRecordingWriter::create(const std::filesystem::path& path, IMFAttributes* attributes,
                                      std::unique_ptr<PacketRecordingWriter>& out,
                                      PacketCallback live_callback, bool file_optional,
                                      uint64_t min_free_disk_bytes,
                                      const PacketWriterPlatform& platform) {
  if (path.empty() && !live_callback) return E_INVALIDARG;
  if (file_optional && (path.empty() || !live_callback)) return E_INVALIDARG;
  try {
    auto state = std::make_unique<State>();
    state->live_callback = std::move(live_callback);
    state->file_optional = file_optional;

    if (!path.empty()) {
      auto mp4 = std::make_shared<Mp4PacketOutput>(path, min_free_disk_bytes, platform.sink_writers,
                                                   platform.disk);
      state->mp4 = mp4;
      state->queue = PacketWriteQueue::create(
          [mp4](std::shared_ptr<const EncodedPacket> packet) { return mp4->write_packet(packet); },
          [mp4] { return mp4->finalize(); }, kFileQueueLimits, platform.queue_clock);
    }

    State* raw = state.get();
    HRESULT hr = PacketSink::create(
        [raw](std::shared_ptr<const EncodedPacket> packet) { return raw->fan_out(packet); },
        state->sink);
    if (FAILED(hr)) return E_OUTOFMEMORY;

    hr = platform.sink_writers.encoding_writer(state->sink.Get(), attributes, &state->encoding_writer);
    // On failure the state's destructor takes down what was made so far.
    if (FAILED(hr)) return hr;
    if (!state->encoding_writer) return E_UNEXPECTED;

    out.reset(new PacketRecordingWriter(std::move(state)));
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT PacketRecordingWriter::add_stream(IMFMediaType* type, DWORD* index) {
  if (!type || !index) return E_POINTER;
  try {
    std::shared_ptr<EncodedStreamFormat> format;
    HRESULT hr = EncodedStreamFormat::create(type, format);
    if (FAILED(hr)) return hr;
    DWORD added = 0;
    hr = state_->encoding_writer->AddStream(type, &added);
    if (FAILED(hr)) return hr;
    if (state_->mp4) {
      hr = state_->mp4->add_stream_format(std::move(format), added);
      if (FAILED(hr)) return hr;
    }
    *index = added;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT PacketRecordingWriter::set_input_type(DWORD index, IMFMediaType* type,
                                              IMFAttributes* encoding_parameters) {
  return state_->encoding_writer->SetInputMediaType(index, type, encoding_parameters);
}

HRESULT PacketRecordingWriter::begin_writing() {
  const HRESULT hr = state_->encoding_writer->BeginWriting();
  if (FAILED(hr)) return hr;
  return state_->sink->start_streams();
}

HRESULT PacketRecordingWriter::write_sample(DWORD index, IMFSample* sample) {
  const HRESULT kept = stats().writer_result;
  if (FAILED(kept)) return kept;
  return state_->encoding_writer->WriteSample(index, sample);
}

HRESULT PacketRecordingWriter::finish() {
  bool already_finished = false;
  {
    std::lock_guard lock(state_->mutex);
    already_finished = std::exchange(state_->finished, true);
  }
  if (already_finished) return stats().writer_result;

  // The encoders' last packets pass through the fan-out during Finalize, so
  // the file queue is finished only after it.
  const HRESULT finalized = state_->encoding_writer->Finalize();
  const HRESULT queue_result = state_->queue ? state_->queue->finish() : S_OK;
  std::lock_guard lock(state_->mutex);
  if (SUCCEEDED(state_->counts.writer_result)) {
    if (FAILED(finalized)) {
      state_->counts.writer_result = finalized;
    } else {
      state_->counts.writer_result = state_->file_optional ? S_OK : queue_result;
    }
  }
  return state_->counts.writer_result;
}

PacketWriterStats PacketRecordingWriter::stats() const {
  std::lock_guard lock(state_->mutex);
  PacketWriterStats stats = state_->counts;
  if (state_->queue) {
    const PacketQueueStats queue = state_->queue->stats();
    stats.file_result = queue.status;
    stats.file_queue_bytes = queue.queued_bytes;
    stats.file_queue_peak_bytes = queue.peak_bytes;
    if (!state_->file_optional) keep_first_failure(stats.writer_result, queue.status);
  }
  return stats;
}

void PacketRecordingWriter::fail(HRESULT code) {
  if (state_->queue) state_->queue->fail(code);
}

HRESULT PacketRecordingWriter::fan_out_packet(std::shared_ptr<const EncodedPacket> packet) {
  return state_->fan_out(packet);
}

}  // namespace quorvel::windows
