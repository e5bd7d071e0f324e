#include "tests/account/fake_account_service.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace halvarin::sdk::test {
namespace {

constexpr size_t kLongestHead = 65536;
constexpr size_t kLongestBody = 8 * 1048576;
constexpr size_t kChunkSize = 65536;
constexpr int kAcceptPollMs = 50;

int64_t steady_now_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

const char* reason_phrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

bool send_all(SOCKET socket, std::string_view bytes) {
  while (!bytes.empty()) {
    const int chunk = static_cast<int>(std::min<size_t>(bytes.size(), 1 << 20));
    const int sent = ::send(socket, bytes.data(), chunk, 0);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
  return true;
}

// Appends what arrives to `buffer` until it holds `size` bytes; false when
// the peer closes or fails first.
bool receive_until(SOCKET socket, std::string& buffer, size_t size) {
  char chunk[16384];
  while (buffer.size() < size) {
    const int received = ::recv(socket, chunk, sizeof(chunk), 0);
    if (received <= 0) return false;
    buffer.append(chunk, static_cast<size_t>(received));
  }
  return true;
}

// Reads one request: its head up to the blank line and a Content-Length body.
std::optional<FakeRequest> read_request(SOCKET socket) {
  std::string buffer;
  size_t head_end = std::string::npos;
  while ((head_end = buffer.find("\r\n\r\n")) == std::string::npos) {
    if (buffer.size() > kLongestHead || !receive_until(socket, buffer, buffer.size() + 1)) {
      return std::nullopt;
    }
  }
  FakeRequest request;
  const std::string head = buffer.substr(0, head_end);
  size_t line_start = head.find("\r\n");
  const std::string request_line = head.substr(0, line_start);
  const size_t first_blank = request_line.find(' ');
  const size_t second_blank = request_line.find(' ', first_blank + 1);
  if (first_blank == std::string::npos || second_blank == std::string::npos) return std::nullopt;
  request.method = request_line.substr(0, first_blank);
  request.target = request_line.substr(first_blank + 1, second_blank - first_blank - 1);
  while (line_start != std::string::npos) {
    const size_t next = head.find("\r\n", line_start + 2);
    request.header_lines.push_back(head.substr(line_start + 2, next - line_start - 2));
    line_start = next;
  }
  const std::string length_text = request.header("Content-Length");
  const size_t length = length_text.empty() ? 0 : std::strtoull(length_text.c_str(), nullptr, 10);
  if (length > kLongestBody) return std::nullopt;
  std::string body = buffer.substr(head_end + 4);
  if (!receive_until(socket, body, length)) return std::nullopt;
  request.body = body.substr(0, length);
  request.time_ns = steady_now_ns();
  return request;
}

std::string encode_answer(const FakeAnswer& answer) {
  std::string out = "HTTP/1.1 " + std::to_string(answer.status) + " " +
                    reason_phrase(answer.status) + "\r\n";
  for (const std::string& line : answer.header_lines) out += line + "\r\n";
  if (answer.chunked) {
    out += "Transfer-Encoding: chunked\r\n";
  } else {
    out += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
  }
  out += "Connection: close\r\n\r\n";
  if (!answer.chunked) return out + answer.body;
  char size[32];
  for (size_t at = 0; at < answer.body.size(); at += kChunkSize) {
    const size_t length = std::min(kChunkSize, answer.body.size() - at);
    std::snprintf(size, sizeof(size), "%zx\r\n", length);
    out += size;
    out.append(answer.body, at, length);
    out += "\r\n";
  }
  return out + "0\r\n\r\n";
}

}  // namespace

std::string FakeRequest::header(std::string_view name) const {
  const int index = header_index(name);
  if (index < 0) return {};
  const std::string_view line = header_lines[static_cast<size_t>(index)];
  return std::string(trim(line.substr(line.find(':') + 1)));
}

int FakeRequest::header_index(std::string_view name) const {
  for (size_t i = 0; i < header_lines.size(); ++i) {
    const std::string_view line = header_lines[i];
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos && equal_ignoring_case(trim(line.substr(0, colon)), name)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

FakeAccountService::FakeAccountService(uint16_t port) {
  WSADATA data;
  winsock_started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  if (!winsock_started_) return;
  listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener_ == INVALID_SOCKET) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  int size = sizeof(address);
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(listener_, SOMAXCONN) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
    return;
  }
  port_ = ntohs(address.sin_port);
  accept_thread_ = std::thread([this] { accept_loop(); });
}

FakeAccountService::~FakeAccountService() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  reset();
  if (accept_thread_.joinable()) accept_thread_.join();
  if (listener_ != INVALID_SOCKET) closesocket(listener_);
  if (winsock_started_) WSACleanup();
}

void FakeAccountService::route(std::string method, std::string path, FakeHandler handler) {
  std::lock_guard lock(mutex_);
  routes_[{std::move(method), std::move(path)}] = std::move(handler);
}

void FakeAccountService::script(std::string method, std::string path,
                                std::vector<FakeStep> steps) {
  std::lock_guard lock(mutex_);
  scripts_[{std::move(method), std::move(path)}] = std::move(steps);
}

std::vector<FakeRequest> FakeAccountService::requests() const {
  std::lock_guard lock(mutex_);
  return log_;
}

size_t FakeAccountService::request_count() const {
  std::lock_guard lock(mutex_);
  return log_.size();
}

bool FakeAccountService::wait_for_requests(size_t count, int timeout_ms) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                           [&] { return log_.size() >= count; });
}

void FakeAccountService::reset() {
  std::map<uint64_t, std::thread> threads;
  {
    std::lock_guard lock(mutex_);
    ++generation_;
    for (SOCKET connection : open_connections_) ::shutdown(connection, SD_BOTH);
    threads.swap(connection_threads_);
    finished_serials_.clear();
    changed_.notify_all();
  }
  for (auto& [serial, thread] : threads) thread.join();
  std::lock_guard lock(mutex_);
  routes_.clear();
  scripts_.clear();
  attempts_.clear();
  log_.clear();
}

void FakeAccountService::accept_loop() {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
    }
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener_, &readable);
    timeval poll{0, kAcceptPollMs * 1000};
    if (::select(0, &readable, nullptr, nullptr, &poll) <= 0) continue;
    const SOCKET connection = ::accept(listener_, nullptr, nullptr);
    if (connection == INVALID_SOCKET) continue;
    std::vector<std::thread> finished;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) {
        closesocket(connection);
        return;
      }
      finished = take_finished_threads();
      open_connections_.insert(connection);
      const uint64_t serial = next_serial_++;
      connection_threads_.emplace(
          serial, std::thread([this, connection, serial] { serve(connection, serial); }));
    }
    // An ended thread keeps its handle until joined.
    for (std::thread& thread : finished) thread.join();
  }
}

std::vector<std::thread> FakeAccountService::take_finished_threads() {
  std::vector<std::thread> finished;
  for (const uint64_t serial : finished_serials_) {
    // A serial whose thread reset() took is no longer here.
    const auto thread = connection_threads_.find(serial);
    if (thread == connection_threads_.end()) continue;
    finished.push_back(std::move(thread->second));
    connection_threads_.erase(thread);
  }
  finished_serials_.clear();
  return finished;
}

void FakeAccountService::serve(SOCKET connection, uint64_t serial) {
  if (const std::optional<FakeRequest> request = read_request(connection)) {
    const FakeStep step = step_for(*request);
    if (hold(step.delay_ms)) {
      switch (step.action) {
        case FakeAction::kAnswer:
          send_all(connection,
                   encode_answer(step.answer ? *step.answer : handler_answer(*request)));
          break;
        case FakeAction::kGarbage:
          send_all(connection, "\x01\x02 this is no HTTP answer \xff\r\n\r\n");
          break;
        case FakeAction::kPerformThenDrop:
          handler_answer(*request);
          break;
        case FakeAction::kCloseWithoutAnswer:
          break;
      }
    }
  }
  ::shutdown(connection, SD_SEND);
  {
    std::lock_guard lock(mutex_);
    open_connections_.erase(connection);
  }
  closesocket(connection);
  std::lock_guard lock(mutex_);
  finished_serials_.push_back(serial);
}

FakeStep FakeAccountService::step_for(const FakeRequest& request) {
  std::lock_guard lock(mutex_);
  log_.push_back(request);
  changed_.notify_all();
  const Key key{request.method, request.target.substr(0, request.target.find('?'))};
  const int attempt = ++attempts_[key];
  const auto script = scripts_.find(key);
  if (script == scripts_.end() || script->second.empty()) return {};
  const std::vector<FakeStep>& steps = script->second;
  return steps[std::min<size_t>(static_cast<size_t>(attempt), steps.size()) - 1];
}

FakeAnswer FakeAccountService::handler_answer(const FakeRequest& request) {
  FakeHandler handler;
  {
    std::lock_guard lock(mutex_);
    const auto route =
        routes_.find({request.method, request.target.substr(0, request.target.find('?'))});
    if (route != routes_.end()) handler = route->second;
  }
  if (!handler) return FakeAnswer{404, {}, {}, false};
  return handler(request);
}

bool FakeAccountService::hold(int delay_ms) {
  if (delay_ms <= 0) return true;
  std::unique_lock lock(mutex_);
  const uint64_t generation = generation_;
  return !changed_.wait_for(lock, std::chrono::milliseconds(std::min(delay_ms, kLongestDelayMs)),
                            [&] { return generation_ != generation || stopping_; });
}

}  // namespace halvarin::sdk::test
