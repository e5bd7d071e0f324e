// Name resolution against a lookup the test completes when it likes: the
// ordinary results, and a stopped wait that returns while the lookup still
// runs, leaving the lookup's memory and late result to its completion.
#include "streaming/name_lookup.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "streaming/failure.h"
#include "tests/fakes/streaming/fake_name_lookup.h"

namespace quorvel::windows::test {
namespace {

using namespace std::chrono_literals;

int failure_code(const std::function<void()>& run) {
  try {
    run();
  } catch (const Failure& failure) {
    return failure.code;
  }
  return -1;
}

TEST(NameLookupTest, CompletedLookupGivesItsAddressesAndFreesThemWithTheList) {
  FakeNameLookup fake;
  ADDRINFOEXW addresses{};
  auto lookup = std::async(std::launch::async, [&] {
    return lookup_addresses(L"example.test", 1935, [] { return false; }, fake.calls());
  });
  ASSERT_TRUE(fake.wait_started());
  fake.complete(0, &addresses);
  ASSERT_EQ(lookup.wait_for(5s), std::future_status::ready);
  {
    const AddressList list = lookup.get();
    EXPECT_EQ(list.get(), &addresses);
    EXPECT_TRUE(fake.freed().empty());
  }
  EXPECT_EQ(fake.freed(), std::vector<ADDRINFOEXW*>{&addresses});
  EXPECT_EQ(fake.cancels(), 0);
}

TEST(NameLookupTest, FailedLookupsAreNetworkFailures) {
  {
    FakeNameLookup fake;
    auto lookup = std::async(std::launch::async, [&] {
      return failure_code([&] { lookup_addresses(L"nowhere.test", 1935, [] { return false; }, fake.calls()); });
    });
    ASSERT_TRUE(fake.wait_started());
    fake.complete(WSAHOST_NOT_FOUND, nullptr);
    ASSERT_EQ(lookup.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(lookup.get(), kFailureNetwork);
  }
  {
    // Success without a single address.
    FakeNameLookup fake;
    auto lookup = std::async(std::launch::async, [&] {
      return failure_code([&] { lookup_addresses(L"empty.test", 1935, [] { return false; }, fake.calls()); });
    });
    ASSERT_TRUE(fake.wait_started());
    fake.complete(0, nullptr);
    ASSERT_EQ(lookup.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(lookup.get(), kFailureNetwork);
  }
  {
    // Refused when started: no wait, no completion to come.
    FakeNameLookup fake;
    fake.set_start_result(WSAEINVAL);
    EXPECT_EQ(failure_code([&] {
                lookup_addresses(L"bad.test", 1935, [] { return false; }, fake.calls());
              }),
              kFailureNetwork);
  }
}

TEST(NameLookupTest, StoppedWaitReturnsAtOnceAndTheLateCompletionFreesTheLookup) {
  FakeNameLookup fake;
  ADDRINFOEXW late_addresses{};
  // The lookup never completes while the wait runs: a wait that held on
  // for it would never return.
  auto lookup = std::async(std::launch::async, [&] {
    return lookup_addresses(L"slow.test", 1935, [] { return true; }, fake.calls()) == nullptr;
  });
  const bool returned = lookup.wait_for(5s) == std::future_status::ready;
  if (!returned) fake.complete(WSA_E_CANCELLED, nullptr);  // let the thread end
  ASSERT_TRUE(returned);
  EXPECT_TRUE(lookup.get());
  EXPECT_EQ(fake.cancels(), 1);
  EXPECT_TRUE(fake.freed().empty()) << "nothing is freed under a running lookup";

  // The system finishes later, writing into the memory it was given and
  // handing over a result nobody waits for any more.
  fake.complete(0, &late_addresses);
  EXPECT_EQ(fake.freed(), std::vector<ADDRINFOEXW*>{&late_addresses});
}

}  // namespace
}  // namespace quorvel::windows::test
