// A long live stream through the real streamer and its real connection: the
// streaming tests' clip, looped with its times carried on and offered at
// the pace it was captured, to an RTMP server on loopback. Private bytes,
// handle count and the heaps' bytes in use are printed every 10 s as
// "stream_sample SECONDS PRIVATE HANDLES HEAP" and the streamer's status at
// the end.
#pragma once

#include <string>

namespace quorvel::bench {

// False (with the reason on stderr) when the clip cannot be read, the URL
// is not a stream target or the stream did not end without error.
bool run_live_stream(const std::wstring& url, const std::wstring& key, int seconds);

}  // namespace quorvel::bench
