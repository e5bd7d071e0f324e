#include "engine/recovered_name.h"

#include <string>
#include <system_error>

namespace quorvel::windows {

namespace fs = std::filesystem;

fs::path first_free_recovered_name(const fs::path& path, int limit) {
  const fs::path folder = path.parent_path();
  const std::wstring stem = path.stem().wstring();
  const std::wstring extension = path.extension().wstring();
  for (int n = 1; n <= limit; ++n) {
    fs::path candidate = folder / (stem + L".recovered-" + std::to_wstring(n) + extension);
    std::error_code error;
    const fs::file_status status = fs::symlink_status(candidate, error);
    if (status.type() == fs::file_type::not_found) return candidate;
    if (error) return {};
  }
  return {};
}

}  // namespace quorvel::windows
