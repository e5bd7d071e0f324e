// RAII owner of a Win32 handle. One template serves events, files, threads
// and anything else closed by one function: the traits name the invalid value
// and how to close it.
#pragma once

#include <windows.h>

#include <utility>

namespace quorvel::windows {

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle get() const noexcept { return handle_; }
  bool valid() const noexcept { return handle_ != Traits::invalid(); }
  explicit operator bool() const noexcept { return valid(); }

  Handle release() noexcept { return std::exchange(handle_, Traits::invalid()); }
  void reset(Handle handle = Traits::invalid()) noexcept {
    const Handle old = std::exchange(handle_, handle);
    if (old != Traits::invalid()) Traits::close(old);
  }

 private:
  Handle handle_ = Traits::invalid();
};

// Kernel handles that are null when absent (events, threads, mutexes).
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { CloseHandle(handle); }
};

// File handles, which are INVALID_HANDLE_VALUE when absent.
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(Handle handle) noexcept { CloseHandle(handle); }
};

// Libraries loaded at run time, which are null when absent.
struct LibraryModuleTraits {
  using Handle = HMODULE;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { FreeLibrary(handle); }
};

using UniqueEvent = UniqueHandle<KernelHandleTraits>;
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueLibraryModule = UniqueHandle<LibraryModuleTraits>;

}  // namespace quorvel::windows
