// Publishing to real servers on loopback: nginx with the RTMP module, TLS
// endpoints in front of it, and the scripted hostile server. The servers are
// started by the CTest fixture, which tells where through
// QUORVEL_RTMP_SERVER_DIR; without it these tests are skipped.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "streaming/flv_payload.h"
#include "streaming/rtmp_connection.h"
#include "streaming/tls_channel.h"
#include "tests/streaming/av_clip.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

std::map<std::string, std::string> server_ports() {
  std::map<std::string, std::string> ports;
  const std::wstring dir = quorvel::test::environment(L"QUORVEL_RTMP_SERVER_DIR");
  if (dir.empty()) return ports;
  std::ifstream file(test::host_path(quorvel::test::utf8(dir) + "/ports.env"));
  std::string line;
  while (std::getline(file, line)) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos) ports[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return ports;
}

std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

class ServerTest : public testing::Test {
 protected:
  void SetUp() override {
    ports_ = server_ports();
    if (ports_.empty()) GTEST_SKIP() << "no RTMP server fixture (QUORVEL_RTMP_SERVER_DIR)";
    WSADATA data;
    ASSERT_EQ(WSAStartup(0x0202, &data), 0);
    started_ = true;
  }
  void TearDown() override {
    if (started_) WSACleanup();
  }

  StreamTarget target(const char* endpoint, const char* scheme, const char* app,
                      const char* key) {
    StreamSettings settings;
    settings.server_url =
        wide(std::string(scheme) + "://localhost:" + ports_.at(endpoint) + "/" + app);
    settings.stream_key = wide(key);
    const auto parsed = parse_stream_target(settings);
    EXPECT_TRUE(parsed.has_value());
    return parsed.value_or(StreamTarget{});
  }

  std::map<std::string, std::string> ports_;
  bool started_ = false;
};

// Answers and checks what the server sends while we publish.
void drain_inbound(Connection& connection) {
  while (connection.inbound_pending()) {
    const auto values = connection.decode_command(connection.read_message());
    if (values.empty()) continue;
    ASSERT_NE(values[0].text, "_error");
    if (values[0].text == "onStatus") {
      ASSERT_EQ(find_status_code(values), "NetStream.Publish.Start");
    }
  }
}

void publish_clip(const StreamTarget& target) {
  const auto clip = test::load_av_clip(test::av_clip_path());
  ASSERT_FALSE(clip.empty());
  std::atomic<bool> abort_requested{false};
  auto connection = create_connection(abort_requested);
  connection->connect(target);
  const uint32_t stream_id = connection->publish(target);
  FlvState state;
  std::vector<FlvMessage> messages;
  size_t sent = 0;
  for (const test::ClipPacket& p : clip) {
    connection->renew_io_deadline();
    drain_inbound(*connection);
    ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, *p.packet, messages));
    for (const FlvMessage& m : messages) {
      connection->send_message(m.message_type, stream_id, m.timestamp, m.body);
      ++sent;
    }
  }
  EXPECT_EQ(sent, clip.size() + 2);
  connection->delete_stream(stream_id);
}

// The code of the Failure thrown by connect + publish, or -1.
int publish_failure(const StreamTarget& target, std::string* detail = nullptr) {
  std::atomic<bool> abort_requested{false};
  try {
    auto connection = create_connection(abort_requested);
    connection->connect(target);
    connection->publish(target);
  } catch (const Failure& failure) {
    if (detail != nullptr) *detail = failure.detail;
    return failure.code;
  }
  return -1;
}

// The TlsFailure thrown by connect, or none.
std::optional<TlsFailure> tls_failure(const StreamTarget& target) {
  std::atomic<bool> abort_requested{false};
  try {
    create_connection(abort_requested)->connect(target);
  } catch (const TlsFailure& failure) {
    return failure;
  } catch (const Failure& failure) {
    ADD_FAILURE() << "Failure code " << failure.code << " " << failure.detail;
  }
  return std::nullopt;
}

using RtmpServerTest = ServerTest;
using RtmpsServerTest = ServerTest;

// The recording check step compares what nginx recorded with the clip.
TEST_F(RtmpServerTest, PublishesTheClip) {
  publish_clip(target("rtmp", "rtmp", "live", "quorvel_rtmp"));
}

// The server's certificate names a revocation list nobody serves: its
// revocation status is unknown, which must not refuse a valid chain.
TEST_F(RtmpsServerTest, PublishesTheClipOverTls) {
  publish_clip(target("rtmps", "rtmps", "live", "quorvel_rtmps"));
}

TEST_F(RtmpServerTest, RefusesADuplicateStreamKey) {
  const StreamTarget first_target = target("rtmp", "rtmp", "live", "duplicate");
  std::atomic<bool> abort_requested{false};
  auto first = create_connection(abort_requested);
  first->connect(first_target);
  first->publish(first_target);
  std::string detail;
  EXPECT_EQ(publish_failure(first_target, &detail), kFailureRejected);
  EXPECT_EQ(detail, "NetStream.Publish.BadName");
}

TEST_F(RtmpServerTest, UnknownApplicationEndsTheConnection) {
  std::string detail;
  EXPECT_EQ(publish_failure(target("rtmp", "rtmp", "nosuchapp", "key"), &detail),
            kFailureNetwork);
  EXPECT_EQ(detail, "peer closed");
}

TEST_F(RtmpsServerTest, UnknownApplicationEndsTheConnection) {
  EXPECT_EQ(publish_failure(target("rtmps", "rtmps", "nosuchapp", "key")), kFailureNetwork);
}

TEST_F(RtmpsServerTest, RefusesAServerOfferingOnlyTls11) {
  const auto failure = tls_failure(target("tls11", "rtmps", "live", "key"));
  ASSERT_TRUE(failure.has_value());
  EXPECT_FALSE(failure->certificate);
  EXPECT_LT(failure->status, 0) << std::hex << failure->status;
}

TEST_F(RtmpsServerTest, RefusesBadCertificatesWithTheirPolicyStatus) {
  struct Case {
    const char* endpoint;
    long status;
  };
  const Case cases[] = {
      {"untrusted", static_cast<long>(CERT_E_UNTRUSTEDROOT)},
      {"unknown_issuer", static_cast<long>(CERT_E_CHAINING)},
      {"wrong_name", static_cast<long>(CERT_E_CN_NO_MATCH)},
      {"client_auth_only", static_cast<long>(CERT_E_WRONG_USAGE)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.endpoint);
    const auto failure = tls_failure(target(c.endpoint, "rtmps", "live", "key"));
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(failure->certificate);
    EXPECT_EQ(failure->status, c.status) << std::hex << failure->status;
  }
}

}  // namespace
}  // namespace quorvel::windows

namespace quorvel::windows {
namespace {

using ScriptedServerTest = ServerTest;

TEST_F(ScriptedServerTest, HostileInputIsAProtocolFailure) {
  const char* scenarios[] = {"nest16", "chunk65", "big_message", "fmt1_unknown", "big_array"};
  for (const char* scenario : scenarios) {
    SCOPED_TRACE(scenario);
    std::string detail;
    EXPECT_EQ(publish_failure(target("script", "rtmp", scenario, "key"), &detail),
              kFailureProtocol)
        << detail;
  }
}

TEST_F(ScriptedServerTest, FaultyHandshakeIsAProtocolFailure) {
  for (const char* endpoint : {"bad_s0", "bad_s2"}) {
    SCOPED_TRACE(endpoint);
    std::string detail;
    EXPECT_EQ(publish_failure(target(endpoint, "rtmp", "ok", "key"), &detail), kFailureProtocol);
    EXPECT_EQ(detail, std::string(endpoint) == "bad_s0" ? "handshake version" : "handshake echo");
  }
}

TEST_F(ScriptedServerTest, NoListeningServerIsANetworkFailure) {
  std::string detail;
  EXPECT_EQ(publish_failure(target("closed", "rtmp", "ok", "key"), &detail), kFailureNetwork);
  EXPECT_EQ(detail, "no address connected");
}

TEST_F(ScriptedServerTest, CloseWhilePublishingIsNotAccepted) {
  EXPECT_EQ(publish_failure(target("script", "rtmp", "close_on_publish", "key")),
            kFailureNotAccepted);
}

TEST_F(ScriptedServerTest, StatusWithoutCodeDoesNotEndTheConnectWait) {
  EXPECT_EQ(publish_failure(target("script", "rtmp", "nocode", "key")), -1);
}

TEST_F(ScriptedServerTest, AbortEndsAWaitForTheServer) {
  const StreamTarget silent = target("script", "rtmp", "silent", "key");
  std::atomic<bool> abort_requested{false};
  auto connection = create_connection(abort_requested);
  connection->connect(silent);
  // The server never answers "connect"; the abort flag, raised from another
  // thread, must end the connection's work instead of its 10 s deadline.
  std::thread aborter([&] { abort_requested = true; });
  int code = -1;
  try {
    connection->publish(silent);
  } catch (const Failure& failure) {
    code = failure.code;
  }
  aborter.join();
  EXPECT_EQ(code, kFailureAborted);
}

TEST_F(ScriptedServerTest, SilentServerTimesOut) {
  // Once connected, every look at the clock moves it on by one second, so
  // the deadlines pass after a few waits for the server's reply.
  struct FakeClock {
    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
    std::chrono::seconds step{0};
  };
  auto fake = std::make_shared<FakeClock>();
  ConnectionClock clock = [fake] { return fake->now += fake->step; };
  const StreamTarget silent = target("script", "rtmp", "silent", "key");
  std::atomic<bool> abort_requested{false};
  auto connection = create_connection(abort_requested, clock);
  connection->connect(silent);
  fake->step = std::chrono::seconds(1);
  int code = -1;
  std::string detail;
  try {
    connection->publish(silent);
  } catch (const Failure& failure) {
    code = failure.code;
    detail = failure.detail;
  }
  EXPECT_EQ(code, kFailureTimeout);
  // The 15 s connection deadline set at creation passes before the I/O
  // deadline renewed by each command.
  EXPECT_EQ(detail, "connect deadline");
}

TEST_F(ScriptedServerTest, TlsCloseNotifyIsANetworkFailure) {
  std::string detail;
  EXPECT_EQ(publish_failure(target("script_tls", "rtmps", "close_notify", "key"), &detail),
            kFailureNetwork);
  // Wine reports the alert as an empty record, so here the TCP close that
  // follows it ends the connection; on Windows the alert itself does.
  EXPECT_TRUE(detail == "TLS close_notify" || detail == "peer closed") << detail;
}

}  // namespace
}  // namespace quorvel::windows
