#include "ui/views/graphics/per_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>

namespace win32_ui::modern::detail {
namespace {

std::atomic<int> destroyed{0};
std::atomic<std::uint64_t> seen_at_destruction{0};

struct Tracked {
  std::uint64_t marker = 0x5EED;
  int uses = 0;
  ~Tracked() {
    seen_at_destruction = marker;
    ++destroyed;
  }
};

TEST(PerThreadTest, EachThreadHasItsOwnObjectDestroyedIntactAtThreadExit) {
  destroyed = 0;
  Tracked* first = nullptr;
  std::thread([&] {
    first = &PerThread<Tracked>::get();
    ++PerThread<Tracked>::get().uses;
    EXPECT_EQ(&PerThread<Tracked>::get(), first);
    EXPECT_EQ(first->uses, 1);
    first->marker = 0xC0FFEE;
  }).join();
  EXPECT_EQ(destroyed.load(), 1);
  EXPECT_EQ(seen_at_destruction.load(), 0xC0FFEEu);

  std::thread([&] { EXPECT_EQ(PerThread<Tracked>::get().uses, 0); }).join();
  EXPECT_EQ(destroyed.load(), 2);
}

TEST(PerThreadTest, ThreadThatNeverAskedMakesNothing) {
  destroyed = 0;
  std::thread([] {}).join();
  EXPECT_EQ(destroyed.load(), 0);
}

}  // namespace
}  // namespace win32_ui::modern::detail
