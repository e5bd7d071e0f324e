// The AMF0 command messages of publishing and the rules for the server's
// replies. Plain functions over bytes and decoded values, no platform calls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "streaming/amf0.h"
#include "streaming/stream_target.h"

namespace quorvel::windows {

inline constexpr char kFlashVersion[] = "FMLE/3.0 (compatible; Quorvel)";
inline constexpr char kConnectSuccess[] = "NetConnection.Connect.Success";
inline constexpr char kPublishStart[] = "NetStream.Publish.Start";

std::vector<uint8_t> make_connect_command(const StreamTarget& target);
std::vector<uint8_t> make_create_stream_command();
std::vector<uint8_t> make_publish_command(std::string_view key);
std::vector<uint8_t> make_delete_stream_command(uint32_t stream_id);

// What one decoded command means to a wait for the reply to `transaction`
// (or, when `expected_status` is not empty, for that onStatus code).
// Returns true when the wait ends; throws code 4 for a refusal.
bool reply_ends_wait(const std::vector<AmfValue>& values, double transaction,
                     std::string_view expected_status);

// The message stream id from createStream's _result; code 3 unless the fourth
// value is a whole number from 1 to 4294967295.
uint32_t stream_id_from_result(const std::vector<AmfValue>& values);

}  // namespace quorvel::windows
