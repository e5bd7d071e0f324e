#include "account/transport_error_kind.h"

#include <gtest/gtest.h>

#include "account/connectivity_hint.h"
#include "account/error.h"

namespace halvarin::sdk {
namespace {

TEST(TransportErrorKindTest, MapsCodesAndConnectivityLevelsToKinds) {
  struct Row {
    uint32_t code;
    int level;
    int32_t kind;
  };
  const Row rows[] = {
      {12002, kConnectivityUnknown, kErrorTimeout},  // ERROR_WINHTTP_TIMEOUT
      {12002, kConnectivityInternet, kErrorTimeout},
      {10060, kConnectivityUnknown, kErrorTimeout},  // WSAETIMEDOUT
      {10060, kConnectivityInternet, kErrorTimeout},
      {12175, kConnectivityNone, kErrorSecureChannel},  // ERROR_WINHTTP_SECURE_FAILURE
      {12175, kConnectivityInternet, kErrorSecureChannel},
      {12157, kConnectivityUnknown, kErrorSecureChannel},  // ..._SECURE_CHANNEL_ERROR
      {12157, kConnectivityInternet, kErrorSecureChannel},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(transport_error_kind(row.code, row.level), row.kind)
        << "code " << row.code << " level " << row.level;
  }
}

TEST(TransportErrorKindTest, OtherFailuresAreUnreachableServiceOnlyWithInternetAccess) {
  // 12029: cannot connect; 12152: invalid server response.
  for (const uint32_t code : {12029u, 12152u}) {
    EXPECT_EQ(transport_error_kind(code, kConnectivityInternet), kErrorServiceUnavailable)
        << code;
    for (const int level : {kConnectivityUnknown, kConnectivityNone, kConnectivityLocalNetwork}) {
      EXPECT_EQ(transport_error_kind(code, level), kErrorNetwork) << code << " level " << level;
    }
  }
}

}  // namespace
}  // namespace halvarin::sdk
