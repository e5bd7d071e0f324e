// The guard at every boundary an exception must not cross: a worker thread's
// loop, a callback the engine calls on its own thread, the start of a thread.
// A throw becomes an HRESULT: E_OUTOFMEMORY for a failed allocation,
// E_UNEXPECTED for anything else. Free functions; any thread.
#pragma once

#include <windows.h>

#include <new>
#include <system_error>
#include <utility>

namespace quorvel::windows {

// The HRESULT that stands for the exception being handled. Call only inside
// a catch block.
[[nodiscard]] inline HRESULT current_exception_result() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// Calls `function` (returning an HRESULT); a throw counts as a failed call.
template <typename Function>
[[nodiscard]] HRESULT call_guarded(Function&& function) noexcept {
  try {
    return std::forward<Function>(function)();
  } catch (...) {
    return current_exception_result();
  }
}

// Starts `thread` (a std::thread or std::jthread) running `function`. A
// thread that cannot be created gives E_FAIL (std::system_error) or
// E_OUTOFMEMORY, with `thread` left empty, instead of an exception.
template <typename Thread, typename Function>
[[nodiscard]] HRESULT start_guarded_thread(Thread& thread, Function&& function) noexcept {
  try {
    thread = Thread(std::forward<Function>(function));
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace quorvel::windows
