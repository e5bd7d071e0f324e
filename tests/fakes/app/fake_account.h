// An account service for App tests that never reaches the network: it
// records the calls the App makes and answers what the test set.
#pragma once

#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "app/account_port.h"

namespace quorvel::test {

class FakeAccount final : public quorvel::windows::AccountPort {
 public:
  bool has_account() override { return signed_in; }
  void on_background_start_ended(std::function<void(bool)> ended) override {
    start_ended = std::move(ended);
  }
  std::optional<halvarin::sdk::AccountIdentity> query_account() override {
    calls.push_back("query");
    return identity;
  }
  halvarin::sdk::AuthResult sign_in(std::stop_token, std::string locale) override {
    calls.push_back("sign_in " + locale);
    return sign_in_result;
  }
  halvarin::sdk::Error disconnect() override {
    calls.push_back("disconnect");
    signed_in = false;
    return {};
  }
  halvarin::sdk::Error open_account_page() override {
    calls.push_back("account_page");
    return {};
  }
  bool open_support_page() override {
    calls.push_back("support_page");
    return support_page_opens;
  }

  bool signed_in = false;
  bool support_page_opens = true;
  std::optional<halvarin::sdk::AccountIdentity> identity;
  halvarin::sdk::AuthResult sign_in_result;
  std::vector<std::string> calls;
  // What the App asked to be told when a background start ends.
  std::function<void(bool signed_in_changed)> start_ended;
};

}  // namespace quorvel::test
