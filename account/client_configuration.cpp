#include "account/client_configuration.h"

#include <utility>

namespace halvarin::sdk {
namespace {

constexpr size_t kMaxIdentifierBytes = 128;
constexpr size_t kMaxChannelBytes = 32;
constexpr size_t kMaxPageUrlBytes = 2048;
constexpr size_t kMaxVersionBytes = 64;
constexpr size_t kMaxLocaleBytes = 32;
constexpr int32_t kMaxAttempts = 8;

bool is_ascii_alphanumeric(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Plain HTTP is allowed only towards an explicit loopback address with a
// port. A prefix test: the rest of the root is not parsed.
bool is_loopback_http_with_port(std::string_view url) {
  return url.starts_with("http://127.0.0.1:") || url.starts_with("http://localhost:") ||
         url.starts_with("http://[::1]:");
}

bool is_allowed_base_url_scheme(const ClientConfiguration& configuration) {
  return configuration.base_url.starts_with("https://") ||
         (configuration.allow_loopback_http && is_loopback_http_with_port(configuration.base_url));
}

// A slash that ends the root after its "scheme://". The separator's own
// slashes do not count, so a bare "https://" has none (the transport then
// refuses it as a root it cannot parse).
bool has_trailing_slash(std::string_view url) {
  const size_t separator = url.find("://");
  const std::string_view rest =
      separator == std::string_view::npos ? url : url.substr(separator + 3);
  return rest.ends_with('/');
}

bool is_valid_page_url(std::string_view url) {
  return url.empty() || (url.starts_with("https://") && url.size() <= kMaxPageUrlBytes);
}

bool has_size_between(std::string_view text, size_t low, size_t high) {
  return text.size() >= low && text.size() <= high;
}

bool is_valid_retry_policy(const RetryPolicy& retry) {
  return retry.max_attempts >= 1 && retry.max_attempts <= kMaxAttempts &&
         retry.initial_delay >= 0 && retry.max_delay >= retry.initial_delay;
}

// The message of the first rule the configuration breaks; null when it
// breaks none.
const char* first_broken_rule(const ClientConfiguration& c) {
  if (c.base_url.empty()) return "base_url is required";
  if (!is_allowed_base_url_scheme(c)) {
    return "base_url must use HTTPS; HTTP is limited to explicit loopback development";
  }
  if (has_trailing_slash(c.base_url)) return "base_url must not have a trailing slash";
  if (!is_valid_page_url(c.recovery_url)) return "recovery_url must be an HTTPS URL";
  if (!is_valid_page_url(c.account_url)) return "account_url must be an HTTPS URL";
  if (!is_stable_identifier(c.client_id)) return "client_id must be a stable ASCII identifier";
  if (!is_stable_identifier(c.application_id)) {
    return "application_id must be a stable ASCII identifier";
  }
  if (!has_size_between(c.application_version, 1, kMaxVersionBytes)) {
    return "application_version is invalid";
  }
  if (!is_stable_identifier(c.distribution_channel) ||
      c.distribution_channel.size() > kMaxChannelBytes) {
    return "distribution_channel must be a stable ASCII identifier";
  }
  if (!has_size_between(c.locale, 1, kMaxLocaleBytes)) return "locale is invalid";
  if (c.connect_timeout <= 0 || c.request_timeout <= 0) {
    return "timeouts must be greater than zero";
  }
  if (c.connect_timeout > c.request_timeout) {
    return "connect_timeout must not exceed request_timeout";
  }
  if (!is_valid_retry_policy(c.retry)) return "retry policy is invalid";
  return nullptr;
}

}  // namespace

ClientConfiguration::ClientConfiguration(ClientConfiguration&& other) noexcept {
  take_from(other);
}

ClientConfiguration& ClientConfiguration::operator=(ClientConfiguration&& other) noexcept {
  if (this != &other) take_from(other);
  return *this;
}

void ClientConfiguration::take_from(ClientConfiguration& other) noexcept {
  base_url = std::exchange(other.base_url, {});
  client_id = std::exchange(other.client_id, {});
  application_id = std::exchange(other.application_id, {});
  application_version = std::exchange(other.application_version, {});
  distribution_channel = std::exchange(other.distribution_channel, {});
  recovery_url = std::exchange(other.recovery_url, {});
  account_url = std::exchange(other.account_url, {});
  locale = std::exchange(other.locale, {});
  connect_timeout = other.connect_timeout;
  request_timeout = other.request_timeout;
  retry = other.retry;
  cancel_token = std::exchange(other.cancel_token, {});
  allow_loopback_http = other.allow_loopback_http;
  allow_test_tls_override = other.allow_test_tls_override;
  heartbeat_enabled = other.heartbeat_enabled;
}

bool is_stable_identifier(std::string_view text) {
  if (text.empty() || text.size() > kMaxIdentifierBytes) return false;
  if (!is_ascii_alphanumeric(text.front()) || !is_ascii_alphanumeric(text.back())) return false;
  for (const char c : text) {
    if (!is_ascii_alphanumeric(c) && c != '-' && c != '.' && c != '_') return false;
  }
  return true;
}

Error make_configuration_error(std::string message) {
  Error error;
  error.kind = kErrorConfigurationInvalid;
  error.message = std::move(message);
  return error;
}

Error validate_configuration(const ClientConfiguration& configuration) {
  if (const char* message = first_broken_rule(configuration)) {
    return make_configuration_error(message);
  }
  return {};
}

}  // namespace halvarin::sdk
