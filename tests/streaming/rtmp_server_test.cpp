// Publishing to real servers on loopback: nginx with the RTMP module and TLS
// endpoints in front of it, started by the CTest fixture, which tells where
// through QUORVEL_RTMP_SERVER_DIR (without it those tests are skipped); and
// the hostile peers of the scripted RTMP server, which runs in the test.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <fstream>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "streaming/flv_payload.h"
#include "streaming/rtmp_connection.h"
#include "streaming/tls_channel.h"
#include "tests/streaming/av_clip.h"
#include "tests/streaming/scripted_rtmp_server.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

std::map<std::string, std::string> server_ports() {
  return quorvel::test::fixture_ports(L"QUORVEL_RTMP_SERVER_DIR");
}

std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

using Bytes = std::vector<uint8_t>;

// A clock whose readings the test computes; its waits are real ones (the
// connection only reads it).
class ScriptedClock final : public Clock {
 public:
  explicit ScriptedClock(std::function<int64_t()> now) : now_(std::move(now)) {}
  int64_t now() override { return now_(); }
  void wait_until(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                  int64_t deadline) override {
    steady_->wait_until(cv, lock, deadline);
  }

 private:
  std::function<int64_t()> now_;
  std::shared_ptr<Clock> steady_ = make_steady_clock();
};

int64_t steady_now_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

constexpr int64_t kSecondNs = 1'000'000'000;

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

// The code and detail of the Failure `action` throws; code -1 for none.
struct CaughtFailure {
  int code = -1;
  std::string detail;
};

template <typename Action>
CaughtFailure failure_of(Action&& action) {
  CaughtFailure caught;
  try {
    action();
  } catch (const Failure& failure) {
    caught.code = failure.code;
    caught.detail = failure.detail;
  }
  return caught;
}

// The code of the Failure thrown by connect + publish, or -1.
int publish_failure(const StreamTarget& target, std::string* detail = nullptr) {
  std::atomic<bool> abort_requested{false};
  const CaughtFailure caught = failure_of([&] {
    auto connection = create_connection(abort_requested);
    connection->connect(target);
    connection->publish(target);
  });
  if (caught.code != -1 && detail != nullptr) *detail = caught.detail;
  return caught.code;
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

// The TlsFailure thrown by connect + publish, or none.
std::optional<TlsFailure> publish_tls_failure(const StreamTarget& target) {
  std::atomic<bool> abort_requested{false};
  try {
    auto connection = create_connection(abort_requested);
    connection->connect(target);
    connection->publish(target);
    ADD_FAILURE() << "published";
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
  // Over TLS the server's end comes as its closing alert, before the TCP close.
  const auto failure = publish_tls_failure(target("rtmps", "rtmps", "nosuchapp", "key"));
  ASSERT_TRUE(failure.has_value());
  EXPECT_FALSE(failure->certificate);
  EXPECT_EQ(failure->status, SEC_I_CONTEXT_EXPIRED);
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

using test::script_amf_number;
using test::script_amf_string;
using test::script_command;
using test::ScriptedRtmpServer;
using test::ServerScript;

// The hostile peers play their scripts on the in-process scripted server;
// only the TLS one needs the fixture's TLS endpoint.
class ScriptedServerTest : public testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(0x0202, &data), 0);
    started_ = true;
  }
  void TearDown() override {
    server_.reset();
    if (started_) WSACleanup();
  }

  // Starts the scripted server; the target names it as the user would.
  StreamTarget serve(ServerScript script, const char* app = "live") {
    server_ = std::make_unique<ScriptedRtmpServer>(std::move(script));
    EXPECT_TRUE(server_->listening());
    return target_on(server_->port(), app);
  }

  static StreamTarget target_on(uint16_t port, const char* app) {
    return url_target("rtmp://localhost:" + std::to_string(port) + "/" + app);
  }

  static StreamTarget url_target(const std::string& url) {
    StreamSettings settings;
    settings.server_url = wide(url);
    settings.stream_key = L"key";
    const auto parsed = parse_stream_target(settings);
    EXPECT_TRUE(parsed.has_value());
    return parsed.value_or(StreamTarget{});
  }

  std::unique_ptr<ScriptedRtmpServer> server_;
  bool started_ = false;
};

// A command whose third value is an object nested `levels` deep.
Bytes nested_objects(int levels) {
  Bytes inner = {0x05};
  for (int i = 0; i < levels; ++i) {
    Bytes outer = {0x03, 0x00, 0x01, 'k'};
    outer.insert(outer.end(), inner.begin(), inner.end());
    outer.insert(outer.end(), {0x00, 0x00, 0x09});
    inner = std::move(outer);
  }
  return inner;
}

TEST_F(ScriptedServerTest, HostileInputIsAProtocolFailure) {
  // Each answers "connect" with bytes that break one inbound limit.
  Bytes chunk65;
  for (int csid = 2; csid < 2 + 65; ++csid) {
    if (csid < 64) {
      chunk65.push_back(static_cast<uint8_t>(csid));
    } else {
      chunk65.insert(chunk65.end(), {0x00, static_cast<uint8_t>(csid - 64)});
    }
    // Format 0, timestamp 0, length 1, type 20, stream 0, one null value.
    chunk65.insert(chunk65.end(), {0, 0, 0, 0, 0, 1, 0x14, 0, 0, 0, 0, 0x05});
  }
  Bytes big_message = {0x03, 0, 0, 0, 0x10, 0x00, 0x01, 0x14, 0, 0, 0, 0};  // 1 MiB + 1
  big_message.resize(big_message.size() + 128, 0);
  const struct {
    const char* name;
    Bytes bytes;
  } scenarios[] = {
      {"nest16", script_command({script_amf_string("_result"), script_amf_number(1),
                                 nested_objects(16)})},
      {"chunk65", chunk65},
      {"big_message", big_message},
      // Format 1 on chunk stream 10, never used before.
      {"fmt1_unknown", {0x4A, 0, 0, 0, 0, 0, 0x04, 0x14, 0x05, 0x05, 0x05, 0x05}},
      // A strict array announcing 4097 elements.
      {"big_array", script_command({script_amf_string("_result"), script_amf_number(1),
                                    {0x0A, 0x00, 0x00, 0x10, 0x01}})},
  };
  for (const auto& scenario : scenarios) {
    SCOPED_TRACE(scenario.name);
    ServerScript script;
    script.connect = ServerScript::Connect::Bytes;
    script.connect_bytes = scenario.bytes;
    std::string detail;
    EXPECT_EQ(publish_failure(serve(script, scenario.name), &detail), kFailureProtocol)
        << detail;
  }
}

TEST_F(ScriptedServerTest, FaultyHandshakeIsAProtocolFailure) {
  for (const auto handshake : {ServerScript::Handshake::BadS0, ServerScript::Handshake::BadS2}) {
    const bool bad_s0 = handshake == ServerScript::Handshake::BadS0;
    SCOPED_TRACE(bad_s0 ? "bad_s0" : "bad_s2");
    ServerScript script;
    script.handshake = handshake;
    std::string detail;
    EXPECT_EQ(publish_failure(serve(script), &detail), kFailureProtocol);
    EXPECT_EQ(detail, bad_s0 ? "handshake version" : "handshake echo");
  }
}

TEST_F(ScriptedServerTest, NoListeningServerIsANetworkFailure) {
  // A port that was just free: bound, then released without listening.
  SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_NE(probe, INVALID_SOCKET);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  int length = sizeof(address);
  ASSERT_EQ(getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length), 0);
  closesocket(probe);
  std::string detail;
  EXPECT_EQ(publish_failure(target_on(ntohs(address.sin_port), "live"), &detail),
            kFailureNetwork);
  EXPECT_EQ(detail, "no address connected");
}

TEST_F(ScriptedServerTest, CloseWhilePublishingIsNotAccepted) {
  ServerScript script;
  script.publish = ServerScript::Publish::Close;
  EXPECT_EQ(publish_failure(serve(script)), kFailureNotAccepted);
}

TEST_F(ScriptedServerTest, StatusWithoutCodeDoesNotEndTheConnectWait) {
  ServerScript script;
  script.status_without_code = true;
  EXPECT_EQ(publish_failure(serve(script)), -1);
}

TEST_F(ScriptedServerTest, AbortEndsAWaitForTheServer) {
  ServerScript script;
  script.connect = ServerScript::Connect::Silent;
  const StreamTarget silent = serve(script);
  std::atomic<bool> abort_requested{false};
  // The clock tells when the connection has looked at it often enough after
  // "connect" went out to be sitting in its wait for the reply.
  std::atomic<int> reads_after_connect{-1};
  std::promise<void> waiting;
  auto clock = std::make_shared<ScriptedClock>([&] {
    if (reads_after_connect.load() >= 0 && ++reads_after_connect == 20) waiting.set_value();
    return steady_now_ns();
  });
  auto connection = create_connection(abort_requested, clock);
  connection->connect(silent);
  reads_after_connect = 0;
  // The server never answers "connect"; the abort flag, raised from another
  // thread while the connection waits, must end the wait instead of the 10 s
  // deadline.
  std::thread aborter([&] {
    waiting.get_future().wait();
    abort_requested = true;
  });
  const auto [code, detail] = failure_of([&] { connection->publish(silent); });
  if (reads_after_connect < 20) waiting.set_value();  // let the thread end on any outcome
  aborter.join();
  EXPECT_EQ(code, kFailureAborted) << detail;
  EXPECT_GE(reads_after_connect.load(), 20);
}

TEST_F(ScriptedServerTest, AbortDuringNameResolutionIsAnAbort) {
  const StreamTarget target = serve(ServerScript{});
  std::atomic<bool> abort_requested{true};
  const int code = failure_of([&] { create_connection(abort_requested)->connect(target); }).code;
  EXPECT_EQ(code, kFailureAborted);
}

TEST_F(ScriptedServerTest, NameResolutionAndConnectObeyTheIoDeadline) {
  const StreamTarget target = serve(ServerScript{});
  // Every look at the clock after creation is 11 s later: the 10 s I/O
  // deadline has passed by the first check while resolving or connecting.
  auto clock = std::make_shared<ScriptedClock>(
      [now = steady_now_ns()]() mutable { return now += 11 * kSecondNs; });
  std::atomic<bool> abort_requested{false};
  const auto [code, detail] = failure_of([&] { create_connection(abort_requested, clock)->connect(target); });
  EXPECT_EQ(code, kFailureTimeout) << detail;
}

TEST_F(ScriptedServerTest, AcknowledgesTheWindowCountingTheHandshake) {
  // The server answers "connect" only when the first Acknowledgement of its
  // 5000-byte window carries the count due, the 3073 handshake bytes included.
  ServerScript script;
  script.connect = ServerScript::Connect::AckWindow;
  std::string detail;
  EXPECT_EQ(publish_failure(serve(script), &detail), -1) << detail;
  EXPECT_EQ(server_->count("acknowledged "), 1);
}

TEST_F(ScriptedServerTest, SilentServerTimesOut) {
  // Once connected, every look at the clock moves it on by one second, so
  // the deadlines pass after a few waits for the server's reply.
  auto now = std::make_shared<int64_t>(steady_now_ns());
  auto step = std::make_shared<std::atomic<int64_t>>(0);
  auto clock = std::make_shared<ScriptedClock>([now, step] { return *now += step->load(); });
  ServerScript script;
  script.connect = ServerScript::Connect::Silent;
  const StreamTarget silent = serve(script);
  std::atomic<bool> abort_requested{false};
  auto connection = create_connection(abort_requested, clock);
  connection->connect(silent);
  // Two seconds pass before publishing: a message now leaves in one write,
  // so the clock is read (and moved on) less often than per chunk piece,
  // and the creation's lead over the first renewal must not hang on that.
  *now += 2 * kSecondNs;
  *step = kSecondNs;
  const auto [code, detail] = failure_of([&] { connection->publish(silent); });
  EXPECT_EQ(code, kFailureTimeout);
  // The 15 s connection deadline set at creation passes before the I/O
  // deadline renewed by each command.
  EXPECT_EQ(detail, "connect deadline");
}

TEST_F(ScriptedServerTest, TlsCloseNotifyIsATlsFailure) {
  // The fixture's TLS script server sends the closing alert right after
  // "connect", then closes: the alert, read first, ends the connection.
  const auto ports = server_ports();
  if (ports.empty()) GTEST_SKIP() << "no RTMP server fixture (QUORVEL_RTMP_SERVER_DIR)";
  const auto caught = publish_tls_failure(
      url_target("rtmps://localhost:" + ports.at("script_tls") + "/close_notify"));
  ASSERT_TRUE(caught.has_value());
  EXPECT_FALSE(caught->certificate);
  EXPECT_EQ(caught->status, SEC_I_CONTEXT_EXPIRED);
}

}  // namespace
}  // namespace quorvel::windows

namespace quorvel::windows {
namespace {

// The script server's greeting port sends these right after the TLS handshake.
const std::string kGreeting = "greeting from the TLS server";
Bytes bulk_bytes() {
  Bytes out(40000);
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>(i * 7 + 1);
  return out;
}

// The TLS channel's peer over a blocking loopback socket, handing the
// server's bytes to the channel in pieces the test chooses: at most
// `piece_limit` bytes per call, at most `nowait_budget` bytes to calls that
// may not wait, and, with `coalesce_last_flight`, the server's last handshake
// flight only together with its first application record, so that one read
// holds both.
class RecordFeeder {
 public:
  explicit RecordFeeder(uint16_t port) {
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    DWORD timeout_ms = 10000;
    setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout_ms),
               sizeof(timeout_ms));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(socket_, reinterpret_cast<const sockaddr*>(&address),
                           sizeof(address)) == 0;
  }
  ~RecordFeeder() { closesocket(socket_); }

  bool connected() const { return connected_; }

  void send(std::span<const uint8_t> bytes) {
    size_t offset = 0;
    while (offset < bytes.size()) {
      const int sent = ::send(socket_, reinterpret_cast<const char*>(bytes.data() + offset),
                              static_cast<int>(bytes.size() - offset), 0);
      if (sent <= 0) throw Failure(kFailureNetwork, "test send");
      offset += static_cast<size_t>(sent);
    }
  }

  Bytes receive(bool wait) {
    if (!wait) {
      const size_t count = std::min({piece_limit, nowait_budget, pending_.size()});
      nowait_budget -= count;
      return hand_out(count);
    }
    while (pending_.empty() || (coalesce_last_flight && count_records(20) > 0 &&
                                count_records(23) == 0)) {
      read_more();
    }
    return hand_out(std::min(piece_limit, pending_.size()));
  }

  // Reads until the server's first `count` application records are here.
  void buffer_application_records(size_t count) {
    while (count_records(23) < count) read_more();
  }

  size_t piece_limit = SIZE_MAX;
  size_t nowait_budget = 0;
  bool coalesce_last_flight = false;

 private:
  void read_more() {
    uint8_t buffer[4096];
    const int got = ::recv(socket_, reinterpret_cast<char*>(buffer), sizeof(buffer), 0);
    if (got <= 0) throw Failure(kFailureNetwork, "test receive");
    stream_.insert(stream_.end(), buffer, buffer + got);
    pending_.insert(pending_.end(), buffer, buffer + got);
  }

  Bytes hand_out(size_t count) {
    Bytes out(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(count));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(count));
    return out;
  }

  // Complete records of a content type among everything the server sent.
  size_t count_records(uint8_t type) const {
    size_t count = 0;
    size_t offset = 0;
    while (offset + 5 <= stream_.size()) {
      const size_t length = (size_t{stream_[offset + 3]} << 8) | stream_[offset + 4];
      if (offset + 5 + length > stream_.size()) break;
      count += stream_[offset] == type;
      offset += 5 + length;
    }
    return count;
  }

  SOCKET socket_ = INVALID_SOCKET;
  bool connected_ = false;
  Bytes stream_;
  Bytes pending_;
};

class TlsRecordTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    feeder_ = std::make_unique<RecordFeeder>(
        static_cast<uint16_t>(std::stoi(ports_.at("greeting"))));
    ASSERT_TRUE(feeder_->connected());
    channel_ = TlsChannel::create(
        [this](std::span<const uint8_t> bytes) {
          sends_.emplace_back(bytes.begin(), bytes.end());
          feeder_->send(bytes);
        },
        [this](bool wait) { return feeder_->receive(wait); });
    target_.host = L"localhost";
    target_.tls = true;
  }
  void TearDown() override {
    channel_.reset();
    feeder_.reset();
    ServerTest::TearDown();
  }

  std::string read_text(size_t count) {
    const Bytes bytes = channel_->read_exact(count);
    return std::string(bytes.begin(), bytes.end());
  }

  std::unique_ptr<RecordFeeder> feeder_;
  std::unique_ptr<TlsChannel> channel_;
  StreamTarget target_;
  // Every span the channel handed to the network, in order.
  std::vector<Bytes> sends_;
};

using ScriptedServerTlsRecordTest = TlsRecordTest;

TEST_F(ScriptedServerTlsRecordTest, DecryptsAnApplicationRecordThatCameWithTheHandshake) {
  feeder_->coalesce_last_flight = true;
  channel_->handshake(target_);
  // Nothing more may arrive without waiting: the record must already be held.
  feeder_->nowait_budget = 0;
  ASSERT_TRUE(channel_->ensure_plaintext());
  EXPECT_EQ(read_text(kGreeting.size()), kGreeting);
  EXPECT_EQ(channel_->read_exact(bulk_bytes().size()), bulk_bytes());
}

TEST_F(ScriptedServerTlsRecordTest, AssemblesRecordsSplitAcrossReads) {
  feeder_->piece_limit = 7;
  channel_->handshake(target_);
  // Half of the greeting's record, then nothing: no plaintext yet, and the
  // half must be kept for when the rest arrives.
  feeder_->buffer_application_records(1);
  feeder_->nowait_budget = 10;
  EXPECT_FALSE(channel_->ensure_plaintext());
  EXPECT_FALSE(channel_->ensure_plaintext());
  EXPECT_EQ(read_text(kGreeting.size()), kGreeting);
  EXPECT_EQ(channel_->read_exact(bulk_bytes().size()), bulk_bytes());
}

struct TlsRecord {
  uint8_t type;
  uint16_t version;
  size_t length;
};

// The records of a span of TLS bytes; the span must end with a whole record.
std::vector<TlsRecord> split_records(const Bytes& bytes) {
  std::vector<TlsRecord> records;
  size_t offset = 0;
  while (offset + 5 <= bytes.size()) {
    const size_t length = (size_t{bytes[offset + 3]} << 8) | bytes[offset + 4];
    records.push_back({bytes[offset],
                       static_cast<uint16_t>((bytes[offset + 1] << 8) | bytes[offset + 2]),
                       length});
    offset += 5 + length;
  }
  EXPECT_EQ(offset, bytes.size());
  return records;
}

TEST_F(ScriptedServerTlsRecordTest, BatchLeavesInOneSendAndDecryptsToTheChunkedBytes) {
  channel_->handshake(target_);
  EXPECT_EQ(read_text(kGreeting.size()), kGreeting);
  EXPECT_EQ(channel_->read_exact(bulk_bytes().size()), bulk_bytes());

  // A video and an audio message as the connection batches them: more than
  // four records' worth.
  Bytes batch;
  append_chunked_message(kRtmpVideo, 1, 40, bulk_bytes(), batch);
  append_chunked_message(kRtmpAudio, 1, 41, Bytes(29000, 0x5A), batch);
  sends_.clear();
  channel_->send(batch);

  ASSERT_EQ(sends_.size(), 1u);
  const std::vector<TlsRecord> records = split_records(sends_[0]);
  constexpr size_t kMaxRecordPlaintext = 16384;
  EXPECT_EQ(records.size(), (batch.size() + kMaxRecordPlaintext - 1) / kMaxRecordPlaintext);
  for (const TlsRecord& record : records) {
    EXPECT_EQ(record.type, 23);  // application data
    EXPECT_EQ(record.version, 0x0303);
  }
  // The server decrypts the records and echoes the plaintext: it is the
  // chunk stream, byte for byte.
  EXPECT_EQ(channel_->read_exact(batch.size()), batch);
}

}  // namespace
}  // namespace quorvel::windows
