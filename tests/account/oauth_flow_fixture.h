// A test fixture for the sign-in, refresh and ID-token flows: the fake
// service's installation model and its OAuth side behind the TLS front, a
// fresh LOCALAPPDATA, and helpers that read the fake's log and sign tokens.
// Skips without the front.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "account/installation_service.h"
#include "tests/account/fake_oauth_model.h"
#include "tests/account/installation_flow_fixture.h"
#include "tests/account/rs256_signer.h"

namespace halvarin::sdk::test {

class OAuthFlowTest : public InstallationFlowTest {
 protected:
  void SetUp() override {
    InstallationFlowTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(Rs256Signer::instance().ready()) << "CNG could not make the signing key";
    configuration_.client_id = "quorvel.desktop";
    oauth_.emplace(account_service(), model(), configuration_.base_url, configuration_.client_id);
  }

  FakeOAuthModel& oauth() { return *oauth_; }

  // A first run's anonymous session at the fake: its access token.
  std::string anonymous_session() {
    const AnonymousSessionResult result =
        InstallationService(configuration_, hooks_).initialize_anonymous_session("");
    EXPECT_EQ(result.error.kind, kErrorNone) << result.error.message;
    return result.session.access_token;
  }

  static std::string signed_token(const std::string& header, const std::string& payload) {
    return Rs256Signer::instance().token(header, payload);
  }

  // How many of `requests` went to `path` (query ignored).
  static size_t count_of(const std::vector<FakeRequest>& requests, const std::string& path) {
    size_t count = 0;
    for (const FakeRequest& request : requests) {
      if (request.target.substr(0, request.target.find('?')) == path) ++count;
    }
    return count;
  }

  // The paths of the requests after the first `count`, in order.
  static std::vector<std::string> paths_after(size_t count) {
    std::vector<std::string> paths;
    for (const FakeRequest& request : requests_after(count)) {
      paths.push_back(request.method + " " + request.target.substr(0, request.target.find('?')));
    }
    return paths;
  }

 private:
  std::optional<FakeOAuthModel> oauth_;
};

}  // namespace halvarin::sdk::test
