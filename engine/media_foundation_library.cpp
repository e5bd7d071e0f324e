#include "engine/media_foundation_library.h"

#include "engine/engine_errors.h"

namespace quorvel::windows {
namespace {

template <typename Function>
bool find_entry_point(HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return function != nullptr;
}

// Every creation function below leaves its output null when it fails.
template <typename Output>
HRESULT unusable(HRESULT status, Output** output) {
  if (output != nullptr) *output = nullptr;
  return status;
}

}  // namespace

HMODULE load_system_library(const wchar_t* file_name) {
  return LoadLibraryExW(file_name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

MediaFoundationLibrary::MediaFoundationLibrary(const LibraryLoader& loader) {
  status_ = load(loader);
  if (FAILED(status_)) {
    entry_ = EntryPoints{};
    for (UniqueLibraryModule& module : modules_) module.reset();
  }
}

HRESULT MediaFoundationLibrary::load(const LibraryLoader& loader) {
  if (!loader) return kErrorLibraryMissing;
  for (std::size_t i = 0; i < kLibraryNames.size(); ++i) {
    modules_[i].reset(loader(kLibraryNames[i]));
    if (!modules_[i]) return kErrorLibraryMissing;
  }
  const HMODULE platform = modules_[0].get();
  const HMODULE media = modules_[1].get();
  const HMODULE read_write = modules_[2].get();
  const bool found =
      find_entry_point(platform, "MFStartup", entry_.startup) &&
      find_entry_point(platform, "MFShutdown", entry_.shutdown) &&
      find_entry_point(platform, "MFCreateAttributes", entry_.create_attributes) &&
      find_entry_point(platform, "MFCreateMediaType", entry_.create_media_type) &&
      find_entry_point(platform, "MFCreateSample", entry_.create_sample) &&
      find_entry_point(platform, "MFCreateMemoryBuffer", entry_.create_memory_buffer) &&
      find_entry_point(platform, "MFCreateEventQueue", entry_.create_event_queue) &&
      find_entry_point(platform, "MFCreateDXGIDeviceManager", entry_.create_dxgi_device_manager) &&
      find_entry_point(platform, "MFCreateVideoSampleAllocatorEx",
                       entry_.create_video_sample_allocator_ex) &&
      find_entry_point(media, "MFCreateSimpleTypeHandler", entry_.create_simple_type_handler) &&
      find_entry_point(read_write, "MFCreateSinkWriterFromMediaSink",
                       entry_.create_sink_writer_from_media_sink) &&
      find_entry_point(read_write, "MFCreateSinkWriterFromURL",
                       entry_.create_sink_writer_from_url);
  return found ? S_OK : kErrorEntryPointMissing;
}

HRESULT MediaFoundationLibrary::startup(ULONG version, DWORD flags) const {
  return entry_.startup ? entry_.startup(version, flags) : status_;
}

HRESULT MediaFoundationLibrary::shutdown() const {
  return entry_.shutdown ? entry_.shutdown() : status_;
}

HRESULT MediaFoundationLibrary::create_attributes(IMFAttributes** attributes,
                                                  UINT32 initial_size) const {
  return entry_.create_attributes ? entry_.create_attributes(attributes, initial_size)
                                  : unusable(status_, attributes);
}

HRESULT MediaFoundationLibrary::create_media_type(IMFMediaType** type) const {
  return entry_.create_media_type ? entry_.create_media_type(type) : unusable(status_, type);
}

HRESULT MediaFoundationLibrary::create_sample(IMFSample** sample) const {
  return entry_.create_sample ? entry_.create_sample(sample) : unusable(status_, sample);
}

HRESULT MediaFoundationLibrary::create_memory_buffer(DWORD max_length,
                                                     IMFMediaBuffer** buffer) const {
  return entry_.create_memory_buffer ? entry_.create_memory_buffer(max_length, buffer)
                                     : unusable(status_, buffer);
}

HRESULT MediaFoundationLibrary::create_event_queue(IMFMediaEventQueue** queue) const {
  return entry_.create_event_queue ? entry_.create_event_queue(queue) : unusable(status_, queue);
}

HRESULT MediaFoundationLibrary::create_dxgi_device_manager(UINT* reset_token,
                                                           IMFDXGIDeviceManager** manager) const {
  return entry_.create_dxgi_device_manager
             ? entry_.create_dxgi_device_manager(reset_token, manager)
             : unusable(status_, manager);
}

HRESULT MediaFoundationLibrary::create_video_sample_allocator_ex(REFIID riid,
                                                                 void** allocator) const {
  return entry_.create_video_sample_allocator_ex
             ? entry_.create_video_sample_allocator_ex(riid, allocator)
             : unusable(status_, allocator);
}

HRESULT MediaFoundationLibrary::create_simple_type_handler(IMFMediaTypeHandler** handler) const {
  return entry_.create_simple_type_handler ? entry_.create_simple_type_handler(handler)
                                           : unusable(status_, handler);
}

HRESULT MediaFoundationLibrary::create_sink_writer_from_media_sink(IMFMediaSink* sink,
                                                                   IMFAttributes* attributes,
                                                                   IMFSinkWriter** writer) const {
  return entry_.create_sink_writer_from_media_sink
             ? entry_.create_sink_writer_from_media_sink(sink, attributes, writer)
             : unusable(status_, writer);
}

HRESULT MediaFoundationLibrary::create_sink_writer_from_url(const wchar_t* url,
                                                            IMFByteStream* stream,
                                                            IMFAttributes* attributes,
                                                            IMFSinkWriter** writer) const {
  return entry_.create_sink_writer_from_url
             ? entry_.create_sink_writer_from_url(url, stream, attributes, writer)
             : unusable(status_, writer);
}

const MediaFoundationLibrary& media_foundation() {
  // Deliberately never freed: see the header.
  static const MediaFoundationLibrary* const library =
      new MediaFoundationLibrary(load_system_library);
  return *library;
}

}  // namespace quorvel::windows
