// A library loader for MediaFoundationLibrary that finds what the test says,
// as a machine without some system libraries would: a name marked missing is
// not found; a name mapped to another library loads that one instead (a
// library that lacks the entry points asked of it); any other name loads the
// real system library. Records every name asked for, in order. One thread.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "engine/media_foundation_library.h"

namespace quorvel::windows::test {

class FakeLibraryLoader {
 public:
  // The library is not on this machine.
  FakeLibraryLoader& missing(const std::wstring& name);
  // The library is there but is `stand_in` (a system library's file name).
  FakeLibraryLoader& replaced(const std::wstring& name, const std::wstring& stand_in);

  // The loader to hand to MediaFoundationLibrary; it refers to this object.
  LibraryLoader loader();

  const std::vector<std::wstring>& asked() const { return asked_; }

 private:
  HMODULE load(const wchar_t* name);

  std::map<std::wstring, std::wstring> stand_ins_;
  std::vector<std::wstring> missing_;
  std::vector<std::wstring> asked_;
};

// A machine without Media Foundation, as Windows N editions are until the
// Media Feature Pack is installed.
LibraryLoader no_media_foundation_loader();

}  // namespace quorvel::windows::test
