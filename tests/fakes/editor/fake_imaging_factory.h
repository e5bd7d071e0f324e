// A WIC imaging factory that passes every call to the system's factory,
// except that the PNG frames its encoders make fail their Commit with a
// chosen result: a save that fails after the file was being written.
#pragma once

#include <windows.h>
#include <wincodec.h>

namespace quorvel::windows::test {

// A new factory with one reference for the caller; null result when the
// system's factory cannot be made.
HRESULT create_failing_commit_factory(HRESULT commit_result, IWICImagingFactory** factory);

}  // namespace quorvel::windows::test
