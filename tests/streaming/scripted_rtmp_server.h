// A misbehaving RTMP server on loopback for the streaming tests (the
// streamer's scenarios and the connection's hostile peers), written from the
// wire layout (not from the client's own code): it serves each connection on
// a thread of its own, plays the script the test gave it (handshake faults,
// replies, raw bytes, refusals, stalls, slow reading, pings, acknowledgement
// windows) and logs, with steady-clock times, what it received.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quorvel::windows::test {

struct ServerScript {
  enum class Handshake { Good, BadS0, BadS2 };
  // What answers the client's "connect".
  enum class Connect {
    Success,
    Error,      // "_error"
    Silent,     // nothing; read until the client goes
    Bytes,      // `connect_bytes` as they are, then read until the client goes
    AckWindow,  // a 5000-byte acknowledgement window and 100 small messages;
                // "_result" follows only when the client's first Acknowledgement
                // carries the count due, handshake included, else "_error"
  };
  enum class Publish { Start, BadName, Close };
  enum class Media {
    Read,          // read everything until the client goes
    ErrorAfterFirst,  // send "_error" after the first media message
    CloseAfterFirst,  // close after the first media message
    Stall,         // stop reading; resume (and read to the end) on `resume_reading`
    Slow,          // read at `bytes_per_second`
  };

  Handshake handshake = Handshake::Good;
  Connect connect = Connect::Success;
  std::vector<uint8_t> connect_bytes;
  // An "onStatus" without a "code" ahead of the connect "_result".
  bool status_without_code = false;
  double stream_id = 1;
  Publish publish = Publish::Start;
  Media media = Media::Read;
  uint32_t bytes_per_second = 0;
  // Sent right after Publish.Start: a Window Acknowledgement Size of this
  // many bytes followed by more than that in harmless commands.
  uint32_t window_ack_size = 0;
  // Sent right after Publish.Start: a ping request with this timestamp.
  std::optional<uint32_t> ping;
  // Connections after the first are accepted and closed at once.
  bool refuse_reconnections = false;
};

// Wire pieces for scripts that send raw bytes: AMF0 values and a command
// message (type 20, chunk stream 3, 128-byte chunks).
std::vector<uint8_t> script_amf_string(const std::string& text);
std::vector<uint8_t> script_amf_number(double value);
std::vector<uint8_t> script_command(std::initializer_list<std::vector<uint8_t>> values,
                                    uint32_t stream_id = 0);

class ScriptedRtmpServer {
 public:
  struct Entry {
    std::chrono::steady_clock::time_point time;
    std::string text;
  };

  explicit ScriptedRtmpServer(ServerScript script);
  ~ScriptedRtmpServer();
  ScriptedRtmpServer(const ScriptedRtmpServer&) = delete;
  ScriptedRtmpServer& operator=(const ScriptedRtmpServer&) = delete;

  bool listening() const { return port_ != 0; }
  uint16_t port() const { return port_; }
  void resume_reading();

  std::vector<Entry> log();
  std::vector<std::string> texts();
  // Waits (real time, bounded) until an entry starting with `prefix` is logged.
  bool wait_logged(const std::string& prefix, int timeout_ms = 10000);
  int count(const std::string& prefix);

 private:
  void serve();
  void handle(SOCKET peer, int number);
  void note(const std::string& text);

  ServerScript script_;
  SOCKET listener_ = INVALID_SOCKET;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> resume_{false};
  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<Entry> log_;
  std::thread thread_;
  std::vector<std::thread> peers_;  // one per accepted connection
};

}  // namespace quorvel::windows::test
