#include "engine/sink_writer_factory.h"

#include <mfapi.h>

#include "engine/media_foundation_library.h"

namespace quorvel::windows {

namespace {

HRESULT platform_encoding_writer(IMFMediaSink* sink, IMFAttributes* attributes, IMFSinkWriter** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return media_foundation().create_sink_writer_from_media_sink(sink, attributes, out);
}

HRESULT platform_file_writer(const std::wstring& path, IMFAttributes* attributes, IMFSinkWriter** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return media_foundation().create_sink_writer_from_url(path.c_str(), nullptr, attributes, out);
}

}  // namespace

SinkWriterFactory SinkWriterFactory::platform() {
  return SinkWriterFactory{platform_encoding_writer, platform_file_writer};
}

HRESULT SinkWriterFactory::encoding_writer(IMFMediaSink* sink, IMFAttributes* attributes,
                                           IMFSinkWriter** out) const {
  return create_encoding_writer ? create_encoding_writer(sink, attributes, out)
                                : platform_encoding_writer(sink, attributes, out);
}

HRESULT SinkWriterFactory::file_writer(const std::wstring& path, IMFAttributes* attributes,
                                       IMFSinkWriter** out) const {
  return create_file_writer ? create_file_writer(path, attributes, out)
                            : platform_file_writer(path, attributes, out);
}

}  // namespace quorvel::windows
