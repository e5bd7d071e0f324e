// The packet write queue: decouples the encoders from the disk. Producers
// (the encoder output threads, through the recording writer's fan-out)
// enqueue packets; one worker thread of the queue's own hands them, oldest
// first, to a packet function (the MP4 output's write) and, when the queue
// ends, calls a completion function once (the MP4 finalization).
//
// The queue is bounded by bytes, packets and age. Instead of blocking the
// encoders when the disk cannot keep up, it fails as a whole with
// kErrorQueueTimeout and drops what it holds, so the recording and a live
// output can go on without the file. Every failure is final and the first
// one is kept.
//
// Ownership: created and owned by the recording writer. Threads: enqueue,
// fail and stats from any thread; finish from any thread but the worker's.
// The packet and completion functions run on the worker (a COM MTA thread)
// without the queue's lock held.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/clock.h"
#include "engine/encoded_packet.h"

namespace quorvel::windows {

struct PacketQueueLimits {
  uint64_t max_bytes = 67'108'864;  // 64 MiB
  uint64_t max_packets = 4096;
  uint64_t max_age_ms = 5000;
};

struct PacketQueueStats {
  HRESULT status = S_OK;
  uint64_t queued_bytes = 0;  // queued plus the one being written
  uint64_t peak_bytes = 0;
  uint64_t queued_packets = 0;  // queued plus the one being written
};

class PacketWriteQueue {
 public:
  using CompletionFunction = std::function<HRESULT()>;

  // Starts the worker; a thread that cannot be started throws std::system_error.
  // Packet ages are measured on `clock` (null means the steady clock); tests
  // pass their own so the age rules run without waiting.
  static std::unique_ptr<PacketWriteQueue> create(PacketCallback packet_function,
                                                  CompletionFunction completion_function,
                                                  PacketQueueLimits limits,
                                                  std::shared_ptr<Clock> clock = nullptr);

  // Finishes the queue and destroys it.
  [[nodiscard]] static HRESULT stop(std::unique_ptr<PacketWriteQueue>& queue);

  ~PacketWriteQueue();
  PacketWriteQueue(const PacketWriteQueue&) = delete;
  PacketWriteQueue& operator=(const PacketWriteQueue&) = delete;

  // S_OK when taken. Otherwise the kept failure, kErrorShutdown once finish
  // began, or kErrorQueueTimeout when this packet broke a limit (which fails
  // the queue).
  [[nodiscard]] HRESULT enqueue(std::shared_ptr<const EncodedPacket> packet);

  // Fails the queue with `code` (E_FAIL when `code` is not a failure) unless
  // it already failed, and drops what is queued.
  void fail(HRESULT code);

  // Lets the worker drain what is queued, run the completion and end; joins
  // it once and returns the status. Throws std::system_error
  // (resource_deadlock_would_occur) when called from the worker itself.
  [[nodiscard]] HRESULT finish();

  PacketQueueStats stats() const;

 private:
  struct Entry {
    std::shared_ptr<const EncodedPacket> packet;
    int64_t enqueued = 0;  // clock nanoseconds
  };

  PacketWriteQueue(PacketCallback packet_function, CompletionFunction completion_function,
                   PacketQueueLimits limits, std::shared_ptr<Clock> clock);

  void run();
  // Writes the batch in order without the lock; the first failure, with the
  // rest of the batch left unwritten, or S_OK. Each packet's age is checked
  // when its turn comes, so one that waited too long behind slow writes
  // fails the queue with kErrorQueueTimeout instead of being written. A
  // failure of the queue made meanwhile leaves the rest unwritten too.
  HRESULT write_batch(std::deque<Entry>& batch);
  // The caller holds the lock.
  void fail_locked(HRESULT code);
  bool too_old(int64_t now, int64_t enqueued) const;

  const PacketCallback packet_function_;
  const CompletionFunction completion_function_;
  const PacketQueueLimits limits_;
  const std::shared_ptr<Clock> clock_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Entry> fifo_;
  HRESULT status_ = S_OK;
  uint64_t queued_bytes_ = 0;
  uint64_t peak_bytes_ = 0;
  uint64_t queued_packets_ = 0;
  bool stop_ = false;
  // The worker takes everything queued at once and writes it as one batch;
  // the batch still counts as queued until it is settled. Its age is that of
  // the packet being written: the worker moves the enqueue time on before
  // each write without the lock, and enqueue reads it under the lock.
  bool in_flight_ = false;
  uint64_t in_flight_bytes_ = 0;
  uint64_t in_flight_packets_ = 0;
  std::atomic<int64_t> in_flight_enqueued_{0};
  // Set with the failure under the lock; read by the worker between the
  // packets of a batch, so nothing is written after a failure.
  std::atomic<bool> failed_{false};
  // The worker waits for work: only then does an enqueue need to wake it.
  bool worker_waiting_ = false;
  std::thread::id worker_id_;  // set by the worker itself when it starts

  std::mutex join_mutex_;
  bool joined_ = false;
  std::thread worker_;
};

}  // namespace quorvel::windows
