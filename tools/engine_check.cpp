// Engine check: a developer's look at the capture and recording engine on a
// real machine, without the application around it. It lists the audio
// endpoints, takes a snapshot of the primary monitor to PNG and records N
// seconds of it with the system sound to an MP4, printing the result code of
// every step, so a broken platform piece shows which step it breaks.
//
//   quorvel-engine-check [--seconds N] [--output FOLDER]
//
// N defaults to 5 and FOLDER to the current folder; the files are
// FOLDER\quorvel-check.png and FOLDER\quorvel-check.mp4. Exit code 0 when
// every step succeeded, 1 otherwise.
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/audio_capture_source.h"
#include "engine/audio_device_enumerator.h"
#include "engine/audio_mixer.h"
#include "engine/com_apartment.h"
#include "engine/desktop_capture.h"
#include "engine/desktop_snapshot.h"
#include "engine/recording_session.h"

namespace {

using Microsoft::WRL::ComPtr;
using namespace quorvel::windows;

// Wide strings go to the console as UTF-8 bytes: wide output is mangled
// past ASCII on some consoles.
std::string utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                      nullptr);
  return bytes;
}

bool report(const char* step, HRESULT result) {
  std::printf("%-34s 0x%08lX%s\n", step, static_cast<unsigned long>(result), FAILED(result) ? "  FAILED" : "");
  return SUCCEEDED(result);
}

int64_t counter_now() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

HRESULT write_png(const std::filesystem::path& path, const DesktopSnapshot& snapshot) {
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
  if (FAILED(hr)) return hr;
  ComPtr<IWICStream> stream;
  hr = factory->CreateStream(&stream);
  if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmapEncoder> encoder;
  hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
  if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmapFrameEncode> frame;
  hr = encoder->CreateNewFrame(&frame, nullptr);
  if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
  if (SUCCEEDED(hr)) hr = frame->SetSize(snapshot.width, snapshot.height);
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
  if (SUCCEEDED(hr) && format != GUID_WICPixelFormat32bppBGRA) hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  if (SUCCEEDED(hr)) {
    hr = frame->WritePixels(snapshot.height, snapshot.stride, static_cast<UINT>(snapshot.pixels.size()),
                            const_cast<BYTE*>(snapshot.pixels.data()));
  }
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  return hr;
}

bool list_devices() {
  for (const bool capture : {true, false}) {
    const auto devices = enumerate_audio_capture_devices(capture);
    std::printf("%s endpoints: %zu\n", capture ? "Capture (microphone)" : "Render (system sound)", devices.size());
    for (const AudioDeviceInfo& device : devices) {
      std::printf("  %s%s  [%s]\n", device.is_default ? "* " : "  ", utf8(device.name).c_str(),
                  utf8(device.id).c_str());
    }
  }
  return true;
}

bool snapshot(HMONITOR monitor, const std::filesystem::path& folder) {
  DesktopSnapshot image;
  const HRESULT captured = capture_desktop_snapshot(monitor, image, 2000, {});
  if (!report("snapshot", captured)) return false;
  std::printf("  %ux%u%s\n", image.width, image.height, image.hdr_source ? " (HDR, tone-mapped)" : "");
  const std::filesystem::path path = folder / L"quorvel-check.png";
  const bool written = report("snapshot png", write_png(path, image));
  if (written) std::printf("  %s\n", utf8(path.wstring()).c_str());
  return written;
}

bool record(HMONITOR monitor, const std::filesystem::path& folder, int seconds) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoW(monitor, &info);
  const LONG width = info.rcMonitor.right - info.rcMonitor.left;
  const LONG height = info.rcMonitor.bottom - info.rcMonitor.top;

  RecordingOptions options;
  options.output_path = folder / L"quorvel-check.mp4";
  options.width = static_cast<uint32_t>(width) & ~1u;
  options.height = static_cast<uint32_t>(height) & ~1u;
  options.frame_rate = 60;
  options.mixed_audio_track = true;

  std::unique_ptr<RecordingSession> session = RecordingSession::create();
  const bool started = session->start(options);
  report("recording start", started ? S_OK : session->status().result);
  if (!started) return false;

  // Nothing pauses here, so the raw performance count is the session's
  // clock. The session serialises the capture and mixer threads itself.
  const RECT whole{0, 0, width, height};
  DesktopCapture capture;
  const bool capturing = capture.start(
      monitor,
      [&](ID3D11Device* device, ID3D11DeviceContext* context, ID3D11Texture2D* texture,
          const CapturedFrameInfo& frame) {
        return session->push_video_frame(device, context, texture, whole, counter_now(), frame);
      },
      [&] {
        return session->repeat_last_frame(counter_now());
      });
  report("desktop capture start", capturing ? S_OK : E_FAIL);

  std::unique_ptr<AudioMixer> mixer = AudioMixer::create();
  std::unique_ptr<AudioCaptureSource> system_sound = AudioCaptureSource::create();
  const bool mixing = mixer->start(
      counter_now(), true, false,
      [&](const float* data, uint32_t frames, int64_t time, bool silent, bool discontinuity) {
        return session->push_mixed_audio(data, frames, time, silent, discontinuity);
      },
      {}, {});
  report("audio mixer start", mixing ? S_OK : E_FAIL);
  const bool sounding = system_sound->start(
      AudioCaptureEndpoint{AudioSourceKind::System, {}},
      [&](const float* data, uint32_t frames, int64_t time, bool silent, bool discontinuity) {
        return mixer->push(0, data, frames, time, silent, discontinuity);
      });
  report("system sound start", sounding ? S_OK : E_FAIL);

  std::printf("recording %d s ...\n", seconds);
  Sleep(static_cast<DWORD>(seconds) * 1000);

  const int64_t end = counter_now();
  mixer->stop(end);
  // Read before stop, which returns a source that never found its device to
  // Idle with S_OK.
  const AudioCaptureStats sound = system_sound->stats();
  system_sound->stop();
  capture.stop();
  const DesktopCaptureStats frames = capture.stats();
  const HRESULT finished = session->finish(end);
  const RecordingSessionStatus status = session->status();

  bool ok = started && capturing && mixing && sounding;
  ok &= report("desktop capture", frames.last_result);
  std::printf("  frames %llu, %ux%u\n", static_cast<unsigned long long>(frames.frames), frames.width, frames.height);
  ok &= report("system sound", sound.last_result);
  std::printf("  state %u, packets %llu, retries %llu, device %s\n", static_cast<unsigned>(sound.state),
              static_cast<unsigned long long>(sound.packets), static_cast<unsigned long long>(sound.retries),
              utf8(sound.device_name).c_str());
  ok &= report("audio mixer", static_cast<HRESULT>(mixer->stats().last_mixed_result));
  ok &= report("recording finish", finished);
  report("  file result", status.file_result);
  report("  writer result", status.writer_result);
  std::printf("  state %u, stage %u, video frames %llu (duplicated %llu, dropped %llu), audio blocks %llu\n",
              static_cast<unsigned>(status.state), status.stage,
              static_cast<unsigned long long>(status.video_submitted_frames),
              static_cast<unsigned long long>(status.video_duplicated_frames),
              static_cast<unsigned long long>(status.video_dropped_frames),
              static_cast<unsigned long long>(status.mixed_blocks));
  if (status.file_committed) {
    std::printf("  %s (%lld bytes)\n", utf8(status.output_path).c_str(), static_cast<long long>(status.output_bytes));
  } else {
    std::printf("  no MP4 was written\n");
    ok = false;
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 5;
  std::filesystem::path folder = std::filesystem::current_path();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
      seconds = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--output") == 0 && i + 1 < argc) {
      folder = argv[++i];
    } else {
      std::printf("usage: quorvel-engine-check [--seconds N] [--output FOLDER]\n");
      return 2;
    }
  }
  if (seconds < 1) seconds = 1;

  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  const ComApartment com;
  if (!report("COM", com.result())) return 1;

  const HMONITOR monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  bool ok = list_devices();
  ok &= snapshot(monitor, folder);
  ok &= record(monitor, folder, seconds);

  std::printf("%s\n", ok ? "all steps succeeded" : "some steps failed");
  return ok ? 0 : 1;
}
