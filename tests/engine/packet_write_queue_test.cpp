#include "engine/packet_write_queue.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "engine/engine_errors.h"
#include "tests/engine/packet_test_support.h"
#include "tests/support/fake_clock.h"

namespace quorvel::windows {
namespace {

using namespace std::chrono_literals;
using test::make_packet;
using test::FakeClock;
using test::Signal;

constexpr PacketQueueLimits kLimits{};

// The worker's side of a queue under test: records what it is given and
// can hold the worker inside the packet function until released.
class Disk {
 public:
  PacketCallback packet_function() {
    return [this](std::shared_ptr<const EncodedPacket> packet) -> HRESULT {
      size_t number = 0;
      {
        std::lock_guard lock(mutex_);
        written_.push_back(packet);
        number = written_.size();
        if (completions_ != 0) completion_before_write_ = true;
      }
      if (number == 1) {
        first_entered_.set();
        release_.wait(60s);
      }
      return number == fail_at_ ? result_of_failure_ : S_OK;
    };
  }
  PacketWriteQueue::CompletionFunction completion_function() {
    return [this]() -> HRESULT {
      std::lock_guard lock(mutex_);
      ++completions_;
      return completion_result_;
    };
  }

  // Keeps the worker inside the first packet until release().
  void hold_first() { release_needed_ = true; }
  void release() { release_.set(); }
  bool wait_first_entered() { return first_entered_.wait(); }
  void fail_at(size_t number, HRESULT result) {
    fail_at_ = number;
    result_of_failure_ = result;
  }
  void fail_completion(HRESULT result) { completion_result_ = result; }

  std::vector<std::shared_ptr<const EncodedPacket>> written() const {
    std::lock_guard lock(mutex_);
    return written_;
  }
  int completions() const {
    std::lock_guard lock(mutex_);
    return completions_;
  }
  bool completion_before_write() const {
    std::lock_guard lock(mutex_);
    return completion_before_write_;
  }

  // Lets a held worker go before the queue joins it, so a failed assertion
  // ends the test instead of leaving the worker parked.
  struct ReleaseThenDelete {
    Disk* disk;
    void operator()(PacketWriteQueue* queue) const {
      disk->release();
      delete queue;
    }
  };
  using Queue = std::unique_ptr<PacketWriteQueue, ReleaseThenDelete>;

  Queue make_queue(std::shared_ptr<FakeClock> clock = nullptr, PacketQueueLimits limits = kLimits) {
    if (!release_needed_) release_.set();
    return Queue(PacketWriteQueue::create(packet_function(), completion_function(), limits,
                                          std::move(clock))
                     .release(),
                 ReleaseThenDelete{this});
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<const EncodedPacket>> written_;
  int completions_ = 0;
  bool completion_before_write_ = false;
  size_t fail_at_ = 0;
  HRESULT result_of_failure_ = S_OK;
  HRESULT completion_result_ = S_OK;
  bool release_needed_ = false;
  Signal first_entered_;
  Signal release_;
};

TEST(PacketWriteQueueTest, FinishWritesEveryQueuedPacketInOrderThenCompletesOnce) {
  Disk disk;
  disk.hold_first();
  auto queue = disk.make_queue();
  std::vector<std::shared_ptr<const EncodedPacket>> sent;
  for (int i = 0; i < 100; ++i) {
    sent.push_back(make_packet(100 + i, 0, {}, i));
    ASSERT_EQ(queue->enqueue(sent.back()), S_OK);
  }
  ASSERT_TRUE(disk.wait_first_entered());
  disk.release();
  EXPECT_EQ(queue->finish(), S_OK);

  const auto written = disk.written();
  ASSERT_EQ(written.size(), 100u);
  for (size_t i = 0; i < written.size(); ++i) EXPECT_EQ(written[i], sent[i]) << i;
  EXPECT_EQ(disk.completions(), 1);
  EXPECT_FALSE(disk.completion_before_write());
  const auto stats = queue->stats();
  EXPECT_EQ(stats.queued_bytes, 0u);
  EXPECT_EQ(stats.queued_packets, 0u);
  EXPECT_EQ(queue->finish(), S_OK);
  EXPECT_EQ(disk.completions(), 1);
}

TEST(PacketWriteQueueTest, ByteLimitCountsThePacketInFlight) {
  Disk disk;
  disk.hold_first();
  auto queue = disk.make_queue();
  ASSERT_EQ(queue->enqueue(make_packet(10'000'000)), S_OK);
  ASSERT_TRUE(disk.wait_first_entered());
  for (int i = 0; i < 11; ++i) ASSERT_EQ(queue->enqueue(make_packet(5'000'000)), S_OK);
  ASSERT_EQ(queue->stats().queued_bytes, 65'000'000u);

  EXPECT_EQ(queue->enqueue(make_packet(3'000'000)), kErrorQueueTimeout);
  auto stats = queue->stats();
  EXPECT_EQ(stats.status, kErrorQueueTimeout);
  EXPECT_EQ(stats.queued_bytes, 10'000'000u);
  EXPECT_EQ(stats.queued_packets, 1u);
  EXPECT_EQ(stats.peak_bytes, 65'000'000u);

  disk.release();
  EXPECT_EQ(queue->finish(), kErrorQueueTimeout);
  EXPECT_EQ(disk.written().size(), 1u);  // the waiting packets were dropped
  EXPECT_EQ(disk.completions(), 1);
  stats = queue->stats();
  EXPECT_EQ(stats.queued_bytes, 0u);
  EXPECT_EQ(stats.queued_packets, 0u);
}

TEST(PacketWriteQueueTest, The4097thPacketFailsTheQueueFarBelowTheByteLimit) {
  Disk disk;
  disk.hold_first();
  auto queue = disk.make_queue();
  for (int i = 0; i < 4096; ++i) ASSERT_EQ(queue->enqueue(make_packet(16)), S_OK) << i;
  EXPECT_EQ(queue->stats().queued_packets, 4096u);
  EXPECT_EQ(queue->enqueue(make_packet(16)), kErrorQueueTimeout);
  disk.release();
  EXPECT_EQ(queue->finish(), kErrorQueueTimeout);
  EXPECT_LE(disk.written().size(), 1u);
}

TEST(PacketWriteQueueTest, APacketMayFillTheWholeByteLimit) {
  struct Case {
    const char* name;
    size_t size;
    HRESULT expected;
  };
  const Case cases[] = {
      {"exactly 64 MiB", 67'108'864, S_OK},
      {"64 MiB + 1", 67'108'865, kErrorQueueTimeout},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Disk disk;
    auto queue = disk.make_queue();
    EXPECT_EQ(queue->enqueue(make_packet(c.size)), c.expected);
    EXPECT_EQ(queue->finish(), c.expected);
    EXPECT_EQ(disk.written().size(), c.expected == S_OK ? 1u : 0u);
    EXPECT_EQ(disk.completions(), 1);
  }
}

TEST(PacketWriteQueueTest, OldestPacketMayBeExactlyFiveSecondsOldAtEnqueue) {
  struct Case {
    const char* name;
    std::chrono::milliseconds age;
    HRESULT expected;
  };
  const Case cases[] = {
      {"4999 ms", 4999ms, S_OK},
      {"exactly 5000 ms", 5000ms, S_OK},
      {"5001 ms", 5001ms, kErrorQueueTimeout},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto clock = std::make_shared<FakeClock>();
    Disk disk;
    disk.hold_first();
    auto queue = disk.make_queue(clock);
    ASSERT_EQ(queue->enqueue(make_packet(10)), S_OK);
    ASSERT_TRUE(disk.wait_first_entered());  // in flight: its age still counts
    clock->advance(std::chrono::nanoseconds(c.age).count());
    EXPECT_EQ(queue->enqueue(make_packet(10)), c.expected);
    disk.release();
    EXPECT_EQ(queue->finish(), c.expected);
  }
}

TEST(PacketWriteQueueTest, WorkerFailsAPacketThatWaitedTooLong) {
  auto clock = std::make_shared<FakeClock>();
  Disk disk;
  disk.hold_first();
  auto queue = disk.make_queue(clock);
  ASSERT_EQ(queue->enqueue(make_packet(10)), S_OK);
  ASSERT_TRUE(disk.wait_first_entered());
  clock->advance(std::chrono::nanoseconds(1000ms).count());
  ASSERT_EQ(queue->enqueue(make_packet(11)), S_OK);
  clock->advance(std::chrono::nanoseconds(5001ms).count());  // the second packet is now 5001 ms old
  disk.release();
  EXPECT_EQ(queue->finish(), kErrorQueueTimeout);
  EXPECT_EQ(disk.written().size(), 1u);
  EXPECT_EQ(disk.completions(), 1);
}

TEST(PacketWriteQueueTest, FailingWriteDropsTheRestButStillCompletesOnce) {
  Disk disk;
  disk.hold_first();
  disk.fail_at(3, E_ACCESSDENIED);
  auto queue = disk.make_queue();
  for (int i = 0; i < 10; ++i) ASSERT_EQ(queue->enqueue(make_packet(50)), S_OK);
  disk.release();
  EXPECT_EQ(queue->finish(), E_ACCESSDENIED);
  EXPECT_EQ(disk.written().size(), 3u);
  EXPECT_EQ(disk.completions(), 1);
  // The kept failure answers later packets, not the "stopped" code.
  EXPECT_EQ(queue->enqueue(make_packet(5)), E_ACCESSDENIED);
  EXPECT_EQ(queue->stats().status, E_ACCESSDENIED);
}

TEST(PacketWriteQueueTest, FirstFailureIsKeptThroughCompletionAndFinish) {
  Disk disk;
  disk.fail_at(1, E_ACCESSDENIED);
  disk.fail_completion(E_FAIL);
  auto queue = disk.make_queue();
  ASSERT_EQ(queue->enqueue(make_packet(5)), S_OK);
  EXPECT_EQ(queue->finish(), E_ACCESSDENIED);
  EXPECT_EQ(queue->finish(), E_ACCESSDENIED);
  EXPECT_EQ(disk.completions(), 1);
}

TEST(PacketWriteQueueTest, FailingCompletionBecomesTheStatus) {
  Disk disk;
  disk.fail_completion(kErrorInvalidRequest);
  auto queue = disk.make_queue();
  EXPECT_EQ(queue->finish(), kErrorInvalidRequest);
  EXPECT_EQ(disk.completions(), 1);
}

TEST(PacketWriteQueueTest, FailKeepsTheFirstCodeAndTurnsSuccessIntoEFail) {
  struct Case {
    const char* name;
    HRESULT first;
    HRESULT second;
    HRESULT kept;
  };
  const Case cases[] = {
      {"failure then another", kErrorDiskFull, E_ABORT, kErrorDiskFull},
      {"success code", S_OK, kErrorDiskFull, E_FAIL},
      {"S_FALSE", S_FALSE, S_OK, E_FAIL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Disk disk;
    auto queue = disk.make_queue();
    queue->fail(c.first);
    queue->fail(c.second);
    EXPECT_EQ(queue->enqueue(make_packet(1)), c.kept);
    EXPECT_EQ(queue->finish(), c.kept);
    EXPECT_EQ(disk.completions(), 1);
  }
}

TEST(PacketWriteQueueTest, FailDropsWhatWaits) {
  Disk disk;
  disk.hold_first();
  auto queue = disk.make_queue();
  ASSERT_EQ(queue->enqueue(make_packet(100)), S_OK);
  ASSERT_TRUE(disk.wait_first_entered());
  auto waiting = make_packet(200);
  std::weak_ptr<const EncodedPacket> watch = waiting;
  ASSERT_EQ(queue->enqueue(std::move(waiting)), S_OK);
  queue->fail(E_ABORT);
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(queue->stats().queued_bytes, 100u);
  disk.release();
  EXPECT_EQ(queue->finish(), E_ABORT);
  EXPECT_EQ(disk.written().size(), 1u);
}

// What the packet function does when the chosen packet of a batch comes.
enum class BatchFault { None, WriteFails, FailCalled, EnqueueFindsBatchTooOld };

struct BatchCase {
  const char* name;
  BatchFault fault;
  size_t at;  // 1 to 4: the packet of the batch that meets the fault
  HRESULT expected;
  size_t written;  // packet function calls in all, the held first one included
};

class BatchFailureTest : public ::testing::TestWithParam<BatchCase> {};

TEST_P(BatchFailureTest, AFailureInsideABatchDropsItsRestAndIsKept) {
  const BatchCase& c = GetParam();
  auto clock = std::make_shared<FakeClock>();
  std::atomic<PacketWriteQueue*> queue_for_worker{nullptr};
  Signal first_entered;
  Signal release;
  Signal fault_met;
  std::mutex mutex;
  std::vector<size_t> sizes;
  std::vector<uint64_t> queued_while_writing;
  int completions = 0;
  auto packet_function = [&](std::shared_ptr<const EncodedPacket> packet) -> HRESULT {
    size_t number = 0;
    {
      std::lock_guard lock(mutex);
      sizes.push_back(packet->data.size());
      number = sizes.size();
    }
    if (number == 1) {
      first_entered.set();
      release.wait(60s);
      return S_OK;
    }
    PacketWriteQueue* queue = queue_for_worker.load();
    {
      std::lock_guard lock(mutex);
      queued_while_writing.push_back(queue->stats().queued_packets);
    }
    if (number != c.at + 1) return S_OK;
    HRESULT result = S_OK;
    switch (c.fault) {
      case BatchFault::WriteFails:
        result = E_ACCESSDENIED;
        break;
      case BatchFault::FailCalled:
        queue->fail(E_ABORT);
        break;
      case BatchFault::EnqueueFindsBatchTooOld:
        // The batch counts with the age of the packet being written, which
        // was enqueued with the rest of the batch.
        clock->advance(std::chrono::nanoseconds(5001ms).count());
        EXPECT_EQ(queue->enqueue(make_packet(6)), kErrorQueueTimeout);
        break;
      case BatchFault::None:
        break;
    }
    fault_met.set();
    return result;
  };
  auto completion = [&]() -> HRESULT {
    std::lock_guard lock(mutex);
    ++completions;
    return S_OK;
  };
  auto queue = PacketWriteQueue::create(packet_function, completion, kLimits, clock);
  queue_for_worker.store(queue.get());

  // The first packet holds the worker while four more queue up behind it;
  // the worker then takes those four as one batch.
  ASSERT_EQ(queue->enqueue(make_packet(1)), S_OK);
  ASSERT_TRUE(first_entered.wait());
  for (size_t size = 2; size <= 5; ++size) ASSERT_EQ(queue->enqueue(make_packet(size)), S_OK);
  release.set();
  // The fault must meet a running queue: finishing first would refuse the
  // enqueue as a shutdown instead.
  if (c.fault != BatchFault::None) ASSERT_TRUE(fault_met.wait());
  EXPECT_EQ(queue->finish(), c.expected);

  std::lock_guard lock(mutex);
  std::vector<size_t> expected_sizes;
  for (size_t size = 1; size <= c.written; ++size) expected_sizes.push_back(size);
  EXPECT_EQ(sizes, expected_sizes);
  // The whole batch counts as queued until it is settled, whatever was
  // written of it (a failure in between leaves it as the in-flight part).
  for (uint64_t queued : queued_while_writing) EXPECT_EQ(queued, 4u);
  EXPECT_EQ(completions, 1);
  const PacketQueueStats stats = queue->stats();
  EXPECT_EQ(stats.status, c.expected);
  EXPECT_EQ(stats.queued_bytes, 0u);
  EXPECT_EQ(stats.queued_packets, 0u);
  EXPECT_EQ(stats.peak_bytes, 1u + 2 + 3 + 4 + 5);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BatchFailureTest,
    ::testing::Values(
        BatchCase{"AllWritten", BatchFault::None, 0, S_OK, 5},
        BatchCase{"FirstOfBatchFails", BatchFault::WriteFails, 1, E_ACCESSDENIED, 2},
        BatchCase{"MiddleOfBatchFails", BatchFault::WriteFails, 2, E_ACCESSDENIED, 3},
        BatchCase{"LastOfBatchFails", BatchFault::WriteFails, 4, E_ACCESSDENIED, 5},
        BatchCase{"FailedFromOutsideInTheMiddle", BatchFault::FailCalled, 2, E_ABORT, 3},
        BatchCase{"EnqueueFindsTheBatchTooOld", BatchFault::EnqueueFindsBatchTooOld, 2,
                  kErrorQueueTimeout, 3}),
    [](const auto& info) { return std::string(info.param.name); });

// Ages inside a batch on a slow disk. A held write keeps two or three
// packets waiting, enqueued at the given times; once released, the worker
// takes them as one batch. Writes are slow: the first packet of the batch
// moves the clock to `first_write_ends_ms`, the second (when that is not 0)
// to `second_write_ends_ms`, where a packet may be enqueued while it is
// being written. Times are milliseconds from the start.
constexpr size_t kEnqueuedDuringSecond = 100;  // that packet's size

struct SlowBatchCase {
  const char* name;
  std::vector<int64_t> enqueued_ms;
  int64_t first_write_ends_ms;
  int64_t second_write_ends_ms;
  bool enqueue_during_second;
  HRESULT enqueue_result;  // of that enqueue
  HRESULT expected;
  std::vector<size_t> written;  // sizes: the held packet is 1, the batch 2, 3, ...
};

class SlowBatchAgeTest : public ::testing::TestWithParam<SlowBatchCase> {};

TEST_P(SlowBatchAgeTest, EachPacketOfABatchCountsItsOwnAge) {
  const SlowBatchCase& c = GetParam();
  constexpr int64_t kNsPerMs = 1'000'000;
  auto clock = std::make_shared<FakeClock>();
  const int64_t start = clock->now();
  auto move_to = [&](int64_t ms) { clock->advance(start + ms * kNsPerMs - clock->now()); };

  std::atomic<PacketWriteQueue*> queue_for_worker{nullptr};
  Signal first_entered;
  Signal release;
  Signal enqueued_during_second;
  std::mutex mutex;
  std::vector<size_t> sizes;
  HRESULT enqueue_result = E_PENDING;
  auto packet_function = [&](std::shared_ptr<const EncodedPacket> packet) -> HRESULT {
    const size_t size = packet->data.size();
    {
      std::lock_guard lock(mutex);
      sizes.push_back(size);
    }
    if (size == 1) {
      first_entered.set();
      release.wait(60s);
    } else if (size == 2) {
      move_to(c.first_write_ends_ms);
    } else if (size == 3 && c.second_write_ends_ms != 0) {
      move_to(c.second_write_ends_ms);
      if (c.enqueue_during_second) {
        const HRESULT result =
            queue_for_worker.load()->enqueue(make_packet(kEnqueuedDuringSecond));
        {
          std::lock_guard lock(mutex);
          enqueue_result = result;
        }
        enqueued_during_second.set();
      }
    }
    return S_OK;
  };
  auto queue = PacketWriteQueue::create(packet_function, [] { return S_OK; }, kLimits, clock);
  queue_for_worker.store(queue.get());

  ASSERT_EQ(queue->enqueue(make_packet(1)), S_OK);
  ASSERT_TRUE(first_entered.wait());
  size_t size = 2;
  for (const int64_t ms : c.enqueued_ms) {
    move_to(ms);
    ASSERT_EQ(queue->enqueue(make_packet(size++)), S_OK);
  }
  release.set();
  // The enqueue must meet a running queue, not one already finishing.
  if (c.enqueue_during_second) {
    ASSERT_TRUE(enqueued_during_second.wait());
  }
  EXPECT_EQ(queue->finish(), c.expected);

  std::lock_guard lock(mutex);
  EXPECT_EQ(sizes, c.written);
  if (c.enqueue_during_second) {
    EXPECT_EQ(enqueue_result, c.enqueue_result);
  }
  const PacketQueueStats stats = queue->stats();
  EXPECT_EQ(stats.status, c.expected);
  EXPECT_EQ(stats.queued_packets, 0u);
  EXPECT_EQ(stats.queued_bytes, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    SlowDisk, SlowBatchAgeTest,
    ::testing::Values(
        // While the packet enqueued at 2.0 s is written, the oldest age is
        // its 3.5 s, not the 5.3 s of the batch's first packet.
        SlowBatchCase{"EnqueueWhileTheSecondIsWrittenIsTaken", {200, 2000}, 5500, 5500, true,
                      S_OK, S_OK, {1, 2, 3, kEnqueuedDuringSecond}},
        SlowBatchCase{"EnqueueExactlyFiveSecondsAfterTheSecondIsTaken", {200, 2000}, 5500, 7000,
                      true, S_OK, S_OK, {1, 2, 3, kEnqueuedDuringSecond}},
        SlowBatchCase{"EnqueueJustOverFiveSecondsAfterTheSecondFails", {200, 2000}, 5500, 7001,
                      true, kErrorQueueTimeout, kErrorQueueTimeout, {1, 2, 3}},
        SlowBatchCase{"SecondThatWaitedExactlyFiveSecondsIsWritten", {200, 2000}, 7000, 0, false,
                      S_OK, S_OK, {1, 2, 3}},
        // Nothing after the late packet is written, however young.
        SlowBatchCase{"SecondThatWaited5100msWhenItsTurnCameFailsTheQueue", {200, 2000, 2500},
                      7100, 0, false, S_OK, kErrorQueueTimeout, {1, 2}},
        SlowBatchCase{"ThirdThatWaited5100msBehindTheSecondFailsTheQueue", {200, 2000, 2500},
                      5500, 7600, false, S_OK, kErrorQueueTimeout, {1, 2, 3}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PacketWriteQueueTest, EnqueueAfterFinishIsShutdown) {
  Disk disk;
  auto queue = disk.make_queue();
  EXPECT_EQ(queue->enqueue(nullptr), E_POINTER);
  EXPECT_EQ(queue->finish(), S_OK);
  EXPECT_EQ(queue->enqueue(make_packet(1)), kErrorShutdown);
  EXPECT_EQ(queue->stats().status, S_OK);
}

// Every caller of finish returns only once the worker wrote everything and
// completed, whichever caller did the joining.
TEST(PacketWriteQueueTest, ConcurrentFinishCallsAllWaitForTheDrain) {
  Disk disk;
  disk.hold_first();
  auto queue = disk.make_queue();
  for (int i = 0; i < 20; ++i) ASSERT_EQ(queue->enqueue(make_packet(10)), S_OK);
  ASSERT_TRUE(disk.wait_first_entered());

  struct Outcome {
    HRESULT status = E_PENDING;
    size_t written = 0;
    int completions = 0;
  };
  Outcome outcomes[3];
  std::vector<std::thread> callers;
  for (auto& outcome : outcomes) {
    callers.emplace_back([&queue, &disk, &outcome] {
      outcome.status = queue->finish();
      outcome.written = disk.written().size();
      outcome.completions = disk.completions();
    });
  }
  disk.release();
  for (auto& caller : callers) caller.join();

  for (const auto& outcome : outcomes) {
    EXPECT_EQ(outcome.status, S_OK);
    EXPECT_EQ(outcome.written, 20u);
    EXPECT_EQ(outcome.completions, 1);
  }
}

TEST(PacketWriteQueueTest, StopFinishesAndDestroys) {
  Disk disk;
  disk.release();
  auto queue = PacketWriteQueue::create(disk.packet_function(), disk.completion_function(), kLimits);
  ASSERT_EQ(queue->enqueue(make_packet(7)), S_OK);
  EXPECT_EQ(PacketWriteQueue::stop(queue), S_OK);
  EXPECT_EQ(queue, nullptr);
  EXPECT_EQ(disk.written().size(), 1u);
  EXPECT_EQ(disk.completions(), 1);
}

TEST(PacketWriteQueueTest, WorkerIsAComMultithreadedThreadThatCannotFinishItself) {
  std::atomic<bool> mta{false};
  std::atomic<bool> deadlock_reported{false};
  PacketWriteQueue* self = nullptr;
  auto queue = PacketWriteQueue::create(
      [&](std::shared_ptr<const EncodedPacket>) -> HRESULT {
        APTTYPE type{};
        APTTYPEQUALIFIER qualifier{};
        mta = SUCCEEDED(CoGetApartmentType(&type, &qualifier)) && type == APTTYPE_MTA;
        try {
          const HRESULT returned = self->finish();
          ADD_FAILURE() << "finish on the worker returned " << returned << " instead of throwing";
        } catch (const std::system_error& error) {
          deadlock_reported = error.code() == std::errc::resource_deadlock_would_occur;
        }
        return S_OK;
      },
      [] { return S_OK; }, kLimits);
  self = queue.get();
  ASSERT_EQ(queue->enqueue(make_packet(1)), S_OK);
  EXPECT_EQ(queue->finish(), S_OK);
  EXPECT_TRUE(mta);
  EXPECT_TRUE(deadlock_reported);
}

TEST(PacketWriteQueueTest, ThrowingWriteBecomesAFailureNotACrash) {
  auto queue = PacketWriteQueue::create(
      [](std::shared_ptr<const EncodedPacket>) -> HRESULT { throw std::bad_alloc(); },
      [] { return S_OK; }, kLimits);
  ASSERT_EQ(queue->enqueue(make_packet(1)), S_OK);
  EXPECT_EQ(queue->finish(), E_OUTOFMEMORY);
}

}  // namespace
}  // namespace quorvel::windows
