#include "tests/account/test_browser.h"

#include <ws2tcpip.h>

#include <array>
#include <chrono>
#include <utility>

#include "account/unique_socket.h"
#include "account/winhttp_handle.h"
#include "account/winsock_session.h"
#include "tests/support/test_support.h"

namespace halvarin::sdk::test {
namespace {

// A browser does not wait for ever either; this only keeps a broken
// listener from hanging the test run.
constexpr long kGiveUpSeconds = 15;
constexpr std::string_view kRedirectKey = "redirect_uri=";
constexpr std::string_view kLoopbackPrefix = "http://127.0.0.1:";

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The %XX escapes of a query value, which is all a redirect URI holds.
std::string unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex_digit(text[i + 1]) >= 0 &&
        hex_digit(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(hex_digit(text[i + 1]) * 16 + hex_digit(text[i + 2])));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// The port of the URL's redirect_uri parameter, or 0.
uint16_t redirect_port(std::string_view url) {
  const size_t key = url.find(kRedirectKey);
  if (key == std::string_view::npos) return 0;
  std::string_view value = url.substr(key + kRedirectKey.size());
  value = value.substr(0, value.find('&'));
  const std::string redirect = unescape(value);
  if (!redirect.starts_with(kLoopbackPrefix)) return 0;
  unsigned port = 0;
  for (size_t i = kLoopbackPrefix.size(); i < redirect.size() && redirect[i] != '/'; ++i) {
    if (redirect[i] < '0' || redirect[i] > '9') return 0;
    port = port * 10 + static_cast<unsigned>(redirect[i] - '0');
    if (port > 65535) return 0;
  }
  return static_cast<uint16_t>(port);
}

std::string with_host(std::string request, uint16_t port) {
  const std::string host = "127.0.0.1:" + std::to_string(port);
  for (size_t at = request.find("{host}"); at != std::string::npos;
       at = request.find("{host}", at + host.size())) {
    request.replace(at, 6, host);
  }
  return request;
}

UniqueSocket connect_to(uint16_t port, int& error) {
  UniqueSocket connection(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!connection) {
    error = WSAGetLastError();
    return connection;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (connect(connection.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) !=
      0) {
    error = WSAGetLastError();
    connection.reset();
    return connection;
  }
  error = 0;
  return connection;
}

void send_all(SOCKET connection, std::string_view bytes) {
  while (!bytes.empty()) {
    const int sent = send(connection, bytes.data(), static_cast<int>(bytes.size()), 0);
    if (sent <= 0) return;
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
}

std::wstring wide(std::string_view text) {
  std::wstring out;
  for (const char c : text) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

std::string narrow(std::wstring_view text) {
  std::string out;
  for (const wchar_t c : text) out.push_back(static_cast<char>(c));
  return out;
}

// GETs `url` once, without following a redirect; the status (0 when the
// exchange failed) and the Location header.
void fetch_without_redirect(const std::string& url, VisitOutcome& outcome) {
  const std::wstring wide_url = wide(url);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(wide_url.c_str(), 0, 0, &parts)) return;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  const std::wstring target = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                              std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  const UniqueWinHttpHandle session(WinHttpOpen(L"TestBrowser", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                                WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return;
  const UniqueWinHttpHandle connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
  if (!connection) return;
  const DWORD secure = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
  const UniqueWinHttpHandle request(WinHttpOpenRequest(connection.get(), L"GET", target.c_str(),
                                                       nullptr, WINHTTP_NO_REFERER,
                                                       WINHTTP_DEFAULT_ACCEPT_TYPES, secure));
  if (!request) return;
  DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof(never)) ||
      !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA,
                          0, 0, 0) ||
      !WinHttpReceiveResponse(request.get(), nullptr)) {
    return;
  }
  DWORD status = 0;
  DWORD size = sizeof(status);
  if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    return;
  }
  outcome.authorize_status = static_cast<int>(status);
  std::array<wchar_t, 4096> location{};
  size = static_cast<DWORD>(location.size() * sizeof(wchar_t));
  if (WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX,
                          location.data(), &size, WINHTTP_NO_HEADER_INDEX)) {
    outcome.location = narrow(std::wstring_view(location.data(), size / sizeof(wchar_t)));
  }
}

// The request a browser sends to follow `location` to the listener on
// `port`; empty when the location points elsewhere.
std::string callback_request(const std::string& location, uint16_t port) {
  const std::string origin = std::string(kLoopbackPrefix) + std::to_string(port);
  if (!location.starts_with(origin + "/")) return {};
  return "GET " + location.substr(origin.size()) +
         " HTTP/1.1\r\nHost: {host}\r\nUser-Agent: TestBrowser\r\n\r\n";
}

}  // namespace

TestBrowser::TestBrowser(std::vector<BrowserVisit> visits, bool opens)
    : visits_(std::move(visits)), opens_(opens) {}

TestBrowser::~TestBrowser() {
  if (thread_.joinable()) thread_.join();
}

bool TestBrowser::open(const std::wstring& url) {
  std::lock_guard lock(mutex_);
  ++open_calls_;
  url_ = quorvel::test::utf8(url);
  port_ = redirect_port(url_);
  if (opens_ && !thread_.joinable()) thread_ = std::thread([this] { visit_all(); });
  if (!opens_) finished_ = true;
  changed_.notify_all();
  return opens_;
}

void TestBrowser::visit_all() {
  {
    // Released before the visits count as finished, so a test can check
    // that nothing else holds Winsock started.
    const WinsockSession winsock;
    for (const BrowserVisit& each : visits_) {
      VisitOutcome outcome = visit(each);
      std::lock_guard lock(mutex_);
      outcomes_.push_back(std::move(outcome));
    }
  }
  std::lock_guard lock(mutex_);
  finished_ = true;
  changed_.notify_all();
}

VisitOutcome TestBrowser::visit(const BrowserVisit& visit) {
  VisitOutcome outcome;
  const uint16_t target = port();
  std::string request = visit.request;
  if (visit.follow_authorize) {
    fetch_without_redirect(authorize_url(), outcome);
    const std::string location =
        visit.rewrite_location ? visit.rewrite_location(outcome.location) : outcome.location;
    request = callback_request(location, target);
    // A browser left on the service's page never comes back.
    if (request.empty()) return outcome;
  }
  UniqueSocket connection = connect_to(target, outcome.connect_error);
  outcome.connected = connection.valid();
  if (outcome.connected) {
    send_all(connection.get(), with_host(request, target));
    if (visit.stop_sending) shutdown(connection.get(), SD_SEND);
  }
  {
    std::lock_guard lock(mutex_);
    connected_ = connected_ || outcome.connected;
    changed_.notify_all();
  }
  if (outcome.connected) read_answer(connection.get(), outcome);
  return outcome;
}

void TestBrowser::read_answer(SOCKET connection, VisitOutcome& outcome) {
  std::array<char, 4096> buffer{};
  for (;;) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(connection, &readable);
    timeval give_up{kGiveUpSeconds, 0};
    if (select(0, &readable, nullptr, nullptr, &give_up) != 1) return;
    const int received = recv(connection, buffer.data(), static_cast<int>(buffer.size()), 0);
    if (received > 0) {
      outcome.answer.append(buffer.data(), static_cast<size_t>(received));
      continue;
    }
    outcome.closed = true;
    outcome.reset = received < 0;
    return;
  }
}

bool TestBrowser::wait_opened(int timeout_ms) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                           [&] { return open_calls_ > 0; });
}

bool TestBrowser::wait_connected(int timeout_ms) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                           [&] { return connected_; });
}

bool TestBrowser::wait_finished(int timeout_ms) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                           [&] { return finished_; });
}

int TestBrowser::open_calls() {
  std::lock_guard lock(mutex_);
  return open_calls_;
}

std::string TestBrowser::authorize_url() {
  std::lock_guard lock(mutex_);
  return url_;
}

uint16_t TestBrowser::port() {
  std::lock_guard lock(mutex_);
  return port_;
}

std::vector<VisitOutcome> TestBrowser::outcomes() {
  std::lock_guard lock(mutex_);
  return outcomes_;
}

int connect_error_on_port(uint16_t port) {
  const WinsockSession winsock;
  int error = 0;
  connect_to(port, error);
  return error;
}

}  // namespace halvarin::sdk::test
