#include "streaming/tls_channel.h"

#include <wincrypt.h>

#include <gtest/gtest.h>

#include "streaming/failure.h"

namespace quorvel::windows {
namespace {

TEST(TlsChannelTest, RefusesRevokedChainsButNotUnknownRevocation) {
  struct Case {
    DWORD chain_errors;
    long refusal;
  };
  const Case cases[] = {
      {0, 0},
      {CERT_TRUST_REVOCATION_STATUS_UNKNOWN, 0},
      {CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION, 0},
      {CERT_TRUST_IS_REVOKED, static_cast<long>(CRYPT_E_REVOKED)},
      {CERT_TRUST_IS_REVOKED | CERT_TRUST_REVOCATION_STATUS_UNKNOWN,
       static_cast<long>(CRYPT_E_REVOKED)},
      {CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_OFFLINE_REVOCATION,
       static_cast<long>(CERT_E_UNTRUSTEDROOT)},
      {CERT_TRUST_IS_PARTIAL_CHAIN, static_cast<long>(CERT_E_CHAINING)},
      {CERT_TRUST_IS_NOT_VALID_FOR_USAGE, static_cast<long>(CERT_E_WRONG_USAGE)},
      {CERT_TRUST_IS_NOT_TIME_VALID, static_cast<long>(CERT_E_EXPIRED)},
      {CERT_TRUST_IS_NOT_SIGNATURE_VALID, static_cast<long>(TRUST_E_FAIL)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(chain_error_refusal(c.chain_errors), c.refusal) << std::hex << c.chain_errors;
  }
}

TEST(TlsChannelTest, ServerClosingAlertIsATlsFailureLikeEveryOtherDecryptFault) {
  EXPECT_NO_THROW(check_decrypt_status(SEC_E_OK));
  EXPECT_NO_THROW(check_decrypt_status(SEC_E_INCOMPLETE_MESSAGE));
  const long faults[] = {SEC_I_CONTEXT_EXPIRED, SEC_I_RENEGOTIATE, SEC_E_DECRYPT_FAILURE,
                         SEC_E_MESSAGE_ALTERED, SEC_E_INVALID_TOKEN};
  for (long status : faults) {
    try {
      check_decrypt_status(status);
      ADD_FAILURE() << "no failure for " << std::hex << status;
    } catch (const TlsFailure& failure) {
      EXPECT_FALSE(failure.certificate);
      EXPECT_EQ(failure.status, status);
    } catch (const Failure& failure) {
      ADD_FAILURE() << "Failure code " << failure.code << " for " << std::hex << status;
    }
  }
}

}  // namespace
}  // namespace quorvel::windows
