#include "streaming/tls_channel.h"

#include <gtest/gtest.h>

#include "streaming/failure.h"

namespace quorvel::windows {
namespace {

TEST(TlsChannelTest, ServerClosingAlertIsAGracefulNetworkClose) {
  EXPECT_NO_THROW(check_decrypt_status(SEC_E_OK));
  EXPECT_NO_THROW(check_decrypt_status(SEC_E_INCOMPLETE_MESSAGE));
  try {
    check_decrypt_status(SEC_I_CONTEXT_EXPIRED);
    ADD_FAILURE() << "no failure";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.code, kFailureNetwork);
  }
  const long others[] = {SEC_I_RENEGOTIATE, SEC_E_DECRYPT_FAILURE, SEC_E_MESSAGE_ALTERED,
                         SEC_E_INVALID_TOKEN};
  for (long status : others) {
    try {
      check_decrypt_status(status);
      ADD_FAILURE() << "no failure for " << std::hex << status;
    } catch (const TlsFailure& failure) {
      EXPECT_FALSE(failure.certificate);
      EXPECT_EQ(failure.status, status);
    }
  }
}

}  // namespace
}  // namespace quorvel::windows
