#include "app/recording/recording_path.h"

#include <ctime>
#include <cwchar>
#include <filesystem>
#include <system_error>

namespace quorvel::windows {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kTicksPerSecond = 10'000'000;

// The local start time as "%Y-%m-%d %H-%M-%S"; empty when it cannot be had.
std::wstring local_time_name(int64_t time) {
  const __time64_t seconds = time / kTicksPerSecond;
  std::tm local = {};
  if (_localtime64_s(&local, &seconds) != 0) return {};
  wchar_t buffer[32] = {};
  const std::size_t length = std::wcsftime(buffer, 32, L"%Y-%m-%d %H-%M-%S", &local);
  return std::wstring(buffer, length);
}

std::wstring collision_suffix(int n) {
  return n == 1 ? std::wstring() : L" (" + std::to_wstring(n) + L")";
}

}  // namespace

std::wstring make_recording_path(const std::wstring& folder, int64_t time) {
  return make_recording_path(folder, time, kLastRecordingFolderNumber);
}

std::wstring make_recording_path(const std::wstring& folder, int64_t time, int last_number) {
  std::error_code error;
  if (folder.empty() || !fs::is_directory(fs::path(folder), error)) return {};
  const std::wstring start = local_time_name(time);
  if (start.empty()) return {};
  for (int n = 1; n <= last_number; ++n) {
    const std::wstring name = start + collision_suffix(n);
    const fs::path candidate = fs::path(folder) / name;
    // Anything of that name (a file, a link, a junction) takes it.
    if (fs::exists(fs::symlink_status(candidate, error))) continue;
    error.clear();
    if (fs::create_directory(candidate, error)) {
      return (candidate / (L"Quorvel " + name + L".mp4")).wstring();
    }
    if (error && error != std::errc::file_exists) return {};
    // Made by someone else since the look above: move on.
  }
  return {};
}

}  // namespace quorvel::windows
