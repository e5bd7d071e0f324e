#include "account/browser_callback.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <array>
#include <utility>

#include "account/authorize_url.h"
#include "account/callback_page.h"
#include "account/callback_request.h"
#include "account/callback_wait.h"
#include "account/unique_socket.h"
#include "account/url_query.h"
#include "account/utf16_text.h"
#include "account/winsock_session.h"

namespace halvarin::sdk {
namespace {

constexpr int kListenBacklog = 1;
// The most input read and dropped after answering before the connection closes.
constexpr size_t kMaxDiscardedInputBytes = 64 * 1024;

BrowserCallback failed(int32_t kind, std::string message) {
  BrowserCallback result;
  result.failure.kind = kind;
  result.failure.message = std::move(message);
  return result;
}

BrowserCallback cancelled() {
  return failed(kErrorCancelled, "The browser sign-in was cancelled.");
}

BrowserCallback timed_out() {
  return failed(kErrorTimeout, "Timed out waiting for browser sign-in.");
}

// A TCP listener on 127.0.0.1 with a port the system chooses.
BrowserCallback open_listener(UniqueSocket& listener, uint16_t& port) {
  listener.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!listener) return failed(kErrorCallback, "The callback listener could not be created.");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listener.get(), kListenBacklog) != 0) {
    return failed(kErrorCallback, "The loopback callback port could not be opened.");
  }
  sockaddr_in bound{};
  int bound_size = sizeof(bound);
  if (getsockname(listener.get(), reinterpret_cast<sockaddr*>(&bound), &bound_size) != 0) {
    return failed(kErrorCallback, "The loopback callback port could not be read.");
  }
  port = ntohs(bound.sin_port);
  return {};
}

// Reads the request until its head is complete, it reaches the size cap or
// the browser stops sending (a failed wait or read ends the reading too; a
// short request is judged afterwards). Every read waits in the same slices
// as the accept, so a connection that sends nothing cannot outlast a stop or
// the deadline.
BrowserCallback read_request(SOCKET connection, CallbackWait& wait, std::string& request) {
  std::array<char, kCallbackReadBytes> buffer{};
  while (!callback_request_complete(request)) {
    switch (wait.until_readable(connection)) {
      case CallbackWaitResult::kReadable:
        break;
      case CallbackWaitResult::kStopped:
        return cancelled();
      case CallbackWaitResult::kTimedOut:
        return timed_out();
      case CallbackWaitResult::kFailed:
        return {};
    }
    const int received = recv(connection, buffer.data(), static_cast<int>(buffer.size()), 0);
    if (received <= 0) break;
    request.append(buffer.data(), static_cast<size_t>(received));
  }
  return {};
}

// Reads and drops what the browser has already sent past the part that was
// kept. Windows resets a connection closed with unread input, and a reset can
// make the browser drop the page it has not shown yet. Only input that is
// there now is read, up to a bound, so this never waits for the browser.
void discard_pending_input(SOCKET connection) {
  std::array<char, kCallbackReadBytes> buffer{};
  for (size_t discarded = 0; discarded < kMaxDiscardedInputBytes;) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(connection, &readable);
    timeval no_wait{};
    if (select(0, &readable, nullptr, nullptr, &no_wait) != 1) return;
    const int received = recv(connection, buffer.data(), static_cast<int>(buffer.size()), 0);
    if (received <= 0) return;
    discarded += static_cast<size_t>(received);
  }
}

// Judges the request line, answers a GET with the result page and closes the
// connection; a malformed request gets no answer.
BrowserCallback answer_request(UniqueSocket& connection, std::string_view request,
                               std::string_view locale) {
  const std::optional<std::string_view> target = callback_request_target(request);
  if (!target) {
    connection.reset();
    return failed(kErrorCallback, "The browser callback was malformed.");
  }
  BrowserCallback result;
  result.code = query_parameter(*target, "code");
  result.state = query_parameter(*target, "state");
  result.error = query_parameter(*target, "error");
  const bool success = !result.code.empty() && result.error.empty();
  const std::string response = make_callback_response(make_callback_page(locale, success));
  send(connection.get(), response.data(), static_cast<int>(response.size()), 0);
  shutdown(connection.get(), SD_SEND);
  discard_pending_input(connection.get());
  connection.reset();
  return result;
}

// Waits for the browser's one connection, reads its request and answers it.
BrowserCallback serve_one_request(UniqueSocket& listener, CallbackWait& wait,
                                  std::string_view locale) {
  switch (wait.until_readable(listener.get())) {
    case CallbackWaitResult::kReadable:
      break;
    case CallbackWaitResult::kStopped:
      return cancelled();
    case CallbackWaitResult::kTimedOut:
      return timed_out();
    case CallbackWaitResult::kFailed:
      return failed(kErrorCallback, "The callback listener failed while waiting.");
  }
  UniqueSocket connection(accept(listener.get(), nullptr, nullptr));
  // One request is served: later visits (a favicon after the page, say) are
  // refused instead of waiting in the backlog of a listener nobody accepts on.
  listener.reset();
  if (!connection) return failed(kErrorCallback, "The callback connection failed.");
  std::string request;
  BrowserCallback read = read_request(connection.get(), wait, request);
  if (read.failure.kind != kErrorNone) return read;
  return answer_request(connection, request, locale);
}

}  // namespace

BrowserCallback wait_for_browser_callback(const ClientConfiguration& configuration,
                                          std::string_view scopes,
                                          std::string_view code_challenge,
                                          std::string_view state, std::string_view nonce,
                                          std::string_view context_id, int64_t timeout_seconds,
                                          std::stop_token stop_token, std::string& redirect_uri,
                                          const PlatformHooks& hooks) {
  redirect_uri.clear();
  // Declared first, so every socket is closed before Winsock is released.
  const WinsockSession winsock;
  if (!winsock.started()) return failed(kErrorCallback, "Winsock could not start.");
  UniqueSocket listener;
  uint16_t port = 0;
  if (BrowserCallback opened = open_listener(listener, port); opened.failure.kind != kErrorNone) {
    return opened;
  }
  redirect_uri = loopback_redirect_uri(port);
  const std::string url = make_authorize_url(
      configuration, {.redirect_uri = redirect_uri,
                      .scopes = scopes,
                      .code_challenge = code_challenge,
                      .state = state,
                      .nonce = nonce,
                      .context_id = context_id});
  if (!hooks.open_url || !hooks.open_url(utf8_to_wide(url))) {
    return failed(kErrorBrowser, "The default browser could not be opened.");
  }
  CallbackWait wait(hooks.steady_clock, timeout_seconds, configuration.cancel_token,
                    std::move(stop_token));
  return serve_one_request(listener, wait, configuration.locale);
}

}  // namespace halvarin::sdk
