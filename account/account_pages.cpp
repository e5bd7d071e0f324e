#include "account/account_pages.h"

#include <utility>

#include "account/utf16_text.h"

namespace halvarin::sdk {
namespace {

constexpr std::string_view kHttpsScheme = "https://";

Error page_error(int32_t kind, std::string message) {
  Error error;
  error.kind = kind;
  error.message = std::move(message);
  return error;
}

}  // namespace

std::string support_page_url(std::string_view recovery_url) {
  if (recovery_url.size() <= kHttpsScheme.size() || !recovery_url.starts_with(kHttpsScheme) ||
      recovery_url.find_first_of("?#") != std::string_view::npos) {
    return {};
  }
  std::string_view page = recovery_url;
  while (page.ends_with('/')) page.remove_suffix(1);
  if (page == "https:") return {};
  return std::string(page) + "/support/";
}

Error open_configured_page(std::string_view url, std::string_view page_name,
                           const PlatformHooks& hooks) {
  const std::string name(page_name);
  if (url.empty())
    return page_error(kErrorConfigurationInvalid, "No " + name + " URL is configured.");
  const std::wstring wide = utf8_to_wide(url);
  if (wide.empty())
    return page_error(kErrorConfigurationInvalid, "The " + name + " URL is invalid.");
  if (!hooks.open_url(wide))
    return page_error(kErrorBrowser, "The " + name + " page could not be opened.");
  return {};
}

Error open_account_management_page(const ClientConfiguration& configuration,
                                   const PlatformHooks& hooks) {
  return open_configured_page(configuration.account_url, "account management", hooks);
}

Error open_product_support_page(const ClientConfiguration& configuration,
                                const PlatformHooks& hooks) {
  return open_configured_page(support_page_url(configuration.recovery_url), "product support",
                              hooks);
}

}  // namespace halvarin::sdk
