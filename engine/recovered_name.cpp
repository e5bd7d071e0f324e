#include "engine/recovered_name.h"

#include <string>
#include <system_error>

namespace quorvel::windows {

namespace fs = std::filesystem;

NameStatus query_name_status(const fs::path& path) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(path, error);
  if (status.type() == fs::file_type::not_found) return NameStatus::kFree;
  return error ? NameStatus::kUnknown : NameStatus::kTaken;
}

fs::path first_free_recovered_name(const fs::path& path, int limit, UnqueryableName unqueryable,
                                   const NameStatusQuery& query) {
  const fs::path folder = path.parent_path();
  const std::wstring stem = path.stem().wstring();
  const std::wstring extension = path.extension().wstring();
  for (int n = 1; n <= limit; ++n) {
    fs::path candidate = folder / (stem + L".recovered-" + std::to_wstring(n) + extension);
    const NameStatus status = query ? query(candidate) : query_name_status(candidate);
    if (status == NameStatus::kFree) return candidate;
    if (status == NameStatus::kUnknown) {
      return unqueryable == UnqueryableName::kUse ? candidate : fs::path();
    }
  }
  return {};
}

}  // namespace quorvel::windows
