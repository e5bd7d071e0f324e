#pragma once

// IUnknown for the fakes that implement one COM interface: QueryInterface
// answers IUnknown and that interface, and the object deletes itself when
// its last reference goes. Thread-safe counting: the engine releases some
// fakes on its worker threads.
#include <unknwn.h>

#include <atomic>

namespace quorvel::test {

template <typename Interface>
class FakeUnknown : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(Interface)) {
      *object = static_cast<Interface*>(this);
      this->AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG remaining = --references_;
    if (remaining == 0) delete this;
    return remaining;
  }

 protected:
  virtual ~FakeUnknown() = default;

 private:
  std::atomic<ULONG> references_{1};
};

}  // namespace quorvel::test
