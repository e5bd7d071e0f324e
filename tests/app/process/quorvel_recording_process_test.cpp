// Recording through the whole program from outside: quorvel_test_app.exe
// (the program on the engine's fakes) is driven by host-window messages
// only, as the hotkeys, the overlay's keys, the tray menu and Windows itself
// would drive it, and the dated folder it leaves in the prefix's Videos
// folder is read back: the MP4, the timeline and the diagnostics log, each
// committed under its final name.
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "tests/app/process/event_file.h"
#include "tests/app/process/program_observation.h"
#include "tests/app/process/program_process.h"
#include "tests/support/test_support.h"

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kTimeout = 30000;
constexpr UINT kStopHotkey = 1008;
constexpr UINT kQuickRecordHotkey = 1201;
constexpr WPARAM kTrayExit = 603;
constexpr wchar_t kHostClass[] = L"QuorvelMessageHost";
constexpr wchar_t kControlClass[] = L"QuorvelControlWindow";
constexpr wchar_t kOverlayClass[] = L"QuorvelViewportOverlay";
constexpr wchar_t kFirstTitle[] = L"Quorvel — Recording 00:00:00";
constexpr wchar_t kTitlePrefix[] = L"Quorvel — Recording ";
constexpr int kRecordedSeconds = 2;
constexpr uint32_t kCtrlShift = MOD_CONTROL | MOD_SHIFT;

template <typename Condition>
bool poll_until(Condition condition) {
  return test::poll_until(condition, kTimeout);
}

std::wstring window_text(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

// The seconds the bar's clock shows in a "Quorvel — Recording HH:MM:SS"
// title; none for any other title (saving, paused).
std::optional<int> clock_seconds(const std::wstring& title) {
  const std::wstring prefix = kTitlePrefix;
  if (title.size() != prefix.size() + 8 || title.compare(0, prefix.size(), prefix) != 0) {
    return std::nullopt;
  }
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  if (std::swscanf(title.c_str() + prefix.size(), L"%d:%d:%d", &hours, &minutes, &seconds) != 3) {
    return std::nullopt;
  }
  return (hours * 60 + minutes) * 60 + seconds;
}

// Whether nobody holds the combination: takes it for an instant.
bool hotkey_is_free(uint32_t modifiers, uint32_t key) {
  if (!RegisterHotKey(nullptr, 0xA010, modifiers, key)) return false;
  UnregisterHotKey(nullptr, 0xA010);
  return true;
}

fs::path videos_folder() {
  PWSTR path = nullptr;
  fs::path result;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Videos, 0, nullptr, &path))) result = path;
  CoTaskMemFree(path);
  return result;
}

std::set<fs::path> folders_in(const fs::path& folder) {
  std::set<fs::path> folders;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.is_directory()) folders.insert(entry.path());
  }
  return folders;
}

std::vector<std::wstring> file_names_in(const fs::path& folder) {
  std::vector<std::wstring> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    names.push_back(entry.path().filename().wstring());
  }
  return names;
}

// The local time as the program names its session folders.
std::wstring folder_time_name(std::time_t time) {
  std::tm local{};
  localtime_s(&local, &time);
  wchar_t text[32] = {};
  const size_t length = std::wcsftime(text, 32, L"%Y-%m-%d %H-%M-%S", &local);
  return std::wstring(text, length);
}

// The log's key=value lines.
std::map<std::string, std::string> read_log(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::map<std::string, std::string> values;
  size_t start = 0;
  for (size_t end = bytes.find('\n'); end != std::string::npos; end = bytes.find('\n', start)) {
    const std::string line = bytes.substr(start, end - start);
    if (const size_t equals = line.find('='); equals != std::string::npos) {
      values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    start = end + 1;
  }
  return values;
}

// A value of the log; empty when the key is missing.
std::string log_value(const std::map<std::string, std::string>& log, const std::string& key) {
  const auto found = log.find(key);
  return found == log.end() ? std::string() : found->second;
}

uint64_t log_number(const std::map<std::string, std::string>& log, const std::string& key) {
  const std::string value = log_value(log, key);
  return value.empty() ? 0 : std::stoull(value);
}

// The session folders a run makes in Videos, removed when the run is over.
class NewSessionFolders {
 public:
  NewSessionFolders() : videos_(videos_folder()), before_(folders_in(videos_)) {}
  ~NewSessionFolders() {
    std::error_code error;
    for (const fs::path& folder : made()) fs::remove_all(folder, error);
  }
  NewSessionFolders(const NewSessionFolders&) = delete;
  NewSessionFolders& operator=(const NewSessionFolders&) = delete;

  const fs::path& videos() const { return videos_; }
  std::vector<fs::path> made() const {
    std::vector<fs::path> made;
    for (const fs::path& folder : folders_in(videos_)) {
      if (!before_.contains(folder)) made.push_back(folder);
    }
    return made;
  }

 private:
  fs::path videos_;
  std::set<fs::path> before_;
};

// One run of quorvel_test_app.exe started from the tray, with its event
// file. The program is ended (when still running) before its folders go.
class RecordingProgram {
 public:
  RecordingProgram()
      : events_((events_folder_ / L"events.txt").wstring()),
        program_(program_path("QUORVEL_TEST_APP"),
                 L"--tray --events \"" + events_.path() + L"\"") {}

  ProgramProcess& process() { return program_; }
  HWND host() const { return host_; }
  const fs::path& videos() const { return folders_.videos(); }
  std::vector<fs::path> new_folders() const { return folders_.made(); }

  // The program's message host once it exists and answers.
  bool wait_for_host() {
    host_ = test::wait_for_host(program_, kTimeout);
    return host_ != nullptr;
  }

  // The quick-record hotkey, then Return on the overlay once it shows the
  // frozen monitor: the bar of the started recording, null when none came.
  // `first_title` receives the bar's title as first seen.
  HWND start_quick_record(std::wstring& first_title) {
    const HWND overlay = program_.find_window(kOverlayClass);
    if (overlay == nullptr) return nullptr;
    start_earliest_ = std::time(nullptr);
    PostMessageW(host_, WM_HOTKEY, kQuickRecordHotkey, 0);
    if (!poll_until([&] { return IsWindowVisible(overlay) != FALSE; })) return nullptr;
    PostMessageW(overlay, WM_KEYDOWN, VK_RETURN, 0);
    HWND bar = nullptr;
    poll_until([&] {
      bar = program_.find_window(kControlClass);
      return bar != nullptr;
    });
    start_latest_ = std::time(nullptr);
    if (bar != nullptr) first_title = window_text(bar);
    return bar;
  }

  // A quick recording whose clock has shown its first second: its bar, null
  // when none started or the clock did not move.
  HWND record_for_a_second() {
    std::wstring first_title;
    const HWND bar = start_quick_record(first_title);
    return bar != nullptr && wait_for_clock(bar, 1) ? bar : nullptr;
  }

  // The local time, in whole seconds, just before and just after the last
  // start: the session folder is named after a second in between.
  std::time_t start_earliest() const { return start_earliest_; }
  std::time_t start_latest() const { return start_latest_; }

  // Waits until the bar's clock shows `seconds` or more.
  bool wait_for_clock(HWND bar, int seconds) {
    return poll_until([&] {
      const std::optional<int> shown = clock_seconds(window_text(bar));
      return shown && *shown >= seconds;
    });
  }

  std::vector<EventFields> events_named(const wchar_t* name) const {
    std::vector<EventFields> found;
    for (EventFields& event : events_.read()) {
      if (!event.empty() && event[0] == name) found.push_back(std::move(event));
    }
    return found;
  }

  std::vector<EventFields> all_events() const { return events_.read(); }

 private:
  NewSessionFolders folders_;
  TempDir events_folder_;
  EventFile events_;
  ProgramProcess program_;
  HWND host_ = nullptr;
  std::time_t start_earliest_ = 0;
  std::time_t start_latest_ = 0;
};

// What a run reported and left, for a failure's message: its events, and
// the files and log of every session folder it made.
std::string describe(const RecordingProgram& run) {
  std::string text = "events:\n";
  for (const EventFields& event : run.all_events()) {
    for (const std::wstring& field : event) text += " " + utf8(field);
    text += "\n";
  }
  for (const fs::path& folder : run.new_folders()) {
    text += "folder " + utf8(folder.wstring()) + ":\n";
    for (const std::wstring& name : file_names_in(folder)) {
      text += " " + utf8(name) + "\n";
      if (fs::path(name).extension() == L".log") {
        for (const auto& [key, value] : read_log(folder / name)) {
          text += "  " + key + "=" + value + "\n";
        }
      }
    }
  }
  return text;
}

// Checks the one session folder the run left: named after the local time
// of its start, holding exactly the committed MP4 (not empty), timeline and
// log, the log saying the file was committed with frames.
void expect_committed_session(const RecordingProgram& run) {
  const std::vector<fs::path> folders = run.new_folders();
  ASSERT_EQ(folders.size(), 1u);
  const fs::path& folder = folders.front();
  const std::wstring name = folder.filename().wstring();
  bool named_after_start = false;
  for (std::time_t time = run.start_earliest(); time <= run.start_latest(); ++time) {
    named_after_start = named_after_start || name == folder_time_name(time);
  }
  EXPECT_TRUE(named_after_start) << utf8(name);

  const std::wstring stem = L"Quorvel " + name;
  std::vector<std::wstring> names = file_names_in(folder);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{stem + L".log", stem + L".mp4", stem + L".quorvel"}));
  for (const std::wstring& file : names) {
    EXPECT_EQ(file.find(L".partial"), std::wstring::npos) << utf8(file);
  }
  std::error_code error;
  EXPECT_GT(fs::file_size(folder / (stem + L".mp4"), error), 0u);
  EXPECT_GT(fs::file_size(folder / (stem + L".quorvel"), error), 0u);

  const auto log = read_log(folder / (stem + L".log"));
  EXPECT_EQ(log_value(log, "committed"), "1");
  EXPECT_EQ(log_value(log, "file_committed"), "1");
  EXPECT_EQ(log_value(log, "result_hresult"), "0x0");
  EXPECT_EQ(log_value(log, "timeline_ok"), "1");
  EXPECT_EQ(log_value(log, "output"), utf8((folder / (stem + L".mp4")).wstring()));
  EXPECT_GT(log_number(log, "video_source_frames"), 0u);
  EXPECT_GT(log_number(log, "video_submitted_frames"), 0u);
  // The whole 1920 x 1080 screen at the stored defaults, on a display Wine
  // reports at 96 DPI without a physical size.
  const std::map<std::string, std::string> expected{
      {"capture_size", "1920x1080"},
      {"fps", "60"},
      {"follow_tightness", "0.55"},
      {"display_density_source", "raw_dpi"},
      {"display_pixels_per_mm", "3.77953x3.77953"},
      {"magnifier_sample_grid", "29x29"},
      {"magnifier_pixel_scale", "8x8"},
      {"requested_stream_bitrate_bps", "0"},
      {"live_error", "0"}};
  for (const auto& [key, value] : expected) EXPECT_EQ(log_value(log, key), value) << key;
  // Without a stream the live figures are the file's own.
  for (const char* figure : {"video_packets", "video_size"}) {
    EXPECT_EQ(log_value(log, std::string("live_encoded_") + figure),
              log_value(log, std::string("encoded_") + figure))
        << figure;
  }
  EXPECT_EQ(log_value(log, "timeline_camera_records"), log_value(log, "video_submitted_frames"));
}

TEST(RecordingHarnessProcess, QuickRecordAndStopHotkeyLeaveACommittedDatedFolder) {
  RecordingProgram run;
  ASSERT_TRUE(run.process().started());
  ASSERT_TRUE(run.wait_for_host());
  ASSERT_FALSE(run.videos().empty());

  std::wstring first_title;
  const HWND bar = run.start_quick_record(first_title);
  ASSERT_NE(bar, nullptr) << describe(run);
  EXPECT_EQ(first_title, kFirstTitle);
  // The recording hotkeys are held while the bar shows.
  EXPECT_FALSE(hotkey_is_free(MOD_CONTROL, VK_F1));
  ASSERT_TRUE(run.wait_for_clock(bar, kRecordedSeconds)) << describe(run);

  PostMessageW(run.host(), WM_HOTKEY, kStopHotkey, 0);
  ASSERT_TRUE(poll_until([&] { return !run.events_named(kOpenFolderEvent).empty(); }))
      << describe(run);
  // The folder opens near the end of the stop; once the host answers a sent
  // message, the stop's handler has returned.
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutW(run.host(), WM_NULL, 0, 0, SMTO_BLOCK, kTimeout, &answer));

  expect_committed_session(run);
  const auto opened = run.events_named(kOpenFolderEvent);
  ASSERT_EQ(opened.size(), 1u);
  ASSERT_EQ(run.new_folders().size(), 1u);
  EXPECT_EQ(opened[0].at(1), run.new_folders().front().wstring());
  EXPECT_TRUE(run.events_named(kMessageEvent).empty()) << describe(run);
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_EQ(run.process().find_window(kControlClass), nullptr);
  EXPECT_TRUE(hotkey_is_free(MOD_CONTROL, VK_F1));
  EXPECT_FALSE(hotkey_is_free(kCtrlShift, 'A'));

  PostMessageW(run.host(), WM_COMMAND, kTrayExit, 0);
  EXPECT_EQ(run.process().wait_exit(kTimeout), std::optional<DWORD>(0));
}

TEST(RecordingHarnessProcess, ClosingTheBarStopsAndCommitsWhileTheProgramRuns) {
  RecordingProgram run;
  ASSERT_TRUE(run.wait_for_host());
  const HWND bar = run.record_for_a_second();
  ASSERT_NE(bar, nullptr) << describe(run);

  // The bar turns the close into a stop request through the host.
  PostMessageW(bar, WM_CLOSE, 0, 0);
  ASSERT_TRUE(poll_until([&] { return !IsWindow(bar); }));
  ASSERT_TRUE(poll_until([&] { return !run.events_named(kOpenFolderEvent).empty(); }))
      << describe(run);

  EXPECT_TRUE(run.process().running());
  expect_committed_session(run);
  EXPECT_EQ(run.events_named(kOpenFolderEvent).size(), 1u);
  EXPECT_TRUE(hotkey_is_free(MOD_CONTROL, VK_F1));

  PostMessageW(run.host(), WM_COMMAND, kTrayExit, 0);
  EXPECT_EQ(run.process().wait_exit(kTimeout), std::optional<DWORD>(0));
}

// How the program is told to go while it records.
struct ExitCase {
  const char* name;
  // Sends or posts the ending message; true once it was delivered.
  bool (*end)(HWND host);
  // The message was sent and has returned: Windows may end the process from
  // now on, so the files must already be committed.
  bool committed_on_return;
};

bool post_tray_exit(HWND host) { return PostMessageW(host, WM_COMMAND, kTrayExit, 0) != FALSE; }

// As Windows ends the session: the query, then the end, each sent and
// waited for.
bool send_end_of_session(HWND host) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(host, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, kTimeout,
                           &answer) ||
      answer != TRUE) {
    return false;
  }
  return SendMessageTimeoutW(host, WM_ENDSESSION, 1, ENDSESSION_LOGOFF, SMTO_BLOCK, kTimeout,
                             &answer) != 0;
}

class ExitDuringRecording : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ExitDuringRecording, EndsWithZeroAfterTheFilesAreCommitted) {
  RecordingProgram run;
  ASSERT_TRUE(run.wait_for_host());
  const HWND bar = run.record_for_a_second();
  ASSERT_NE(bar, nullptr) << describe(run);

  ASSERT_TRUE(GetParam().end(run.host()));
  if (GetParam().committed_on_return) expect_committed_session(run);
  EXPECT_EQ(run.process().wait_exit(kTimeout), std::optional<DWORD>(0));

  expect_committed_session(run);
  // Leaving never opens the folder.
  EXPECT_TRUE(run.events_named(kOpenFolderEvent).empty()) << describe(run);
  EXPECT_TRUE(run.events_named(kMessageEvent).empty()) << describe(run);
}

INSTANTIATE_TEST_SUITE_P(
    RecordingHarnessProcess, ExitDuringRecording,
    ::testing::Values(ExitCase{"TrayExit", post_tray_exit, false},
                      ExitCase{"EndOfSession", send_end_of_session, true}),
    [](const ::testing::TestParamInfo<ExitCase>& info) { return info.param.name; });

}  // namespace
}  // namespace quorvel::test
