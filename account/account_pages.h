// The account web pages the client opens in the user's browser: the
// account-management page (the configured account URL) and the product
// support page (derived from the product's page). No state; call on the
// thread that may start the browser (the UI thread).
#pragma once

#include <string>
#include <string_view>

#include "account/client_configuration.h"
#include "account/error.h"
#include "account/platform_hooks.h"

namespace halvarin::sdk {

// The support page below an HTTPS product page: its trailing slashes
// dropped and "/support/" added. Empty for anything but an https:// URL
// with something after the scheme and without "?" or "#".
std::string support_page_url(std::string_view recovery_url);

// Opens `url` through `hooks.open_url`. `page_name` names the page in the
// messages: kind 2 when the URL is empty or not valid UTF-8 (the browser
// is not started), kind 7 when the browser could not be opened.
Error open_configured_page(std::string_view url, std::string_view page_name,
                           const PlatformHooks& hooks = {});

// Opens the configured account URL ("account management").
Error open_account_management_page(const ClientConfiguration& configuration,
                                   const PlatformHooks& hooks = {});

// Opens the support page of the configured product page ("product support").
Error open_product_support_page(const ClientConfiguration& configuration,
                                const PlatformHooks& hooks = {});

}  // namespace halvarin::sdk
