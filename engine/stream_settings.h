// The user's live target as typed: a plain value that the setup windows
// edit, the settings store keeps and the streamer parses. Kept apart from
// the recording options so that code which only reads a target needs no
// platform header.
#pragma once

#include <string>

namespace quorvel::windows {

struct StreamSettings {
  // The server URL already ends with the stream name; the key is then empty.
  bool complete_url = false;
  std::wstring server_url;  // "rtmp://" or "rtmps://" as typed
  std::wstring stream_key;
};

}  // namespace quorvel::windows
