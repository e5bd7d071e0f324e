#include "account/client.h"

#include <atomic>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "account/account_pages.h"
#include "account/anonymous_session.h"
#include "account/authorization_context.h"
#include "account/installation_heartbeat.h"
#include "account/installation_service.h"
#include "account/interactive_login.h"
#include "account/session_refresh.h"
#include "account/session_state.h"

namespace halvarin::sdk {
namespace {

constexpr char kInstallationClaimedCode[] = "AUTH_INSTALLATION_CLAIMED";
constexpr char kCredentialInvalidCode[] = "AUTH_ANONYMOUS_CREDENTIAL_INVALID";
constexpr int32_t kStatusUnauthorized = 401;

enum class StartRetry {
  // A transient failure is repeated once kStartRetryIntervalNs has passed.
  kAfterInterval,
  // A transient failure is repeated now: the user asked for the operation.
  kAtOnce,
};

AuthResult failed(Error error) {
  AuthResult result;
  result.error = std::move(error);
  return result;
}

bool is_signed_in(const std::optional<AccountIdentity>& identity) {
  return identity && !identity->access_token.empty() && !identity->email.empty();
}

bool is_unauthorized(const Error& error) {
  return error.kind == kErrorRejected && error.http_status == kStatusUnauthorized;
}

// The start's spacing reads the steady clock on every call.
PlatformHooks with_steady_clock(PlatformHooks hooks) {
  if (!hooks.steady_clock) hooks.steady_clock = quorvel::windows::make_steady_clock();
  return hooks;
}

}  // namespace

// The facade's state. Only the session state is guarded (by its own mutex);
// the other fields are touched by facade operations alone, which do not
// overlap.
struct Client::Impl {
  Impl(ClientConfiguration client_configuration, PlatformHooks platform_hooks)
      : configuration(std::move(client_configuration)),
        hooks(with_steady_clock(std::move(platform_hooks))),
        installation_service(configuration, hooks),
        session_state(make_session_state(ClientConfiguration(configuration))) {}

  Error ensure_session(StartRetry retry);
  void settle_start(Error outcome);
  Error start_session();
  void take_anonymous_session(const AnonymousSession& session);
  Error renew_anonymous_session();
  bool has_expired(int64_t expires_at) const;
  std::optional<AccountIdentity> signed_in_identity() const;
  void forget_user_session();

  ClientConfiguration configuration;
  PlatformHooks hooks;
  InstallationService installation_service;
  std::unique_ptr<SessionState> session_state;
  std::string anonymous_access_token;
  // When the anonymous access token expires (100-ns ticks since 1970); 0
  // when unknown.
  int64_t anonymous_expires_at = 0;
  Error last_error;
  bool started = false;
  // Steady-clock time of the last start, for spacing repeated starts.
  int64_t last_start_attempt = 0;
  // Steady-clock time from which a repeated start is due; kNever while the
  // start is settled. Atomic: start_retry_due reads it from any thread.
  static constexpr int64_t kNever = std::numeric_limits<int64_t>::max();
  std::atomic<int64_t> retry_due_at{kNever};
};

Error Client::Impl::ensure_session(StartRetry retry) {
  if (started && !is_transient_kind(last_error.kind)) return last_error;
  const int64_t now = hooks.steady_clock->now();
  if (started && retry == StartRetry::kAfterInterval &&
      now - last_start_attempt < kStartRetryIntervalNs) {
    return last_error;
  }
  started = true;
  last_start_attempt = now;
  settle_start(start_session());
  return last_error;
}

void Client::Impl::settle_start(Error outcome) {
  last_error = std::move(outcome);
  retry_due_at = is_transient_kind(last_error.kind) ? last_start_attempt + kStartRetryIntervalNs
                                                    : kNever;
}

Error Client::Impl::start_session() {
  const AuthResult restored = restore_saved_session(*session_state, hooks);
  if (restored.error.kind == kErrorNone) {
    (void)send_heartbeat(configuration, restored.access_token, hooks);
    return {};
  }
  if (restored.error.kind != kErrorStorage && restored.error.kind != kErrorRejected) {
    return restored.error;
  }
  AnonymousSessionResult anonymous = installation_service.restore_anonymous_session();
  if (anonymous.error.kind == kErrorStorage || anonymous.error.code == kCredentialInvalidCode) {
    anonymous = installation_service.initialize_anonymous_session({});
  }
  if (anonymous.error.kind != kErrorNone) return anonymous.error;
  take_anonymous_session(anonymous.session);
  (void)send_heartbeat(configuration, anonymous_access_token, hooks);
  return {};
}

void Client::Impl::take_anonymous_session(const AnonymousSession& session) {
  anonymous_access_token = session.access_token;
  anonymous_expires_at = session.expires_at;
}

Error Client::Impl::renew_anonymous_session() {
  const AnonymousSessionResult renewed = installation_service.restore_anonymous_session();
  if (renewed.error.kind != kErrorNone) return renewed.error;
  take_anonymous_session(renewed.session);
  return {};
}

bool Client::Impl::has_expired(int64_t expires_at) const {
  return expires_at != 0 && hooks.system_time() >= expires_at;
}

std::optional<AccountIdentity> Client::Impl::signed_in_identity() const {
  std::optional<AccountIdentity> identity = session_snapshot(*session_state);
  if (!is_signed_in(identity)) return std::nullopt;
  return identity;
}

void Client::Impl::forget_user_session() {
  // Emptied in place rather than replaced, so that has_account, which may
  // run on another thread, never meets a state being destroyed.
  std::lock_guard lock(session_state->mutex);
  session_state->session.reset();
}

Client::Client(ClientConfiguration configuration, PlatformHooks hooks)
    : impl_(std::make_unique<Impl>(std::move(configuration), std::move(hooks))) {}

Client::~Client() = default;
Client::Client(Client&& other) noexcept = default;
Client& Client::operator=(Client&& other) noexcept = default;

Error Client::start() { return impl_->ensure_session(StartRetry::kAfterInterval); }

std::optional<AccountIdentity> Client::current_account() {
  (void)impl_->ensure_session(StartRetry::kAfterInterval);
  return impl_->signed_in_identity();
}

bool Client::has_account() const { return impl_->signed_in_identity().has_value(); }

bool Client::start_retry_due() const {
  return impl_->hooks.steady_clock->now() >= impl_->retry_due_at.load();
}

Error Client::disconnect_account() {
  Impl& impl = *impl_;
  (void)impl.ensure_session(StartRetry::kAfterInterval);
  const std::optional<AccountIdentity> identity = impl.signed_in_identity();
  if (!identity) return {};

  // One renewal per disconnect: before it when the token has run out by
  // the clock, else after the service refused it.
  bool renewed = false;
  std::string access_token = identity->access_token;
  if (impl.has_expired(identity->expires_at)) {
    const AuthResult refreshed = refresh_session(*impl.session_state, impl.hooks);
    if (refreshed.error.kind != kErrorNone) return refreshed.error;
    access_token = refreshed.access_token;
    renewed = true;
  }
  AnonymousSessionResult result = impl.installation_service.disconnect_installation(access_token);
  if (is_unauthorized(result.error) && !renewed) {
    const AuthResult refreshed = refresh_session(*impl.session_state, impl.hooks);
    if (refreshed.error.kind != kErrorNone) return refreshed.error;
    result = impl.installation_service.disconnect_installation(refreshed.access_token);
  }
  if (result.error.kind != kErrorNone) return result.error;

  impl.forget_user_session();
  impl.take_anonymous_session(result.session);
  impl.started = true;
  impl.settle_start({});
  (void)send_heartbeat(impl.configuration, impl.anonymous_access_token, impl.hooks);
  return {};
}

Error Client::open_account_management() {
  return open_account_management_page(impl_->configuration, impl_->hooks);
}

Error Client::open_product_support() {
  return open_product_support_page(impl_->configuration, impl_->hooks);
}

AuthResult Client::sign_in_interactive(const SignInOptions& options) {
  Impl& impl = *impl_;
  const Error start = impl.ensure_session(StartRetry::kAtOnce);
  if (start.kind != kErrorNone && impl.anonymous_access_token.empty() &&
      start.code != kInstallationClaimedCode) {
    return failed(start);
  }
  impl.started = true;

  // One renewal per sign-in: before it when the anonymous token has run out
  // by the clock, else when the authorization context is refused with 401.
  bool renewed = false;
  if (!impl.anonymous_access_token.empty() && impl.has_expired(impl.anonymous_expires_at)) {
    if (Error renewal = impl.renew_anonymous_session(); renewal.kind != kErrorNone) {
      return failed(std::move(renewal));
    }
    renewed = true;
  }
  Error renewal_failure;
  AnonymousTokenRenewal renew;
  if (!renewed) {
    renew = [&impl, &renewal_failure]() -> std::string {
      renewal_failure = impl.renew_anonymous_session();
      return renewal_failure.kind == kErrorNone ? impl.anonymous_access_token : std::string();
    };
  }
  // A copy: the renewal replaces the client's token while the sign-in runs.
  const std::string anonymous_token = impl.anonymous_access_token;
  AuthResult result =
      interactive_login(*impl.session_state, options, anonymous_token, renew, impl.hooks);
  if (result.error.kind != kErrorNone) {
    // The renewal's own failure says more than the 401 it was meant to mend.
    if (renewal_failure.kind != kErrorNone) result.error = std::move(renewal_failure);
    return result;
  }
  impl.anonymous_access_token.clear();
  impl.anonymous_expires_at = 0;
  impl.settle_start({});
  return result;
}

}  // namespace halvarin::sdk
