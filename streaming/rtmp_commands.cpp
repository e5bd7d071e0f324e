#include "streaming/rtmp_commands.h"

#include <cmath>

#include "streaming/failure.h"

namespace quorvel::windows {

std::vector<uint8_t> make_connect_command(const StreamTarget& target) {
  std::vector<uint8_t> out;
  amf0_write_string(out, "connect");
  amf0_write_number(out, 1);
  amf0_write_object_start(out);
  amf0_write_string_property(out, "app", target.app);
  amf0_write_string_property(out, "tcUrl", target.tc_url);
  amf0_write_string_property(out, "flashVer", kFlashVersion);
  amf0_write_string_property(out, "type", "nonprivate");
  amf0_write_number_property(out, "objectEncoding", 0);
  amf0_write_object_end(out);
  return out;
}

std::vector<uint8_t> make_create_stream_command() {
  std::vector<uint8_t> out;
  amf0_write_string(out, "createStream");
  amf0_write_number(out, 2);
  amf0_write_null(out);
  return out;
}

std::vector<uint8_t> make_publish_command(std::string_view key) {
  std::vector<uint8_t> out;
  amf0_write_string(out, "publish");
  amf0_write_number(out, 0);
  amf0_write_null(out);
  amf0_write_string(out, key);
  amf0_write_string(out, "live");
  return out;
}

std::vector<uint8_t> make_delete_stream_command(uint32_t stream_id) {
  std::vector<uint8_t> out;
  amf0_write_string(out, "deleteStream");
  amf0_write_number(out, 0);
  amf0_write_null(out);
  amf0_write_number(out, stream_id);
  return out;
}

bool reply_ends_wait(const std::vector<AmfValue>& values, double transaction,
                     std::string_view expected_status) {
  if (values.empty()) return false;
  const std::string code = find_status_code(values);
  const std::string& name = values[0].text;
  if (name == "_error") throw Failure(kFailureRejected, code.empty() ? name : code);
  if (name == "onStatus") {
    // A status without a code says nothing about the awaited reply; it must
    // neither end a wait for a _result nor count as a refusal there.
    if (expected_status.empty() && code.empty()) return false;
    if (!expected_status.empty() && code == expected_status) return true;
    if (code != kPublishStart) throw Failure(kFailureRejected, code);
    return false;
  }
  return expected_status.empty() && values.size() >= 2 && name == "_result" &&
         values[1].number == transaction;
}

uint32_t stream_id_from_result(const std::vector<AmfValue>& values) {
  if (values.size() < 4) throw Failure(kFailureProtocol, "createStream result too short");
  const double id = values[3].number;
  if (!std::isfinite(id) || id != std::floor(id) || id < 1 || id > 4294967295.0) {
    throw Failure(kFailureProtocol, "createStream result stream id");
  }
  return static_cast<uint32_t>(id);
}

}  // namespace quorvel::windows
