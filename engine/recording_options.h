// The records the application builds and hands to the engine and the
// streamer: what one recording needs, the watermark settings and (from its own
// header) the user's live target. Plain values, copied by whoever keeps them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "engine/encoded_packet.h"
#include "engine/stream_settings.h"

namespace quorvel::windows {

struct RecordingWatermark {
  static constexpr int32_t kModeText = 0;
  static constexpr int32_t kModeImage = 1;

  bool enabled = false;
  int32_t mode = kModeText;
  std::wstring text = L"Quorvel";
  std::wstring image_path;
  float opacity = 0.48f;
  // Seed of the corner sequence; the session replaces it when it starts.
  uint32_t seed = 0;
};

struct RecordingOptions {
  // Final MP4 name; empty for a live-only recording (no file is written).
  std::filesystem::path output_path;
  uint32_t width = 1920;   // non-zero and even
  uint32_t height = 1080;  // non-zero and even
  uint32_t frame_rate = 60;
  uint32_t video_bitrate = 12'000'000;  // bit/s
  bool include_cursor = true;
  RecordingWatermark watermark;
  // The mixed audio as the MP4's audio track.
  bool mixed_audio_track = false;
  // Each source also as an MP4 track of its own (requires the mixed track).
  bool system_audio_track = false;
  bool microphone_audio_track = false;
  // Each source also as a separate ".system.m4a" / ".microphone.m4a" file
  // (requires the mixed track and an output path).
  bool system_audio_file = false;
  bool microphone_audio_file = false;
  uint32_t audio_sample_rate = 48000;
  uint16_t audio_channels = 2;
  uint32_t audio_bitrate = 192000;
  uint64_t min_free_disk_bytes = 268'435'456;
  // Receives every encoded packet on the encoders' output threads; must not
  // call back into the session. Required when output_path is empty.
  PacketCallback packet_callback;
  // Constant bit rate and a key frame every 2 x frame_rate frames.
  bool live_encoding = false;
  // A live output runs beside the file, so file failures do not stop the
  // session; requires both output_path and packet_callback.
  bool file_optional = false;
};

}  // namespace quorvel::windows
