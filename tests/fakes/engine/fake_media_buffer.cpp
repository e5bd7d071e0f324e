#include "tests/fakes/engine/fake_media_buffer.h"

#include <algorithm>

namespace quorvel::windows::test {

FakeMediaBuffer::FakeMediaBuffer(Behaviour behaviour)
    : behaviour_(behaviour),
      bytes_(std::max({behaviour.current_length, behaviour.locked_current_length,
                       behaviour.locked_max_length, DWORD{1}}),
             BYTE{0x5A}) {}

STDMETHODIMP FakeMediaBuffer::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == __uuidof(IUnknown) || riid == __uuidof(IMFMediaBuffer)) {
    *object = static_cast<IMFMediaBuffer*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FakeMediaBuffer::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) FakeMediaBuffer::Release() {
  const ULONG count = --references_;
  if (count == 0) delete this;
  return count;
}

STDMETHODIMP FakeMediaBuffer::Lock(BYTE** buffer, DWORD* max_length, DWORD* current_length) {
  if (!buffer) return E_POINTER;
  if (FAILED(behaviour_.lock_result)) return behaviour_.lock_result;
  ++locks_;
  *buffer = behaviour_.null_pointer ? nullptr : bytes_.data();
  if (max_length) *max_length = behaviour_.locked_max_length;
  if (current_length) *current_length = behaviour_.locked_current_length;
  return S_OK;
}

STDMETHODIMP FakeMediaBuffer::Unlock() {
  ++unlocks_;
  return behaviour_.unlock_result;
}

STDMETHODIMP FakeMediaBuffer::GetCurrentLength(DWORD* length) {
  if (!length) return E_POINTER;
  *length = behaviour_.current_length;
  return S_OK;
}

STDMETHODIMP FakeMediaBuffer::SetCurrentLength(DWORD) { return E_NOTIMPL; }

STDMETHODIMP FakeMediaBuffer::GetMaxLength(DWORD* length) {
  if (!length) return E_POINTER;
  *length = behaviour_.locked_max_length;
  return S_OK;
}

}  // namespace quorvel::windows::test
