// Throughput of the packet write queue into a real file: many small packets
// (audio-frame sized) and fewer 1 MiB packets (large key frames), with the
// queue's own limits, beside a plain WriteFile loop over the same packets.
// The producer waits for room while the queue is at its limits (woken by
// the writes, not spinning), as an encoder feeding a slower disk would see
// packets refused otherwise. Prints "name value unit" lines; MB is
// 1,000,000 bytes.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
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

using Packets = std::vector<std::shared_ptr<const EncodedPacket>>;

Packets make_packets(size_t count, size_t size) {
  Packets packets;
  packets.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    auto packet = std::make_shared<EncodedPacket>();
    packet->data.assign(size, static_cast<uint8_t>(i));
    packet->sample_time = static_cast<int64_t>(i);
    packets.push_back(std::move(packet));
  }
  return packets;
}

HRESULT write_packet(HANDLE file, const EncodedPacket& packet) {
  DWORD written = 0;
  if (!WriteFile(file, packet.data.data(), static_cast<DWORD>(packet.data.size()), &written,
                 nullptr) ||
      written != packet.data.size()) {
    return HRESULT_FROM_WIN32(GetLastError());
  }
  return S_OK;
}

HRESULT flush_file(HANDLE file) {
  return FlushFileBuffers(file) ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

UniqueFile create_file(const std::filesystem::path& path) {
  return UniqueFile(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_TEMPORARY, nullptr));
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

Figures figures_of(size_t count, size_t size, double seconds, HRESULT status) {
  return Figures{count / seconds, static_cast<double>(count) * size / seconds / 1e6, status};
}

// The floor: the same packets written one WriteFile each on this thread.
Figures run_plain(const std::filesystem::path& path, size_t count, size_t size) {
  const Packets packets = make_packets(count, size);
  UniqueFile file = create_file(path);
  if (!file) return Figures{0, 0, HRESULT_FROM_WIN32(GetLastError())};
  const auto start = std::chrono::steady_clock::now();
  HRESULT status = S_OK;
  for (const auto& packet : packets) {
    status = write_packet(file.get(), *packet);
    if (FAILED(status)) break;
  }
  if (SUCCEEDED(status)) status = flush_file(file.get());
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return figures_of(count, size, seconds, status);
}

Figures run_queue(const std::filesystem::path& path, size_t count, size_t size) {
  // The packets exist before the clock starts: only the queue and the file
  // are measured.
  const Packets packets = make_packets(count, size);
  UniqueFile file = create_file(path);
  if (!file) return Figures{0, 0, HRESULT_FROM_WIN32(GetLastError())};

  // While the queue is full the producer sleeps on `room` until everything
  // it enqueued so far was written; the last of those writes wakes it, and
  // the queue settles that batch a moment later. No write pays for a wake-up
  // the producer does not wait for.
  std::mutex room_mutex;
  std::condition_variable room;
  std::atomic<uint64_t> written{0};
  std::atomic<uint64_t> wake_at{UINT64_MAX};
  const PacketQueueLimits limits{};
  auto queue = PacketWriteQueue::create(
      [&](std::shared_ptr<const EncodedPacket> packet) -> HRESULT {
        const HRESULT result = write_packet(file.get(), *packet);
        if (++written >= wake_at.load()) {
          std::lock_guard lock(room_mutex);
          room.notify_one();
        }
        return result;
      },
      [&file]() -> HRESULT { return flush_file(file.get()); }, limits);

  const auto start = std::chrono::steady_clock::now();
  HRESULT status = S_OK;
  auto has_room = [&](const EncodedPacket& packet) {
    const auto stats = queue->stats();
    return stats.queued_packets < limits.max_packets &&
           stats.queued_bytes + packet.data.size() <= limits.max_bytes;
  };
  uint64_t enqueued = 0;
  for (const auto& packet : packets) {
    if (!has_room(*packet)) {
      {
        std::unique_lock lock(room_mutex);
        wake_at.store(enqueued);
        room.wait(lock, [&] { return written.load() >= enqueued; });
        wake_at.store(UINT64_MAX);
      }
      // Everything is written; only the settling of the batch is left.
      while (!has_room(*packet)) std::this_thread::yield();
    }
    status = queue->enqueue(packet);
    if (FAILED(status)) break;
    ++enqueued;
  }
  const HRESULT finished = queue->finish();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (SUCCEEDED(status)) status = finished;
  return figures_of(count, size, seconds, status);
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
  // Each figure is the median of three runs, the plain loop and the queue
  // taking turns, so that the file system's state favours neither.
  constexpr int kRuns = 3;
  int exit_code = 0;
  for (const auto& subject : subjects) {
    std::vector<double> plain_rates;
    std::vector<double> queue_rates;
    std::vector<double> queue_throughputs;
    HRESULT failure = S_OK;
    for (int run = 0; run < kRuns; ++run) {
      std::error_code ignored;
      const Figures queued = run_queue(path, subject.count, subject.size);
      std::filesystem::remove(path, ignored);
      const Figures plain = run_plain(path, subject.count, subject.size);
      std::filesystem::remove(path, ignored);
      if (FAILED(queued.status)) failure = queued.status;
      if (FAILED(plain.status)) failure = plain.status;
      plain_rates.push_back(plain.packets_per_second);
      queue_rates.push_back(queued.packets_per_second);
      queue_throughputs.push_back(queued.megabytes_per_second);
    }
    if (FAILED(failure)) {
      std::printf("queue_%s_status 0x%08lX hresult\n", subject.name,
                  static_cast<unsigned long>(failure));
      exit_code = 1;
      continue;
    }
    const double queue_rate = median(queue_rates);
    const double plain_rate = median(plain_rates);
    std::printf("queue_%s_packets %.0f packets/s\n", subject.name, queue_rate);
    std::printf("queue_%s_throughput %.1f MB/s\n", subject.name, median(queue_throughputs));
    std::printf("queue_%s_plain_writefile_packets %.0f packets/s\n", subject.name, plain_rate);
    std::printf("queue_%s_vs_plain_writefile %.2f ratio\n", subject.name, queue_rate / plain_rate);
  }
  return exit_code;
}
