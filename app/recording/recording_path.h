// Where a file recording goes: a folder of its own inside the output folder,
// named after the local start time ("2026-12-08 08-10-00", or with " (2)" up
// to " (9999)" when the name is taken), holding "Quorvel <name>.mp4" and the
// files derived from it. UI thread.
#pragma once

#include <cstdint>
#include <string>

namespace quorvel::windows {

// Creates the session folder inside an existing output folder and returns
// the MP4 path in it; empty when the folder is missing or not a directory,
// the time cannot be converted, every name up to " (9999)" is taken, or the
// folder cannot be created. The time is in 100-ns units since 1970 UTC.
std::wstring make_recording_path(const std::wstring& folder, int64_t time);

// The highest " (n)" suffix the product tries.
inline constexpr int kLastRecordingFolderNumber = 9999;

// The same with another highest suffix, so the give-up rule can be shown
// without ten thousand folders.
std::wstring make_recording_path(const std::wstring& folder, int64_t time, int last_number);

}  // namespace quorvel::windows
