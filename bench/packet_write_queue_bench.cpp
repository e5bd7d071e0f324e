// Throughput of the packet write queue into a real file: many small packets
// (audio-frame sized) and fewer 1 MiB packets (large key frames), with the
// queue's own limits. The producer backs off while the queue is near its
// limits, as an encoder feeding a slower disk would see packets refused
// otherwise. Prints "name value unit" lines; MB is 1,000,000 bytes.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/encoded_packet.h"
#include "engine/packet_write_queue.h"
#include "engine/unique_handle.h"

namespace {

using quorvel::windows::EncodedPacket;
using quorvel::windows::PacketQueueLimits;
using quorvel::windows::PacketWriteQueue;
using quorvel::windows::UniqueFile;

struct Figures {
  double packets_per_second = 0;
  double megabytes_per_second = 0;
  HRESULT status = S_OK;
};

Figures run(const std::filesystem::path& path, size_t count, size_t size) {
  // The packets exist before the clock starts: only the queue and the file
  // are measured.
  std::vector<std::shared_ptr<const EncodedPacket>> packets;
  packets.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    auto packet = std::make_shared<EncodedPacket>();
    packet->data.assign(size, static_cast<uint8_t>(i));
    packet->sample_time = static_cast<int64_t>(i);
    packets.push_back(std::move(packet));
  }

  UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY, nullptr));
  if (!file) return Figures{0, 0, HRESULT_FROM_WIN32(GetLastError())};

  const PacketQueueLimits limits{};
  auto queue = PacketWriteQueue::create(
      [&file](std::shared_ptr<const EncodedPacket> packet) -> HRESULT {
        DWORD written = 0;
        if (!WriteFile(file.get(), packet->data.data(), static_cast<DWORD>(packet->data.size()), &written,
                       nullptr) ||
            written != packet->data.size()) {
          return HRESULT_FROM_WIN32(GetLastError());
        }
        return S_OK;
      },
      [&file]() -> HRESULT { return FlushFileBuffers(file.get()) ? S_OK : HRESULT_FROM_WIN32(GetLastError()); },
      limits);

  const auto start = std::chrono::steady_clock::now();
  HRESULT status = S_OK;
  for (const auto& packet : packets) {
    for (;;) {
      const auto stats = queue->stats();
      if (stats.queued_packets < limits.max_packets &&
          stats.queued_bytes + packet->data.size() <= limits.max_bytes) {
        break;
      }
      std::this_thread::yield();
    }
    status = queue->enqueue(packet);
    if (FAILED(status)) break;
  }
  const HRESULT finished = queue->finish();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (SUCCEEDED(status)) status = finished;
  return Figures{count / seconds, static_cast<double>(count) * size / seconds / 1e6, status};
}

}  // namespace

int main() {
  const auto folder = std::filesystem::temp_directory_path();
  const auto path = folder / ("quorvel-queue-bench-" + std::to_string(GetCurrentProcessId()) + ".bin");

  struct Subject {
    const char* name;
    size_t count;
    size_t size;
  };
  const Subject subjects[] = {
      {"small_512b", 100'000, 512},
      {"large_1mib", 1'000, 1 << 20},
  };
  int exit_code = 0;
  for (const auto& subject : subjects) {
    const Figures figures = run(path, subject.count, subject.size);
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    if (FAILED(figures.status)) {
      std::printf("queue_%s_status 0x%08lX hresult\n", subject.name, static_cast<unsigned long>(figures.status));
      exit_code = 1;
      continue;
    }
    std::printf("queue_%s_packets %.0f packets/s\n", subject.name, figures.packets_per_second);
    std::printf("queue_%s_throughput %.1f MB/s\n", subject.name, figures.megabytes_per_second);
  }
  return exit_code;
}
