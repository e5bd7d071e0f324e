#include "app/product_account.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <stop_token>
#include <system_error>
#include <thread>
#include <utility>

#include "account/account_actions.h"
#include "account/application_account.h"
#include "account/client.h"
#include "account/error.h"

namespace quorvel::windows {
namespace {

// The configuration with a cancellation of the owner's: a start still
// running in the background when the application ends is cut short.
halvarin::sdk::ClientConfiguration cancellable(halvarin::sdk::ClientConfiguration configuration,
                                               const std::stop_source& cancel) {
  configuration.cancel_token = cancel.get_token();
  return configuration;
}

class ProductAccount final : public AccountPort {
 public:
  ProductAccount(halvarin::sdk::ClientConfiguration configuration,
                 halvarin::sdk::PlatformHooks hooks)
      : client_(make_account_client(cancellable(std::move(configuration), cancel_),
                                    std::move(hooks))) {}

  ~ProductAccount() override {
    cancel_.request_stop();
    if (retry_.joinable()) retry_.join();
  }

  bool has_account() override {
    if (!retry_running_.load() && client_.start_retry_due()) begin_retry();
    return quorvel::windows::has_account(client_);
  }
  void on_background_start_ended(std::function<void(bool signed_in_changed)> ended) override {
    std::lock_guard lock(ended_mutex_);
    start_ended_ = std::move(ended);
  }
  std::optional<halvarin::sdk::AccountIdentity> query_account() override {
    std::lock_guard lock(client_mutex_);
    return quorvel::windows::query_account(client_);
  }
  halvarin::sdk::AuthResult sign_in(std::stop_token stop_token, std::string locale) override {
    std::lock_guard lock(client_mutex_);
    return sign_in_account(client_, std::move(stop_token), std::move(locale));
  }
  halvarin::sdk::Error disconnect() override {
    std::lock_guard lock(client_mutex_);
    return disconnect_account(client_);
  }
  // The page openers read only the configuration, which never changes, so
  // they need not wait for a start or a sign-in that is running.
  halvarin::sdk::Error open_account_page() override {
    return quorvel::windows::open_account_page(client_);
  }
  bool open_support_page() override {
    return succeeded(quorvel::windows::open_support_page(client_));
  }

 private:
  static bool succeeded(const halvarin::sdk::Error& error) {
    return error.kind == halvarin::sdk::kErrorNone;
  }

  // Runs the repeated start off the calling (UI) thread. Only one runs at a
  // time; the previous thread has finished once retry_running_ is clear.
  void begin_retry() {
    if (retry_.joinable()) retry_.join();
    retry_running_ = true;
    try {
      retry_ = std::thread([this] { run_retry(); });
    } catch (const std::system_error&) {
      // No thread now: the next has_account tries again.
      retry_running_ = false;
    }
  }

  void run_retry() {
    bool changed = false;
    {
      // A start that fails again changes nothing the shell shows; only one
      // that restores or loses the sign-in does.
      std::lock_guard lock(client_mutex_);
      const bool before = quorvel::windows::has_account(client_);
      (void)client_.start();
      changed = quorvel::windows::has_account(client_) != before;
    }
    {
      std::lock_guard lock(ended_mutex_);
      if (start_ended_) start_ended_(changed);
    }
    retry_running_ = false;
  }

  std::stop_source cancel_;
  halvarin::sdk::Client client_;
  // Held by every client operation that may start the client.
  std::mutex client_mutex_;
  std::mutex ended_mutex_;
  std::function<void(bool)> start_ended_;
  std::atomic<bool> retry_running_{false};
  std::thread retry_;
};

}  // namespace

std::unique_ptr<AccountPort> make_product_account() {
  return make_product_account(make_client_configuration(), halvarin::sdk::PlatformHooks{});
}

std::unique_ptr<AccountPort> make_product_account(halvarin::sdk::ClientConfiguration configuration,
                                                  halvarin::sdk::PlatformHooks hooks) {
  return std::make_unique<ProductAccount>(std::move(configuration), std::move(hooks));
}

}  // namespace quorvel::windows
