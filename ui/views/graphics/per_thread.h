// PerThread<T>::get() gives the calling thread its own T, made on the
// thread's first call and destroyed when the thread ends.
//
// A C++ thread_local would do, but with this toolchain's emulated TLS the
// storage of a thread_local object can be freed before its destructor runs
// at thread exit, so releasing the COM and GDI objects it holds would read
// freed memory. A fiber-local storage slot with a destruction callback runs
// the destructor while the object is still intact, on Windows and Wine alike.
#pragma once

#include <windows.h>

#include <cstdlib>

namespace win32_ui::modern::detail {

template <typename T>
class PerThread {
 public:
  static T& get() {
    const DWORD slot = slot_index();
    if (void* value = FlsGetValue(slot)) return *static_cast<T*>(value);
    T* made = new T();
    if (!FlsSetValue(slot, made)) std::abort();
    return *made;
  }

 private:
  static void NTAPI destroy(void* value) { delete static_cast<T*>(value); }

  static DWORD slot_index() {
    // Thousands of slots exist; running out means the process is broken.
    static const DWORD slot = [] {
      const DWORD index = FlsAlloc(&destroy);
      if (index == FLS_OUT_OF_INDEXES) std::abort();
      return index;
    }();
    return slot;
  }
};

}  // namespace win32_ui::modern::detail
