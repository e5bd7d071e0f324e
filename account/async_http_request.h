// AsyncHttpRequest drives one WinHTTP request handle opened in asynchronous
// mode, so that a stop can end it at once: WinHTTP reports each completion
// through a status callback, and the calling thread waits for it in slices
// of at most 20 ms that check the stop token. On a stop the request handle is
// closed and the operation returns kCancelled without waiting for WinHTTP.
//
// What WinHTTP may still touch after such a return (the callback's state,
// the request body, the read buffer) lives in a shared state whose last
// reference the callback drops when WinHTTP closes the handle for good
// (WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING), which may come much later; the
// caller never waits for it.
//
// One thread owns an AsyncHttpRequest and calls its operations one at a
// time; the stop may come from any thread.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>

#include "account/winhttp_handle.h"

namespace halvarin::sdk {

class AsyncHttpRequest {
 public:
  enum class Outcome { kCompleted, kFailed, kCancelled };
  struct Result {
    Outcome outcome = Outcome::kCompleted;
    // The WinHTTP or Winsock error code of a failure.
    uint32_t error = 0;
    // Bytes available (query) or read (read).
    uint32_t count = 0;
  };

  explicit AsyncHttpRequest(std::stop_token stop);
  ~AsyncHttpRequest();
  AsyncHttpRequest(const AsyncHttpRequest&) = delete;
  AsyncHttpRequest& operator=(const AsyncHttpRequest&) = delete;

  // Takes `request` (opened on an asynchronous session) and installs the
  // status callback; false, with the handle closed, when that fails.
  bool attach(HINTERNET request);
  HINTERNET handle() const { return request_.get(); }

  // WinHttpSendRequest with `headers` (lines ended by CR LF) and `body`,
  // both copied so that they outlive a cancelled send.
  Result send(std::wstring headers, std::string_view body);
  Result receive_response();
  Result query_data_available();
  // Reads up to `count` bytes; they are in chunk() until the next read.
  Result read(uint32_t count);
  std::string_view chunk() const;

 private:
  struct State;
  static void CALLBACK on_status(HINTERNET handle, DWORD_PTR context, DWORD status,
                                 void* information, DWORD length);
  template <typename Start>
  Result run(Start start);
  Result wait_for_completion();
  Result cancel();

  std::stop_token stop_;
  std::shared_ptr<State> state_;
  UniqueWinHttpHandle request_;
  // The value WinHTTP hands to on_status: a heap-held reference to state_.
  DWORD_PTR context_ = 0;
};

}  // namespace halvarin::sdk
