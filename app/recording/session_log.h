// The text of a recording's diagnostics log: a UTF-8 byte-order mark, the
// header lines and one key=value line per item, each ended by a single LF.
// Values are formatted here so every line of the log reads alike: integers
// in decimal, bools as 1 or 0, doubles in the default stream format,
// HRESULTs as lowercase hex, sizes as AxB and two-counter values as A/B.
// Built on the UI thread by the App at the end of a session.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel::windows {

class SessionLog {
 public:
  SessionLog();

  void add(std::string_view key, std::string_view value);
  void add(std::string_view key, const std::wstring& value);
  void add_unsigned(std::string_view key, uint64_t value);
  void add_signed(std::string_view key, int64_t value);
  void add_bool(std::string_view key, bool value);
  void add_double(std::string_view key, double value);
  void add_hresult(std::string_view key, HRESULT value);
  void add_size(std::string_view key, uint64_t width, uint64_t height);
  void add_double_size(std::string_view key, double width, double height);
  void add_pair(std::string_view key, uint64_t first, uint64_t second);

  const std::string& bytes() const { return bytes_; }
  // Writes the log, truncating any earlier one; false when the file could
  // not be written.
  bool write_to(const std::wstring& path) const;

 private:
  std::string bytes_;
};

// Paused counter ticks as 100-ns units, exact over any span: the whole
// seconds and the remainder are scaled apart so the product cannot overflow.
int64_t paused_duration_100ns(int64_t paused_ticks, int64_t frequency);

}  // namespace quorvel::windows
