#include "app/recording/session_log.h"

#include <cstdio>
#include <sstream>

#include "app/utf8_conversion.h"
#include "engine/unique_handle.h"
#include "quorvel/version.h"

namespace quorvel::windows {

SessionLog::SessionLog() : bytes_("\xEF\xBB\xBFQuorvel recording log\nversion=") {
  bytes_.append(kProgramVersion);
  bytes_.push_back('\n');
}

void SessionLog::add(std::string_view key, std::string_view value) {
  bytes_.append(key);
  bytes_.push_back('=');
  bytes_.append(value);
  bytes_.push_back('\n');
}

void SessionLog::add(std::string_view key, const std::wstring& value) { add(key, utf16_to_utf8(value)); }

void SessionLog::add_unsigned(std::string_view key, uint64_t value) {
  add(key, std::to_string(value));
}

void SessionLog::add_signed(std::string_view key, int64_t value) { add(key, std::to_string(value)); }

void SessionLog::add_bool(std::string_view key, bool value) { add(key, value ? "1" : "0"); }

namespace {

std::string default_format(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

}  // namespace

void SessionLog::add_double(std::string_view key, double value) { add(key, default_format(value)); }

void SessionLog::add_double_size(std::string_view key, double width, double height) {
  add(key, default_format(width) + "x" + default_format(height));
}

void SessionLog::add_hresult(std::string_view key, HRESULT value) {
  char text[16] = {};
  std::snprintf(text, sizeof(text), "0x%lx", static_cast<unsigned long>(static_cast<uint32_t>(value)));
  add(key, text);
}

void SessionLog::add_size(std::string_view key, uint64_t width, uint64_t height) {
  add(key, std::to_string(width) + "x" + std::to_string(height));
}

void SessionLog::add_pair(std::string_view key, uint64_t first, uint64_t second) {
  add(key, std::to_string(first) + "/" + std::to_string(second));
}

bool SessionLog::write_to(const std::wstring& path) const {
  UniqueHandle<FileHandleTraits> file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes_.data(), static_cast<DWORD>(bytes_.size()), &written, nullptr) &&
         written == bytes_.size();
}

int64_t paused_duration_100ns(int64_t paused_ticks, int64_t frequency) {
  if (frequency <= 0) return 0;
  constexpr int64_t kUnitsPerSecond = 10'000'000;
  return paused_ticks / frequency * kUnitsPerSecond +
         paused_ticks % frequency * kUnitsPerSecond / frequency;
}

}  // namespace quorvel::windows
