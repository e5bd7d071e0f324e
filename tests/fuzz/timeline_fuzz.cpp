// A stale timeline file: any bytes give a valid length that is the header
// plus whole records, cutting the file there leaves it valid to its end,
// and a file of well-formed records is valid as a whole.
#include <sstream>
#include <string>

#include "engine/timeline_format.h"
#include "tests/fuzz/fuzz_support.h"

using namespace quorvel::windows;
using quorvel::fuzz::check;

namespace {

uint64_t valid_length(const std::string& bytes) {
  std::istringstream in(bytes);
  return valid_timeline_length(in, bytes.size());
}

void append_u32(std::string& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>(value >> (8 * i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  const uint64_t valid = valid_length(file);
  check(valid == 0 || (valid >= kTimelineHeaderSize && valid <= size), "valid length bound");
  if (valid > 0) {
    check(valid_length(file.substr(0, valid)) == valid, "cut file stays valid");
  }

  FuzzedDataProvider input(data, size);
  std::string written(kTimelineMagic, sizeof kTimelineMagic);
  append_u32(written, kTimelineVersion);
  append_u32(written, kTimelineHeaderSize);
  written += input.ConsumeBytesAsString(kTimelineHeaderSize - 16);
  written.resize(kTimelineHeaderSize, '\0');
  while (input.remaining_bytes() > 0) {
    const bool video = input.ConsumeBool();
    const uint32_t record_size = video ? kTimelineVideoRecordSize : kTimelineCameraRecordSize;
    append_u32(written, video ? kTimelineVideoRecordType : kTimelineCameraRecordType);
    append_u32(written, record_size);
    std::string body = input.ConsumeBytesAsString(record_size - 8);
    body.resize(record_size - 8, '\0');
    written += body;
  }
  check(valid_length(written) == written.size(), "well-formed file valid as a whole");
  return 0;
}
