#include "engine/exception_guard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <stdexcept>
#include <stop_token>
#include <system_error>
#include <thread>

namespace quorvel::windows {
namespace {

TEST(ExceptionGuardTest, AThrowBecomesTheResultOfTheCall) {
  struct Case {
    const char* name;
    HRESULT (*call)();
    HRESULT expected;
  };
  const Case cases[] = {
      {"result passes", [] { return static_cast<HRESULT>(S_FALSE); }, S_FALSE},
      {"failure passes", [] { return static_cast<HRESULT>(E_ACCESSDENIED); }, E_ACCESSDENIED},
      {"failed allocation", []() -> HRESULT { throw std::bad_alloc(); }, E_OUTOFMEMORY},
      {"standard exception", []() -> HRESULT { throw std::runtime_error("x"); }, E_UNEXPECTED},
      {"system error", []() -> HRESULT {
         throw std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur));
       },
       E_UNEXPECTED},
      {"not an exception class", []() -> HRESULT { throw 7; }, E_UNEXPECTED},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, call_guarded(c.call)) << c.name;
  }
}

// A thread function whose move, done while the thread is created, throws.
template <typename Exception>
struct ThrowingOnMove {
  ThrowingOnMove() = default;
  ThrowingOnMove(const ThrowingOnMove&) { throw Exception(); }
  ThrowingOnMove(ThrowingOnMove&&) { throw Exception(); }
  void operator()() const {}
};

struct ThreadError : std::system_error {
  ThreadError() : std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)) {}
};

TEST(ExceptionGuardTest, AThreadThatCannotBeCreatedGivesAResultAndNoThread) {
  std::thread thread;
  EXPECT_EQ(E_OUTOFMEMORY, start_guarded_thread(thread, ThrowingOnMove<std::bad_alloc>()));
  EXPECT_FALSE(thread.joinable());
  EXPECT_EQ(E_FAIL, start_guarded_thread(thread, ThrowingOnMove<ThreadError>()));
  EXPECT_FALSE(thread.joinable());
}

TEST(ExceptionGuardTest, AStartedThreadRunsItsFunction) {
  std::atomic<bool> ran{false};
  std::jthread thread;
  ASSERT_EQ(S_OK, start_guarded_thread(thread, [&](std::stop_token) { ran = true; }));
  ASSERT_TRUE(thread.joinable());
  thread.join();
  EXPECT_TRUE(ran.load());
}

}  // namespace
}  // namespace quorvel::windows
