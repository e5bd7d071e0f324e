// Client is the application's one handle on the account service. It brings
// the session up (the saved user session, else the installation's anonymous
// session, then the heartbeat), says who is signed in, signs the user in
// through the browser, disconnects the account and opens the account and
// support pages. Every failure comes back as an Error; nothing is thrown for
// service, network or storage failures.
//
// The application owns exactly one for its whole run. Its operations run on
// the calling thread and block it for the length of their requests; they
// must not overlap (the sign-in runs on the sign-in dialog's worker while
// the UI thread waits in that dialog). has_account and start_retry_due are
// the exceptions: they send nothing and may be called from any thread at any
// time. A start that failed for a transient reason is repeated at most once
// per kStartRetryInterval by start, current_account and disconnect_account,
// so an unreachable service does not block every opening of a menu; a
// sign-in repeats it at once because the user asked. The application asks
// start_retry_due to run that repeat on a thread of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "account/account_identity.h"
#include "account/auth_result.h"
#include "account/client_configuration.h"
#include "account/error.h"
#include "account/platform_hooks.h"
#include "account/sign_in_options.h"

namespace halvarin::sdk {

// How long a start that failed for a transient reason is kept before a
// facade call other than a sign-in tries again, on the hooks' steady clock.
inline constexpr int64_t kStartRetryIntervalNs = int64_t{30} * 1'000'000'000;

class Client {
 public:
  explicit Client(ClientConfiguration configuration, PlatformHooks hooks = {});
  ~Client();
  // A moved-from client may only be destroyed or assigned to.
  Client(Client&& other) noexcept;
  Client& operator=(Client&& other) noexcept;
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  // Brings the session up; the outcome of the start (kept while it is not
  // transient).
  Error start();

  // The signed-in identity (access token and e-mail both non-empty), after
  // bringing the session up.
  std::optional<AccountIdentity> current_account();

  // Whether an identity with access token and e-mail is held now. Sends
  // nothing and never starts the client; safe on any thread.
  bool has_account() const;

  // Whether the last start failed for a transient reason and
  // kStartRetryIntervalNs has passed since it, so that start would try the
  // service again. Sends nothing; safe on any thread, also while another
  // thread runs an operation.
  bool start_retry_due() const;

  // Hands the installation back from the signed-in account and takes a new
  // anonymous session. Without a signed-in identity nothing is sent. An
  // expired access token is refreshed first; a disconnect refused with 401
  // is refreshed once and sent once more. A failure leaves the user signed
  // in (unless the refresh itself was refused, which signs out locally).
  Error disconnect_account();

  Error open_account_management();
  Error open_product_support();

  // Signs the user in through the browser. An expired anonymous token is
  // renewed first; otherwise a 401 of the authorization context renews it
  // once.
  AuthResult sign_in_interactive(const SignInOptions& options);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace halvarin::sdk
