#include "tests/streaming/scripted_rtmp_server.h"

#include <ws2tcpip.h>

#include <cstring>
#include <map>
#include <stdexcept>

namespace quorvel::windows::test {
namespace {

constexpr size_t kHandshake = 1536;
constexpr uint32_t kOutChunk = 128;

struct PeerClosed : std::runtime_error {
  PeerClosed() : std::runtime_error("peer closed") {}
};

void put_be(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void amf_string(std::vector<uint8_t>& out, const std::string& text) {
  out.push_back(0x02);
  put_be(out, text.size(), 2);
  out.insert(out.end(), text.begin(), text.end());
}

void amf_number(std::vector<uint8_t>& out, double value) {
  out.push_back(0x00);
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof(bits));
  put_be(out, bits, 8);
}

void amf_status(std::vector<uint8_t>& out, const std::string& level, const std::string& code) {
  out.push_back(0x03);
  for (const auto& [key, value] : {std::pair<std::string, std::string>{"level", level},
                                   std::pair<std::string, std::string>{"code", code}}) {
    put_be(out, key.size(), 2);
    out.insert(out.end(), key.begin(), key.end());
    amf_string(out, value);
  }
  out.insert(out.end(), {0, 0, 9});
}

std::vector<uint8_t> chunked(uint8_t csid, uint8_t type, uint32_t stream_id,
                             const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> out;
  out.push_back(csid);
  put_be(out, 0, 3);
  put_be(out, payload.size(), 3);
  out.push_back(type);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(stream_id >> (8 * i)));
  for (size_t offset = 0; offset < payload.size(); offset += kOutChunk) {
    if (offset != 0) out.push_back(static_cast<uint8_t>(0xC0 | csid));
    const size_t n = std::min<size_t>(kOutChunk, payload.size() - offset);
    out.insert(out.end(), payload.begin() + offset, payload.begin() + offset + n);
  }
  return out;
}

// Top-level strings and numbers of a command; objects are skipped whole.
std::vector<std::string> command_words(const std::vector<uint8_t>& p) {
  std::vector<std::string> words;
  size_t i = 0;
  auto be = [&](size_t at, int n) {
    uint64_t v = 0;
    for (int k = 0; k < n; ++k) v = (v << 8) | p.at(at + k);
    return v;
  };
  while (i < p.size()) {
    const uint8_t marker = p[i++];
    if (marker == 0x02) {
      const size_t n = be(i, 2);
      words.emplace_back(p.begin() + i + 2, p.begin() + i + 2 + n);
      i += 2 + n;
    } else if (marker == 0x00) {
      const uint64_t bits = be(i, 8);
      double value = 0;
      std::memcpy(&value, &bits, sizeof(value));
      words.push_back(std::to_string(value));
      i += 8;
    } else if (marker == 0x05) {
      words.emplace_back("null");
    } else if (marker == 0x03) {
      // Skip properties until the end marker.
      while (i + 3 <= p.size() && !(p[i] == 0 && p[i + 1] == 0 && p[i + 2] == 9)) {
        const size_t key = be(i, 2);
        i += 2 + key;
        const uint8_t kind = p.at(i++);
        if (kind == 0x02) {
          i += 2 + be(i, 2);
        } else if (kind == 0x00) {
          i += 8;
        } else if (kind == 0x01) {
          i += 1;
        } else {
          return words;
        }
      }
      i += 3;
      words.emplace_back("object");
    } else {
      break;
    }
  }
  return words;
}

class Peer {
 public:
  Peer(SOCKET socket, std::atomic<bool>& stopping) : socket_(socket), stopping_(stopping) {}

  void send(const std::vector<uint8_t>& bytes) {
    size_t offset = 0;
    while (offset < bytes.size()) {
      const int sent = ::send(socket_, reinterpret_cast<const char*>(bytes.data() + offset),
                              static_cast<int>(bytes.size() - offset), 0);
      if (sent <= 0) throw PeerClosed();
      offset += static_cast<size_t>(sent);
    }
    bytes_sent_ += bytes.size();
  }

  // Reads exactly `count` bytes, no more than `limit` per receive call.
  std::vector<uint8_t> read(size_t count, size_t limit = SIZE_MAX) {
    std::vector<uint8_t> out(count);
    size_t filled = 0;
    while (filled < count) {
      if (stopping_.load()) throw PeerClosed();
      const int want = static_cast<int>(std::min({count - filled, limit, size_t{65536}}));
      const int got = ::recv(socket_, reinterpret_cast<char*>(out.data() + filled), want, 0);
      if (got > 0) {
        filled += static_cast<size_t>(got);
        bytes_read_ += static_cast<uint64_t>(got);
        continue;
      }
      if (got == SOCKET_ERROR && WSAGetLastError() == WSAETIMEDOUT) continue;
      throw PeerClosed();
    }
    return out;
  }

  struct Message {
    uint8_t type = 0;
    std::vector<uint8_t> payload;
  };

  Message read_message(size_t limit = SIZE_MAX) {
    for (;;) {
      const uint8_t basic = read(1)[0];
      const int fmt = basic >> 6;
      uint32_t csid = basic & 0x3F;
      if (csid == 0) {
        csid = 64 + read(1)[0];
      } else if (csid == 1) {
        const auto b = read(2);
        csid = 64 + b[0] + 256u * b[1];
      }
      State& st = streams_[csid];
      if (fmt <= 2) {
        const auto ts = read(3);
        st.extended = ts[0] == 0xFF && ts[1] == 0xFF && ts[2] == 0xFF;
        if (fmt <= 1) {
          const auto h = read(4);
          st.length = (h[0] << 16) | (h[1] << 8) | h[2];
          st.type = h[3];
        }
        if (fmt == 0) read(4);
      }
      if (st.extended) read(4);
      const size_t need = std::min<size_t>(st.length - st.buffer.size(), in_chunk_);
      const auto piece = read(need, limit);
      st.buffer.insert(st.buffer.end(), piece.begin(), piece.end());
      if (st.buffer.size() == st.length) {
        Message message{st.type, std::move(st.buffer)};
        st.buffer.clear();
        if (message.type == 1 && message.payload.size() == 4) {
          const auto& p = message.payload;
          in_chunk_ = (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        }
        return message;
      }
    }
  }

  uint64_t bytes_read() const { return bytes_read_; }
  uint64_t bytes_sent() const { return bytes_sent_; }

 private:
  struct State {
    uint32_t length = 0;
    uint8_t type = 0;
    bool extended = false;
    std::vector<uint8_t> buffer;
  };

  SOCKET socket_;
  std::atomic<bool>& stopping_;
  uint32_t in_chunk_ = 128;
  std::map<uint32_t, State> streams_;
  uint64_t bytes_read_ = 0;
  uint64_t bytes_sent_ = 0;
};

std::vector<uint8_t> command(std::initializer_list<std::vector<uint8_t>> values,
                             uint32_t stream_id = 0) {
  std::vector<uint8_t> payload;
  for (const auto& v : values) payload.insert(payload.end(), v.begin(), v.end());
  return chunked(3, 20, stream_id, payload);
}

std::vector<uint8_t> s(const std::string& text) {
  std::vector<uint8_t> out;
  amf_string(out, text);
  return out;
}
std::vector<uint8_t> n(double value) {
  std::vector<uint8_t> out;
  amf_number(out, value);
  return out;
}
std::vector<uint8_t> status(const std::string& level, const std::string& code) {
  std::vector<uint8_t> out;
  amf_status(out, level, code);
  return out;
}
const std::vector<uint8_t> kNull = {0x05};

uint32_t be32(const std::vector<uint8_t>& p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// The acknowledgement window check: true when the client's first
// Acknowledgement carries the byte count at which the window filled.
bool acknowledgement_due(Peer& peer, std::string& outcome) {
  constexpr uint32_t kWindow = 5000;
  std::vector<uint8_t> size;
  put_be(size, kWindow, 4);
  peer.send(chunked(2, 5, 0, size));
  uint64_t due = 0;
  for (int i = 0; i < 100; ++i) {
    peer.send(chunked(4, 18, 0, std::vector<uint8_t>(100, 0)));  // one chunk each, ignored data
    if (due == 0 && peer.bytes_sent() >= kWindow) due = peer.bytes_sent();
  }
  for (;;) {
    Peer::Message m = peer.read_message();
    if (m.type != 3 || m.payload.size() != 4) continue;
    const uint32_t acknowledged = be32(m.payload);
    outcome = "acknowledged " + std::to_string(acknowledged) + ", due " + std::to_string(due);
    return acknowledged == due;
  }
}

}  // namespace

std::vector<uint8_t> script_amf_string(const std::string& text) { return s(text); }
std::vector<uint8_t> script_amf_number(double value) { return n(value); }
std::vector<uint8_t> script_command(std::initializer_list<std::vector<uint8_t>> values,
                                    uint32_t stream_id) {
  return command(values, stream_id);
}

ScriptedRtmpServer::ScriptedRtmpServer(ServerScript script) : script_(script) {
  WSADATA wsa{};
  if (WSAStartup(0x0202, &wsa) != 0) return;
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener_ == INVALID_SOCKET) return;
  // A small receive window makes a stalled or slow reader hold the client
  // back after little data instead of megabytes.
  int buffer = 16384;
  setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&buffer),
             sizeof(buffer));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listener_, 4) != 0) {
    return;
  }
  int length = sizeof(address);
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { serve(); });
}

ScriptedRtmpServer::~ScriptedRtmpServer() {
  stopping_.exchange(true);
  if (listener_ != INVALID_SOCKET) closesocket(listener_);
  if (thread_.joinable()) thread_.join();
  for (std::thread& peer : peers_) peer.join();
  WSACleanup();
}

void ScriptedRtmpServer::resume_reading() { resume_.exchange(true); }

void ScriptedRtmpServer::note(const std::string& text) {
  std::lock_guard lock(mutex_);
  log_.push_back({std::chrono::steady_clock::now(), text});
  cv_.notify_all();
}

std::vector<ScriptedRtmpServer::Entry> ScriptedRtmpServer::log() {
  std::lock_guard lock(mutex_);
  return log_;
}

std::vector<std::string> ScriptedRtmpServer::texts() {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const Entry& e : log_) out.push_back(e.text);
  return out;
}

bool ScriptedRtmpServer::wait_logged(const std::string& prefix, int timeout_ms) {
  std::unique_lock lock(mutex_);
  return cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
    for (const Entry& e : log_) {
      if (e.text.rfind(prefix, 0) == 0) return true;
    }
    return false;
  });
}

int ScriptedRtmpServer::count(const std::string& prefix) {
  std::lock_guard lock(mutex_);
  int found = 0;
  for (const Entry& e : log_) found += e.text.rfind(prefix, 0) == 0 ? 1 : 0;
  return found;
}

void ScriptedRtmpServer::serve() {
  for (int number = 1; !stopping_.load(); ++number) {
    SOCKET peer = accept(listener_, nullptr, nullptr);
    if (peer == INVALID_SOCKET) return;
    note("accept #" + std::to_string(number));
    if (number > 1 && script_.refuse_reconnections) {
      closesocket(peer);
      continue;
    }
    DWORD timeout = 50;
    setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof(timeout));
    // A connection the client has given up on may still be draining (a
    // slow reader) when the next one arrives.
    std::lock_guard lock(mutex_);
    peers_.emplace_back([this, peer, number] {
      handle(peer, number);
      closesocket(peer);
      note("closed #" + std::to_string(number));
    });
  }
}

void ScriptedRtmpServer::handle(SOCKET socket, int number) {
  Peer peer(socket, stopping_);
  try {
    const auto c0c1 = peer.read(1 + kHandshake);
    std::vector<uint8_t> reply;
    reply.push_back(script_.handshake == ServerScript::Handshake::BadS0 ? 6 : 3);
    for (size_t i = 0; i < kHandshake; ++i) reply.push_back(static_cast<uint8_t>(i * 13));
    if (script_.handshake == ServerScript::Handshake::BadS2) {
      reply.insert(reply.end(), kHandshake, 0x5A);
    } else {
      reply.insert(reply.end(), c0c1.begin() + 1, c0c1.end());
    }
    peer.send(reply);
    peer.read(kHandshake);
    note("handshake");

    auto next_command = [&]() {
      for (;;) {
        Peer::Message m = peer.read_message();
        if (m.type == 20) return command_words(m.payload);
      }
    };
    std::vector<std::string> words = next_command();
    note("command " + (words.empty() ? std::string() : words[0]));
    using Connect = ServerScript::Connect;
    bool refuse = script_.connect == Connect::Error;
    if (script_.connect == Connect::Silent) {
      for (;;) peer.read_message();
    }
    if (script_.connect == Connect::Bytes) {
      peer.send(script_.connect_bytes);
      for (;;) peer.read_message();
    }
    if (script_.connect == Connect::AckWindow) {
      std::string outcome;
      refuse = !acknowledgement_due(peer, outcome);
      note(outcome);
    }
    if (refuse) {
      peer.send(command({s("_error"), n(1), kNull, status("error", "NetConnection.Connect.Rejected")}));
      for (;;) peer.read_message();
    }
    if (script_.status_without_code) {
      std::vector<uint8_t> no_code = {0x03};
      put_be(no_code, 5, 2);
      no_code.insert(no_code.end(), {'l', 'e', 'v', 'e', 'l'});
      const auto level = s("status");
      no_code.insert(no_code.end(), level.begin(), level.end());
      no_code.insert(no_code.end(), {0, 0, 9});
      peer.send(command({s("onStatus"), n(0), kNull, no_code}));
    }
    peer.send(command({s("_result"), n(1), kNull, status("status", "NetConnection.Connect.Success")}));

    uint32_t stream_id = 0;
    for (;;) {
      words = next_command();
      if (words.empty()) continue;
      note("command " + words[0]);
      if (words[0] == "createStream") {
        peer.send(command({s("_result"), n(std::stod(words[1])), kNull, n(script_.stream_id)}));
        stream_id = static_cast<uint32_t>(script_.stream_id);
      } else if (words[0] == "publish") {
        break;
      }
    }
    if (script_.publish == ServerScript::Publish::Close) return;
    peer.send(command({s("onStatus"), n(0), kNull,
                       status(script_.publish == ServerScript::Publish::BadName ? "error" : "status",
                              script_.publish == ServerScript::Publish::BadName
                                  ? "NetStream.Publish.BadName"
                                  : "NetStream.Publish.Start")},
                      stream_id));
    if (script_.publish == ServerScript::Publish::BadName) {
      for (;;) peer.read_message();
    }

    if (script_.ping) {
      std::vector<uint8_t> ping = {0, 6};
      put_be(ping, *script_.ping, 4);
      peer.send(chunked(2, 4, 0, ping));
    }
    if (script_.window_ack_size != 0) {
      std::vector<uint8_t> size;
      put_be(size, script_.window_ack_size, 4);
      peer.send(chunked(2, 5, 0, size));
      uint64_t filler_bytes = 0;
      while (filler_bytes <= script_.window_ack_size) {
        const auto filler = command({s("onFiller"), n(0), kNull, s(std::string(1000, 'f'))});
        peer.send(filler);
        filler_bytes += filler.size();
      }
      note("window sent");
    }

    bool first_media = true;
    bool stalled = script_.media == ServerScript::Media::Stall;
    const size_t slow_piece =
        script_.media == ServerScript::Media::Slow ? std::max<size_t>(script_.bytes_per_second / 20, 1)
                                                   : SIZE_MAX;
    const auto media_start = std::chrono::steady_clock::now();
    const uint64_t media_start_bytes = peer.bytes_read();
    for (;;) {
      if (stalled) {
        while (!resume_.load() && !stopping_.load()) {
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        stalled = false;
      }
      Peer::Message m = peer.read_message(slow_piece);
      if (slow_piece != SIZE_MAX) {
        // Pace the reading to bytes_per_second on average.
        const uint64_t read = peer.bytes_read() - media_start_bytes;
        std::this_thread::sleep_until(
            media_start + std::chrono::microseconds(read * 1'000'000 / script_.bytes_per_second));
      }
      if (m.type == 8 || m.type == 9) {
        if (first_media) {
          note("media #" + std::to_string(number));
          first_media = false;
          if (script_.media == ServerScript::Media::ErrorAfterFirst) {
            peer.send(command({s("_error"), n(0), kNull, status("error", "NetStream.Failed")}));
          } else if (script_.media == ServerScript::Media::CloseAfterFirst) {
            return;
          }
        }
      } else if (m.type == 20) {
        words = command_words(m.payload);
        if (!words.empty()) note("command " + words[0]);
      } else if (m.type == 3 && m.payload.size() == 4) {
        const auto& p = m.payload;
        note("ack " + std::to_string((static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) |
                                     (p[2] << 8) | p[3]));
      } else if (m.type == 4 && m.payload.size() == 6 && m.payload[1] == 7) {
        const auto& p = m.payload;
        note("pong " + std::to_string((static_cast<uint32_t>(p[2]) << 24) | (p[3] << 16) |
                                      (p[4] << 8) | p[5]));
      }
    }
  } catch (const PeerClosed&) {
    note("eof #" + std::to_string(number));
  } catch (const std::exception&) {
    note("bad input #" + std::to_string(number));
  }
}

}  // namespace quorvel::windows::test
