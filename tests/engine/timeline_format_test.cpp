#include "engine/timeline_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace quorvel::windows {
namespace {

using Bytes = std::vector<uint8_t>;

// The layout, written down here independently of the code under test.
void append_u32(Bytes& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

Bytes header(uint32_t version = 1, uint32_t header_size = 56) {
  Bytes bytes = {'Q', 'U', 'O', 'R', 'T', 'L', 'N', 0};
  append_u32(bytes, version);
  append_u32(bytes, header_size);
  bytes.resize(56, 0x5A);
  return bytes;
}

Bytes record(uint32_t type, uint32_t size, size_t body_bytes) {
  Bytes bytes;
  append_u32(bytes, type);
  append_u32(bytes, size);
  bytes.resize(8 + body_bytes, 0xA5);
  return bytes;
}

Bytes join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

uint64_t valid_length(const Bytes& bytes) {
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  return valid_timeline_length(in, bytes.size());
}

struct Case {
  const char* name;
  Bytes bytes;
  uint64_t expected;
};

TEST(TimelineFormat, ValidLengthCoversHeaderAndWholeRecords) {
  const Bytes video = record(1, 76, 68);
  const Bytes camera = record(2, 40, 32);
  Bytes short_header = header();
  short_header.pop_back();
  Bytes wrong_magic = header();
  wrong_magic[7] = 'X';
  const Case cases[] = {
      {"empty", {}, 0},
      {"short header", short_header, 0},
      {"wrong magic", wrong_magic, 0},
      {"wrong version", header(2), 0},
      {"wrong header size", header(1, 64), 0},
      {"header alone", header(), 56},
      {"both record types", join({header(), video, camera, video}), 56 + 76 + 40 + 76},
      {"cut inside a record head", join({header(), camera, Bytes(5, 1)}), 96},
      {"cut inside a record body", join({header(), camera, record(1, 76, 20)}), 96},
      {"unknown type", join({header(), camera, record(3, 40, 32), camera}), 96},
      {"size not of its type", join({header(), record(1, 40, 32), camera}), 56},
      {"size below its own head", join({header(), record(2, 4, 0)}), 56},
      {"size beyond the file", join({header(), record(2, 0xFFFFFFFF, 32)}), 56},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(valid_length(c.bytes), c.expected) << c.name;
  }
}

TEST(TimelineFormat, CutFileStaysValidToItsEnd) {
  const Bytes file = join({header(), record(1, 76, 68), record(2, 40, 32), Bytes(17, 0)});
  const uint64_t valid = valid_length(file);
  ASSERT_EQ(valid, 56u + 76 + 40);
  const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(valid));
  EXPECT_EQ(valid_length(cut), valid);
}

}  // namespace
}  // namespace quorvel::windows
