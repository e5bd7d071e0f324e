// Reading the service's anonymous-session answers and its refusals, from
// responses built here; what store_anonymous_session leaves in session.dat.
#include "account/anonymous_session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "account/store_paths.h"
#include "tests/account/protected_blob.h"
#include "tests/account/scoped_local_app_data.h"

namespace halvarin::sdk {
namespace {

using test::ScopedLocalAppData;

constexpr char kId[] = "installation-0123456789abcdefghi";
constexpr int64_t kNow = 17'000'000'000'000'000;
constexpr int64_t kTicksPerSecond = 10'000'000;

PlatformHooks fixed_time() {
  PlatformHooks hooks;
  hooks.system_time = [] { return kNow; };
  return hooks;
}

HttpResponse answer(int32_t status, std::string body) {
  HttpResponse response;
  response.status = status;
  response.body = std::move(body);
  return response;
}

// A session answer; each argument is the member's JSON text, or empty to
// leave the member out.
std::string session_body(const std::string& user_id, const std::string& installation_id,
                         const std::string& access_token, const std::string& refresh_token,
                         const std::string& expires_in) {
  std::vector<std::string> members;
  if (!user_id.empty()) members.push_back(R"("user_id":)" + user_id);
  if (!installation_id.empty()) members.push_back(R"("installation_id":)" + installation_id);
  if (!access_token.empty()) members.push_back(R"("access_token":)" + access_token);
  if (!refresh_token.empty()) members.push_back(R"("refresh_token":)" + refresh_token);
  if (!expires_in.empty()) members.push_back(R"("expires_in":)" + expires_in);
  std::string body = "{";
  for (size_t i = 0; i < members.size(); ++i) body += (i ? "," : "") + members[i];
  return body + "}";
}

const std::string kUser = R"("anonymous-user-1")";
const std::string kIdText = std::string("\"") + kId + "\"";
const std::string kAccess = R"("access-1")";
const std::string kRefresh = R"("refresh-1")";

class AnonymousSessionTest : public testing::Test {
 protected:
  AnonymousSessionTest() {
    configuration_.base_url = "https://localhost:1";
    configuration_.client_id = "quorvel-test";
    configuration_.application_id = "quorvel";
  }
  std::filesystem::path session_file() const {
    return session_file_path(configuration_, L"session.dat");
  }

  ScopedLocalAppData local_;
  ClientConfiguration configuration_;
};

TEST_F(AnonymousSessionTest, StoresACompleteAnswerOf200Or201) {
  for (const int32_t status : {200, 201}) {
    SCOPED_TRACE(status);
    const AnonymousSessionResult result = store_anonymous_session(
        configuration_, kId,
        answer(status, session_body(kUser, kIdText, kAccess, kRefresh, "3600")), fixed_time());
    ASSERT_EQ(result.error.kind, kErrorNone) << result.error.message;
    EXPECT_EQ(result.session.user_id, "anonymous-user-1");
    EXPECT_EQ(result.session.installation_id, kId);
    EXPECT_EQ(result.session.access_token, "access-1");
    EXPECT_EQ(result.session.refresh_token, "refresh-1");
    EXPECT_EQ(result.session.expires_at, kNow + 3600 * kTicksPerSecond);
    const test::DecryptedBlob blob = test::decrypt_file(session_file(), "quorvel-test");
    ASSERT_TRUE(blob.ok);
    EXPECT_EQ(blob.plaintext, "https://localhost:1\nrefresh-1");
    std::filesystem::remove(session_file());
  }
}

TEST_F(AnonymousSessionTest, ReadsAFractionalLifetimeUpToItsPoint) {
  const AnonymousSessionResult result = parse_anonymous_session(
      kId, answer(200, session_body(kUser, kIdText, kAccess, kRefresh, "12.9")), fixed_time());
  ASSERT_EQ(result.error.kind, kErrorNone) << result.error.message;
  EXPECT_EQ(result.session.expires_at, kNow + 12 * kTicksPerSecond);
}

TEST_F(AnonymousSessionTest, BoundsAHugeLifetimeInsteadOfOverflowingTheExpiry) {
  const AnonymousSessionResult result = parse_anonymous_session(
      kId, answer(200, session_body(kUser, kIdText, kAccess, kRefresh, "9223372036854775807")),
      fixed_time());
  ASSERT_EQ(result.error.kind, kErrorNone) << result.error.message;
  EXPECT_GT(result.session.expires_at, kNow + int64_t{100} * 365 * 86400 * kTicksPerSecond);
}

TEST_F(AnonymousSessionTest, RefusesAnIncompleteAnswerAndWritesNothing) {
  struct Case {
    const char* name;
    std::string body;
  };
  const std::vector<Case> cases = {
      {"another installation",
       session_body(kUser, R"("installation-other")", kAccess, kRefresh, "3600")},
      {"expires_in 0", session_body(kUser, kIdText, kAccess, kRefresh, "0")},
      {"expires_in -1", session_body(kUser, kIdText, kAccess, kRefresh, "-1")},
      {"expires_in missing", session_body(kUser, kIdText, kAccess, kRefresh, "")},
      {"expires_in quoted", session_body(kUser, kIdText, kAccess, kRefresh, R"("3600")")},
      {"expires_in null", session_body(kUser, kIdText, kAccess, kRefresh, "null")},
      {"user_id null", session_body("null", kIdText, kAccess, kRefresh, "3600")},
      {"installation_id null", session_body(kUser, "null", kAccess, kRefresh, "3600")},
      {"access_token null", session_body(kUser, kIdText, "null", kRefresh, "3600")},
      {"refresh_token null", session_body(kUser, kIdText, kAccess, "null", "3600")},
      {"user_id missing", session_body("", kIdText, kAccess, kRefresh, "3600")},
      {"access_token empty", session_body(kUser, kIdText, R"("")", kRefresh, "3600")},
      {"refresh_token missing", session_body(kUser, kIdText, kAccess, "", "3600")},
      {"no object", "not json"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const AnonymousSessionResult result =
        store_anonymous_session(configuration_, kId, answer(200, c.body), fixed_time());
    EXPECT_EQ(result.error.kind, kErrorResponseInvalid);
    EXPECT_EQ(result.error.message, "The anonymous identity response is incomplete.");
    EXPECT_EQ(result.error.http_status, 0);
    EXPECT_TRUE(result.session.user_id.empty());
    EXPECT_TRUE(result.session.installation_id.empty());
    EXPECT_TRUE(result.session.access_token.empty());
    EXPECT_TRUE(result.session.refresh_token.empty());
    EXPECT_EQ(result.session.expires_at, 0);
    EXPECT_FALSE(std::filesystem::exists(session_file()));
  }
}

TEST_F(AnonymousSessionTest, AnotherStatusIsARefusalEvenWithASessionBody) {
  const AnonymousSessionResult result = store_anonymous_session(
      configuration_, kId, answer(204, session_body(kUser, kIdText, kAccess, kRefresh, "3600")),
      fixed_time());
  EXPECT_EQ(result.error.kind, kErrorRejected);
  EXPECT_EQ(result.error.http_status, 204);
  EXPECT_TRUE(result.session.refresh_token.empty());
  EXPECT_FALSE(std::filesystem::exists(session_file()));
}

TEST_F(AnonymousSessionTest, ASessionThatCannotBeSavedIsAFailure) {
  ScopedLocalAppData unset(std::nullopt);
  const AnonymousSessionResult result = store_anonymous_session(
      configuration_, kId, answer(201, session_body(kUser, kIdText, kAccess, kRefresh, "3600")),
      fixed_time());
  EXPECT_EQ(result.error.kind, kErrorStorage);
  EXPECT_EQ(result.error.message, "LOCALAPPDATA is unavailable.");
  EXPECT_TRUE(result.session.access_token.empty());
}

TEST(ErrorFromResponseTest, MapsRefusalsToTheirKindsWithTheServicesTexts) {
  constexpr char kDefault[] = "The Halvarin server rejected the installation identity request.";
  struct Case {
    const char* name;
    int32_t status;
    std::string body;
    Error expected;
  };
  const std::vector<Case> cases = {
      {"503 with a body",
       503,
       R"({"code":"SERVICE_BUSY","message":"Try later.","request_id":"req-7"})",
       {kErrorServiceUnavailable, "Try later.", "SERVICE_BUSY", "req-7", 503}},
      {"503 without a body", 503, "", {kErrorServiceUnavailable, kDefault, "", "", 503}},
      {"500", 500, "{}", {kErrorServiceUnavailable, kDefault, "", "", 500}},
      {"404", 404, "", {kErrorRejected, kDefault, "", "", 404}},
      {"499", 499, "", {kErrorRejected, kDefault, "", "", 499}},
      {"code and request id without a message",
       401,
       R"({"code":"AUTH_ANONYMOUS_CREDENTIAL_INVALID","request_id":"req-9"})",
       {kErrorRejected, kDefault, "AUTH_ANONYMOUS_CREDENTIAL_INVALID", "req-9", 401}},
      {"a 302", 302, "<html>moved</html>", {kErrorRejected, kDefault, "", "", 302}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Error error = error_from_response(answer(c.status, c.body));
    EXPECT_EQ(error.kind, c.expected.kind);
    EXPECT_EQ(error.message, c.expected.message);
    EXPECT_EQ(error.code, c.expected.code);
    EXPECT_EQ(error.request_id, c.expected.request_id);
    EXPECT_EQ(error.http_status, c.expected.http_status);
  }
}

TEST(ErrorFromResponseTest, PassesATransportFailureThroughUnchanged) {
  HttpResponse response;
  response.status = 503;
  response.body = R"({"message":"ignored"})";
  response.error = {kErrorTimeout, "The HTTP request failed.", "C", "R", 7};
  for (const Error& error :
       {error_from_response(response), parse_anonymous_session(kId, response).error}) {
    EXPECT_EQ(error.kind, kErrorTimeout);
    EXPECT_EQ(error.message, "The HTTP request failed.");
    EXPECT_EQ(error.code, "C");
    EXPECT_EQ(error.request_id, "R");
    EXPECT_EQ(error.http_status, 7);
  }
}

}  // namespace
}  // namespace halvarin::sdk
