// What the application asks of the account service: who is signed in, the
// browser sign-in and the account's pages. The product wraps the account
// client; tests pass a fake. The App owns one for its whole run. Operations
// block the calling thread for the length of their requests, except
// has_account; sign_in runs on the account dialog's worker thread, the
// others on the UI thread.
#pragma once

#include <functional>
#include <optional>
#include <stop_token>
#include <string>

#include "account/account_identity.h"
#include "account/auth_result.h"
#include "account/error.h"

namespace quorvel::windows {

class AccountPort {
 public:
  virtual ~AccountPort() = default;

  // Whether someone is signed in now; never waits for the service. May
  // begin, in the background, a start that is due again after a transient
  // failure.
  virtual bool has_account() = 0;
  // `ended` runs on a background thread each time such a start has ended,
  // told whether it changed who is signed in (a start that fails again
  // changes nothing); empty: nobody is told.
  virtual void on_background_start_ended(std::function<void(bool signed_in_changed)> ended) = 0;
  virtual std::optional<halvarin::sdk::AccountIdentity> query_account() = 0;
  // The browser sign-in with its pages in `locale` ("en-US" or "zh-CN").
  virtual halvarin::sdk::AuthResult sign_in(std::stop_token stop_token, std::string locale) = 0;
  virtual halvarin::sdk::Error disconnect() = 0;
  virtual halvarin::sdk::Error open_account_page() = 0;
  // False when the service or the browser refused.
  virtual bool open_support_page() = 0;
};

}  // namespace quorvel::windows
