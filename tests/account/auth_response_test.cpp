// How a refused answer of the OAuth endpoints becomes an Error.
#include "account/auth_response.h"

#include <gtest/gtest.h>

namespace halvarin::sdk::test {
namespace {

HttpResponse answer(int32_t status, std::string body) {
  HttpResponse response;
  response.status = status;
  response.body = std::move(body);
  return response;
}

TEST(ErrorFromAuthResponseTest, TakesTheOAuthMembersBeforeTheServiceOnes) {
  const struct {
    const char* label;
    HttpResponse response;
    int32_t kind;
    const char* code;
    const char* message;
    const char* request_id;
  } cases[] = {
      {"oauth error", answer(400, R"({"error":"invalid_grant","error_description":"Used.",)"
                                  R"("code":"C","message":"M","request_id":"r-1"})"),
       kErrorRejected, "invalid_grant", "Used.", "r-1"},
      {"service error", answer(403, R"({"code":"AUTH_FORBIDDEN","message":"No."})"),
       kErrorRejected, "AUTH_FORBIDDEN", "No.", ""},
      {"empty body 503", answer(503, ""), kErrorServiceUnavailable, "",
       "The Halvarin server rejected the request.", ""},
      {"200 where 201 was due", answer(200, "{}"), kErrorRejected, "",
       "The Halvarin server rejected the request.", ""},
      {"500", answer(500, R"({"error":"server_error"})"), kErrorServiceUnavailable,
       "server_error", "The Halvarin server rejected the request.", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Error error = error_from_auth_response(c.response);
    EXPECT_EQ(error.kind, c.kind);
    EXPECT_EQ(error.code, c.code);
    EXPECT_EQ(error.message, c.message);
    EXPECT_EQ(error.request_id, c.request_id);
    EXPECT_EQ(error.http_status, c.response.status);
  }
}

TEST(ErrorFromAuthResponseTest, PassesATransportFailureThrough) {
  HttpResponse response;
  response.error.kind = kErrorTimeout;
  response.error.message = "The HTTP request failed.";
  const Error error = error_from_auth_response(response);
  EXPECT_EQ(error.kind, kErrorTimeout);
  EXPECT_EQ(error.message, "The HTTP request failed.");
  EXPECT_EQ(error.http_status, 0);
}

}  // namespace
}  // namespace halvarin::sdk::test
