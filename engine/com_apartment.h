// Holds the calling thread in a COM apartment for the guard's lifetime: it
// enters on construction and leaves on destruction when entering succeeded
// (S_FALSE, already entered in the same model, counts and is balanced too).
// Declared first in a thread's function, so that every COM object of the
// thread is released while the apartment is still entered. One thread only.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace quorvel::windows {

class ComApartment {
 public:
  explicit ComApartment(DWORD model = COINIT_MULTITHREADED) noexcept
      : result_(CoInitializeEx(nullptr, model)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  // What CoInitializeEx returned: RPC_E_CHANGED_MODE when the thread already
  // is in the other model (usable, but not left by this guard).
  [[nodiscard]] HRESULT result() const { return result_; }
  // A thread already in the other apartment model can still use COM.
  bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  const HRESULT result_;
};

}  // namespace quorvel::windows
