// An account service for App tests that never reaches the network.
#pragma once

#include "app/account_port.h"

namespace quorvel::test {

class FakeAccount final : public quorvel::windows::AccountPort {
 public:
  bool has_account() const override { return signed_in; }
  bool disconnect() override {
    signed_in = false;
    return true;
  }
  bool open_account_page() override { return true; }
  bool open_support_page() override { return true; }

  bool signed_in = false;
};

}  // namespace quorvel::test
