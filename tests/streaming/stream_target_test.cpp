#include "streaming/stream_target.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

struct TargetCase {
  const wchar_t* url;
  const wchar_t* key;
  bool complete;
  bool ok;
  const wchar_t* host = L"";
  uint16_t port = 0;
  bool tls = false;
  const char* app = "";
  const char* stream_key = "";
  const char* tc_url = "";
};

const TargetCase kCases[] = {
    {L"rtmp://example.com/live", L"K", false, true, L"example.com", 1935, false, "live", "K",
     "rtmp://example.com/live"},
    {L"rtmps://example.com:4443/app/", L"K", false, true, L"example.com", 4443, true, "app", "K",
     "rtmps://example.com:4443/app"},
    {L"rtmps://example.com/app", L"K", false, true, L"example.com", 443, true, "app", "K",
     "rtmps://example.com/app"},
    {L"rtmp://h/live/abc?x=1", L"", true, true, L"h", 1935, false, "live", "abc?x=1",
     "rtmp://h/live"},
    {L"rtmp://h/a/b/key", L"", true, true, L"h", 1935, false, "a/b", "key", "rtmp://h/a/b"},
    {L"rtmp://h/live/abc", L"K", true, false},
    {L"rtmp://h/abc", L"", true, false},
    {L"rtmp://h/live/abc/", L"", true, false},
    {L"RTMP://h/live", L"K", false, false},
    {L"http://h/live", L"K", false, false},
    {L"rtmp://[::1]:1936/live", L"K", false, true, L"::1", 1936, false, "live", "K",
     "rtmp://[::1]:1936/live"},
    {L"rtmp://[::1]/live", L"K", false, true, L"::1", 1935, false, "live", "K",
     "rtmp://[::1]/live"},
    {L"rtmp://[]/live", L"K", false, false},
    {L"rtmp://[::1]x/live", L"K", false, false},
    {L"rtmp://[::1]:/live", L"K", false, false},
    {L"rtmp://[::1/live", L"K", false, false},
    {L"rtmp://h:0/live", L"K", false, false},
    {L"rtmp://h:65536/live", L"K", false, false},
    {L"rtmp://h:65535/live", L"K", false, true, L"h", 65535, false, "live", "K",
     "rtmp://h:65535/live"},
    {L"rtmp://h:12a/live", L"K", false, false},
    {L"rtmp://h:/live", L"K", false, false},
    {L"rtmp://h:00080/live", L"K", false, true, L"h", 80, false, "live", "K",
     "rtmp://h:00080/live"},
    {L"rtmp://h:99999999999999999999/live", L"K", false, false},
    {L"rtmp://:1935/live", L"K", false, false},
    {L"rtmp://h/li ve", L"K", false, false},
    {L"rtmp://h/li#ve", L"K", false, false},
    {L"rtmp://h/li\\ve", L"K", false, false},
    {L"rtmp://h/li\tve", L"K", false, false},
    {L"rtmp://h/li\x7fve", L"K", false, false},
    {L"rtmp://h/live", L"a b", false, false},
    {L"rtmp://user@h/live", L"K", false, false},
    {L"rtmp://h?x/live", L"K", false, false},
    {L"rtmp://h%41/live", L"K", false, false},
    {L"rtmp://h/live?x=1@2", L"K", false, true, L"h", 1935, false, "live?x=1@2", "K",
     "rtmp://h/live?x=1@2"},
    {L"rtmp://h", L"K", false, false},
    {L"rtmp://", L"K", false, false},
    {L"rtmp:///live", L"K", false, false},
    {L"rtmp://h/", L"K", false, false},
    {L"rtmp://h/live", L"", false, false},
    {L"rtmp://h/live", L"/K", false, false},
    {L"rtmp://h/live", L"?K", false, false},
    {L"rtmp://h/?live", L"K", false, false},
    {L"rtmp://h/live/?x", L"", true, false},
    {L"rtmp://h/caf\u00e9", L"cl\u00e9", false, true, L"h", 1935, false, "caf\xc3\xa9",
     "cl\xc3\xa9", "rtmp://h/caf\xc3\xa9"},
    {L"rtmp://h/live", L"K\xd800", false, false},
    {L"rtmp://h\xdc00/live", L"K", false, false},
    {L"rtmp://h/li\xd800ve", L"K", false, false},
    {L"rtmp://h\u00e9/live", L"K", false, true, L"h\u00e9", 1935, false, "live", "K",
     "rtmp://h\xc3\xa9/live"},
};

TEST(StreamTargetTest, ParsesTableOfUrls) {
  for (const TargetCase& c : kCases) {
    SCOPED_TRACE(test::utf8(c.url));
    StreamSettings settings;
    settings.server_url = c.url;
    settings.stream_key = c.key;
    settings.complete_url = c.complete;
    const auto target = parse_stream_target(settings);
    ASSERT_EQ(target.has_value(), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(target->host, c.host);
    EXPECT_EQ(target->port, c.port);
    EXPECT_EQ(target->tls, c.tls);
    EXPECT_EQ(target->app, c.app);
    EXPECT_EQ(target->key, c.stream_key);
    EXPECT_EQ(target->tc_url, c.tc_url);
  }
}

TEST(StreamTargetTest, LimitsUrlAndKeyTo8192Units) {
  const std::wstring prefix = L"rtmp://h/";
  StreamSettings settings;
  settings.stream_key = L"K";
  settings.server_url = prefix + std::wstring(8192 - prefix.size(), L'a');
  EXPECT_TRUE(parse_stream_target(settings).has_value());
  settings.server_url += L'a';
  EXPECT_FALSE(parse_stream_target(settings).has_value());

  settings.server_url = L"rtmp://h/live";
  settings.stream_key = std::wstring(8192, L'k');
  EXPECT_TRUE(parse_stream_target(settings).has_value());
  settings.stream_key += L'k';
  EXPECT_FALSE(parse_stream_target(settings).has_value());
}

TEST(StreamTargetTest, ToUtf8RejectsInvalidUtf16) {
  const std::wstring good = L"a\u00e9\U0001F600";
  EXPECT_EQ(to_utf8(good), "a\xc3\xa9\xf0\x9f\x98\x80");
  const std::wstring lone = L"a\xdc00";
  EXPECT_EQ(to_utf8(lone), "");
  EXPECT_EQ(to_utf8(std::wstring()), "");
}

// The same results as WideCharToMultiByte with WC_ERR_INVALID_CHARS.
TEST(StreamTargetTest, ToUtf8EncodesEachLengthAndRefusesBrokenPairs) {
  struct Case {
    const char* name;
    std::vector<uint32_t> units;  // UTF-16 code units
    std::string expected;
  };
  const Case cases[] = {
      {"one byte", {0x41, 0x7F}, "A\x7f"},
      {"two bytes", {0x80, 0x7FF}, "\xc2\x80\xdf\xbf"},
      {"three bytes", {0x800, 0xFFFF}, "\xe0\xa0\x80\xef\xbf\xbf"},
      {"pair", {0xD800, 0xDC00, 0xDBFF, 0xDFFF}, "\xf0\x90\x80\x80\xf4\x8f\xbf\xbf"},
      {"zero unit", {0x61, 0x00}, std::string("a\0", 2)},
      {"high surrogate last", {0x61, 0xD800}, ""},
      {"high surrogate before another", {0xD800, 0xD800, 0xDC00}, ""},
      {"high surrogate before a letter", {0xD83D, 0x61}, ""},
      {"low surrogate first", {0xDC00, 0xD800}, ""},
  };
  for (const Case& c : cases) {
    std::wstring text;
    for (uint32_t unit : c.units) text += static_cast<wchar_t>(unit);
    EXPECT_EQ(to_utf8(text), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace quorvel::windows
