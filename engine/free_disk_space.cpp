#include "engine/free_disk_space.h"

namespace quorvel::windows {

std::wstring free_space_folder(const std::wstring& path) {
  const size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return {};
  std::wstring folder = path.substr(0, separator);
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  if (!folder.empty()) folder.push_back(L'\\');
  return folder;
}

HRESULT query_free_disk_bytes(const wchar_t* folder, uint64_t& free_bytes) {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(folder, &available, nullptr, nullptr)) {
    return HRESULT_FROM_WIN32(GetLastError());
  }
  free_bytes = available.QuadPart;
  return S_OK;
}

}  // namespace quorvel::windows
