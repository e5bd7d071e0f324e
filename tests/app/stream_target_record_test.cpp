#include "app/stream_target_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using Bytes = std::vector<uint8_t>;

// UTF-16LE bytes of `units`, each taken as one 16-bit code unit.
Bytes utf16le(std::u16string_view units) {
  Bytes bytes;
  for (char16_t unit : units) {
    bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<uint8_t>(unit >> 8));
  }
  return bytes;
}

Bytes record_bytes(const StreamSettings& settings) {
  const std::wstring record = make_stream_target_record(settings);
  std::u16string units;
  for (wchar_t unit : record) units += static_cast<char16_t>(unit);
  return utf16le(units);
}

TEST(StreamTargetRecord, RecordRoundTrips) {
  const StreamSettings cases[] = {
      {false, L"rtmp://live.example.com/app", L"secret-key"},
      {true, L"rtmps://h:443/app/name", L""},
      {false, L"", L""},
      {false, L"rtmp://h/\u00e9\u4e2d", std::wstring{L'k', static_cast<wchar_t>(0xD800)}},
  };
  for (const StreamSettings& settings : cases) {
    SCOPED_TRACE(test::utf8(settings.server_url));
    const auto parsed = parse_stream_target_record(record_bytes(settings));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->complete_url, settings.complete_url);
    EXPECT_EQ(parsed->server_url, settings.server_url);
    EXPECT_EQ(parsed->stream_key, settings.stream_key);
  }
}

TEST(StreamTargetRecord, ReadsUnalignedBytes) {
  Bytes buffer(1, 0xFF);
  const Bytes record = utf16le(std::u16string(u"10rtmp://h/a\0k\0", 15));
  buffer.insert(buffer.end(), record.begin(), record.end());
  const auto parsed =
      parse_stream_target_record(std::span<const uint8_t>(buffer).subspan(1));
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->server_url, L"rtmp://h/a");
  EXPECT_EQ(parsed->stream_key, L"k");
}

TEST(StreamTargetRecord, RefusesMalformedRecords) {
  struct Case {
    const char* name;
    Bytes bytes;
  };
  Bytes odd = utf16le(std::u16string(u"10u\0k\0", 6));
  odd.push_back(0);
  const Case cases[] = {
      {"empty", {}},
      {"under four units", utf16le(std::u16string(u"10\0", 3))},
      {"odd length", odd},
      {"other format", utf16le(std::u16string(u"20u\0k\0", 6))},
      {"flag not 0 or 1", utf16le(std::u16string(u"12u\0k\0", 6))},
      {"no closing zero", utf16le(std::u16string(u"10u\0kk", 6))},
      {"zero inside the key", utf16le(std::u16string(u"10u\0k\0k\0", 8))},
      {"high byte in the format unit", utf16le(std::u16string(u"\u013110u\0k\0", 7))},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(parse_stream_target_record(c.bytes).has_value()) << c.name;
  }
}

TEST(StreamTargetRecord, KeyMayBeEmptyWhenUrlRunsToTheEnd) {
  const auto parsed = parse_stream_target_record(utf16le(std::u16string(u"11rtmp://h/a/k\0", 15)));
  ASSERT_TRUE(parsed.has_value());
  EXPECT_TRUE(parsed->complete_url);
  EXPECT_EQ(parsed->server_url, L"rtmp://h/a/k");
  EXPECT_EQ(parsed->stream_key, L"");
}

}  // namespace
}  // namespace quorvel::windows
