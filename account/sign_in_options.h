// SignInOptions is the argument record of one interactive browser sign-in:
// how long the browser step may take, the OAuth scopes asked for, the
// language of the sign-in pages and the stop token that cancels it. A plain
// value, filled by the caller for one sign-in.
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>
#include <string_view>

namespace halvarin::sdk {

// What the application asks for when the user signs in from its windows.
inline constexpr int64_t kSignInBrowserTimeoutSeconds = 180;
inline constexpr std::string_view kSignInScopes = "openid profile email offline_access";

struct SignInOptions {
  // Seconds the browser step may take; must be positive.
  int64_t browser_timeout = 0;
  // Space-separated OAuth scopes; must contain "openid".
  std::string scopes;
  // Language tag of the sign-in pages, such as "en-US".
  std::string locale;
  std::stop_token stop_token;
};

}  // namespace halvarin::sdk
