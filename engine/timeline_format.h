// The layout of the timeline side file (see RecordingTimeline) and the check
// that finds how much of a stale file is whole: a 56-byte header that starts
// with "QUORTLN\0", then type 1 records of 76 bytes and type 2 records of 40
// bytes, each led by a little-endian uint32 type and uint32 size.
//
// Plain functions over a byte stream, no platform calls: a stale file is
// whatever an earlier run, a crash or another program left behind.
#pragma once

#include <cstdint>
#include <istream>

namespace quorvel::windows {

inline constexpr char kTimelineMagic[8] = {'Q', 'U', 'O', 'R', 'T', 'L', 'N', '\0'};
inline constexpr uint32_t kTimelineVersion = 1;
inline constexpr uint32_t kTimelineHeaderSize = 56;
inline constexpr uint32_t kTimelineVideoRecordType = 1;
inline constexpr uint32_t kTimelineVideoRecordSize = 76;
inline constexpr uint32_t kTimelineCameraRecordType = 2;
inline constexpr uint32_t kTimelineCameraRecordSize = 40;

// Length of the valid prefix of the `size` bytes readable from `in`: 0 when
// the header is invalid, else the header and every whole, well-formed record
// before the first that is not.
uint64_t valid_timeline_length(std::istream& in, uint64_t size);

}  // namespace quorvel::windows
