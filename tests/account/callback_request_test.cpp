#include "account/callback_request.h"

#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace halvarin::sdk {
namespace {

TEST(CallbackRequestTest, StopsReadingAtTheBlankLineOrTheSizeCap) {
  struct Case {
    std::string buffered;
    bool complete;
  };
  const std::vector<Case> cases = {
      {"", false},
      {"GET / HTTP/1.1\r\n", false},
      {"GET / HTTP/1.1\r\nHost: a\r\n\r", false},
      {"GET / HTTP/1.1\r\nHost: a\r\n\r\n", true},
      {"\r\n\r\n", true},
      {"GET / HTTP/1.1\n\n", false},
      {std::string(16383, 'a'), false},
      {std::string(16384, 'a'), true},
      {std::string(16384 + 2048, 'a'), true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(callback_request_complete(c.buffered), c.complete) << c.buffered.size();
  }
  EXPECT_EQ(kMaxCallbackRequestBytes, 16384u);
  EXPECT_EQ(kCallbackReadBytes, 2048u);
}

TEST(CallbackRequestTest, TakesTheTargetOfAGetRequestLineOnly) {
  struct Case {
    std::string request;
    std::optional<std::string> target;
  };
  const std::vector<Case> cases = {
      {"GET /callback?code=abc&state=xyz HTTP/1.1\r\nHost: 127.0.0.1:5\r\n\r\n",
       "/callback?code=abc&state=xyz"},
      {"GET /favicon.ico HTTP/1.1\r\n\r\n", "/favicon.ico"},
      {"GET / HTTP/1.1", "/"},
      {"GET /x y", "/x"},
      {"GET  HTTP/1.1\r\n\r\n", ""},
      {"GET /callback?code=abc HTTP/1.1\r\nHost: a b", "/callback?code=abc"},
      {"POST /callback?code=abc HTTP/1.1\r\n\r\n", std::nullopt},
      {"get /callback?code=abc HTTP/1.1\r\n\r\n", std::nullopt},
      {"GET/callback HTTP/1.1\r\n\r\n", std::nullopt},
      {"GET /callback?code=abc\r\n\r\n", std::nullopt},
      // A space in a later header line does not complete the request line.
      {"GET /callback?code=abc\r\nHost: 127.0.0.1:5\r\n\r\n", std::nullopt},
      {"GET /callback?code=abc\nUser-Agent: a b\n\n", std::nullopt},
      {"GET /callback?code=abc", std::nullopt},
      {"GET ", std::nullopt},
      {"GET", std::nullopt},
      {"", std::nullopt},
      {std::string("\0\0\0\0", 4), std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<std::string_view> target = callback_request_target(c.request);
    ASSERT_EQ(target.has_value(), c.target.has_value()) << c.request;
    if (target) {
      EXPECT_EQ(*target, *c.target) << c.request;
    }
  }
}

TEST(CallbackRequestTest, AnyTargetFoundLiesOnTheRequestLine) {
  std::mt19937 random(12345);
  const std::string alphabet = "GET /?=&\r\n aP";
  for (int round = 0; round < 5000; ++round) {
    std::string request = random() % 2 ? "GET " : "";
    const size_t length = random() % 30;
    for (size_t i = 0; i < length; ++i) request.push_back(alphabet[random() % alphabet.size()]);
    const std::optional<std::string_view> target = callback_request_target(request);
    if (!target) continue;
    EXPECT_TRUE(request.starts_with("GET ")) << request;
    EXPECT_EQ(target->data(), request.data() + 4) << request;
    EXPECT_EQ(target->find_first_of(" \r\n"), std::string_view::npos) << request;
    EXPECT_EQ(request[4 + target->size()], ' ') << request;
  }
}

}  // namespace
}  // namespace halvarin::sdk
