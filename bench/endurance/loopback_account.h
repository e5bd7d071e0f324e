// The account service the endurance cycles sign in against: the account
// tests' fake service on a loopback port with its installation and OAuth
// models, a LOCALAPPDATA of its own for the client's store, and the App's
// account port on the real account client configured for it. The browser
// the sign-in opens is one that never comes back: the user cancels.
//
// Made on the UI thread before the App and destroyed after it.
#pragma once

#include <atomic>
#include <memory>

#include "app/account_port.h"

namespace quorvel::bench {

class LoopbackAccountService {
 public:
  LoopbackAccountService();
  ~LoopbackAccountService();
  LoopbackAccountService(const LoopbackAccountService&) = delete;
  LoopbackAccountService& operator=(const LoopbackAccountService&) = delete;

  bool listening() const;
  // The port the App owns for its whole run.
  std::unique_ptr<windows::AccountPort> make_account();
  // How often the sign-in sent the user's browser to the service.
  int browser_opens() const { return browser_opens_->load(); }

 private:
  struct Models;
  std::unique_ptr<Models> models_;
  std::shared_ptr<std::atomic<int>> browser_opens_ = std::make_shared<std::atomic<int>>(0);
};

}  // namespace quorvel::bench
