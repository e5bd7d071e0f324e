// Where the engine gets its Media Foundation sink writers from.
//
// A recording uses two kinds of sink writer: the encoding writer, which
// drives the platform's encoders into the program's own PacketSink, and the
// file writer, which muxes the already encoded packets, unchanged, into an
// MP4 or M4A file (the container follows the path's extension). Everything
// that creates one goes through this factory so tests can hand in a fake
// IMFSinkWriter where the platform has none.
//
// The product uses SinkWriterFactory::platform(). A test builds its own
// factory with just the function it needs; an empty function means "use the
// platform's".
//
// Contract of both functions: on success *out holds a new writer owned by the
// caller; on failure *out is left null and the error is returned. Any thread.
#pragma once

#include <windows.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <functional>
#include <string>

namespace quorvel::windows {

struct SinkWriterFactory {
  // MFCreateSinkWriterFromMediaSink(sink, attributes, out).
  using EncodingWriterFunction =
      std::function<HRESULT(IMFMediaSink* sink, IMFAttributes* attributes, IMFSinkWriter** out)>;
  // MFCreateSinkWriterFromURL(path, no byte stream, attributes, out).
  using FileWriterFunction =
      std::function<HRESULT(const std::wstring& path, IMFAttributes* attributes, IMFSinkWriter** out)>;

  EncodingWriterFunction create_encoding_writer;
  FileWriterFunction create_file_writer;

  // The real Media Foundation functions.
  static SinkWriterFactory platform();

  // Calls the given function, or the platform's when it is empty.
  [[nodiscard]] HRESULT encoding_writer(IMFMediaSink* sink, IMFAttributes* attributes, IMFSinkWriter** out) const;
  [[nodiscard]] HRESULT file_writer(const std::wstring& path, IMFAttributes* attributes, IMFSinkWriter** out) const;
};

}  // namespace quorvel::windows
