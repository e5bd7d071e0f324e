// The floating control bar through the in-process App with a real session on
// the engine's fakes: its creation and placement, its commands and hotkeys,
// its clock and status texts on a manual performance counter, DPI changes,
// the live buttons, the title and details of live sessions in each state of
// the stream on the fake RTMP server, a language switch, and what it shows
// while a stop finishes the files.
#include <windows.h>
#include <commctrl.h>
#include <d3d11.h>
#include <mfapi.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/app_messages.h"
#include "app/common/translate.h"
#include "tests/app/app_session_fixture.h"
#include "tests/app/control/shown_control_icon.h"
#include "tests/app/held_hotkey.h"
#include "tests/engine/gpu_test_support.h"
#include "tests/ui/views/graphics/paint_target.h"

namespace quorvel::windows {
namespace {

// The one Xvfb monitor.
constexpr CaptureBounds kMonitor{0, 0, 1920, 1080};

std::wstring window_text(HWND window) {
  wchar_t buffer[256]{};
  GetWindowTextW(window, buffer, static_cast<int>(std::size(buffer)));
  return buffer;
}

RECT window_rect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

std::wstring en(std::wstring_view key, std::vector<std::wstring> arguments = {}) {
  return translate_for_locale(L"en-US", key, std::move(arguments));
}

std::wstring joined_lines(const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (const std::wstring& line : lines) text += (text.empty() ? L"" : L"\n") + line;
  return text;
}

// The stream's clock in nanoseconds: its idle turn while nothing is queued,
// and one step used to give each idle turn a deadline of its own.
constexpr int64_t kStreamIdleTurnNs = 20'000'000;
constexpr int64_t kStreamStepNs = 1'000'000;
constexpr int64_t kStreamSecondNs = 1'000'000'000;

// The video output an encoder says it makes.
struct EncodedOutput {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t rate_numerator = 0;
  uint32_t rate_denominator = 1;
};

// The sessions' requested video: 160 x 120 at 30 frame/s.
constexpr EncodedOutput kAsRequested{160, 120, 30, 1};

// An encoding writer shaped like a hardware H.264 encoder for the live
// path: every video sample leaves as one Annex-B key frame (SPS, PPS and an
// IDR slice), which the stream's packaging accepts, and the video stream
// reaches the sink with the frame size and rate this encoder declares, which
// need not be the ones asked for. Everything else passes unchanged.
class AnnexBEncoder final : public test::FakeSinkWriterBase {
 public:
  AnnexBEncoder(Microsoft::WRL::ComPtr<IMFSinkWriter> inner, EncodedOutput output)
      : inner_(std::move(inner)), output_(output) {}

  STDMETHODIMP AddStream(IMFMediaType* type, DWORD* index) override {
    if (!is_video(type)) return inner_->AddStream(type, index);
    Microsoft::WRL::ComPtr<IMFMediaType> declared;
    HRESULT hr = MFCreateMediaType(&declared);
    if (SUCCEEDED(hr)) hr = type->CopyAllItems(declared.Get());
    if (SUCCEEDED(hr)) {
      hr = MFSetAttributeSize(declared.Get(), MF_MT_FRAME_SIZE, output_.width, output_.height);
    }
    if (SUCCEEDED(hr)) {
      hr = MFSetAttributeRatio(declared.Get(), MF_MT_FRAME_RATE, output_.rate_numerator,
                               output_.rate_denominator);
    }
    if (SUCCEEDED(hr)) hr = inner_->AddStream(declared.Get(), index);
    if (SUCCEEDED(hr)) video_stream_ = *index;
    return hr;
  }
  STDMETHODIMP SetInputMediaType(DWORD index, IMFMediaType* type,
                                 IMFAttributes* parameters) override {
    return inner_->SetInputMediaType(index, type, parameters);
  }
  STDMETHODIMP BeginWriting() override { return inner_->BeginWriting(); }
  STDMETHODIMP WriteSample(DWORD index, IMFSample* sample) override {
    if (sample == nullptr || index != video_stream_) return inner_->WriteSample(index, sample);
    // SPS, PPS and an IDR slice of a few kilobytes, so that a second of
    // frames makes a rate of some kbit/s.
    static constexpr uint8_t kParameterSetsAndSlice[] = {
        0, 0, 0, 1, 0x67, 0x42, 0x00, 0x1F, 0xDA, 0, 0, 0, 1, 0x68, 0xCE, 0x38, 0x80,
        0, 0, 0, 1, 0x65};
    constexpr DWORD kSliceBytes = 2000;
    constexpr DWORD kSize = sizeof(kParameterSetsAndSlice) + kSliceBytes;
    Microsoft::WRL::ComPtr<IMFSample> encoded;
    Microsoft::WRL::ComPtr<IMFMediaBuffer> buffer;
    HRESULT hr = MFCreateSample(&encoded);
    if (SUCCEEDED(hr)) hr = sample->CopyAllItems(encoded.Get());
    LONGLONG value = 0;
    if (SUCCEEDED(hr) && SUCCEEDED(sample->GetSampleTime(&value))) {
      hr = encoded->SetSampleTime(value);
    }
    if (SUCCEEDED(hr) && SUCCEEDED(sample->GetSampleDuration(&value))) {
      hr = encoded->SetSampleDuration(value);
    }
    if (SUCCEEDED(hr)) hr = encoded->SetUINT32(MFSampleExtension_CleanPoint, 1);
    if (SUCCEEDED(hr)) hr = MFCreateMemoryBuffer(kSize, &buffer);
    BYTE* bytes = nullptr;
    if (SUCCEEDED(hr)) hr = buffer->Lock(&bytes, nullptr, nullptr);
    if (SUCCEEDED(hr)) {
      BYTE* end =
          std::copy(std::begin(kParameterSetsAndSlice), std::end(kParameterSetsAndSlice), bytes);
      std::fill(end, end + kSliceBytes, BYTE{0x55});
      buffer->Unlock();
      hr = buffer->SetCurrentLength(kSize);
    }
    if (SUCCEEDED(hr)) hr = encoded->AddBuffer(buffer.Get());
    return SUCCEEDED(hr) ? inner_->WriteSample(index, encoded.Get()) : hr;
  }
  STDMETHODIMP Finalize() override { return inner_->Finalize(); }

  // Wraps every writer `inner` makes.
  static SinkWriterFactory::EncodingWriterFunction wrap(
      SinkWriterFactory::EncodingWriterFunction inner, EncodedOutput output) {
    return [inner = std::move(inner), output](IMFMediaSink* sink, IMFAttributes* attributes,
                                              IMFSinkWriter** out) -> HRESULT {
      if (out == nullptr) return E_POINTER;
      *out = nullptr;
      Microsoft::WRL::ComPtr<IMFSinkWriter> wrapped;
      const HRESULT hr = inner(sink, attributes, &wrapped);
      if (FAILED(hr)) return hr;
      *out = new AnnexBEncoder(wrapped, output);
      return S_OK;
    };
  }

 private:
  static bool is_video(IMFMediaType* type) {
    GUID major = GUID_NULL;
    return type != nullptr && SUCCEEDED(type->GetGUID(MF_MT_MAJOR_TYPE, &major)) &&
           major == MFMediaType_Video;
  }

  const Microsoft::WRL::ComPtr<IMFSinkWriter> inner_;
  const EncodedOutput output_;
  DWORD video_stream_ = MAXDWORD;
};

class AppControlBarTest : public AppSessionTest {
 protected:
  AppPlatform bar_platform() {
    AppPlatform platform = session_platform();
    platform.exclude_from_capture = [this](HWND, DWORD) { return excluded_ ? TRUE : FALSE; };
    platform.open_folder = [](HWND, const std::wstring&) { return true; };
    // What the bar's title said while a message stood over it.
    platform.message = [this, shown = platform.message](HWND owner, std::wstring_view key,
                                                         const std::vector<std::wstring>& arguments,
                                                         unsigned flags) {
      if (owner != nullptr) owner_titles_.push_back(window_text(owner));
      return shown(owner, key, arguments, flags);
    };
    return platform;
  }

  // An App with a confirmed 160 x 120 region on the display's monitor and a
  // file output into the temporary folder, no audio; not yet recording. With
  // `encoded` its encoders make H.264 key frames and declare that output.
  App& make_app(bool follow_mouse = false, std::optional<EncodedOutput> encoded = std::nullopt) {
    AppPlatform platform = bar_platform();
    if (encoded) {
      platform.sessions.writers.sink_writers.create_encoding_writer = AnnexBEncoder::wrap(
          std::move(platform.sessions.writers.sink_writers.create_encoding_writer), *encoded);
    }
    return start_with_region(std::move(platform), kMonitor, {880, 480, 1040, 600}, follow_mouse);
  }

  // Hands the session one captured frame of the whole monitor, then moves
  // the performance counter on by one frame at 30 frame/s, rounded up so
  // that the next frame never comes before its slot.
  void push_frame() {
    if (frame_ == nullptr) {
      ASSERT_TRUE(test::make_device(device_, context_));
      frame_ = test::make_bgra_texture(
          device_.Get(), kMonitor.right, kMonitor.bottom,
          std::vector<uint32_t>(static_cast<size_t>(kMonitor.right) * kMonitor.bottom, 0xFF336699));
      ASSERT_NE(frame_, nullptr);
    }
    ASSERT_HRESULT_SUCCEEDED(
        app_->deliver_captured_frame(device_.Get(), context_.Get(), frame_.Get(), {}));
    *counter_ += (counter_frequency() + 29) / 30;
  }

  // Waits until the streamer, published, idles in its send loop.
  void wait_published() {
    ASSERT_TRUE(stream_clock_->wait_for_waiter(stream_clock_->now() + kStreamIdleTurnNs))
        << AppTestAccess::streamer_state(*app_);
  }

  // On a published stream: one frame goes out, and this returns once the
  // streamer has sent it and idles again. The stream's clock moves a step
  // first, so that idle turn has a deadline no earlier one shared.
  void send_frame() {
    stream_clock_->advance(kStreamStepNs);
    push_frame();
    ASSERT_TRUE(stream_clock_->wait_for_waiter(stream_clock_->now() + kStreamIdleTurnNs))
        << AppTestAccess::streamer_state(*app_);
  }

  // The streamer's thread marks the stream failed just after the server
  // refused it, with no event to wait for: its state is read until then,
  // within a bound.
  bool wait_stream_failed() {
    for (int i = 0; i < 5000; ++i) {
      if (AppTestAccess::streamer_status(*app_).state ==
          static_cast<uint32_t>(LiveStreamState::Failed)) {
        return true;
      }
      Sleep(1);
    }
    return false;
  }

  // The bar's client area as its window shows it, without painting it.
  static std::unique_ptr<win32_ui::ui::graphics::test::DibTarget> read_bar(HWND bar) {
    RECT client{};
    GetClientRect(bar, &client);
    auto shown =
        std::make_unique<win32_ui::ui::graphics::test::DibTarget>(client.right, client.bottom);
    HDC dc = GetDC(bar);
    EXPECT_TRUE(BitBlt(shown->dc(), 0, 0, shown->width(), shown->height(), dc, 0, 0, SRCCOPY));
    ReleaseDC(bar, dc);
    return shown;
  }

  // The bar's client area as drawn now, kept as a PNG when asked.
  std::unique_ptr<win32_ui::ui::graphics::test::DibTarget> draw_bar(HWND bar,
                                                                     const std::string& name) {
    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    auto shown = read_bar(bar);
    shown->save_png_if_asked(name);
    return shown;
  }

  // A view's rectangle on the bar, in client pixels.
  static RECT bar_pixels(const win32_ui::modern::View& view) {
    const auto bounds = view.bounds_in_root();
    const float scale = RecordingControlView::kZoom;
    return {static_cast<LONG>(std::lround(bounds.x * scale)),
            static_cast<LONG>(std::lround(bounds.y * scale)),
            static_cast<LONG>(std::lround((bounds.x + bounds.width) * scale)),
            static_cast<LONG>(std::lround((bounds.y + bounds.height) * scale))};
  }

  // A live target the fake server accepts, the output mode and, when given,
  // custom file and live bit rates in kbit/s.
  void go_live(OutputMode mode, std::optional<uint32_t> file_kbps = std::nullopt,
               std::optional<uint32_t> live_kbps = std::nullopt) {
    StreamSettings target;
    target.server_url = L"rtmp://127.0.0.1/live";
    target.stream_key = L"key";
    ASSERT_TRUE(app_->save_stream_settings(target));
    RecordingSetupState setup = app_->setup_state();
    setup.output_mode = mode;
    if (file_kbps) setup.recording_quality = {QualitySetting::kCustomLevel, *file_kbps};
    if (live_kbps) setup.stream_quality = {QualitySetting::kCustomLevel, *live_kbps};
    app_->commit_setup_state(setup);
  }

  // Starts recording and returns the bar.
  HWND start_bar() {
    app_->start_recording();
    EXPECT_TRUE(AppTestAccess::recording(*app_)) << messages_.size();
    return AppTestAccess::control_window(*app_);
  }

  RecordingControlView& view() { return *AppTestAccess::control_view(*app_); }

  void advance_seconds(int64_t seconds) { *counter_ += seconds * counter_frequency(); }

  // Where a docked bar of this size belongs.
  static POINT docked_position(HWND bar, bool top) {
    const RECT rect = window_rect(bar);
    const long width = kMonitor.right - kMonitor.left;
    const long x = kMonitor.left + (width - (rect.right - rect.left)) / 2;
    const long y = top ? kMonitor.top + 12 : kMonitor.bottom - (rect.bottom - rect.top) - 12;
    return {x, y};
  }

  bool excluded_ = false;
  std::vector<std::wstring> owner_titles_;
  Microsoft::WRL::ComPtr<ID3D11Device> device_;
  Microsoft::WRL::ComPtr<ID3D11DeviceContext> context_;
  Microsoft::WRL::ComPtr<ID3D11Texture2D> frame_;
};

TEST_F(AppControlBarTest, TheBarIsATopmostToolWindowDockedAtTheTopCentre) {
  make_app();
  const HWND bar = start_bar();
  ASSERT_NE(bar, nullptr);
  wchar_t class_name[64]{};
  GetClassNameW(bar, class_name, 64);
  EXPECT_STREQ(class_name, L"QuorvelControlWindow");
  const LONG_PTR ex_style = GetWindowLongPtrW(bar, GWL_EXSTYLE);
  EXPECT_TRUE((ex_style & WS_EX_TOOLWINDOW) != 0);
  EXPECT_TRUE((ex_style & WS_EX_TOPMOST) != 0);
  EXPECT_TRUE(IsWindowVisible(bar));
  const RECT rect = window_rect(bar);
  const POINT docked = docked_position(bar, true);
  EXPECT_EQ(rect.left, docked.x);
  EXPECT_EQ(rect.top, docked.y);
  EXPECT_EQ(AppTestAccess::dock_mode(*app_), 1);
  EXPECT_EQ(window_text(bar), L"Quorvel — Recording 00:00:00");
  EXPECT_EQ(view().status_text()->text(), L"Quorvel — Recording 00:00:00");
  // Without follow-mouse the zoom buttons are off; pause is on without live.
  EXPECT_FALSE(view().button(4)->is_enabled());
  EXPECT_FALSE(view().button(5)->is_enabled());
  EXPECT_TRUE(view().button(7)->is_enabled());
  EXPECT_EQ(view().button(RecordingControlView::kLiveCoverButton), nullptr);
}

TEST_F(AppControlBarTest, ThePlacementNoteSaysWhetherTheBarIsRecorded) {
  for (const bool excluded : {true, false}) {
    excluded_ = excluded;
    make_app();
    start_bar();
    EXPECT_EQ(view().note_text()->text(),
              translate_for_locale(L"en-US", excluded ? L"control.not_recorded"
                                                      : L"control.move_outside"))
        << excluded;
    app_->stop_recording(false);
    app_.reset();
  }
}

struct CornerCase {
  int corner;
  bool left;
  bool top;
};

TEST_F(AppControlBarTest, CornerCommandsAndHotkeysMoveTheBarWithAMarginAndUndockIt) {
  make_app();
  const HWND bar = start_bar();
  const CornerCase cases[] = {{0, true, true}, {1, false, true}, {2, false, false}, {3, true, false}};
  for (const bool by_hotkey : {false, true}) {
    for (const CornerCase& c : cases) {
      app_->run_control_command(kControlDockTop);
      ASSERT_EQ(AppTestAccess::dock_mode(*app_), 1);
      if (by_hotkey) {
        send_to_host(WM_HOTKEY, 1000 + c.corner);
      } else {
        app_->run_control_command(kControlTopLeft + c.corner);
      }
      const RECT rect = window_rect(bar);
      if (c.left) {
        EXPECT_EQ(rect.left, kMonitor.left + 12) << c.corner << by_hotkey;
      } else {
        EXPECT_EQ(rect.right, kMonitor.right - 12) << c.corner << by_hotkey;
      }
      if (c.top) {
        EXPECT_EQ(rect.top, kMonitor.top + 12) << c.corner << by_hotkey;
      } else {
        EXPECT_EQ(rect.bottom, kMonitor.bottom - 12) << c.corner << by_hotkey;
      }
      EXPECT_EQ(AppTestAccess::dock_mode(*app_), 0) << c.corner << by_hotkey;
    }
  }
}

TEST_F(AppControlBarTest, DockBottomCentresTheBarAboveTheMonitorBottom) {
  make_app();
  const HWND bar = start_bar();
  app_->run_control_command(kControlDockBottom);
  const POINT docked = docked_position(bar, false);
  EXPECT_EQ(window_rect(bar).left, docked.x);
  EXPECT_EQ(window_rect(bar).top, docked.y);
  EXPECT_EQ(AppTestAccess::dock_mode(*app_), 2);
}

TEST_F(AppControlBarTest, ADpiChangeRecentresADockedBarAndLeavesAMovedOneWhereItWasPut) {
  make_app();
  const HWND bar = start_bar();
  RECT suggested{300, 400, 900, 500};
  SendMessageW(bar, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(AppTestAccess::control_dpi(*app_), 144);
  POINT docked = docked_position(bar, true);
  EXPECT_EQ(window_rect(bar).left, docked.x);
  // The margin follows the DPI: 12 px at 96 DPI are 18 at 144.
  EXPECT_EQ(window_rect(bar).top, kMonitor.top + 18);

  RECT moving = window_rect(bar);
  SendMessageW(bar, WM_MOVING, 0, reinterpret_cast<LPARAM>(&moving));
  EXPECT_EQ(AppTestAccess::dock_mode(*app_), 0);
  SendMessageW(bar, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(window_rect(bar).left, suggested.left);
  EXPECT_EQ(window_rect(bar).top, suggested.top);

  // The forced check finds the display's real 96 DPI and keeps the position.
  SendMessageW(bar, WM_DPICHANGED, MAKEWPARAM(120, 120), reinterpret_cast<LPARAM>(&suggested));
  ASSERT_EQ(AppTestAccess::control_dpi(*app_), 120);
  SendMessageW(bar, kCheckControlDpiMessage, 0, 0);
  EXPECT_EQ(AppTestAccess::control_dpi(*app_), 96);
  EXPECT_EQ(window_rect(bar).left, suggested.left);
}

TEST_F(AppControlBarTest, ZoomCommandsStayWithinOneAndSix) {
  make_app(true);
  start_bar();
  EXPECT_TRUE(view().button(4)->is_enabled());
  EXPECT_TRUE(view().button(5)->is_enabled());
  AppTestAccess::zoom_factor(*app_) = 5.0;
  app_->run_control_command(kControlZoomIn);
  EXPECT_DOUBLE_EQ(AppTestAccess::zoom_factor(*app_), 6.0);
  AppTestAccess::zoom_factor(*app_) = 1.2;
  app_->run_control_command(kControlZoomOut);
  EXPECT_DOUBLE_EQ(AppTestAccess::zoom_factor(*app_), 1.0);
  AppTestAccess::zoom_factor(*app_) = 2.0;
  app_->run_control_command(kControlZoomIn);
  EXPECT_DOUBLE_EQ(AppTestAccess::zoom_factor(*app_), 2.7);
}

TEST_F(AppControlBarTest, HideAndTheHotkeyToggleTheBarWithoutActivatingIt) {
  make_app();
  const HWND bar = start_bar();
  for (const bool by_hotkey : {false, true}) {
    for (const bool visible_after : {false, true}) {
      if (by_hotkey) {
        send_to_host(WM_HOTKEY, 1006);
      } else {
        app_->run_control_command(kControlHide);
      }
      EXPECT_EQ(IsWindowVisible(bar) != FALSE, visible_after) << by_hotkey;
      EXPECT_EQ(AppTestAccess::control_hidden(*app_), !visible_after) << by_hotkey;
    }
  }
  EXPECT_TRUE((GetWindowLongPtrW(bar, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
  EXPECT_NE(GetForegroundWindow(), bar);
}

TEST_F(AppControlBarTest, PauseShowsThePausedTitleAndTheResumeButton) {
  make_app();
  const HWND bar = start_bar();
  advance_seconds(5);
  app_->run_control_command(kControlPauseResume);
  ASSERT_TRUE(AppTestAccess::paused(*app_));
  EXPECT_EQ(window_text(bar), L"Quorvel — Paused 00:00:05");
  EXPECT_EQ(view().status_text()->text(), L"Quorvel — Paused 00:00:05");
  EXPECT_EQ(view().button(7)->tooltip().substr(0, 16), L"Resume recording");
  draw_bar(bar, "app_control_bar_paused.png");
  EXPECT_TRUE(test::shows_control_icon(*view().button(7), kControlIconResume));

  advance_seconds(7);
  app_->run_control_command(kControlPauseResume);
  ASSERT_FALSE(AppTestAccess::paused(*app_));
  EXPECT_EQ(window_text(bar), L"Quorvel — Recording 00:00:05");
  EXPECT_EQ(view().button(7)->tooltip().substr(0, 15), L"Pause recording");
  draw_bar(bar, "app_control_bar_running.png");
  EXPECT_TRUE(test::shows_control_icon(*view().button(7), kControlIconPause));
}

TEST_F(AppControlBarTest, TheClockLeavesOutPausesAndDoesNotWrapHours) {
  make_app();
  const HWND bar = start_bar();
  advance_seconds(100);
  app_->pause_recording();
  advance_seconds(10);
  app_->resume_recording();
  advance_seconds(3723 - 110);
  app_->update_control_status(false);
  EXPECT_EQ(window_text(bar), L"Quorvel — Recording 01:01:53");
  advance_seconds(100 * 3600 - 3713);
  app_->update_control_status(false);
  EXPECT_EQ(window_text(bar), L"Quorvel — Recording 100:00:00");
}

// Counts the titles set on a window while it lives.
LRESULT CALLBACK count_titles(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                              UINT_PTR, DWORD_PTR counter) {
  if (message == WM_SETTEXT) ++*reinterpret_cast<int*>(counter);
  return DefSubclassProc(window, message, wparam, lparam);
}

TEST_F(AppControlBarTest, StatusChecksSetTheTitleOnlyWhenTheClockMoved) {
  make_app();
  const HWND bar = start_bar();
  int titles_set = 0;
  ASSERT_TRUE(SetWindowSubclass(bar, &count_titles, 1, reinterpret_cast<DWORD_PTR>(&titles_set)));

  for (int check = 0; check < 3; ++check) app_->update_control_status(false);
  EXPECT_EQ(titles_set, 0);
  EXPECT_EQ(window_text(bar), L"Quorvel — Recording 00:00:00");

  advance_seconds(1);
  for (int check = 0; check < 4; ++check) app_->update_control_status(false);
  EXPECT_EQ(titles_set, 1);
  EXPECT_EQ(window_text(bar), L"Quorvel — Recording 00:00:01");
  EXPECT_EQ(view().status_text()->text(), L"Quorvel — Recording 00:00:01");

  // Another title in between is replaced by the clock at the next check.
  app_->pause_recording();
  EXPECT_EQ(window_text(bar), L"Quorvel — Paused 00:00:01");
  app_->resume_recording();
  EXPECT_EQ(window_text(bar), L"Quorvel — Recording 00:00:01");
  EXPECT_EQ(titles_set, 3);
  RemoveWindowSubclass(bar, &count_titles, 1);
}

TEST_F(AppControlBarTest, StopPostsOneStopDisablesTheButtonAndShowsSaving) {
  make_app();
  const HWND bar = start_bar();
  app_->run_control_command(kControlStop);
  app_->run_control_command(kControlStop);
  EXPECT_TRUE(AppTestAccess::stop_requested(*app_));
  EXPECT_FALSE(view().button(8)->is_enabled());
  MSG message{};
  int stops = 0;
  const HWND host = AppTestAccess::host_window(*app_);
  while (PeekMessageW(&message, host, kStopRecordingMessage, kStopRecordingMessage, PM_REMOVE)) {
    ++stops;
    EXPECT_EQ(message.wParam, 1u);
  }
  EXPECT_EQ(stops, 1);
  // The host's stop shows the saving title while it finishes.
  messages_.clear();
  app_->stop_recording(false);
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_EQ(AppTestAccess::control_view(*app_), nullptr);
}

// The bar's card as drawn, where no button or text covers it.
win32_ui::ui::graphics::test::Rgb card_pixel(const win32_ui::ui::graphics::test::DibTarget& shown) {
  return shown.pixel(shown.width() / 2, shown.height() - 3);
}

win32_ui::ui::graphics::test::Rgb palette_rgb(const win32_ui::Theme& theme, int index) {
  const win32_ui::ui::graphics::Color color =
      win32_ui::Theme::to_render_palette(theme).colors[static_cast<std::size_t>(index)];
  return {color.r, color.g, color.b};
}

TEST_F(AppControlBarTest, AThemeChangeDuringASessionRepaintsTheBarInTheNewTheme) {
  make_app();
  const HWND bar = start_bar();
  ASSERT_NE(bar, nullptr);
  // The user's choice of dark and back to light, then Windows switching to
  // high contrast: each reaches the bar while it records.
  const auto chosen = [this](win32_ui::ThemeMode mode) {
    return [this, mode] {
      app_->set_theme_mode(mode);
      return AppTestAccess::theme_registry(*app_).theme();
    };
  };
  struct Case {
    const char* name;
    std::function<win32_ui::Theme()> change;
    bool dark;
  };
  const Case cases[] = {
      {"dark", chosen(win32_ui::kThemeModeDark), true},
      {"light", chosen(win32_ui::kThemeModeLight), false},
      {"high_contrast",
       [this] {
         const win32_ui::Theme contrast = win32_ui::Theme::high_contrast();
         App::on_system_theme_changed(app_.get(), &contrast);
         return contrast;
       },
       win32_ui::Theme::high_contrast().is_dark},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const win32_ui::Theme theme = c.change();
    ASSERT_EQ(theme.is_dark, c.dark);
    EXPECT_TRUE(GetUpdateRect(bar, nullptr, FALSE)) << "the bar waits for its repaint";
    const auto shown = draw_bar(bar, std::string("control_bar_theme_") + c.name + ".png");
    EXPECT_EQ(card_pixel(*shown), palette_rgb(theme, 1));
  }
}

TEST_F(AppControlBarTest, TheBarSaysSavingWhileTheStopItAskedForRuns) {
  make_app();
  go_live(OutputMode::kFileAndLive);
  const HWND bar = start_bar();
  ASSERT_NE(bar, nullptr);
  SendMessageW(bar, WM_CLOSE, 0, 0);
  EXPECT_FALSE(view().button(8)->is_enabled());
  pump();
  EXPECT_FALSE(AppTestAccess::recording(*app_));
  // The session's result box stood over the bar while it was saving.
  ASSERT_EQ(owner_titles_.size(), 1u);
  EXPECT_EQ(owner_titles_[0], L"Quorvel — Saving recording…");
}

// Whether `c` lies between `a` and `b` in every channel, one step of
// rounding aside: a blend of the two.
bool between(win32_ui::ui::graphics::test::Rgb c, win32_ui::ui::graphics::test::Rgb a,
             win32_ui::ui::graphics::test::Rgb b) {
  const auto within = [](int v, int x, int y) {
    return v >= std::min(x, y) - 1 && v <= std::max(x, y) + 1;
  };
  return within(c.r, a.r, b.r) && within(c.g, a.g, b.g) && within(c.b, a.b, b.b);
}

// The finish of a stop holds the UI thread for seconds: what the bar shows
// meanwhile is read from its window from inside the encoder's finalize,
// where no message can paint it any more. The zoom buttons are off (the
// picture does not follow the mouse).
TEST_F(AppControlBarTest, WhileTheFilesAreFinishedTheBarShowsItsDisabledStopAndSaving) {
  using win32_ui::ui::graphics::test::DibTarget;
  using win32_ui::ui::graphics::test::Rgb;
  struct Case {
    const char* name;
    win32_ui::ThemeMode mode;
  };
  const Rgb stop_red{0xE0, 0x3E, 0x45};
  for (const Case& c : {Case{"light", win32_ui::kThemeModeLight},
                        Case{"dark", win32_ui::kThemeModeDark}}) {
    SCOPED_TRACE(c.name);
    make_app();
    app_->set_theme_mode(c.mode);
    const win32_ui::Theme theme = AppTestAccess::theme_registry(*app_).theme();
    const std::size_t encoders_before = encoders_.size();
    const HWND bar = start_bar();
    ASSERT_NE(bar, nullptr);
    ASSERT_NO_FATAL_FAILURE(push_frame());
    // The file's encoder alone.
    ASSERT_EQ(encoders_.size(), encoders_before + 1);
    const RECT stop = bar_pixels(*view().button(8));
    const RECT status = bar_pixels(*view().status_text());
    const auto recording = draw_bar(bar, std::string("app_control_bar_recording_") + c.name + ".png");
    int red = 0;
    for (int y = stop.top; y < stop.bottom; ++y) {
      for (int x = stop.left; x < stop.right; ++x) red += recording->pixel(x, y) == stop_red;
    }
    ASSERT_GT(red, 8) << "Stop shows its own picture while recording";

    std::unique_ptr<DibTarget> saving;
    std::wstring status_text;
    encoders_.back()->set_finalize_hook([&] {
      saving = read_bar(bar);
      status_text = view().status_text()->text();
    });
    app_->stop_recording(false);
    ASSERT_NE(saving, nullptr) << "the file's encoder was finalized";
    saving->save_png_if_asked(std::string("app_control_bar_saving_") + c.name + ".png");

    // Stop shows only the card and its picture in the disabled ink.
    const Rgb card = palette_rgb(theme, 1);
    const Rgb ink = palette_rgb(theme, 8);
    int inked = 0;
    for (int y = stop.top; y < stop.bottom; ++y) {
      for (int x = stop.left; x < stop.right; ++x) {
        const Rgb pixel = saving->pixel(x, y);
        EXPECT_TRUE(between(pixel, card, ink)) << x << "," << y;
        inked += pixel != card;
      }
    }
    EXPECT_GT(inked, 8) << "the disabled picture is drawn";
    // The status line has left the clock for the saving text.
    EXPECT_EQ(status_text, en(L"control.saving"));
    int changed = 0;
    for (int y = status.top; y < status.bottom; ++y) {
      for (int x = status.left; x < status.right; ++x) {
        changed += saving->pixel(x, y) != recording->pixel(x, y);
      }
    }
    EXPECT_GT(changed, 8) << "the status line is drawn anew";
    EXPECT_FALSE(IsWindow(bar));
    app_.reset();
  }
}

TEST_F(AppControlBarTest, LiveCommandsDoNothingWithoutALiveStream) {
  make_app();
  start_bar();
  app_->run_control_command(kControlLiveCover);
  app_->run_control_command(kControlLiveMute);
  EXPECT_FALSE(AppTestAccess::streamer_status(*app_).cover_video);
  EXPECT_FALSE(AppTestAccess::streamer_status(*app_).mute_audio);
}

TEST_F(AppControlBarTest, LiveCommandsToggleTheCoverAndTheMuteEachOnItsOwn) {
  make_app();
  go_live(OutputMode::kLiveOnly);
  const HWND bar = start_bar();
  ASSERT_NE(bar, nullptr);
  ASSERT_NE(view().button(RecordingControlView::kLiveCoverButton), nullptr);
  EXPECT_FALSE(view().button(7)->is_enabled());
  EXPECT_EQ(view().texts().button_labels[8], translate_for_locale(L"en-US", L"stream.stop"));

  app_->run_control_command(kControlLiveCover);
  LiveStreamStatus status = AppTestAccess::streamer_status(*app_);
  EXPECT_TRUE(status.cover_video);
  EXPECT_FALSE(status.mute_audio);
  EXPECT_TRUE(view().button(RecordingControlView::kLiveCoverButton)->is_selected());
  EXPECT_NE(view().live_details_text()->text().find(
                translate_for_locale(L"en-US", L"stream.away_status")),
            std::wstring::npos);

  draw_bar(bar, "app_control_bar_covered.png");
  EXPECT_TRUE(test::shows_control_icon(*view().button(RecordingControlView::kLiveMuteButton),
                                       kControlIconUnmuted));

  app_->run_control_command(kControlLiveMute);
  status = AppTestAccess::streamer_status(*app_);
  EXPECT_TRUE(status.cover_video);
  EXPECT_TRUE(status.mute_audio);
  EXPECT_TRUE(view().button(RecordingControlView::kLiveMuteButton)->is_selected());
  draw_bar(bar, "app_control_bar_muted.png");
  EXPECT_TRUE(test::shows_control_icon(*view().button(RecordingControlView::kLiveMuteButton),
                                       kControlIconMuted));

  app_->run_control_command(kControlLiveCover);
  status = AppTestAccess::streamer_status(*app_);
  EXPECT_FALSE(status.cover_video);
  EXPECT_TRUE(status.mute_audio);
  const std::wstring details(view().live_details_text()->text());
  EXPECT_NE(details.find(L"Encoding set: 160×120 / 30 fps"), std::wstring::npos) << details.size();
  // Live only: no line for a recording target.
  EXPECT_EQ(details.find(L"Local recording target"), std::wstring::npos);

  // A stopping session ignores them.
  AppTestAccess::stopping(*app_) = true;
  app_->run_control_command(kControlLiveMute);
  EXPECT_TRUE(AppTestAccess::streamer_status(*app_).mute_audio);
  AppTestAccess::stopping(*app_) = false;
  app_->stop_recording(false);
}

TEST_F(AppControlBarTest, AFileAndLiveSessionShowsTheDualStatusAndTheRecordingTarget) {
  make_app();
  go_live(OutputMode::kFileAndLive);
  const HWND bar = start_bar();
  ASSERT_NE(bar, nullptr);
  app_->update_control_status(false);
  EXPECT_EQ(window_text(bar), app_->dual_status_text(L"00:00:00"));
  EXPECT_EQ(view().texts().button_labels[8], translate_for_locale(L"en-US", L"stream.stop_both"));
  EXPECT_NE(view().live_details_text()->text().find(L"Local recording target"),
            std::wstring::npos);

  // The bar as drawn: its view paints the client area, saved for a look.
  const auto shown = draw_bar(bar, "app_control_bar_live.png");
  EXPECT_TRUE(shown->ink(shown->pixel(1, shown->height() - 2)).any);
  app_->stop_recording(false);
}

// The header strip of a drawn bar, above the buttons.
std::vector<uint32_t> header_pixels(const win32_ui::ui::graphics::test::DibTarget& shown) {
  const int strip = MulDiv(342, 96, 960);
  std::vector<uint32_t> pixels;
  for (int y = 0; y < strip; ++y) {
    for (int x = 0; x < shown.width(); ++x) {
      const auto c = shown.pixel(x, y);
      pixels.push_back((uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b);
    }
  }
  return pixels;
}

TEST_F(AppControlBarTest, TheLongestStatusLineKeepsItsClockInSight) {
  // The file-and-live status while the stream connects is the longest the
  // header shows; the clock at its end must stay readable, so the strip
  // changes when only the clock does.
  make_app();
  go_live(OutputMode::kFileAndLive);
  server_.hold_connects(true);
  const HWND bar = start_bar();
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(server_.wait_attempts(1));
  app_->update_control_status(false);
  ASSERT_EQ(window_text(bar),
            en(L"stream.dual_status", {en(L"stream.file_active_short"),
                                       en(L"stream.live_wait_short"), L"00:00:00"}));
  const std::vector<uint32_t> before = header_pixels(*draw_bar(bar, "app_control_bar_clock_0.png"));
  advance_seconds(59);
  app_->update_control_status(false);
  ASSERT_EQ(window_text(bar).substr(window_text(bar).size() - 8), L"00:00:59");
  const std::vector<uint32_t> after = header_pixels(*draw_bar(bar, "app_control_bar_clock_59.png"));
  EXPECT_NE(before, after);
  server_.hold_connects(false);
  app_->stop_recording(false);
}

// How a case brings the live stream to the state it is about.
enum class StreamStep { kConnectHeld, kPublished, kVideoSent, kConnectFailedOnce, kRefused };

struct LiveStateCase {
  const char* name;
  StreamStep step;
  LiveStreamState state;
  const wchar_t* title_key;  // the title of a live-only session
  const wchar_t* short_key;  // the live part of a file-and-live session's title
  const wchar_t* error_key;  // the details' last line, when the stream has an error
  bool live_buttons_enabled;
};

const LiveStateCase kLiveStateCases[] = {
    {"Connecting", StreamStep::kConnectHeld, LiveStreamState::Starting, L"stream.connecting",
     L"stream.live_wait_short", nullptr, true},
    {"Publishing", StreamStep::kPublished, LiveStreamState::Publishing, L"stream.publishing",
     L"stream.live_wait_short", nullptr, true},
    {"Streaming", StreamStep::kVideoSent, LiveStreamState::Streaming, L"stream.streaming",
     L"stream.live_active_short", nullptr, true},
    {"Reconnecting", StreamStep::kConnectFailedOnce, LiveStreamState::Reconnecting,
     L"stream.reconnecting", L"stream.reconnect_short", L"stream.error.network", true},
    {"Failed", StreamStep::kRefused, LiveStreamState::Failed, L"stream.connecting",
     L"stream.live_failed_short", L"stream.error.rejected", false},
};

class AppControlBarLiveStateTest
    : public AppControlBarTest,
      public testing::WithParamInterface<std::tuple<LiveStateCase, OutputMode>> {
 protected:
  // Starts the session and brings its stream to the case's state.
  HWND start_in_state(StreamStep step) {
    if (step == StreamStep::kConnectHeld) server_.hold_connects(true);
    if (step == StreamStep::kConnectFailedOnce) server_.fail_next_connect(test::FakeFailure{1});
    if (step == StreamStep::kRefused) server_.always_fail_connect(test::FakeFailure{4});
    const HWND bar = start_bar();
    switch (step) {
      case StreamStep::kConnectHeld:
        EXPECT_TRUE(server_.wait_attempts(1));
        break;
      case StreamStep::kPublished:
        wait_published();
        break;
      case StreamStep::kVideoSent:
        wait_published();
        send_frame();
        break;
      case StreamStep::kConnectFailedOnce:
        // The first back-off, a second on the stream's clock.
        EXPECT_TRUE(stream_clock_->wait_for_waiter(stream_clock_->now() + kStreamSecondNs));
        break;
      case StreamStep::kRefused:
        EXPECT_TRUE(wait_stream_failed());
        break;
    }
    return bar;
  }
};

TEST_P(AppControlBarLiveStateTest, TheTitleStatusAndLiveButtonsFollowTheStream) {
  const auto& [c, mode] = GetParam();
  make_app(false, kAsRequested);
  go_live(mode);
  const HWND bar = start_in_state(c.step);
  ASSERT_NE(bar, nullptr);
  const LiveStreamStatus status = AppTestAccess::streamer_status(*app_);
  ASSERT_EQ(status.state, static_cast<uint32_t>(c.state));
  advance_seconds(65);
  app_->update_control_status(false);

  const std::wstring expected =
      mode == OutputMode::kLiveOnly
          ? en(c.title_key, {L"00:01:05"})
          : en(L"stream.dual_status",
               {en(L"stream.file_active_short"), en(c.short_key), L"00:01:05"});
  EXPECT_EQ(window_text(bar), expected);
  EXPECT_EQ(view().status_text()->text(), expected);
  EXPECT_EQ(view().button(RecordingControlView::kLiveCoverButton)->is_enabled(),
            c.live_buttons_enabled);
  EXPECT_EQ(view().button(RecordingControlView::kLiveMuteButton)->is_enabled(),
            c.live_buttons_enabled);
  const std::wstring details(view().live_details_text()->text());
  const std::wstring last_line = details.substr(details.rfind(L'\n') + 1);
  EXPECT_EQ(last_line, c.error_key != nullptr ? en(c.error_key) : en(L"stream.normal_status"));

  // A stopping session offers no live switch in any state.
  AppTestAccess::stopping(*app_) = true;
  app_->update_control_status(false);
  EXPECT_FALSE(view().button(RecordingControlView::kLiveCoverButton)->is_enabled());
  EXPECT_FALSE(view().button(RecordingControlView::kLiveMuteButton)->is_enabled());
  AppTestAccess::stopping(*app_) = false;
  server_.hold_connects(false);
  app_->stop_recording(false);
}

INSTANTIATE_TEST_SUITE_P(
    States, AppControlBarLiveStateTest,
    testing::Combine(testing::ValuesIn(kLiveStateCases),
                     testing::Values(OutputMode::kLiveOnly, OutputMode::kFileAndLive)),
    [](const testing::TestParamInfo<std::tuple<LiveStateCase, OutputMode>>& info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) == OutputMode::kLiveOnly ? "LiveOnly" : "FileAndLive");
    });

// What the user does with the live buttons before the details are read.
enum class PrivacySteps { kNone, kCover, kCoverThenUncover, kMute, kCoverAndMute };

struct LiveDetailsCase {
  const char* name;
  OutputMode mode;
  uint32_t file_kbps;
  std::optional<EncodedOutput> encoded;  // frames are sent when set
  PrivacySteps privacy;
  // The encoder line's key and arguments, and the privacy line's key.
  const wchar_t* encoder_key;
  std::vector<std::wstring> encoder_arguments;
  const wchar_t* privacy_key;
};

class AppControlBarLiveDetailsTest : public AppControlBarTest,
                                     public testing::WithParamInterface<LiveDetailsCase> {};

TEST_P(AppControlBarLiveDetailsTest, TheDetailsListTheRequestTheEncoderTheTargetAndThePrivacy) {
  const LiveDetailsCase& c = GetParam();
  constexpr uint32_t kLiveKbps = 1800;
  make_app(false, c.encoded);
  go_live(c.mode, c.file_kbps, kLiveKbps);
  start_bar();
  ASSERT_NE(AppTestAccess::control_view(*app_), nullptr);
  wait_published();
  if (c.encoded) send_frame();
  const bool cover = c.privacy == PrivacySteps::kCover ||
                     c.privacy == PrivacySteps::kCoverThenUncover ||
                     c.privacy == PrivacySteps::kCoverAndMute;
  if (cover) app_->run_control_command(kControlLiveCover);
  if (c.privacy == PrivacySteps::kCoverThenUncover) app_->run_control_command(kControlLiveCover);
  if (c.privacy == PrivacySteps::kMute || c.privacy == PrivacySteps::kCoverAndMute) {
    app_->run_control_command(kControlLiveMute);
  }
  app_->update_control_status(false);

  std::vector<std::wstring> lines{
      en(L"stream.requested_spec", {L"160", L"120", L"30", std::to_wstring(kLiveKbps)}),
      en(c.encoder_key, c.encoder_arguments)};
  if (c.mode == OutputMode::kFileAndLive) {
    lines.push_back(en(L"stream.recording_target", {std::to_wstring(c.file_kbps)}));
  }
  lines.push_back(en(L"stream.telemetry", {L"0", L"0"}));
  lines.push_back(en(c.privacy_key));
  EXPECT_EQ(view().live_details_text()->text(), joined_lines(lines));
  app_->stop_recording(false);
}

constexpr const wchar_t* kPending = L"stream.encoding_pending";
constexpr const wchar_t* kNormal = L"stream.normal_status";

INSTANTIATE_TEST_SUITE_P(
    Cases, AppControlBarLiveDetailsTest,
    testing::Values(
        LiveDetailsCase{"LiveOnlyBeforeTheFirstFrame", OutputMode::kLiveOnly, 2500, std::nullopt,
                        PrivacySteps::kNone, kPending, {}, kNormal},
        LiveDetailsCase{"FileAndLiveBeforeTheFirstFrame", OutputMode::kFileAndLive, 2500,
                        std::nullopt, PrivacySteps::kNone, kPending, {}, kNormal},
        // One shared encoder (equal rates) and a live encoder of its own.
        LiveDetailsCase{"SharedEncoderAsRequested", OutputMode::kFileAndLive, 1800, kAsRequested,
                        PrivacySteps::kNone, L"stream.encoded_spec", {L"160", L"120", L"30"},
                        kNormal},
        LiveDetailsCase{"LiveEncoderAsRequested", OutputMode::kFileAndLive, 2500, kAsRequested,
                        PrivacySteps::kNone, L"stream.encoded_spec", {L"160", L"120", L"30"},
                        kNormal},
        LiveDetailsCase{"EncoderAtTheNtscRate", OutputMode::kLiveOnly, 2500,
                        EncodedOutput{160, 120, 30000, 1001}, PrivacySteps::kNone,
                        L"stream.encoded_mismatch", {L"160", L"120", L"29.97"}, kNormal},
        LiveDetailsCase{"EncoderAtTheRequestedRateOverTwo", OutputMode::kLiveOnly, 2500,
                        EncodedOutput{160, 120, 60, 2}, PrivacySteps::kNone,
                        L"stream.encoded_spec", {L"160", L"120", L"30.00"}, kNormal},
        LiveDetailsCase{"EncoderAtAnotherSize", OutputMode::kFileAndLive, 2500,
                        EncodedOutput{176, 144, 30, 1}, PrivacySteps::kNone,
                        L"stream.encoded_mismatch", {L"176", L"144", L"30"}, kNormal},
        LiveDetailsCase{"Covered", OutputMode::kLiveOnly, 2500, std::nullopt,
                        PrivacySteps::kCover, kPending, {}, L"stream.away_status"},
        LiveDetailsCase{"UncoveredUntilTheNextKeyFrame", OutputMode::kLiveOnly, 2500,
                        std::nullopt, PrivacySteps::kCoverThenUncover, kPending, {},
                        L"stream.resume_status"},
        LiveDetailsCase{"Muted", OutputMode::kFileAndLive, 2500, std::nullopt,
                        PrivacySteps::kMute, kPending, {}, L"stream.muted_status"},
        LiveDetailsCase{"CoveredAndMuted", OutputMode::kLiveOnly, 2500, std::nullopt,
                        PrivacySteps::kCoverAndMute, kPending, {}, L"stream.away_status"}),
    [](const testing::TestParamInfo<LiveDetailsCase>& info) {
      return std::string(info.param.name);
    });

TEST_F(AppControlBarTest, TheTelemetryLineShowsTheRateSentAndTheReconnects) {
  make_app(false, kAsRequested);
  go_live(OutputMode::kLiveOnly);
  server_.fail_next_connect(test::FakeFailure{1});
  start_bar();
  ASSERT_NE(AppTestAccess::control_view(*app_), nullptr);
  ASSERT_TRUE(stream_clock_->wait_for_waiter(stream_clock_->now() + kStreamSecondNs));
  stream_clock_->advance(kStreamSecondNs);
  wait_published();
  send_frame();
  // A second later the next frame closes the rate's one-second window.
  stream_clock_->advance(kStreamSecondNs);
  wait_published();
  send_frame();
  const LiveStreamStatus status = AppTestAccess::streamer_status(*app_);
  ASSERT_EQ(status.state, static_cast<uint32_t>(LiveStreamState::Streaming));
  ASSERT_GE(status.bitrate_bps, 1000u);
  app_->update_control_status(false);
  const std::wstring details(view().live_details_text()->text());
  EXPECT_NE(details.find(en(L"stream.telemetry",
                            {std::to_wstring(status.bitrate_bps / 1000), L"1"})),
            std::wstring::npos)
      << details.size();
  app_->stop_recording(false);
}

TEST_F(AppControlBarTest, AHotkeyHeldElsewhereIsMarkedAsAConflictOnItsButton) {
  make_app();
  const HotkeyBinding pause_row = kDefaultHotkeyTable[7];
  quorvel::test::HeldHotkey held(pause_row.modifiers, pause_row.key);
  ASSERT_TRUE(held.held());
  start_bar();
  ASSERT_NE(AppTestAccess::control_view(*app_), nullptr);
  const std::wstring conflict = translate_for_locale(L"en-US", L"control.conflict");
  const std::wstring text = view().texts().hotkey_texts[7];
  ASSERT_GE(text.size(), conflict.size());
  EXPECT_EQ(text.substr(text.size() - conflict.size()), conflict);
  EXPECT_EQ(view().texts().hotkey_texts[8].find(conflict), std::wstring::npos);
}

TEST_F(AppControlBarTest, ALanguageSwitchChangesTheBarsTextsAndTitleAtOnce) {
  make_app();
  const HWND bar = start_bar();
  app_->set_language(L"zh-CN");
  EXPECT_EQ(window_text(bar), L"Quorvel — 正在录制 00:00:00");
  EXPECT_EQ(view().texts().button_labels[0], translate_for_locale(L"zh-CN", L"control.top_left"));
  EXPECT_EQ(view().status_text()->text(), L"Quorvel — 正在录制 00:00:00");
  app_->set_language(L"en-US");
}

}  // namespace
}  // namespace quorvel::windows
