// What the application asks of the account service: who is signed in and
// the account's pages. The product wraps the account client; tests pass a
// fake. The App owns one for its whole run. Operations block the calling
// (UI) thread for the length of their requests, except has_account.
#pragma once

namespace quorvel::windows {

class AccountPort {
 public:
  virtual ~AccountPort() = default;

  virtual bool has_account() const = 0;
  // Each false when the service or the browser refused.
  virtual bool disconnect() = 0;
  virtual bool open_account_page() = 0;
  virtual bool open_support_page() = 0;
};

}  // namespace quorvel::windows
