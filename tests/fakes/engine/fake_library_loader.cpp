#include "tests/fakes/engine/fake_library_loader.h"

#include <algorithm>

namespace quorvel::windows::test {

FakeLibraryLoader& FakeLibraryLoader::missing(const std::wstring& name) {
  missing_.push_back(name);
  return *this;
}

FakeLibraryLoader& FakeLibraryLoader::replaced(const std::wstring& name,
                                               const std::wstring& stand_in) {
  stand_ins_[name] = stand_in;
  return *this;
}

LibraryLoader FakeLibraryLoader::loader() {
  return [this](const wchar_t* name) { return load(name); };
}

HMODULE FakeLibraryLoader::load(const wchar_t* name) {
  asked_.emplace_back(name);
  if (std::find(missing_.begin(), missing_.end(), name) != missing_.end()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  const auto stand_in = stand_ins_.find(name);
  return load_system_library(stand_in != stand_ins_.end() ? stand_in->second.c_str() : name);
}

LibraryLoader no_media_foundation_loader() {
  return [](const wchar_t* name) -> HMODULE {
    for (const wchar_t* media : MediaFoundationLibrary::kLibraryNames) {
      if (lstrcmpiW(name, media) == 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
      }
    }
    return load_system_library(name);
  };
}

}  // namespace quorvel::windows::test
