// The privacy cover as a real server records it: the committed clip is
// published through the streamer to nginx with the cover switched on for a
// stretch, and the recording is read back tag by tag. Needs the RTMP server
// fixture (QUORVEL_RTMP_SERVER_DIR); skipped without it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "streaming/rtmp_streamer.h"
#include "tests/streaming/av_clip.h"
#include "tests/support/test_support.h"

namespace quorvel::windows::test {
namespace {

using Clock = std::chrono::steady_clock;

struct FlvTag {
  uint8_t type = 0;
  uint32_t timestamp = 0;
  std::vector<uint8_t> body;
};

// Every complete tag of an FLV file; a tag cut short at the end is left out.
std::vector<FlvTag> read_flv_tags(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                   std::istreambuf_iterator<char>());
  std::vector<FlvTag> tags;
  if (bytes.size() < 13 || bytes[0] != 'F' || bytes[1] != 'L' || bytes[2] != 'V') return tags;
  size_t pos = read_flv_be(&bytes[5], 4) + 4;
  while (pos + 11 <= bytes.size()) {
    const uint32_t size = read_flv_be(&bytes[pos + 1], 3);
    if (pos + 11 + size > bytes.size()) break;
    FlvTag tag;
    tag.type = bytes[pos] & 0x1F;
    tag.timestamp = read_flv_be(&bytes[pos + 4], 3) | (uint32_t{bytes[pos + 7]} << 24);
    tag.body.assign(bytes.begin() + pos + 11, bytes.begin() + pos + 11 + size);
    tags.push_back(std::move(tag));
    pos += 11 + size + 4;
  }
  return tags;
}

// The NAL units of an Annex-B access unit, each behind a 4-byte length, as
// an AVC frame tag carries them after its five header bytes.
std::vector<uint8_t> length_prefixed_nal_units(const std::vector<uint8_t>& annexb) {
  std::vector<size_t> starts;
  for (size_t i = 0; i + 3 <= annexb.size(); ++i) {
    if (annexb[i] == 0 && annexb[i + 1] == 0 && annexb[i + 2] == 1) starts.push_back(i + 3);
  }
  std::vector<uint8_t> out;
  for (size_t k = 0; k < starts.size(); ++k) {
    size_t end = k + 1 < starts.size() ? starts[k + 1] - 3 : annexb.size();
    while (k + 1 < starts.size() && end > starts[k] && annexb[end - 1] == 0) --end;
    const size_t length = end - starts[k];
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(length >> shift));
    out.insert(out.end(), annexb.begin() + starts[k], annexb.begin() + end);
  }
  return out;
}

bool is_frame(const FlvTag& tag) { return tag.body.size() > 2 && tag.body[1] == 1; }

bool is_cover_video(const FlvTag& tag, const std::vector<uint8_t>& cover_units) {
  // The composition offset (bytes 2 to 4) follows the replaced frame's timing.
  return tag.type == 9 && tag.body.size() == 5 + cover_units.size() && tag.body[0] == 0x17 &&
         tag.body[1] == 1 && std::equal(cover_units.begin(), cover_units.end(), tag.body.begin() + 5);
}

bool is_cover_audio(const FlvTag& tag, const std::vector<uint8_t>& cover_data) {
  return tag.type == 8 && tag.body.size() == 2 + cover_data.size() && tag.body[0] == 0xAF &&
         tag.body[1] == 1 && std::equal(cover_data.begin(), cover_data.end(), tag.body.begin() + 2);
}

std::map<std::string, std::string> server_ports(std::string& dir) {
  return quorvel::test::fixture_ports(L"QUORVEL_RTMP_SERVER_DIR", &dir);
}

bool wait_until(const std::function<bool()>& done, int timeout_ms) {
  const auto limit = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (Clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST(StreamerPrivacyServerTest, CoverHidesPictureAndSoundUntilANewKeyFrame) {
  std::string dir;
  const auto ports = server_ports(dir);
  if (ports.empty()) GTEST_SKIP() << "no RTMP server fixture (QUORVEL_RTMP_SERVER_DIR)";
  const std::vector<ClipPacket> clip = load_av_clip(av_clip_path());
  ASSERT_FALSE(clip.empty());

  PrivacyMedia cover;
  for (const ClipPacket& p : clip) {
    if (!cover.video_key_frame && p.packet->format->kind == 0 && p.packet->keyframe) {
      cover.video_key_frame = p.packet;
    }
    if (!cover.audio_packet && p.packet->format->kind == 1) cover.audio_packet = p.packet;
  }
  ASSERT_TRUE(cover.video_key_frame && cover.audio_packet);

  StreamTarget target;
  target.host = L"localhost";
  target.port = static_cast<uint16_t>(std::stoi(ports.at("rtmp")));
  target.app = "live";
  target.key = "quorvel_privacy";
  target.tc_url = "rtmp://localhost:" + ports.at("rtmp") + "/live";
  auto streamer = RtmpStreamer::create();
  ASSERT_TRUE(streamer->start(target, 0, cover));
  ASSERT_TRUE(wait_until([&] { return streamer->status().connections == 1; }, 10000));

  // Feeds the clip's packets whose decode time is below `until_ms` and waits
  // until all of them have left the queue.
  size_t next = 0;
  auto feed = [&](uint32_t until_ms) {
    for (; next < clip.size() && clip[next].dts_ms < until_ms; ++next) {
      ASSERT_EQ(streamer->enqueue(clip[next].packet), S_OK);
    }
    ASSERT_TRUE(wait_until([&] { return streamer->status().pending_bytes == 0; }, 10000));
  };
  feed(1000);
  const LiveStreamStatus before_cover = streamer->status();
  ASSERT_TRUE(streamer->set_privacy(true, true));
  feed(3000);
  const LiveStreamStatus before_uncover = streamer->status();
  ASSERT_TRUE(streamer->set_privacy(false, false));
  EXPECT_TRUE(streamer->status().cover_pending);
  feed(UINT32_MAX);
  const LiveStreamStatus at_end = streamer->status();
  EXPECT_EQ(at_end.state, static_cast<uint32_t>(LiveStreamState::Streaming));
  EXPECT_FALSE(at_end.cover_pending);
  RtmpStreamer::destroy(std::move(streamer));

  // nginx closes the recording once it sees the publisher go.
  const auto recording = quorvel::test::host_path(dir + "/rec/quorvel_privacy.flv");
  std::vector<FlvTag> video;
  std::vector<FlvTag> audio;
  ASSERT_TRUE(wait_until(
      [&] {
        video.clear();
        audio.clear();
        for (FlvTag& tag : read_flv_tags(recording)) {
          if (!is_frame(tag)) continue;
          (tag.type == 9 ? video : audio).push_back(std::move(tag));
        }
        return video.size() == at_end.video_packets_sent &&
               audio.size() == at_end.audio_packets_sent;
      },
      10000))
      << "recorded " << video.size() << " video and " << audio.size() << " audio frames of "
      << at_end.video_packets_sent << " and " << at_end.audio_packets_sent;

  const std::vector<uint8_t> cover_units = length_prefixed_nal_units(cover.video_key_frame->data);
  const std::vector<uint8_t>& cover_audio = cover.audio_packet->data;
  const size_t covered_from = before_cover.video_packets_sent;
  const size_t uncovered_at = before_uncover.video_packets_sent;
  ASSERT_GT(covered_from, 1u);
  ASSERT_GT(uncovered_at, covered_from);

  for (size_t i = 1; i < covered_from; ++i) {
    EXPECT_FALSE(is_cover_video(video[i], cover_units)) << "real frame " << i;
  }
  for (size_t i = covered_from; i < uncovered_at; ++i) {
    EXPECT_TRUE(is_cover_video(video[i], cover_units)) << "covered frame " << i;
  }
  for (size_t i = before_cover.audio_packets_sent; i < before_uncover.audio_packets_sent; ++i) {
    EXPECT_TRUE(is_cover_audio(audio[i], cover_audio)) << "muted audio " << i;
  }
  // After the uncover the cover stays until a real key frame from after the
  // switch; that is the first real frame.
  size_t first_real = uncovered_at;
  while (first_real < video.size() && is_cover_video(video[first_real], cover_units)) {
    ++first_real;
  }
  ASSERT_LT(first_real, video.size());
  EXPECT_EQ(video[first_real].body[0], 0x17) << "the picture returns on a key frame";
  EXPECT_GT(video[first_real].timestamp, video[uncovered_at - 1].timestamp);
  EXPECT_GT(first_real, uncovered_at) << "frames captured before the uncover stay covered";
  // Sound covered alongside the picture, real again with it.
  const uint32_t back_at = video[first_real].timestamp;
  for (size_t i = before_uncover.audio_packets_sent; i < audio.size(); ++i) {
    if (audio[i].timestamp < video[uncovered_at - 1].timestamp) {
      EXPECT_TRUE(is_cover_audio(audio[i], cover_audio)) << "audio " << i;
    }
    if (audio[i].timestamp > back_at + 100) {
      EXPECT_FALSE(is_cover_audio(audio[i], cover_audio)) << "audio " << i;
    }
  }
}

}  // namespace
}  // namespace quorvel::windows::test
