// The events quorvel_test_app.exe reports to the process tests: one line
// per event (the messages it would have shown, the folders it would have
// opened), written whole with one append so a test may read the file while
// the program runs. Fields are separated by tabs; a tab, line feed or
// backslash inside a field is written as \t, \n or \\. UTF-8.
//
// The program appends on its UI thread; the test reads from its own
// process.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quorvel::test {

using EventFields = std::vector<std::wstring>;

// The events quorvel_test_app.exe writes, by their first field:
//   message, key, MB_ flags (0x hex), arguments...
//   text_message, caption, MB_ flags, text
//   open_folder, folder
//   pick_folder / pick_image, initial folder
//   startup_failure, caption, text
inline constexpr wchar_t kMessageEvent[] = L"message";
inline constexpr wchar_t kTextMessageEvent[] = L"text_message";
inline constexpr wchar_t kOpenFolderEvent[] = L"open_folder";
inline constexpr wchar_t kPickFolderEvent[] = L"pick_folder";
inline constexpr wchar_t kPickImageEvent[] = L"pick_image";
inline constexpr wchar_t kStartupFailureEvent[] = L"startup_failure";

class EventFile {
 public:
  explicit EventFile(std::wstring path) : path_(std::move(path)) {}

  const std::wstring& path() const { return path_; }
  // Appends one event; false when the file cannot be written.
  bool append(const EventFields& fields) const;
  // Every complete event so far, in order; none when the file is missing.
  std::vector<EventFields> read() const;

 private:
  std::wstring path_;
};

}  // namespace quorvel::test
