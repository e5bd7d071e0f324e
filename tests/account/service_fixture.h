// What the account tests share about their service peer: the one fake
// account service of this test process and, when the CTest fixture runs
// (QUORVEL_ACCOUNT_SERVICE_DIR), its TLS front. The fake binds the front's
// backend port once per process (re-binding a just-closed port can fail)
// and every test resets it; without the fixture it listens on an ephemeral
// port and only the plain-HTTP tests can reach it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "account/client_configuration.h"
#include "tests/account/fake_account_service.h"

namespace halvarin::sdk::test {

inline constexpr char kNoFront[] =
    "no TLS front for the fake account service (QUORVEL_ACCOUNT_SERVICE_DIR)";

FakeAccountService& account_service();

// True when the fixture's TLS front runs before the fake.
bool has_tls_front();
// "https://localhost:<port>" of a front: "valid", "untrusted" or
// "wrong_name"; empty without the fixture.
std::string front_root(const std::string& name);
// "http://<host>:<port>" of the fake itself.
std::string plain_root(const std::string& host = "127.0.0.1");

// The number of sessions the front `name` logs while `action` runs: marker
// sessions before and after it (one TCP connection each, found in the log by
// their client port) bound the count, so sessions of earlier tests that are
// logged late do not count. SIZE_MAX when a marker never shows.
size_t front_sessions_during(const std::string& name, const std::function<void()>& action);

// A configuration for `base_url` with short time-outs for tests.
ClientConfiguration test_configuration(std::string base_url);

// Resets the fake before and after every test, so no held answer outlives it.
class ServiceTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// A ServiceTest that skips without the TLS front.
class FrontTest : public ServiceTest {
 protected:
  void SetUp() override;
};

}  // namespace halvarin::sdk::test
