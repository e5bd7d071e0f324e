// The replacement media of the live stream's privacy cover: the first key
// frame and the last audio packet of a short black, silent clip encoded
// exactly like the live stream. Made once before a live stream starts and
// kept, read-only, by the streamer for the whole stream; copying it shares
// the packets.
#pragma once

#include <memory>

#include "engine/encoded_packet.h"

namespace quorvel::windows {

struct PrivacyMedia {
  std::shared_ptr<const EncodedPacket> video_key_frame;  // null when none was produced
  std::shared_ptr<const EncodedPacket> audio_packet;     // null when none was produced
};

}  // namespace quorvel::windows
