#include "tests/app/process/event_file.h"

#include <windows.h>

#include <string_view>

#include "engine/unique_handle.h"

namespace quorvel::test {
namespace {

std::string to_utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                        size, nullptr, nullptr);
  }
  return result;
}

std::wstring from_utf8(std::string_view text) {
  if (text.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring result(static_cast<size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) {
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                        size);
  }
  return result;
}

std::wstring escape(std::wstring_view field) {
  std::wstring result;
  for (const wchar_t c : field) {
    switch (c) {
      case L'\\': result += L"\\\\"; break;
      case L'\t': result += L"\\t"; break;
      case L'\n': result += L"\\n"; break;
      default: result.push_back(c); break;
    }
  }
  return result;
}

EventFields split_line(std::wstring_view line) {
  EventFields fields(1);
  for (size_t i = 0; i < line.size(); ++i) {
    const wchar_t c = line[i];
    if (c == L'\t') {
      fields.emplace_back();
    } else if (c == L'\\' && i + 1 < line.size()) {
      const wchar_t next = line[++i];
      fields.back().push_back(next == L't' ? L'\t' : next == L'n' ? L'\n' : next);
    } else {
      fields.back().push_back(c);
    }
  }
  return fields;
}

}  // namespace

bool EventFile::append(const EventFields& fields) const {
  std::wstring line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i != 0) line.push_back(L'\t');
    line += escape(fields[i]);
  }
  const std::string bytes = to_utf8(line) + "\n";
  const windows::UniqueFile file(CreateFileW(path_.c_str(), FILE_APPEND_DATA,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) != FALSE &&
         written == bytes.size();
}

std::vector<EventFields> EventFile::read() const {
  std::vector<EventFields> events;
  const windows::UniqueFile file(CreateFileW(path_.c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return events;
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  // A line still being written has no line feed yet and waits for the next
  // read.
  size_t start = 0;
  for (size_t end = bytes.find('\n'); end != std::string::npos; end = bytes.find('\n', start)) {
    events.push_back(split_line(from_utf8(std::string_view(bytes).substr(start, end - start))));
    start = end + 1;
  }
  return events;
}

}  // namespace quorvel::test
