#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
#include "streaming/tls_channel.h"

#include <wincrypt.h>

#include <algorithm>
#include <cstring>

namespace quorvel::windows {
namespace {

constexpr size_t kMaxCiphertext = 0x40000;
// The content type in a TLS record's clear header.
constexpr uint8_t kAlertRecord = 21;
constexpr DWORD kCredentialFlags =
    SCH_USE_STRONG_CRYPTO | SCH_CRED_NO_DEFAULT_CREDS | SCH_CRED_MANUAL_CRED_VALIDATION;
constexpr DWORD kRequestFlags = ISC_REQ_REPLAY_DETECT | ISC_REQ_SEQUENCE_DETECT |
                                ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY |
                                ISC_REQ_EXTENDED_ERROR | ISC_REQ_STREAM;
constexpr DWORD kChainFlags = CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT |
                              CERT_CHAIN_REVOCATION_ACCUMULATIVE_TIMEOUT |
                              CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL;
// The chain is built from cached revocation data only, so "unknown" or
// "offline" revocation is the normal state of a valid chain; a chain element
// that is known to be revoked is refused separately.
constexpr DWORD kIgnoreRevocation = 0x00000080;  // SECURITY_FLAG_IGNORE_REVOCATION
constexpr DWORD kRevocationUnknown =
    CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;

[[noreturn]] void fail(long status) { throw TlsFailure(false, status); }
[[noreturn]] void refuse_certificate(long status) { throw TlsFailure(true, status); }

struct CertificateReleaser {
  void operator()(const CERT_CONTEXT* certificate) const { CertFreeCertificateContext(certificate); }
};
struct ChainReleaser {
  void operator()(const CERT_CHAIN_CONTEXT* chain) const { CertFreeCertificateChain(chain); }
};

}  // namespace

long chain_error_refusal(unsigned long error_status) {
  if (error_status & CERT_TRUST_IS_REVOKED) return static_cast<long>(CRYPT_E_REVOKED);
  // Revocation data comes from the cache only, so "unknown" or "offline" is
  // the normal state of a valid chain and never a reason to refuse it.
  const DWORD errors = error_status & ~kRevocationUnknown;
  if (errors & CERT_TRUST_IS_UNTRUSTED_ROOT) return static_cast<long>(CERT_E_UNTRUSTEDROOT);
  if (errors & CERT_TRUST_IS_PARTIAL_CHAIN) return static_cast<long>(CERT_E_CHAINING);
  if (errors & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return static_cast<long>(CERT_E_WRONG_USAGE);
  if (errors & CERT_TRUST_IS_NOT_TIME_VALID) return static_cast<long>(CERT_E_EXPIRED);
  if (errors != 0) return static_cast<long>(TRUST_E_FAIL);
  return 0;
}

void check_decrypt_status(long status) {
  if (status == SEC_E_OK || status == SEC_E_INCOMPLETE_MESSAGE) return;
  fail(status);
}

std::unique_ptr<TlsChannel> TlsChannel::create(SendFunction send, ReceiveFunction receive) {
  return std::unique_ptr<TlsChannel>(new TlsChannel(std::move(send), std::move(receive)));
}

TlsChannel::TlsChannel(SendFunction send, ReceiveFunction receive)
    : send_(std::move(send)), receive_(std::move(receive)) {}

TlsChannel::~TlsChannel() { close(); }

void TlsChannel::close() {
  if (release_context_) DeleteSecurityContext(&context_);
  if (release_credentials_) FreeCredentialsHandle(&credentials_);
  release_context_ = false;
  release_credentials_ = false;
  ciphertext_ = {};
  plaintext_ = {};
  records_ = {};
  plaintext_offset_ = 0;
  send_ = nullptr;
  receive_ = nullptr;
}

void TlsChannel::append_ciphertext(bool wait, bool& got) {
  std::vector<uint8_t> bytes = receive_(wait);
  got = !bytes.empty();
  if (ciphertext_.size() + bytes.size() > kMaxCiphertext) fail(SEC_E_BUFFER_TOO_SMALL);
  ciphertext_.insert(ciphertext_.end(), bytes.begin(), bytes.end());
}

void TlsChannel::handshake(const StreamTarget& target) {
  SCHANNEL_CRED credential{};
  credential.dwVersion = SCHANNEL_CRED_VERSION;
  credential.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
  credential.dwFlags = kCredentialFlags;
  wchar_t package[] = UNISP_NAME_W;
  SECURITY_STATUS status =
      AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &credential,
                                nullptr, nullptr, &credentials_, nullptr);
  if (status != SEC_E_OK) fail(status);
  release_credentials_ = true;

  std::wstring server_name = target.host;
  bool first = true;
  bool need_input = false;
  for (;;) {
    if (need_input) {
      bool got = false;
      append_ciphertext(true, got);
    }
    SecBuffer in_buffers[2] = {};
    in_buffers[0].BufferType = SECBUFFER_TOKEN;
    in_buffers[0].pvBuffer = ciphertext_.data();
    in_buffers[0].cbBuffer = static_cast<unsigned long>(ciphertext_.size());
    in_buffers[1].BufferType = SECBUFFER_EMPTY;
    SecBufferDesc in_desc{SECBUFFER_VERSION, 2, in_buffers};
    SecBuffer out_buffer{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc out_desc{SECBUFFER_VERSION, 1, &out_buffer};
    unsigned long attributes = 0;
    status = InitializeSecurityContextW(
        &credentials_, first ? nullptr : &context_, server_name.data(), kRequestFlags, 0,
        SECURITY_NATIVE_DREP, first ? nullptr : &in_desc, 0, &context_, &out_desc, &attributes,
        nullptr);
    first = false;
    if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED ||
        status == SEC_E_INCOMPLETE_MESSAGE) {
      release_context_ = true;
    }
    if (out_buffer.cbBuffer != 0 && out_buffer.pvBuffer != nullptr) {
      struct TokenReleaser {
        void* token;
        ~TokenReleaser() { FreeContextBuffer(token); }
      } releaser{out_buffer.pvBuffer};
      send_(std::span<const uint8_t>(static_cast<const uint8_t*>(out_buffer.pvBuffer),
                                     out_buffer.cbBuffer));
    }
    if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED) {
      const SecBuffer* extra = in_buffers[1].BufferType == SECBUFFER_EXTRA ? &in_buffers[1]
                               : in_buffers[0].BufferType == SECBUFFER_EXTRA ? &in_buffers[0]
                                                                            : nullptr;
      const size_t keep = extra != nullptr ? extra->cbBuffer : 0;
      if (keep > ciphertext_.size()) fail(SEC_E_INTERNAL_ERROR);
      ciphertext_.erase(ciphertext_.begin(), ciphertext_.end() - static_cast<ptrdiff_t>(keep));
      if (status == SEC_I_CONTINUE_NEEDED) {
        need_input = keep == 0;
        continue;
      }
      if ((attributes & ISC_RET_CONFIDENTIALITY) == 0) fail(SEC_E_UNSUPPORTED_FUNCTION);
      verify_server_certificate(target);
      status = QueryContextAttributesW(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
      if (status != SEC_E_OK || sizes_.cbMaximumMessage == 0) fail(status);
      return;
    }
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      need_input = true;
      continue;
    }
    fail(status);
  }
}

void TlsChannel::verify_server_certificate(const StreamTarget& target) {
  const CERT_CONTEXT* raw_certificate = nullptr;
  SECURITY_STATUS status =
      QueryContextAttributesW(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &raw_certificate);
  if (status != SEC_E_OK || raw_certificate == nullptr) refuse_certificate(status);
  std::unique_ptr<const CERT_CONTEXT, CertificateReleaser> certificate(raw_certificate);

  char server_auth[] = "1.3.6.1.5.5.7.3.1";
  char* usages[] = {server_auth};
  char strong_sign_oid[] = "1.3.6.1.4.1.311.72.1.1";
  CERT_STRONG_SIGN_PARA strong_sign{};
  strong_sign.cbSize = sizeof(strong_sign);
  strong_sign.dwInfoChoice = CERT_STRONG_SIGN_OID_INFO_CHOICE;
  strong_sign.pszOID = strong_sign_oid;
  CERT_CHAIN_PARA chain_para{};
  chain_para.cbSize = sizeof(chain_para);
  chain_para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  chain_para.RequestedUsage.Usage.cUsageIdentifier = 1;
  chain_para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  chain_para.dwUrlRetrievalTimeout = 1000;
  chain_para.pStrongSignPara = &strong_sign;

  const CERT_CHAIN_CONTEXT* raw_chain = nullptr;
  if (!CertGetCertificateChain(nullptr, certificate.get(), nullptr, certificate->hCertStore,
                               &chain_para, kChainFlags, nullptr, &raw_chain) ||
      raw_chain == nullptr) {
    refuse_certificate(static_cast<long>(HRESULT_FROM_WIN32(GetLastError())));
  }
  std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainReleaser> chain(raw_chain);

  // A revoked element is refused even though the policy below is told to
  // ignore revocation it could not determine.
  for (DWORD c = 0; c < chain->cChain; ++c) {
    const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[c];
    for (DWORD e = 0; e < simple->cElement; ++e) {
      const DWORD element_errors = simple->rgpElement[e]->TrustStatus.dwErrorStatus;
      if (element_errors & CERT_TRUST_IS_REVOKED) {
        refuse_certificate(chain_error_refusal(element_errors));
      }
    }
  }

  std::wstring server_name = target.host;
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl_para{};
  ssl_para.cbStruct = sizeof(ssl_para);
  ssl_para.dwAuthType = AUTHTYPE_SERVER;
  ssl_para.fdwChecks = kIgnoreRevocation;
  ssl_para.pwszServerName = server_name.data();
  CERT_CHAIN_POLICY_PARA policy_para{};
  policy_para.cbSize = sizeof(policy_para);
  policy_para.pvExtraPolicyPara = &ssl_para;
  CERT_CHAIN_POLICY_STATUS policy_status{};
  policy_status.cbSize = sizeof(policy_status);
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy_para,
                                        &policy_status)) {
    refuse_certificate(static_cast<long>(HRESULT_FROM_WIN32(GetLastError())));
  }
  if (policy_status.dwError != 0) refuse_certificate(static_cast<long>(policy_status.dwError));

  // Some chain engines let the SSL policy pass a chain that never reached a
  // root, or one with a usage or time error; the chain's own status is
  // checked as well.
  const long refusal = chain_error_refusal(chain->TrustStatus.dwErrorStatus);
  if (refusal != 0) refuse_certificate(refusal);
}

void TlsChannel::send(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return;
  const size_t limit = sizes_.cbMaximumMessage;
  // No established context (never handshaken, or closed): nothing to encrypt with.
  if (limit == 0) fail(SEC_E_INVALID_HANDLE);
  const size_t records = (bytes.size() + limit - 1) / limit;
  // Every record is encrypted in place, one behind the other, so that the
  // whole span leaves in one send.
  records_.resize(bytes.size() + records * (sizes_.cbHeader + sizes_.cbTrailer));
  size_t used = 0;
  for (size_t offset = 0; offset < bytes.size();) {
    const size_t piece = std::min(bytes.size() - offset, limit);
    uint8_t* const record = records_.data() + used;
    uint8_t* const data = record + sizes_.cbHeader;
    uint8_t* const trailer = data + piece;
    std::memcpy(data, bytes.data() + offset, piece);
    SecBuffer buffers[4] = {};
    buffers[0] = {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record};
    buffers[1] = {static_cast<unsigned long>(piece), SECBUFFER_DATA, data};
    buffers[2] = {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, trailer};
    buffers[3] = {0, SECBUFFER_EMPTY, nullptr};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = EncryptMessage(&context_, 0, &desc, 0);
    if (status != SEC_E_OK) fail(status);
    // The package may use less than the largest header or trailer (block
    // padding): close the record up so the next one follows it directly.
    const size_t header = buffers[0].cbBuffer;
    const size_t body = buffers[1].cbBuffer;
    const size_t tail = buffers[2].cbBuffer;
    if (header > sizes_.cbHeader || body > piece || tail > sizes_.cbTrailer) {
      fail(SEC_E_INTERNAL_ERROR);
    }
    if (header != sizes_.cbHeader) std::memmove(record + header, data, body);
    if (header + body != sizes_.cbHeader + piece) {
      std::memmove(record + header + body, trailer, tail);
    }
    used += header + body + tail;
    offset += piece;
  }
  send_(std::span<const uint8_t>(records_.data(), used));
}

bool TlsChannel::receive(bool wait) {
  for (;;) {
    if (ciphertext_.empty()) {
      bool got = false;
      append_ciphertext(wait, got);
      if (!got) return false;
    }
    // Read before the record is decrypted in place.
    const bool alert = ciphertext_.front() == kAlertRecord;
    SecBuffer buffers[4] = {};
    buffers[0] = {static_cast<unsigned long>(ciphertext_.size()), SECBUFFER_DATA,
                  ciphertext_.data()};
    buffers[1].BufferType = SECBUFFER_EMPTY;
    buffers[2].BufferType = SECBUFFER_EMPTY;
    buffers[3].BufferType = SECBUFFER_EMPTY;
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = DecryptMessage(&context_, &desc, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      bool got = false;
      append_ciphertext(wait, got);
      if (!got) return false;
      continue;
    }
    if (status != SEC_E_OK) check_decrypt_status(status);
    if (plaintext_offset_ == plaintext_.size()) {
      plaintext_.clear();
      plaintext_offset_ = 0;
    }
    size_t keep = 0;
    size_t decrypted = 0;
    for (const SecBuffer& buffer : buffers) {
      if (buffer.BufferType == SECBUFFER_DATA && buffer.cbBuffer != 0) {
        const auto* data = static_cast<const uint8_t*>(buffer.pvBuffer);
        plaintext_.insert(plaintext_.end(), data, data + buffer.cbBuffer);
        decrypted += buffer.cbBuffer;
      } else if (buffer.BufferType == SECBUFFER_EXTRA) {
        keep = buffer.cbBuffer;
      }
    }
    // Some Schannel implementations (Wine's) hand the closing alert back as
    // a record that decrypts to nothing instead of SEC_I_CONTEXT_EXPIRED.
    // After the handshake a server sends an alert only to end the channel,
    // so such a record ends it the same way.
    if (alert && decrypted == 0) fail(SEC_I_CONTEXT_EXPIRED);
    if (keep > ciphertext_.size()) fail(SEC_E_INTERNAL_ERROR);
    ciphertext_.erase(ciphertext_.begin(), ciphertext_.end() - static_cast<ptrdiff_t>(keep));
    if (plaintext_offset_ < plaintext_.size()) return true;
  }
}

bool TlsChannel::ensure_plaintext() {
  if (plaintext_offset_ < plaintext_.size()) return true;
  return receive(false);
}

void TlsChannel::read_exact(std::span<uint8_t> into) {
  size_t filled = 0;
  while (filled < into.size()) {
    if (plaintext_offset_ == plaintext_.size()) {
      receive(true);
      continue;
    }
    const size_t piece = std::min(into.size() - filled, plaintext_.size() - plaintext_offset_);
    std::memcpy(into.data() + filled, plaintext_.data() + plaintext_offset_, piece);
    plaintext_offset_ += piece;
    filled += piece;
  }
}

std::vector<uint8_t> TlsChannel::read_exact(size_t count) {
  std::vector<uint8_t> out(count);
  read_exact(std::span<uint8_t>(out));
  return out;
}

}  // namespace quorvel::windows
