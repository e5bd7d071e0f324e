// Where the maker's account service and its web site live. The hosts are
// deployment values; every part of the client that needs the service root
// (the default configuration, the local store's data folder) takes it from
// here.
#pragma once

#include <string_view>

namespace halvarin::sdk {

// The HTTPS root below which every request path is sent: scheme and host,
// no path and no trailing slash.
inline constexpr std::string_view kServiceRoot = "https://account.halvarin.com";

// The service web site's pages that the client opens in the browser.
inline constexpr std::string_view kServiceSiteRootPage = "https://www.halvarin.com/";
inline constexpr std::string_view kAccountPage = "https://www.halvarin.com/user/";
// The product's own page on the web site; its support page lies below it.
inline constexpr std::string_view kProductPage = "https://www.halvarin.com/quorvel/";

}  // namespace halvarin::sdk
