#include "streaming/rtmp_commands.h"

#include <gtest/gtest.h>

#include <limits>

#include "streaming/failure.h"

namespace quorvel::windows {
namespace {

AmfValue text(std::string value) {
  AmfValue v;
  v.text = std::move(value);
  return v;
}
AmfValue number(double value) {
  AmfValue v;
  v.number = value;
  return v;
}
AmfValue status(const char* code) {
  AmfValue v;
  if (code != nullptr) v.object["code"] = text(code);
  v.object["level"] = text("status");
  return v;
}

// -1 = keep waiting, 1 = wait ends, otherwise the failure code.
int outcome(const std::vector<AmfValue>& values, double transaction, const char* expected) {
  try {
    return reply_ends_wait(values, transaction, expected) ? 1 : -1;
  } catch (const Failure& failure) {
    return failure.code;
  }
}

TEST(RtmpCommandsTest, ConnectCommandCarriesTargetAndFlashVersion) {
  StreamTarget target;
  target.app = "live";
  target.tc_url = "rtmp://localhost:1935/live";
  const auto values = amf0_decode_values(make_connect_command(target));
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0].text, "connect");
  EXPECT_EQ(values[1].number, 1);
  EXPECT_EQ(values[2].object.at("app").text, "live");
  EXPECT_EQ(values[2].object.at("tcUrl").text, "rtmp://localhost:1935/live");
  EXPECT_EQ(values[2].object.at("flashVer").text, "FMLE/3.0 (compatible; Quorvel)");
  EXPECT_EQ(values[2].object.at("type").text, "nonprivate");
  EXPECT_EQ(values[2].object.at("objectEncoding").number, 0);

  const auto publish = amf0_decode_values(make_publish_command("key"));
  ASSERT_EQ(publish.size(), 5u);
  EXPECT_EQ(publish[0].text, "publish");
  EXPECT_EQ(publish[3].text, "key");
  EXPECT_EQ(publish[4].text, "live");

  target.app = std::string(0x10000, 'a');
  EXPECT_THROW(make_connect_command(target), Failure);
}

// AMF0 bytes written out from the format: a string is marker 0x02, a
// 2-byte big-endian length and the bytes; a number is marker 0x00 and an
// 8-byte big-endian IEEE double; null is 0x05.
std::vector<uint8_t> amf_string(std::string_view text) {
  std::vector<uint8_t> out = {0x02, 0x00, static_cast<uint8_t>(text.size())};
  out.insert(out.end(), text.begin(), text.end());
  return out;
}

std::vector<uint8_t> concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

const std::vector<uint8_t> kNumber0 = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
const std::vector<uint8_t> kNumber2 = {0x00, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
const std::vector<uint8_t> kNull = {0x05};

TEST(RtmpCommandsTest, WritesCreateStreamPublishAndDeleteStreamByteForByte) {
  EXPECT_EQ(make_create_stream_command(), concat({amf_string("createStream"), kNumber2, kNull}));
  EXPECT_EQ(make_publish_command("stream-key"),
            concat({amf_string("publish"), kNumber0, kNull, amf_string("stream-key"),
                    amf_string("live")}));
  // 7.0 and 4294967295.0 as doubles.
  EXPECT_EQ(make_delete_stream_command(7),
            concat({amf_string("deleteStream"), kNumber0, kNull,
                    {0x00, 0x40, 0x1C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}}));
  EXPECT_EQ(make_delete_stream_command(4294967295u),
            concat({amf_string("deleteStream"), kNumber0, kNull,
                    {0x00, 0x41, 0xEF, 0xFF, 0xFF, 0xFF, 0xE0, 0x00, 0x00}}));
}

TEST(RtmpCommandsTest, WritesConnectByteForByte) {
  StreamTarget target;
  target.app = "live";
  target.tc_url = "rtmp://h/live";
  // An object property is a 2-byte key length, the key and the value; the
  // object ends with 0x00 0x00 0x09.
  auto key = [](std::string_view name) {
    std::vector<uint8_t> out = {0x00, static_cast<uint8_t>(name.size())};
    out.insert(out.end(), name.begin(), name.end());
    return out;
  };
  const std::vector<uint8_t> expected = concat(
      {amf_string("connect"), {0x00, 0x3F, 0xF0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x03},
       key("app"), amf_string("live"), key("tcUrl"), amf_string("rtmp://h/live"),
       key("flashVer"), amf_string("FMLE/3.0 (compatible; Quorvel)"), key("type"),
       amf_string("nonprivate"), key("objectEncoding"), kNumber0, {0x00, 0x00, 0x09}});
  EXPECT_EQ(make_connect_command(target), expected);
}

TEST(RtmpCommandsTest, DecidesWaitsFromReplies) {
  struct Case {
    std::vector<AmfValue> values;
    double transaction;
    const char* expected;
    int outcome;
  };
  const Case cases[] = {
      {{text("_result"), number(1), AmfValue{}, status("NetConnection.Connect.Success")}, 1, "", 1},
      {{text("_result"), number(2), AmfValue{}, number(1)}, 1, "", -1},
      {{text("_result")}, 1, "", -1},
      {{text("_error"), number(1), AmfValue{}, status("NetConnection.Connect.Rejected")}, 1, "", 4},
      {{text("onBWDone"), number(0)}, 1, "", -1},
      // A status without a code neither ends nor fails the wait for a _result.
      {{text("onStatus"), number(0), AmfValue{}, status(nullptr)}, 1, "", -1},
      {{text("onStatus"), number(0), AmfValue{}, status("NetStream.Publish.Start")}, 1, "", -1},
      {{text("onStatus"), number(0), AmfValue{}, status("NetStream.Publish.BadName")}, 1, "", 4},
      {{text("onStatus"), number(0), AmfValue{}, status("NetStream.Publish.Start")}, 0,
       "NetStream.Publish.Start", 1},
      {{text("onStatus"), number(0), AmfValue{}, status("NetStream.Publish.BadName")}, 0,
       "NetStream.Publish.Start", 4},
      {{text("_result"), number(0)}, 0, "NetStream.Publish.Start", -1},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(outcome(cases[i].values, cases[i].transaction, cases[i].expected),
              cases[i].outcome);
  }
}

TEST(RtmpCommandsTest, TakesOnlyWholeStreamIdsInRange) {
  const double good[] = {1, 7, 4294967295.0};
  for (double id : good) {
    EXPECT_EQ(stream_id_from_result({text("_result"), number(2), AmfValue{}, number(id)}),
              static_cast<uint32_t>(id));
  }
  const double bad[] = {0, 1.5, 4294967296.0, -1, std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity()};
  for (double id : bad) {
    EXPECT_THROW(stream_id_from_result({text("_result"), number(2), AmfValue{}, number(id)}),
                 Failure);
  }
  EXPECT_THROW(stream_id_from_result({text("_result"), number(2), AmfValue{}}), Failure);
}

}  // namespace
}  // namespace quorvel::windows
