// The steps of the recording session's video path, named once: the session
// (and the video processor it drives) records the last one reached in
// RecordingSessionStatus::stage, so that a failure says where it happened.
#pragma once

#include <cstdint>

namespace quorvel::windows {

// Encoder set-up at the first frame, in the order they are reached.
inline constexpr uint32_t kStageStart = 1;
inline constexpr uint32_t kStageVideoDevice = 2;
inline constexpr uint32_t kStageVideoContext = 3;
inline constexpr uint32_t kStageProcessorEnumerator = 4;
inline constexpr uint32_t kStageInputFormatChecked = 5;   // BGRA in
inline constexpr uint32_t kStageOutputFormatChecked = 6;  // NV12 out
inline constexpr uint32_t kStageWatermarkRenderer = 61;
inline constexpr uint32_t kStageDeviceManager = 7;
inline constexpr uint32_t kStageWriter = 8;
inline constexpr uint32_t kStageVideoStream = 9;
inline constexpr uint32_t kStageEncoderInput = 10;  // input type and encoding parameters
inline constexpr uint32_t kStageAudioStreams = 14;
inline constexpr uint32_t kStageSampleAllocator = 11;
inline constexpr uint32_t kStageAllocatorInitialized = 12;
inline constexpr uint32_t kStageBeginWriting = 13;

// Each frame.
inline constexpr uint32_t kStageSubmissionBegun = 20;
inline constexpr uint32_t kStageSurfaceReady = 21;  // the NV12 sample
inline constexpr uint32_t kStageWatermarkPass = 62;
inline constexpr uint32_t kStageInputView = 22;
inline constexpr uint32_t kStageOutputView = 23;
inline constexpr uint32_t kStageProcessorBlit = 24;
inline constexpr uint32_t kStageSampleTime = 25;
inline constexpr uint32_t kStageSampleDuration = 26;
inline constexpr uint32_t kStageWrite = 27;
// Also set when a texture is passed over because its slot was encoded.
inline constexpr uint32_t kStageFrameWritten = 28;

}  // namespace quorvel::windows
