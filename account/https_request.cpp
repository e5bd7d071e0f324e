#include "account/https_request.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <string>
#include <utility>

#include "account/async_http_request.h"
#include "account/transport_error_kind.h"
#include "account/utf16_text.h"
#include "account/winhttp_handle.h"

namespace halvarin::sdk {
namespace {

constexpr char kBadBaseUrl[] = "base_url could not be parsed.";
constexpr char kCancelled[] = "The operation was cancelled.";
constexpr char kNoSession[] = "WinHTTP could not start.";
constexpr char kNoConnection[] = "The server could not be reached.";
constexpr char kNoRequest[] = "The HTTP request could not be created.";
constexpr char kNoTlsOverride[] = "The test TLS override could not be enabled.";
constexpr char kRequestFailed[] = "The HTTP request failed.";
constexpr char kTooLarge[] = "The response is too large.";
constexpr char kUnreadable[] = "The response could not be read.";

// Certificate errors a test server's certificate may have.
constexpr DWORD kTestTlsOverrideFlags =
    SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE |
    SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;

// The most read into memory in one go, so that an oversized answer is
// refused after at most this much more than the limit.
constexpr uint32_t kReadChunk = 65536;

struct ServiceRoot {
  std::wstring host;
  INTERNET_PORT port = 0;
  bool secure = false;
  // Empty for a bare host and for a single "/".
  std::wstring path;
};

std::optional<ServiceRoot> crack_base_url(std::string_view base_url) {
  const std::wstring url = utf8_to_wide(base_url);
  if (url.empty()) return std::nullopt;
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
    return std::nullopt;
  }
  // A root without a host names no server at all.
  if (parts.lpszHostName == nullptr || parts.dwHostNameLength == 0) return std::nullopt;
  ServiceRoot root;
  root.host.assign(parts.lpszHostName, parts.dwHostNameLength);
  root.port = parts.nPort;
  root.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  if (parts.lpszUrlPath != nullptr) root.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  if (root.path == L"/") root.path.clear();
  return root;
}

DWORD milliseconds_option(int64_t milliseconds) {
  return static_cast<DWORD>(std::clamp<int64_t>(milliseconds, 0, INT_MAX));
}

std::wstring request_headers(std::string_view content_type, std::string_view bearer_token) {
  std::wstring headers = L"Accept: application/json\r\n";
  if (!content_type.empty()) headers += L"Content-Type: " + utf8_to_wide(content_type) + L"\r\n";
  if (!bearer_token.empty()) {
    headers += L"Authorization: Bearer " + utf8_to_wide(bearer_token) + L"\r\n";
  }
  return headers;
}

UniqueWinHttpHandle open_session(const ClientConfiguration& configuration) {
  UniqueWinHttpHandle session(WinHttpOpen(std::wstring(kUserAgent).c_str(),
                                          WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                          WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS,
                                          WINHTTP_FLAG_ASYNC));
  if (session) {
    const int connect = static_cast<int>(milliseconds_option(configuration.connect_timeout));
    const int request = static_cast<int>(milliseconds_option(configuration.request_timeout));
    WinHttpSetTimeouts(session.get(), connect, connect, request, request);
  }
  return session;
}

// The options every request gets: the wait for the answer's headers is
// bounded by the request time-out too (the receive time-out alone does not
// bound it everywhere), and a test server may get its certificate excused.
// A failure as the response to return, or nothing.
std::optional<HttpResponse> configure_request(HINTERNET request,
                                              const ClientConfiguration& configuration,
                                              bool secure) {
  DWORD response_timeout = milliseconds_option(configuration.request_timeout);
  if (!WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &response_timeout,
                        sizeof(response_timeout))) {
    return transport_failure(kErrorNetwork, kNoRequest);
  }
  if (configuration.allow_test_tls_override && secure) {
    DWORD flags = kTestTlsOverrideFlags;
    if (!WinHttpSetOption(request, WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof(flags))) {
      return transport_failure(kErrorSecureChannel, kNoTlsOverride);
    }
  }
  return std::nullopt;
}

int32_t query_status(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof(status);
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                           WINHTTP_NO_HEADER_INDEX)) {
    return 0;
  }
  return static_cast<int32_t>(status);
}

// Reads the whole body into `response`, checking the limit after every read.
void read_body(AsyncHttpRequest& exchange, HttpResponse& response) {
  using Outcome = AsyncHttpRequest::Outcome;
  for (;;) {
    const AsyncHttpRequest::Result available = exchange.query_data_available();
    if (available.outcome == Outcome::kCompleted && available.count == 0) return;
    AsyncHttpRequest::Result read = available;
    if (available.outcome == Outcome::kCompleted) {
      read = exchange.read(std::min(available.count, kReadChunk));
    }
    if (read.outcome == Outcome::kCancelled) {
      response = transport_failure(kErrorCancelled, kCancelled);
      return;
    }
    if (read.outcome == Outcome::kFailed) {
      response = transport_failure(kErrorResponseInvalid, kUnreadable, response.status);
      return;
    }
    response.body.append(exchange.chunk());
    if (response.body.size() > kResponseLimit) {
      response = transport_failure(kErrorResponseInvalid, kTooLarge, response.status);
      return;
    }
  }
}

HttpResponse exchange_failure(const AsyncHttpRequest::Result& result,
                              const PlatformHooks& hooks) {
  if (result.outcome == AsyncHttpRequest::Outcome::kCancelled) {
    return transport_failure(kErrorCancelled, kCancelled);
  }
  const int level = hooks.connectivity_level ? hooks.connectivity_level() : kConnectivityUnknown;
  const int32_t kind = transport_error_kind(result.error, level);
  return transport_failure(kind, kRequestFailed);
}

}  // namespace

HttpResponse transport_failure(int32_t kind, const char* message, int32_t status) {
  HttpResponse response;
  response.status = status;
  response.error.kind = kind;
  response.error.message = message;
  return response;
}

HttpResponse send_https_request(const ClientConfiguration& configuration,
                                std::string_view method, std::string_view path,
                                std::string_view body, std::string_view content_type,
                                std::string_view bearer_token, const PlatformHooks& hooks) {
  const std::optional<ServiceRoot> root = crack_base_url(configuration.base_url);
  if (!root) return transport_failure(kErrorConfigurationInvalid, kBadBaseUrl);
  if (configuration.cancel_token.stop_requested()) {
    return transport_failure(kErrorCancelled, kCancelled);
  }
  const UniqueWinHttpHandle session = open_session(configuration);
  if (!session) return transport_failure(kErrorNetwork, kNoSession);
  const UniqueWinHttpHandle connection(
      WinHttpConnect(session.get(), root->host.c_str(), root->port, 0));
  if (!connection) return transport_failure(kErrorNetwork, kNoConnection);
  const std::wstring object_name = root->path + utf8_to_wide(path);
  AsyncHttpRequest exchange(configuration.cancel_token);
  if (!exchange.attach(WinHttpOpenRequest(connection.get(), utf8_to_wide(method).c_str(),
                                          object_name.c_str(), nullptr, WINHTTP_NO_REFERER,
                                          WINHTTP_DEFAULT_ACCEPT_TYPES,
                                          root->secure ? WINHTTP_FLAG_SECURE : 0))) {
    return transport_failure(kErrorNetwork, kNoRequest);
  }
  if (std::optional<HttpResponse> failure =
          configure_request(exchange.handle(), configuration, root->secure)) {
    return std::move(*failure);
  }
  using Outcome = AsyncHttpRequest::Outcome;
  AsyncHttpRequest::Result result =
      exchange.send(request_headers(content_type, bearer_token), body);
  if (result.outcome == Outcome::kCompleted) result = exchange.receive_response();
  if (result.outcome != Outcome::kCompleted) {
    return exchange_failure(result, hooks);
  }
  HttpResponse response;
  response.status = query_status(exchange.handle());
  read_body(exchange, response);
  return response;
}

}  // namespace halvarin::sdk
