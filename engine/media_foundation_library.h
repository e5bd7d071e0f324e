// Media Foundation's entry points, found at run time in the system folder.
//
// Windows N and KN editions have no Media Foundation until the user installs
// the Media Feature Pack. Imported statically, its libraries would keep
// Quorvel.exe from starting at all there; found here instead, only recording
// and streaming need them, and those fail with the load's error, which the
// App turns into a message naming the Media Feature Pack. Screenshots and the
// editor never touch it.
//
// The engine reaches the process's library through media_foundation(): it is
// loaded on first use and stays loaded until the process ends, because media
// objects it made may be released by anything up to the very end. Tests build
// their own with a loader that finds what they choose. Immutable once built:
// any thread may call anything.
#pragma once

#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <array>
#include <functional>

#include "engine/unique_handle.h"

namespace quorvel::windows {

// Loads a library by file name ("mfplat.dll"); null when it cannot.
using LibraryLoader = std::function<HMODULE(const wchar_t* file_name)>;

// LoadLibraryExW searching the system folder alone, so that a DLL planted
// beside the program or in the current folder is never loaded.
HMODULE load_system_library(const wchar_t* file_name);

class MediaFoundationLibrary {
 public:
  // The libraries the program uses, in load order.
  static constexpr std::array<const wchar_t*, 3> kLibraryNames = {L"mfplat.dll", L"mf.dll",
                                                                 L"mfreadwrite.dll"};

  // Loads the libraries and finds every entry point the engine uses. All or
  // nothing: one missing library or entry point leaves none usable.
  explicit MediaFoundationLibrary(const LibraryLoader& loader);

  MediaFoundationLibrary(const MediaFoundationLibrary&) = delete;
  MediaFoundationLibrary& operator=(const MediaFoundationLibrary&) = delete;

  // S_OK when everything was found; kErrorLibraryMissing for a missing
  // library, kErrorEntryPointMissing for a library without an entry point
  // the engine uses.
  [[nodiscard]] HRESULT status() const { return status_; }

  // The platform's functions of the same names. When the library is not
  // usable each returns status() and leaves its output null.
  [[nodiscard]] HRESULT startup(ULONG version, DWORD flags) const;
  [[nodiscard]] HRESULT shutdown() const;
  [[nodiscard]] HRESULT create_attributes(IMFAttributes** attributes, UINT32 initial_size) const;
  [[nodiscard]] HRESULT create_media_type(IMFMediaType** type) const;
  [[nodiscard]] HRESULT create_sample(IMFSample** sample) const;
  [[nodiscard]] HRESULT create_memory_buffer(DWORD max_length, IMFMediaBuffer** buffer) const;
  [[nodiscard]] HRESULT create_event_queue(IMFMediaEventQueue** queue) const;
  [[nodiscard]] HRESULT create_dxgi_device_manager(UINT* reset_token,
                                                   IMFDXGIDeviceManager** manager) const;
  [[nodiscard]] HRESULT create_video_sample_allocator_ex(REFIID riid, void** allocator) const;
  [[nodiscard]] HRESULT create_simple_type_handler(IMFMediaTypeHandler** handler) const;
  [[nodiscard]] HRESULT create_sink_writer_from_media_sink(IMFMediaSink* sink,
                                                           IMFAttributes* attributes,
                                                           IMFSinkWriter** writer) const;
  [[nodiscard]] HRESULT create_sink_writer_from_url(const wchar_t* url, IMFByteStream* stream,
                                                    IMFAttributes* attributes,
                                                    IMFSinkWriter** writer) const;

 private:
  struct EntryPoints {
    decltype(&::MFStartup) startup = nullptr;
    decltype(&::MFShutdown) shutdown = nullptr;
    decltype(&::MFCreateAttributes) create_attributes = nullptr;
    decltype(&::MFCreateMediaType) create_media_type = nullptr;
    decltype(&::MFCreateSample) create_sample = nullptr;
    decltype(&::MFCreateMemoryBuffer) create_memory_buffer = nullptr;
    decltype(&::MFCreateEventQueue) create_event_queue = nullptr;
    decltype(&::MFCreateDXGIDeviceManager) create_dxgi_device_manager = nullptr;
    decltype(&::MFCreateVideoSampleAllocatorEx) create_video_sample_allocator_ex = nullptr;
    decltype(&::MFCreateSimpleTypeHandler) create_simple_type_handler = nullptr;
    decltype(&::MFCreateSinkWriterFromMediaSink) create_sink_writer_from_media_sink = nullptr;
    decltype(&::MFCreateSinkWriterFromURL) create_sink_writer_from_url = nullptr;
  };

  [[nodiscard]] HRESULT load(const LibraryLoader& loader);

  std::array<UniqueLibraryModule, kLibraryNames.size()> modules_;
  EntryPoints entry_;
  HRESULT status_ = E_UNEXPECTED;
};

// The process's Media Foundation, loaded from the system folder on first use.
const MediaFoundationLibrary& media_foundation();

}  // namespace quorvel::windows
