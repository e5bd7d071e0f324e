#include "engine/mp4_packet_output.h"

#include <mfapi.h>

#include <cstring>
#include <utility>

#include "engine/engine_errors.h"
#include "engine/free_disk_space.h"
#include "engine/media_foundation_library.h"

namespace quorvel::windows {

using Microsoft::WRL::ComPtr;


Mp4PacketOutput::Mp4PacketOutput(std::filesystem::path path, uint64_t min_free_disk_bytes,
                                 SinkWriterFactory factory, DiskSpaceProbe probe)
    : path_(path.wstring()),
      min_free_disk_bytes_(min_free_disk_bytes),
      factory_(std::move(factory)),
      probe_(std::move(probe)),
      clock_(probe_.clock ? probe_.clock : make_steady_clock()) {}

Mp4PacketOutput::~Mp4PacketOutput() = default;

HRESULT Mp4PacketOutput::add_stream_format(std::shared_ptr<EncodedStreamFormat> format, uint32_t index) {
  if (!format) return E_POINTER;
  try {
    std::lock_guard lock(mutex_);
    if (open_attempted_ || finalized_ || file_writer_ || index != formats_.size()) {
      return kErrorInvalidRequest;
    }
    formats_.push_back(std::move(format));
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT Mp4PacketOutput::write_packet(const std::shared_ptr<const EncodedPacket>& packet) {
  if (!packet) return E_POINTER;
  try {
    std::lock_guard lock(mutex_);
    if (FAILED(result_)) return result_;

    HRESULT hr = check_free_space_locked();
    if (FAILED(hr)) return hr;

    if (finalized_ || packet->stream_index >= formats_.size()) return kErrorInvalidRequest;

    if (!file_writer_) {
      // The file's first stream takes the format its first packet carries:
      // the encoder may have completed its type (sequence header) by then.
      formats_[packet->stream_index] = packet->format;
      hr = open_locked();
      if (FAILED(hr)) {
        result_ = hr;
        return hr;
      }
    }

    hr = write_sample_locked(*packet);
    if (FAILED(hr)) result_ = hr;
    return hr;
  } catch (const std::bad_alloc&) {
    std::lock_guard lock(mutex_);
    if (SUCCEEDED(result_)) result_ = E_OUTOFMEMORY;
    return result_;
  }
}

HRESULT Mp4PacketOutput::check_free_space_locked() {
  if (min_free_disk_bytes_ == 0) return S_OK;
  const int64_t now = clock_->now();
  if (now < next_free_space_check_ns_) return S_OK;
  next_free_space_check_ns_ = now + static_cast<int64_t>(kFreeSpaceCheckIntervalMs) * 1'000'000;

  const std::wstring folder = free_space_folder(path_);
  const wchar_t* folder_name = folder.empty() ? nullptr : folder.c_str();
  uint64_t free_bytes = 0;
  const HRESULT hr = probe_.free_bytes ? probe_.free_bytes(folder_name, free_bytes)
                                       : query_free_disk_bytes(folder_name, free_bytes);
  // A volume we cannot ask about is written to anyway; the writes themselves
  // will fail if it is really full.
  if (SUCCEEDED(hr) && free_bytes < min_free_disk_bytes_) {
    result_ = kErrorDiskFull;
    return result_;
  }
  return S_OK;
}

HRESULT Mp4PacketOutput::open_locked() {
  open_attempted_ = true;
  ComPtr<IMFAttributes> attributes;
  HRESULT hr = media_foundation().create_attributes(&attributes, 2);
  if (FAILED(hr)) return hr;
  // The packets are already encoded: no converter may touch them.
  hr = attributes->SetUINT32(MF_READWRITE_DISABLE_CONVERTERS, TRUE);
  if (FAILED(hr)) return hr;
  // The writer may make our worker wait for the file sink; the queue in
  // front of it absorbs that without holding up the encoders.
  hr = attributes->SetUINT32(MF_SINK_WRITER_DISABLE_THROTTLING, FALSE);
  if (FAILED(hr)) return hr;

  ComPtr<IMFSinkWriter> writer;
  hr = factory_.file_writer(path_, attributes.Get(), &writer);
  if (FAILED(hr)) return hr;
  if (!writer) return E_UNEXPECTED;

  std::vector<DWORD> indices;
  indices.reserve(formats_.size());
  for (const auto& format : formats_) {
    ComPtr<IMFMediaType> type;
    hr = format->copy_media_type(&type);
    if (FAILED(hr)) return hr;
    DWORD index = 0;
    hr = writer->AddStream(type.Get(), &index);
    if (FAILED(hr)) return hr;
    hr = writer->SetInputMediaType(index, type.Get(), nullptr);
    if (FAILED(hr)) return hr;
    indices.push_back(index);
  }
  hr = writer->BeginWriting();
  if (FAILED(hr)) return hr;

  file_stream_indices_ = std::move(indices);
  file_writer_ = std::move(writer);
  return S_OK;
}

HRESULT Mp4PacketOutput::write_sample_locked(const EncodedPacket& packet) {
  const DWORD size = static_cast<DWORD>(packet.data.size());
  ComPtr<IMFMediaBuffer> buffer;
  HRESULT hr = media_foundation().create_memory_buffer(size, &buffer);
  if (FAILED(hr)) return hr;
  BYTE* bytes = nullptr;
  hr = buffer->Lock(&bytes, nullptr, nullptr);
  if (FAILED(hr)) return hr;
  if (size != 0) std::memcpy(bytes, packet.data.data(), size);
  hr = buffer->Unlock();
  if (FAILED(hr)) return hr;
  hr = buffer->SetCurrentLength(size);
  if (FAILED(hr)) return hr;

  ComPtr<IMFSample> sample;
  hr = media_foundation().create_sample(&sample);
  if (FAILED(hr)) return hr;
  hr = sample->AddBuffer(buffer.Get());
  if (FAILED(hr)) return hr;
  hr = sample->SetSampleTime(packet.sample_time);
  if (FAILED(hr)) return hr;
  hr = sample->SetSampleDuration(packet.duration);
  if (FAILED(hr)) return hr;
  if (packet.decode_time) {
    hr = sample->SetUINT64(MFSampleExtension_DecodeTimestamp, static_cast<UINT64>(*packet.decode_time));
    if (FAILED(hr)) return hr;
  }
  hr = sample->SetUINT32(MFSampleExtension_CleanPoint, packet.keyframe ? 1 : 0);
  if (FAILED(hr)) return hr;
  hr = sample->SetUINT32(MFSampleExtension_Discontinuity, packet.discontinuity ? 1 : 0);
  if (FAILED(hr)) return hr;

  return file_writer_->WriteSample(file_stream_indices_[packet.stream_index], sample.Get());
}

HRESULT Mp4PacketOutput::finalize() {
  ComPtr<IMFSinkWriter> writer;
  HRESULT result;
  {
    std::lock_guard lock(mutex_);
    if (finalized_) return result_;
    finalized_ = true;
    const HRESULT hr = file_writer_ ? file_writer_->Finalize() : kErrorInvalidRequest;
    if (SUCCEEDED(result_)) result_ = hr;
    writer.Swap(file_writer_);
    result = result_;
  }
  return result;
}

HRESULT Mp4PacketOutput::result() const {
  std::lock_guard lock(mutex_);
  return result_;
}

}  // namespace quorvel::windows
