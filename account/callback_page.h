// The small HTML page the loopback listener answers the browser with, in
// English or Chinese, and the HTTP answer that carries it. The page is self
// contained (no script, image, font or external style) and the answer's
// Content-Security-Policy enforces that. Pure functions with no Windows
// calls.
#pragma once

#include <string>
#include <string_view>

namespace halvarin::sdk {

inline constexpr std::string_view kChinesePageLocale = "zh-CN";
inline constexpr std::string_view kEnglishPageLocale = "en-US";

// "zh-CN" for "zh" and any "zh-…" tag (case-insensitive, "_" taken as "-"),
// "en-US" for everything else, the empty tag included.
std::string callback_page_locale(std::string_view locale_tag);

// The result page as one line of UTF-8 HTML: "Sign-in complete" when
// `success`, "Sign-in incomplete" otherwise, in the language of
// `callback_page_locale(locale_tag)`.
std::string make_callback_page(std::string_view locale_tag, bool success);

// The whole HTTP/1.1 200 answer: the head (content type, length, no caching,
// no sniffing, the content security policy, Connection: close) and `page`.
std::string make_callback_response(std::string_view page);

}  // namespace halvarin::sdk
