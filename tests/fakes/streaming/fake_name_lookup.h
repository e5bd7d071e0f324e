// A system name lookup under the test's control: every lookup started stays
// pending until the test completes it, which writes the result and calls
// the completion routine as the system does from its own thread. Records
// cancels and which address lists were freed.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "streaming/name_lookup.h"

namespace quorvel::windows::test {

class FakeNameLookup {
 public:
  // What `start` returns; WSA_IO_PENDING (the default) leaves it running.
  void set_start_result(int result) { start_result_ = result; }
  NameLookupCalls calls();

  // Waits (bounded, real time) until a lookup has been started.
  bool wait_started(int timeout_ms = 5000);
  // Writes `result` and calls the completion routine with `error`.
  void complete(int error, ADDRINFOEXW* result);

  int cancels();
  std::vector<ADDRINFOEXW*> freed();

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  int start_result_ = WSA_IO_PENDING;
  bool started_ = false;
  PADDRINFOEXW* result_ = nullptr;
  LPOVERLAPPED overlapped_ = nullptr;
  LPLOOKUPSERVICE_COMPLETION_ROUTINE completion_ = nullptr;
  int cancels_ = 0;
  std::vector<ADDRINFOEXW*> freed_;
};

}  // namespace quorvel::windows::test
