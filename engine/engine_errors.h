// HRESULT codes the engine returns or recognises, named once so code and
// tests say what they mean.
#pragma once

#include <windows.h>

namespace quorvel::windows {

// Free disk space on the output volume is below the minimum.
inline constexpr HRESULT kErrorDiskFull = static_cast<HRESULT>(0x80070070);
// A stale partial file could not be moved aside.
inline constexpr HRESULT kErrorCannotMoveAside = static_cast<HRESULT>(0x80070052);
// The file queue exceeded its limits or a packet waited more than 5 s.
inline constexpr HRESULT kErrorQueueTimeout = static_cast<HRESULT>(0x800705B4);
// Use after stop (MF_E_SHUTDOWN).
inline constexpr HRESULT kErrorShutdown = static_cast<HRESULT>(0xC00D3E85);
// A stream added or a packet written after the file was opened or finalized
// (MF_E_INVALIDREQUEST).
inline constexpr HRESULT kErrorInvalidRequest = static_cast<HRESULT>(0xC00D36B2);
// A media type the engine does not accept (MF_E_INVALIDMEDIATYPE).
inline constexpr HRESULT kErrorInvalidMediaType = static_cast<HRESULT>(0xC00D36B4);
// A stream sink identifier that is already in use (MF_E_STREAMSINK_EXISTS).
inline constexpr HRESULT kErrorStreamSinkExists = static_cast<HRESULT>(0xC00D4A3C);
// A stream sink identifier that does not exist (MF_E_INVALIDSTREAMNUMBER).
inline constexpr HRESULT kErrorInvalidStreamNumber = static_cast<HRESULT>(0xC00D36B3);

// The audio endpoint was removed, disabled or is not active
// (AUDCLNT_E_DEVICE_INVALIDATED).
inline constexpr HRESULT kErrorAudioDeviceInvalidated = static_cast<HRESULT>(0x88890004);
// The endpoint cannot serve the requested stream kind, as when loopback
// capture is not supported (AUDCLNT_E_WRONG_ENDPOINT_TYPE).
inline constexpr HRESULT kErrorAudioWrongEndpointType = static_cast<HRESULT>(0x88890003);
// No such element, as when there is no audio endpoint at all
// (HRESULT_FROM_WIN32(ERROR_NOT_FOUND)).
inline constexpr HRESULT kErrorNotFound = static_cast<HRESULT>(0x80070490);
// A system library is not on this machine, as Media Foundation on Windows N
// editions without the Media Feature Pack
// (HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)).
inline constexpr HRESULT kErrorLibraryMissing = static_cast<HRESULT>(0x8007007E);
// A system library lacks an entry point the program uses
// (HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND)).
inline constexpr HRESULT kErrorEntryPointMissing = static_cast<HRESULT>(0x8007007F);
// The captured format or the video processor's formats are not usable
// (MF_E_UNSUPPORTED_D3D_TYPE).
inline constexpr HRESULT kErrorUnsupportedD3DType = static_cast<HRESULT>(0xC00D6D76);
// Every sample of the video sample allocator is in use
// (MF_E_SAMPLEALLOCATOR_EMPTY).
inline constexpr HRESULT kErrorSampleAllocatorEmpty = static_cast<HRESULT>(0xC00D4A3E);
// A frame's size differs from the first frame's
// (DXGI_ERROR_MODE_CHANGE_IN_PROGRESS).
inline constexpr HRESULT kErrorFrameSizeChanged = static_cast<HRESULT>(0x887A0025);

}  // namespace quorvel::windows
