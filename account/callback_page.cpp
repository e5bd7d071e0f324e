#include "account/callback_page.h"

namespace halvarin::sdk {
namespace {

struct PageTexts {
  std::string_view title;
  std::string_view message;
  std::string_view mark;
  std::string_view mark_class;
};

constexpr PageTexts kEnglishSuccess{"Sign-in complete", "You can now return to the app.",
                                    "&#10003;", "success"};
constexpr PageTexts kEnglishFailure{"Sign-in incomplete", "Return to the app and try again.",
                                    "!", "failure"};
constexpr PageTexts kChineseSuccess{"登录完成", "你现在可以返回应用。", "&#10003;", "success"};
constexpr PageTexts kChineseFailure{"登录未完成", "请返回应用后重试。", "!", "failure"};

constexpr std::string_view kStyle =
    "*{box-sizing:border-box}"
    "html,body{margin:0;height:100%}"
    "body{display:grid;place-items:center;min-height:100vh;padding:32px;"
    "font-family:Inter,\"Segoe UI\",system-ui,-apple-system,\"PingFang SC\","
    "\"Microsoft YaHei\",sans-serif;color:#10243d;background:#f4f6f8}"
    "main{width:100%;max-width:560px;padding:44px;border:1px solid #d9e0e8;"
    "border-radius:20px;background:#ffffff;box-shadow:0 18px 48px rgba(16,36,61,.08)}"
    ".mark{display:grid;place-items:center;width:48px;height:48px;border-radius:14px;"
    "margin-bottom:28px;font-size:26px;font-weight:700;color:#087eea;background:#e4f1ff}"
    ".mark.failure{color:#b94a18;background:#fff0e8}"
    "h1{margin:0 0 12px;font-size:32px;line-height:1.2}"
    "p{margin:0;font-size:17px;color:#607086;line-height:1.7}"
    ".brand{margin-top:34px;font-size:13px;font-weight:700;color:#087eea;"
    "letter-spacing:.14em}"
    "@media (prefers-color-scheme:dark){"
    "body{color:#eef5ff;background:#0d151f}"
    "main{border-color:#283747;background:#111d29}"
    "p{color:#a9b8ca}"
    ".mark{color:#5aafff;background:#153757}"
    ".mark.failure{color:#ffac83;background:#49291d}}";

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string callback_page_locale(std::string_view locale_tag) {
  std::string tag;
  tag.reserve(locale_tag.size());
  for (const char c : locale_tag) tag.push_back(c == '_' ? '-' : ascii_lower(c));
  const bool chinese = tag == "zh" || (tag.size() >= 3 && tag.starts_with("zh-"));
  return std::string(chinese ? kChinesePageLocale : kEnglishPageLocale);
}

std::string make_callback_page(std::string_view locale_tag, bool success) {
  const bool chinese = callback_page_locale(locale_tag) == kChinesePageLocale;
  const PageTexts& texts = chinese ? (success ? kChineseSuccess : kChineseFailure)
                                   : (success ? kEnglishSuccess : kEnglishFailure);
  std::string page;
  page.reserve(kStyle.size() + 1024);
  page += "<!doctype html><html lang=\"";
  page += chinese ? "zh-CN" : "en";
  page +=
      "\"><head><meta charset=\"utf-8\">"
      "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">"
      "<meta name=\"color-scheme\" content=\"light dark\"><title>";
  page += texts.title;
  page += " · Halvarin</title><style>";
  page += kStyle;
  page += "</style></head><body><main><div class=\"mark ";
  page += texts.mark_class;
  page += "\">";
  page += texts.mark;
  page += "</div><h1>";
  page += texts.title;
  page += "</h1><p>";
  page += texts.message;
  page += "</p><div class=\"brand\">HALVARIN</div></main></body></html>";
  return page;
}

std::string make_callback_response(std::string_view page) {
  std::string response =
      "HTTP/1.1 200 OK\r\n"
      "Content-Type: text/html; charset=utf-8\r\n"
      "Content-Length: ";
  response += std::to_string(page.size());
  response +=
      "\r\n"
      "Cache-Control: no-store\r\n"
      "X-Content-Type-Options: nosniff\r\n"
      "Content-Security-Policy: default-src 'none'; style-src 'unsafe-inline'\r\n"
      "Connection: close\r\n"
      "\r\n";
  response += page;
  return response;
}

}  // namespace halvarin::sdk
