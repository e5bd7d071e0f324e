// One exchange through the product's own WinHTTP transport with the fake
// account service: over plain HTTP on loopback, and over HTTPS through the
// TLS front when its fixture runs.
#include "account/https_request.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/account/service_fixture.h"

namespace halvarin::sdk::test {
namespace {

FakeAnswer ok_answer(std::string body = "{}") {
  return FakeAnswer{200, {}, std::move(body), false};
}

class PlainHttpTest : public ServiceTest {};

TEST_F(PlainHttpTest, BothLoopbackRootsReachTheFake) {
  account_service().route("GET", "/ping", [](const FakeRequest&) { return ok_answer("pong"); });
  for (const std::string host : {"127.0.0.1", "localhost"}) {
    SCOPED_TRACE(host);
    const HttpResponse response =
        send_https_request(test_configuration(plain_root(host)), "GET", "/ping", "", "", "");
    EXPECT_EQ(response.error.kind, kErrorNone) << response.error.message;
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, "pong");
  }
  EXPECT_EQ(account_service().request_count(), 2u);
}

class TransportFailureTest : public ServiceTest {};

TEST_F(TransportFailureTest, ARootWithoutHostIsAConfigurationError) {
  for (const std::string root : {"https://", "", "not a url", "ftp://localhost:1"}) {
    SCOPED_TRACE("'" + root + "'");
    const HttpResponse response =
        send_https_request(test_configuration(root), "GET", "/x", "", "", "");
    EXPECT_EQ(response.error.kind, kErrorConfigurationInvalid);
    EXPECT_EQ(response.error.message, "base_url could not be parsed.");
    EXPECT_EQ(response.status, 0);
  }
}

}  // namespace
}  // namespace halvarin::sdk::test
