// The free-space rule of recordings: which folder's volume to ask about for
// an output path, and the question itself. Free functions; any thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace quorvel::windows {

// The folder part of `path` (everything before the last separator) in the
// form GetDiskFreeSpaceExW takes for every kind of folder: ending in exactly
// one backslash. Without it a share (\\server\share) is refused and the
// check would silently never run, and "C:" would name the drive's current
// folder instead of its root. Empty when the path has no folder part.
std::wstring free_space_folder(const std::wstring& path);

// The bytes available to the caller on the volume of `folder` (null: the
// current folder's), from GetDiskFreeSpaceExW.
[[nodiscard]] HRESULT query_free_disk_bytes(const wchar_t* folder, uint64_t& free_bytes);

}  // namespace quorvel::windows
