#include "engine/packet_write_queue.h"

#include <objbase.h>

#include <new>
#include <system_error>
#include <utility>

#include "engine/com_apartment.h"
#include "engine/engine_errors.h"
#include "engine/exception_guard.h"

namespace quorvel::windows {

PacketWriteQueue::PacketWriteQueue(PacketCallback packet_function,
                                   CompletionFunction completion_function, PacketQueueLimits limits,
                                   std::shared_ptr<Clock> clock)
    : packet_function_(std::move(packet_function)),
      completion_function_(std::move(completion_function)),
      limits_(limits),
      clock_(clock ? std::move(clock) : make_steady_clock()) {}

std::unique_ptr<PacketWriteQueue> PacketWriteQueue::create(PacketCallback packet_function,
                                                           CompletionFunction completion_function,
                                                           PacketQueueLimits limits,
                                                           std::shared_ptr<Clock> clock) {
  std::unique_ptr<PacketWriteQueue> queue(new PacketWriteQueue(
      std::move(packet_function), std::move(completion_function), limits, std::move(clock)));
  queue->worker_ = std::thread([raw = queue.get()] { raw->run(); });
  return queue;
}

HRESULT PacketWriteQueue::stop(std::unique_ptr<PacketWriteQueue>& queue) {
  if (!queue) return S_OK;
  const HRESULT status = queue->finish();
  queue.reset();
  return status;
}

PacketWriteQueue::~PacketWriteQueue() {
  // The worker uses this object until it ends, so it is always joined first.
  // Its result is the owner's to read before destroying; here it has no one
  // to go to.
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) {
    static_cast<void>(finish());
  }
}

bool PacketWriteQueue::too_old(int64_t now, int64_t enqueued) const {
  // Exactly the limit is still young enough.
  return now - enqueued > static_cast<int64_t>(limits_.max_age_ms) * 1'000'000;
}

HRESULT PacketWriteQueue::enqueue(std::shared_ptr<const EncodedPacket> packet) {
  if (!packet) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (FAILED(status_)) return status_;
  if (stop_) return kErrorShutdown;

  const int64_t now = clock_->now();
  const int64_t oldest =
      in_flight_ ? in_flight_enqueued_.load(std::memory_order_relaxed)
                 : (!fifo_.empty() ? fifo_.front().enqueued : now);
  const uint64_t size = packet->data.size();
  const bool fits = size <= limits_.max_bytes && queued_bytes_ + size <= limits_.max_bytes &&
                    queued_packets_ < limits_.max_packets && !too_old(now, oldest);
  if (!fits) {
    fail_locked(kErrorQueueTimeout);
    return status_;
  }
  try {
    fifo_.push_back(Entry{std::move(packet), now});
  } catch (const std::bad_alloc&) {
    fail_locked(E_OUTOFMEMORY);
    return E_OUTOFMEMORY;
  }
  queued_bytes_ += size;
  ++queued_packets_;
  if (queued_bytes_ > peak_bytes_) peak_bytes_ = queued_bytes_;
  // A worker busy with a batch comes back for this one by itself.
  if (worker_waiting_) wake_.notify_one();
  return S_OK;
}

void PacketWriteQueue::fail(HRESULT code) {
  std::lock_guard lock(mutex_);
  fail_locked(code);
}

void PacketWriteQueue::fail_locked(HRESULT code) {
  if (SUCCEEDED(status_)) status_ = FAILED(code) ? code : E_FAIL;
  failed_.store(true);
  fifo_.clear();
  queued_bytes_ = in_flight_ ? in_flight_bytes_ : 0;
  queued_packets_ = in_flight_ ? in_flight_packets_ : 0;
  wake_.notify_all();
}

HRESULT PacketWriteQueue::finish() {
  {
    std::lock_guard lock(mutex_);
    // The worker's id is read here under the lock, not from worker_, which a
    // concurrent finish may be joining.
    if (worker_id_ == std::this_thread::get_id()) {
      throw std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur));
    }
    stop_ = true;
    wake_.notify_all();
  }
  {
    // Only one caller joins; the others wait here until the worker ended.
    std::lock_guard join_lock(join_mutex_);
    if (!joined_) {
      if (worker_.joinable()) worker_.join();
      joined_ = true;
    }
  }
  std::lock_guard lock(mutex_);
  return status_;
}

PacketQueueStats PacketWriteQueue::stats() const {
  std::lock_guard lock(mutex_);
  return PacketQueueStats{status_, queued_bytes_, peak_bytes_, queued_packets_};
}

HRESULT PacketWriteQueue::write_batch(std::deque<Entry>& batch) {
  for (Entry& entry : batch) {
    // A failure from another thread (or the packet function itself) drops
    // what the batch still holds, as it drops what waits in the FIFO.
    if (failed_.load(std::memory_order_relaxed)) return S_OK;
    if (too_old(clock_->now(), entry.enqueued)) return kErrorQueueTimeout;
    in_flight_enqueued_.store(entry.enqueued, std::memory_order_relaxed);
    const HRESULT written =
        call_guarded([&] { return packet_function_(std::move(entry.packet)); });
    if (FAILED(written)) return written;
  }
  return S_OK;
}

void PacketWriteQueue::run() {
  {
    std::lock_guard lock(mutex_);
    worker_id_ = std::this_thread::get_id();
  }
  const ComApartment com;
  if (FAILED(com.result())) {
    std::lock_guard lock(mutex_);
    fail_locked(com.result());
    return;
  }

  std::deque<Entry> batch;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      worker_waiting_ = true;
      wake_.wait(lock, [this] { return stop_ || FAILED(status_) || !fifo_.empty(); });
      worker_waiting_ = false;
      if (FAILED(status_) || (stop_ && fifo_.empty())) break;
      // Everything queued is the batch; nothing was in flight, so the
      // queued totals are the batch's own. Its packets' ages are checked
      // one by one as their writes come.
      batch.swap(fifo_);
      in_flight_ = true;
      in_flight_bytes_ = queued_bytes_;
      in_flight_packets_ = queued_packets_;
      in_flight_enqueued_.store(batch.front().enqueued, std::memory_order_relaxed);
    }

    const HRESULT written = write_batch(batch);
    // The references of packets left unwritten go without the lock too.
    batch.clear();

    std::lock_guard lock(mutex_);
    queued_bytes_ -= in_flight_bytes_;
    queued_packets_ -= in_flight_packets_;
    in_flight_ = false;
    in_flight_bytes_ = 0;
    in_flight_packets_ = 0;
    if (FAILED(written)) fail_locked(written);
  }

  const HRESULT completed = call_guarded([&] { return completion_function_ ? completion_function_() : S_OK; });
  {
    std::lock_guard lock(mutex_);
    if (FAILED(completed) && SUCCEEDED(status_)) status_ = completed;
    stop_ = true;
  }
}

}  // namespace quorvel::windows
