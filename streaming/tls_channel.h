// A TLS 1.2 client channel over Schannel for "rtmps://" connections. It does
// no socket I/O itself: the connection hands it a send and a receive
// callback, so the connection's deadlines and abort flag govern every wait.
// The server's certificate chain is checked here, by the program itself.
//
// Owned by one connection and used by the streaming thread only.
#pragma once

#define SECURITY_WIN32
#include <windows.h>
#include <security.h>
#include <schannel.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "streaming/stream_target.h"

namespace quorvel::windows {

// `certificate` is true when the server's certificate or chain was refused
// (reported as code 9), false for every other TLS failure (code 8). `status`
// is the Schannel status or, for a refused certificate, the chain policy's
// error, kept for diagnostics.
class TlsFailure : public std::exception {
 public:
  TlsFailure(bool certificate, long status) : certificate(certificate), status(status) {}
  const char* what() const noexcept override { return "TLS failure"; }

  bool certificate;
  long status;
};

// The refusal (an HRESULT) for a certificate chain's error status, 0 when the
// chain is acceptable: a revoked element is always refused; unknown or
// offline revocation alone is not.
[[nodiscard]] long chain_error_refusal(unsigned long error_status);

// What a DecryptMessage status means for the connection: nothing for success
// or an incomplete record, `TlsFailure` for everything else, the server's
// closing alert (SEC_I_CONTEXT_EXPIRED) included: a server that ends the
// channel ends the stream as any other TLS fault does.
void check_decrypt_status(long status);

class TlsChannel {
 public:
  using SendFunction = std::function<void(std::span<const uint8_t>)>;
  // Returns the bytes received; none when `wait` is false and nothing is there.
  using ReceiveFunction = std::function<std::vector<uint8_t>(bool wait)>;

  static std::unique_ptr<TlsChannel> create(SendFunction send, ReceiveFunction receive);
  ~TlsChannel();
  TlsChannel(const TlsChannel&) = delete;
  TlsChannel& operator=(const TlsChannel&) = delete;

  void handshake(const StreamTarget& target);
  // Encrypts all of `bytes`, record by record, and hands the records to the
  // send callback in one call.
  void send(std::span<const uint8_t> bytes);
  bool receive(bool wait);
  bool ensure_plaintext();
  std::vector<uint8_t> read_exact(size_t count);
  // Reads exactly `into.size()` plaintext bytes into the span.
  void read_exact(std::span<uint8_t> into);
  void close();

 private:
  TlsChannel(SendFunction send, ReceiveFunction receive);
  void append_ciphertext(bool wait, bool& got);
  void verify_server_certificate(const StreamTarget& target);

  SendFunction send_;
  ReceiveFunction receive_;
  CredHandle credentials_{};
  CtxtHandle context_{};
  bool release_credentials_ = false;
  bool release_context_ = false;
  SecPkgContext_StreamSizes sizes_{};
  std::vector<uint8_t> ciphertext_;
  std::vector<uint8_t> plaintext_;
  size_t plaintext_offset_ = 0;
  // The records of the last send, kept for its capacity.
  std::vector<uint8_t> records_;
};

}  // namespace quorvel::windows
