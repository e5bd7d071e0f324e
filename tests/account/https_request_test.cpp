// One exchange through the product's own WinHTTP transport with the fake
// account service: over plain HTTP on loopback, and over HTTPS through the
// TLS front when its fixture runs.
#include "account/https_request.h"

#include <gtest/gtest.h>

#include <string>

#include "account/connectivity_hint.h"
#include "account/send_with_retry.h"
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

class HttpsRequestTest : public FrontTest {};

TEST_F(HttpsRequestTest, SendsTheClientsHeadersInOrderWithTheBody) {
  account_service().route("POST", "/p/x", [](const FakeRequest&) { return ok_answer("done"); });
  const HttpResponse response =
      send_https_request(test_configuration(front_root("valid") + "/p"), "POST", "/x",
                         R"({"a":1})", "application/json", "token-123");
  EXPECT_EQ(response.error.kind, kErrorNone) << response.error.message;
  EXPECT_EQ(response.status, 200);
  EXPECT_EQ(response.body, "done");

  const std::vector<FakeRequest> requests = account_service().requests();
  ASSERT_EQ(requests.size(), 1u);
  const FakeRequest& request = requests[0];
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.target, "/p/x");
  EXPECT_EQ(request.header("User-Agent"), "HalvarinSDK/0.2");
  EXPECT_EQ(request.header("Accept"), "application/json");
  EXPECT_EQ(request.header("Content-Type"), "application/json");
  EXPECT_EQ(request.header("Authorization"), "Bearer token-123");
  const int accept = request.header_index("Accept");
  const int content_type = request.header_index("Content-Type");
  const int authorization = request.header_index("Authorization");
  EXPECT_LT(accept, content_type);
  EXPECT_LT(content_type, authorization);
  EXPECT_EQ(request.body, R"({"a":1})");
}

TEST_F(HttpsRequestTest, SendsNoContentTypeBodyOrAuthorizationWhenEmpty) {
  account_service().route("POST", "/x", [](const FakeRequest&) { return ok_answer(); });
  const HttpResponse response =
      send_https_request(test_configuration(front_root("valid")), "POST", "/x", "", "", "");
  EXPECT_EQ(response.error.kind, kErrorNone) << response.error.message;
  EXPECT_EQ(response.status, 200);
  const std::vector<FakeRequest> requests = account_service().requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].header("Accept"), "application/json");
  EXPECT_EQ(requests[0].header_index("Content-Type"), -1);
  EXPECT_EQ(requests[0].header_index("Authorization"), -1);
  EXPECT_EQ(requests[0].body, "");
  const std::string length = requests[0].header("Content-Length");
  EXPECT_TRUE(length.empty() || length == "0") << length;
}

TEST_F(HttpsRequestTest, PutsTheRootPathBeforeTheRequestPath) {
  struct Row {
    std::string root_path;
    std::string target;
  };
  const Row rows[] = {{"/p", "/p/x"}, {"/", "/x"}, {"", "/x"}, {"/a/b", "/a/b/x"}};
  for (const Row& row : rows) {
    SCOPED_TRACE("root path '" + row.root_path + "'");
    account_service().reset();
    const HttpResponse response = send_https_request(
        test_configuration(front_root("valid") + row.root_path), "GET", "/x", "", "", "");
    EXPECT_EQ(response.error.kind, kErrorNone) << response.error.message;
    EXPECT_EQ(response.status, 404);  // no route: the fake's default
    const std::vector<FakeRequest> requests = account_service().requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, row.target);
  }
}

TEST_F(HttpsRequestTest, RejectsAnUntrustedOrWronglyNamedCertificateWithoutRetrying) {
  for (const std::string front : {"untrusted", "wrong_name"}) {
    SCOPED_TRACE(front);
    HttpResponse response;
    const size_t sessions = front_sessions_during(front, [&] {
      response =
          send_with_retry(test_configuration(front_root(front)), "GET", "/x", "", "", "", false);
    });
    EXPECT_EQ(response.error.kind, kErrorSecureChannel);
    EXPECT_EQ(response.error.message, "The HTTP request failed.");
    EXPECT_EQ(response.status, 0);
    EXPECT_EQ(sessions, 1u);
  }
  EXPECT_EQ(account_service().request_count(), 0u);
}

TEST_F(HttpsRequestTest, TestTlsOverrideAcceptsTheUntrustedAndWronglyNamedFronts) {
  account_service().route("GET", "/x", [](const FakeRequest&) { return ok_answer("through"); });
  for (const std::string front : {"untrusted", "wrong_name"}) {
    SCOPED_TRACE(front);
    ClientConfiguration configuration = test_configuration(front_root(front));
    configuration.allow_test_tls_override = true;
    const HttpResponse response = send_https_request(configuration, "GET", "/x", "", "", "");
    EXPECT_EQ(response.error.kind, kErrorNone) << response.error.message;
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, "through");
  }
  EXPECT_EQ(account_service().request_count(), 2u);
}

TEST_F(HttpsRequestTest, AcceptsOneMebibyteAndRefusesOneByteMore) {
  struct Row {
    size_t size;
    bool chunked;
    bool accepted;
  };
  const Row rows[] = {{1048576, false, true},
                      {1048576, true, true},
                      {1048577, false, false},
                      {1048577, true, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.size) + (row.chunked ? " chunked" : " with length"));
    account_service().reset();
    std::string body(row.size, 'a');
    for (size_t i = 0; i < body.size(); i += 4093) body[i] = static_cast<char>('b' + i % 20);
    account_service().route("GET", "/big", [&](const FakeRequest&) {
      return FakeAnswer{200, {}, body, row.chunked};
    });
    const HttpResponse response =
        send_https_request(test_configuration(front_root("valid")), "GET", "/big", "", "", "");
    EXPECT_EQ(response.status, 200);
    if (row.accepted) {
      EXPECT_EQ(response.error.kind, kErrorNone) << response.error.message;
      EXPECT_TRUE(response.body == body) << "body of " << response.body.size() << " bytes";
    } else {
      EXPECT_EQ(response.error.kind, kErrorResponseInvalid);
      EXPECT_EQ(response.error.message, "The response is too large.");
      EXPECT_TRUE(response.body.empty());
    }
  }
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
