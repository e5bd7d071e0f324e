#include "account/async_http_request.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace halvarin::sdk {
namespace {

// The longest the calling thread waits before it looks at the stop token
// again.
constexpr std::chrono::milliseconds kStopCheckSlice{20};

constexpr DWORD kNotifications =
    WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES;

}  // namespace

struct AsyncHttpRequest::State {
  std::mutex mutex;
  std::condition_variable completion;
  bool completed = false;
  bool failed = false;
  uint32_t error = 0;
  uint32_t count = 0;
  // What WinHTTP reads or writes while an operation runs.
  std::wstring headers;
  std::string body;
  std::string buffer;
};

AsyncHttpRequest::AsyncHttpRequest(std::stop_token stop)
    : stop_(std::move(stop)), state_(std::make_shared<State>()) {}

AsyncHttpRequest::~AsyncHttpRequest() = default;

void CALLBACK AsyncHttpRequest::on_status(HINTERNET, DWORD_PTR context, DWORD status,
                                          void* information, DWORD length) {
  if (context == 0) return;  // the handle closed before it was given its state
  auto* holder = reinterpret_cast<std::shared_ptr<State>*>(context);
  if (status == WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING) {
    delete holder;
    return;
  }
  try {
    State& state = **holder;
    std::lock_guard lock(state.mutex);
    switch (status) {
      case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
      case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        break;
      case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
        state.count = information != nullptr ? *static_cast<const DWORD*>(information) : 0;
        break;
      case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        state.count = length;
        break;
      case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        state.failed = true;
        state.error = information != nullptr
                          ? static_cast<const WINHTTP_ASYNC_RESULT*>(information)->dwError
                          : ERROR_WINHTTP_INTERNAL_ERROR;
        break;
      default:
        return;
    }
    state.completed = true;
    state.completion.notify_all();
  } catch (...) {
    // Nothing may leave a WinHTTP callback; the waiting thread's stop check
    // and WinHTTP's time-outs still end the wait.
  }
}

bool AsyncHttpRequest::attach(HINTERNET request) {
  request_.reset(request);
  if (!request_) return false;
  if (WinHttpSetStatusCallback(request, &AsyncHttpRequest::on_status, kNotifications, 0) ==
      WINHTTP_INVALID_STATUS_CALLBACK) {
    request_.reset();
    return false;
  }
  // From here on the callback owns this reference and drops it when the
  // handle closes for good.
  auto holder = std::make_unique<std::shared_ptr<State>>(state_);
  DWORD_PTR context = reinterpret_cast<DWORD_PTR>(holder.get());
  if (!WinHttpSetOption(request, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof(context))) {
    request_.reset();
    return false;
  }
  holder.release();
  context_ = context;
  return true;
}

AsyncHttpRequest::Result AsyncHttpRequest::send(std::wstring headers, std::string_view body) {
  state_->headers = std::move(headers);
  state_->body.assign(body);
  return run([this] {
    State& state = *state_;
    const auto body_size = static_cast<DWORD>(state.body.size());
    return WinHttpSendRequest(
        request_.get(),
        state.headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : state.headers.c_str(),
        static_cast<DWORD>(state.headers.size()),
        state.body.empty() ? WINHTTP_NO_REQUEST_DATA : state.body.data(), body_size, body_size,
        context_);
  });
}

AsyncHttpRequest::Result AsyncHttpRequest::receive_response() {
  return run([this] { return WinHttpReceiveResponse(request_.get(), nullptr); });
}

AsyncHttpRequest::Result AsyncHttpRequest::query_data_available() {
  return run([this] { return WinHttpQueryDataAvailable(request_.get(), nullptr); });
}

AsyncHttpRequest::Result AsyncHttpRequest::read(uint32_t count) {
  state_->buffer.resize(count);
  return run([this, count] {
    return WinHttpReadData(request_.get(), state_->buffer.data(), count, nullptr);
  });
}

std::string_view AsyncHttpRequest::chunk() const {
  return std::string_view(state_->buffer.data(),
                          std::min<size_t>(state_->count, state_->buffer.size()));
}

template <typename Start>
AsyncHttpRequest::Result AsyncHttpRequest::run(Start start) {
  if (!request_) return {Outcome::kFailed, ERROR_INVALID_HANDLE, 0};
  if (stop_.stop_requested()) return cancel();
  {
    std::lock_guard lock(state_->mutex);
    state_->completed = false;
    state_->failed = false;
    state_->error = 0;
    state_->count = 0;
  }
  if (!start()) return {Outcome::kFailed, GetLastError(), 0};
  return wait_for_completion();
}

AsyncHttpRequest::Result AsyncHttpRequest::wait_for_completion() {
  // The stop is polled in every slice rather than signalled: with this
  // toolchain's runtime, destroying a std::stop_callback while another thread
  // runs it can block for good.
  State* state = state_.get();
  std::unique_lock lock(state->mutex);
  while (!state->completed) {
    if (stop_.stop_requested()) {
      lock.unlock();
      return cancel();
    }
    state->completion.wait_for(lock, kStopCheckSlice);
  }
  if (state->failed) return {Outcome::kFailed, state->error, 0};
  return {Outcome::kCompleted, 0, state->count};
}

AsyncHttpRequest::Result AsyncHttpRequest::cancel() {
  // Returns at once for an asynchronous handle; WinHTTP finishes with the
  // shared state on its own time.
  request_.reset();
  return {Outcome::kCancelled, 0, 0};
}

}  // namespace halvarin::sdk
