// The application's side of the account client: the configuration it gives
// the client. Called once, at application start, on the UI thread.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "account/client_configuration.h"
#include "quorvel/version.h"

namespace quorvel::windows {

// The version the application reports to the account service.
inline constexpr std::string_view kAccountApplicationVersion = kProgramVersion;

// The account client's configuration for this application: the built-in
// service root, its identifiers and version, the product and account pages,
// and the sign-in language of the user's UI language.
halvarin::sdk::ClientConfiguration make_client_configuration();

// "zh-CN" when the primary language of `language` (its low 10 bits) is
// Chinese, else "en-US".
std::string account_locale_for_language(LANGID language);

// True for a plain-HTTP loopback root ("http://127.0.0.1" or
// "http://localhost" as its first 16 bytes, port or not), which a
// development build may point the client at; false for HTTPS roots.
bool is_loopback_development_root(std::string_view base_url);

}  // namespace quorvel::windows
