#include "tests/account/service_fixture.h"

#include <ws2tcpip.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <map>
#include <thread>

#include "tests/support/test_support.h"

namespace halvarin::sdk::test {
namespace {

constexpr wchar_t kFixtureVariable[] = L"QUORVEL_ACCOUNT_SERVICE_DIR";
constexpr int kMarkerTimeoutMs = 5000;
constexpr int kLogPollMs = 5;

struct Fixture {
  std::string directory;
  std::map<std::string, std::string> ports = quorvel::test::fixture_ports(kFixtureVariable,
                                                                          &directory);
};

const Fixture& fixture() {
  static const Fixture instance;
  return instance;
}

uint16_t backend_port() {
  const auto found = fixture().ports.find("backend");
  return found == fixture().ports.end() ? 0 : static_cast<uint16_t>(std::stoi(found->second));
}

std::vector<std::string> front_log(const std::string& name) {
  std::ifstream file(quorvel::test::host_path(fixture().directory + "/logs/" + name + ".log"));
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(file, line)) lines.push_back(line);
  return lines;
}

// Connects to the front and closes at once; the local port, 0 on failure.
uint16_t touch_front(const std::string& name) {
  const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket == INVALID_SOCKET) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(std::stoi(fixture().ports.at(name))));
  uint16_t local_port = 0;
  if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
    sockaddr_in local{};
    int size = sizeof(local);
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &size) == 0) {
      local_port = ntohs(local.sin_port);
    }
  }
  closesocket(socket);
  return local_port;
}

// Opens and closes one connection to the front and waits until its session
// is logged; its line number, or SIZE_MAX when it never shows. Client ports
// are reused, so the marker is the last line with its port.
size_t marker_line(const std::string& name) {
  const uint16_t marker = touch_front(name);
  if (marker == 0) return SIZE_MAX;
  const std::string prefix = std::to_string(marker) + " ";
  const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kMarkerTimeoutMs);
  while (std::chrono::steady_clock::now() < limit) {
    const std::vector<std::string> lines = front_log(name);
    for (size_t i = lines.size(); i-- > 0;) {
      if (lines[i].rfind(prefix, 0) == 0) return i;
    }
    // nginx writes the line when it notices the close; no event tells.
    std::this_thread::sleep_for(std::chrono::milliseconds(kLogPollMs));
  }
  return SIZE_MAX;
}

}  // namespace

FakeAccountService& account_service() {
  static FakeAccountService service(backend_port());
  return service;
}

bool has_tls_front() { return fixture().ports.count("valid") != 0; }

std::string front_root(const std::string& name) {
  const auto found = fixture().ports.find(name);
  return found == fixture().ports.end() ? std::string() : "https://localhost:" + found->second;
}

std::string plain_root(const std::string& host) {
  return "http://" + host + ":" + std::to_string(account_service().port());
}

size_t front_sessions_during(const std::string& name, const std::function<void()>& action) {
  const size_t before = marker_line(name);
  action();
  const size_t after = marker_line(name);
  if (before == SIZE_MAX || after == SIZE_MAX || after <= before) return SIZE_MAX;
  return after - before - 1;
}

ClientConfiguration test_configuration(std::string base_url) {
  ClientConfiguration configuration;
  configuration.base_url = std::move(base_url);
  configuration.client_id = "quorvel-test";
  configuration.application_id = "quorvel";
  configuration.connect_timeout = 2000;
  configuration.request_timeout = 2000;
  configuration.allow_loopback_http = true;
  return configuration;
}

void ServiceTest::SetUp() {
  ASSERT_TRUE(account_service().listening()) << "the fake account service could not listen";
  account_service().reset();
}

void ServiceTest::TearDown() { account_service().reset(); }

void FrontTest::SetUp() {
  if (!has_tls_front()) GTEST_SKIP() << kNoFront;
  ServiceTest::SetUp();
}

}  // namespace halvarin::sdk::test
