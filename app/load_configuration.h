// The program's load configuration: the structure Windows reads from a
// program before it resolves the program's imports. Quorvel.exe's own is
// defined once, in its entry's source, for MinGW builds; MSVC's CRT brings
// its own and the build sets the flags there.
#pragma once

#include <windows.h>

#include <cstddef>

namespace quorvel::windows {

// A 64-bit load configuration whose Size is its own size and whose only
// other non-zero field is DependentLoadFlags: the folders Windows may take
// the program's imported DLLs from. No security cookie and no
// control-flow-guard tables are claimed. Older MinGW-w64 headers call the
// flags field Reserved1.
template <typename Directory = IMAGE_LOAD_CONFIG_DIRECTORY64>
constexpr Directory load_configuration(WORD dependent_load_flags) {
  static_assert(offsetof(Directory, CSDVersion) == 0x4C,
                "DependentLoadFlags follows CSDVersion at 0x4E");
  Directory directory{};
  directory.Size = sizeof(Directory);
  if constexpr (requires { directory.DependentLoadFlags; }) {
    directory.DependentLoadFlags = dependent_load_flags;
  } else {
    directory.Reserved1 = dependent_load_flags;
  }
  return directory;
}

}  // namespace quorvel::windows
