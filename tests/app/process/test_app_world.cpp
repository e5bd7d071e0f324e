#include "tests/app/process/test_app_world.h"

#include <cwchar>
#include <iterator>
#include <optional>
#include <utility>

#include "app/product_editor.h"
#include "app/product_main_window.h"
#include "tests/fakes/engine/fake_compact_video_encoder.h"
#include "tests/support/fake_clock.h"

namespace quorvel::test {
namespace {

constexpr wchar_t kRenderEndpoint[] = L"{0.0.0.00000000}.{quorvel-test-render}";
constexpr wchar_t kCaptureEndpoint[] = L"{0.0.1.00000000}.{quorvel-test-capture}";

std::wstring hex(unsigned value) {
  wchar_t text[16]{};
  std::swprintf(text, std::size(text), L"0x%X", value);
  return text;
}

}  // namespace

TestAppWorld::TestAppWorld(std::wstring event_path)
    : events_(std::move(event_path)),
      script_(primary_monitor_mode()),
      converter_(std::make_shared<windows::test::FakeNv12Record>()),
      pump_(script_, audio_) {
  audio_.add_device(kRenderEndpoint, L"Test Speakers", eRender);
  audio_.add_device(kCaptureEndpoint, L"Test Microphone", eCapture);
  audio_.set_default(eRender, kRenderEndpoint);
  audio_.set_default(eCapture, kCaptureEndpoint);
  converter_->keep_source_copies = false;
  files_.set_record_samples(false);
}

DXGI_OUTDUPL_DESC TestAppWorld::primary_monitor_mode() {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
  return windows::FakeDuplicationScript::mode(
      static_cast<UINT>(info.rcMonitor.right - info.rcMonitor.left),
      static_cast<UINT>(info.rcMonitor.bottom - info.rcMonitor.top), DXGI_FORMAT_B8G8R8A8_UNORM);
}

windows::AppPlatform TestAppWorld::platform() {
  windows::AppPlatform platform;
  platform.capture.open_duplication = script_.opener();
  // Snapshots wait for their frame however busy the machine is: under Wine
  // making a device and converting a frame with software rendering can take
  // longer than the time-out alone. The time-out itself is tested on the
  // engine's and the App's tests' clocks.
  platform.capture.clock = std::make_shared<windows::test::FakeClock>();
  platform.sessions.nv12_converters = windows::test::FakeNv12Converter::factory(converter_);
  // Full-screen frames as they are would be 8 MB a packet: the identity
  // encoder gets the compact stand-in of a real encoder's output instead.
  platform.sessions.writers.sink_writers.create_encoding_writer =
      windows::test::FakeCompactVideoEncoder::wrap(
          windows::test::FakeSinkWriter::factory(&encoders_));
  platform.sessions.writers.sink_writers.create_file_writer = files_.function();
  platform.audio_devices = audio_.factory();
  platform.make_main_window = windows::make_product_main_window;
  platform.make_editor = windows::make_product_editor;

  const EventFile* events = &events_;
  platform.message = [events](HWND, std::wstring_view key,
                              const std::vector<std::wstring>& arguments, unsigned flags) {
    EventFields fields{kMessageEvent, std::wstring(key), hex(flags)};
    fields.insert(fields.end(), arguments.begin(), arguments.end());
    events->append(fields);
    return IDOK;
  };
  platform.text_message = [events](HWND, std::wstring_view text, std::wstring_view caption,
                                   unsigned flags) {
    events->append({kTextMessageEvent, std::wstring(caption), hex(flags), std::wstring(text)});
    return IDOK;
  };
  platform.failure_box = [events](std::wstring_view text, std::wstring_view caption) {
    events->append({kStartupFailureEvent, std::wstring(caption), std::wstring(text)});
  };
  platform.open_folder = [events](HWND, const std::wstring& folder) {
    return events->append({kOpenFolderEvent, folder});
  };
  // A picker would wait for a user; the program sees it cancelled.
  platform.pick_folder = [events](HWND, const std::wstring& initial) {
    events->append({kPickFolderEvent, initial});
    return std::optional<std::wstring>();
  };
  platform.pick_image = [events](HWND, const std::wstring& initial) {
    events->append({kPickImageEvent, initial});
    return std::optional<std::wstring>();
  };
  return platform;
}

}  // namespace quorvel::test
