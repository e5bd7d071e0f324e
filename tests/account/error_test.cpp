#include "account/error.h"

#include <vector>

#include <gtest/gtest.h>

#include "account/account_identity.h"
#include "account/auth_result.h"

namespace halvarin::sdk {
namespace {

TEST(ErrorTest, KindsHaveTheirWireValues) {
  const std::vector<int32_t> kinds = {
      kErrorNone,      kErrorInvalidArgument, kErrorConfigurationInvalid, kErrorCancelled,
      kErrorNetwork,   kErrorTimeout,         kErrorSecureChannel,        kErrorBrowser,
      kErrorCallback,  kErrorIdTokenRejected, kErrorStorage,              kErrorResponseInvalid,
      kErrorRejected,  kErrorServiceUnavailable, kErrorInternal};
  for (size_t i = 0; i < kinds.size(); ++i) EXPECT_EQ(kinds[i], static_cast<int32_t>(i));
}

TEST(ErrorTest, OnlyNetworkTimeoutChannelAndServiceFailuresAreTransient) {
  for (int32_t kind = -1; kind <= 15; ++kind) {
    const bool expected = kind == 4 || kind == 5 || kind == 6 || kind == 13;
    EXPECT_EQ(is_transient_kind(kind), expected) << kind;
  }
}

TEST(ErrorTest, RecordsStartEmpty) {
  const Error error;
  EXPECT_EQ(error.kind, kErrorNone);
  EXPECT_EQ(error.message, "");
  EXPECT_EQ(error.code, "");
  EXPECT_EQ(error.request_id, "");
  EXPECT_EQ(error.http_status, 0);

  const AccountIdentity identity;
  EXPECT_EQ(identity.access_token, "");
  EXPECT_EQ(identity.expires_at, 0);

  const AuthResult result;
  EXPECT_EQ(result.email, "");
  EXPECT_EQ(result.expires_at, 0);
  EXPECT_EQ(result.error.kind, kErrorNone);
}

TEST(ErrorTest, FieldsKeepTheirOrder) {
  const Error error{kErrorRejected, "Rejected.", "AUTH_INSTALLATION_CLAIMED", "req-1", 409};
  EXPECT_EQ(error.code, "AUTH_INSTALLATION_CLAIMED");
  EXPECT_EQ(error.request_id, "req-1");
  EXPECT_EQ(error.http_status, 409);

  const AccountIdentity identity{"a", "r", "i", "s", "e", "n", 7};
  EXPECT_EQ(identity.subject, "s");
  EXPECT_EQ(identity.name, "n");
  EXPECT_EQ(identity.expires_at, 7);

  const AuthResult result{"a", "r", "i", "s", "e", "n", 7, {kErrorTimeout, "t", "", "", 0}};
  EXPECT_EQ(result.id_token, "i");
  EXPECT_EQ(result.error.kind, kErrorTimeout);
}

}  // namespace
}  // namespace halvarin::sdk
