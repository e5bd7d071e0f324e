#include "tests/fakes/streaming/fake_name_lookup.h"

#include <chrono>

namespace quorvel::windows::test {

NameLookupCalls FakeNameLookup::calls() {
  NameLookupCalls calls;
  calls.start = [this](PCWSTR, PCWSTR, const ADDRINFOEXW*, PADDRINFOEXW* result,
                       LPOVERLAPPED overlapped, LPLOOKUPSERVICE_COMPLETION_ROUTINE completion,
                       LPHANDLE cancel) {
    std::lock_guard lock(mutex_);
    started_ = true;
    result_ = result;
    overlapped_ = overlapped;
    completion_ = completion;
    *cancel = reinterpret_cast<HANDLE>(this);
    cv_.notify_all();
    return start_result_;
  };
  calls.cancel = [this](LPHANDLE cancel) {
    std::lock_guard lock(mutex_);
    if (*cancel == reinterpret_cast<HANDLE>(this)) ++cancels_;
    return 0;
  };
  calls.free = [this](PADDRINFOEXW addresses) {
    std::lock_guard lock(mutex_);
    freed_.push_back(addresses);
  };
  return calls;
}

bool FakeNameLookup::wait_started(int timeout_ms) {
  std::unique_lock lock(mutex_);
  return cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [this] { return started_; });
}

void FakeNameLookup::complete(int error, ADDRINFOEXW* result) {
  LPOVERLAPPED overlapped = nullptr;
  LPLOOKUPSERVICE_COMPLETION_ROUTINE completion = nullptr;
  {
    std::lock_guard lock(mutex_);
    *result_ = result;
    overlapped = overlapped_;
    completion = completion_;
  }
  using Routine = void(CALLBACK*)(DWORD, DWORD, LPWSAOVERLAPPED);
  reinterpret_cast<Routine>(completion)(static_cast<DWORD>(error), 0, overlapped);
}

int FakeNameLookup::cancels() {
  std::lock_guard lock(mutex_);
  return cancels_;
}

std::vector<ADDRINFOEXW*> FakeNameLookup::freed() {
  std::lock_guard lock(mutex_);
  return freed_;
}

}  // namespace quorvel::windows::test
