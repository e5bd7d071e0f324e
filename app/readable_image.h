// Whether a file is an image the watermark can use: an existing regular file
// that Windows Imaging Component decodes to a first frame of nonzero size.
#pragma once

#include <string>

namespace quorvel::windows {

// False for an empty path, a missing file, a directory or a link. Needs COM
// on the calling thread.
bool is_readable_image(const std::wstring& path);

}  // namespace quorvel::windows
