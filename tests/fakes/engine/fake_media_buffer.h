// A media buffer whose Lock answers as the test says, for checking how the
// packet sink copes with a buffer that reports inconsistent lengths or fails
// to unlock. Real memory buffers never do that, so only a fake can.
#pragma once

#include <windows.h>
#include <mfobjects.h>

#include <atomic>
#include <cstdint>
#include <vector>

namespace quorvel::windows::test {

class FakeMediaBuffer final : public IMFMediaBuffer {
 public:
  struct Behaviour {
    DWORD current_length = 0;  // what GetCurrentLength reports
    bool null_pointer = false;  // Lock hands out no pointer
    DWORD locked_current_length = 0;  // what Lock reports as current length
    DWORD locked_max_length = 0;  // what Lock reports as maximum length
    HRESULT lock_result = S_OK;
    HRESULT unlock_result = S_OK;
  };

  explicit FakeMediaBuffer(Behaviour behaviour);

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP Lock(BYTE** buffer, DWORD* max_length, DWORD* current_length) override;
  STDMETHODIMP Unlock() override;
  STDMETHODIMP GetCurrentLength(DWORD* length) override;
  STDMETHODIMP SetCurrentLength(DWORD length) override;
  STDMETHODIMP GetMaxLength(DWORD* length) override;

  int locks() const { return locks_; }
  int unlocks() const { return unlocks_; }

 private:
  ~FakeMediaBuffer() = default;

  std::atomic<ULONG> references_{1};
  const Behaviour behaviour_;
  std::vector<BYTE> bytes_;
  std::atomic<int> locks_{0};
  std::atomic<int> unlocks_{0};
};

}  // namespace quorvel::windows::test
