// The UI Automation provider interfaces the toolkit implements. The Windows
// SDK declares all of them in uiautomationcore.h; older mingw-w64 headers
// stop after the fragment root, so the rest are declared here with the
// SDK's own guards, identifiers and slot order, and skipped wherever the
// system header already has them.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <uiautomationcore.h>

#ifndef __IRawElementProviderHwndOverride_INTERFACE_DEFINED__
#define __IRawElementProviderHwndOverride_INTERFACE_DEFINED__
MIDL_INTERFACE("1d5df27c-8947-4425-b8d9-79787bb460b8")
IRawElementProviderHwndOverride : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE GetOverrideProviderForHwnd(
      HWND hwnd, IRawElementProviderSimple** pRetVal) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IRawElementProviderHwndOverride, 0x1d5df27c, 0x8947, 0x4425, 0xb8, 0xd9, 0x79,
                0x78, 0x7b, 0xb4, 0x60, 0xb8)
#endif
#endif

#ifndef __IInvokeProvider_INTERFACE_DEFINED__
#define __IInvokeProvider_INTERFACE_DEFINED__
MIDL_INTERFACE("54fcb24b-e18e-47a2-b4d3-eccbe77599a2")
IInvokeProvider : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE Invoke() = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IInvokeProvider, 0x54fcb24b, 0xe18e, 0x47a2, 0xb4, 0xd3, 0xec, 0xcb, 0xe7, 0x75,
                0x99, 0xa2)
#endif
#endif

#ifndef __IToggleProvider_INTERFACE_DEFINED__
#define __IToggleProvider_INTERFACE_DEFINED__
enum ToggleState { ToggleState_Off = 0, ToggleState_On = 1, ToggleState_Indeterminate = 2 };
MIDL_INTERFACE("56d00bd0-c4f4-433c-a836-1a52a57e0892")
IToggleProvider : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE Toggle() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ToggleState(enum ToggleState* pRetVal) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IToggleProvider, 0x56d00bd0, 0xc4f4, 0x433c, 0xa8, 0x36, 0x1a, 0x52, 0xa5, 0x7e,
                0x08, 0x92)
#endif
#endif

#ifndef __IExpandCollapseProvider_INTERFACE_DEFINED__
#define __IExpandCollapseProvider_INTERFACE_DEFINED__
enum ExpandCollapseState {
  ExpandCollapseState_Collapsed = 0,
  ExpandCollapseState_Expanded = 1,
  ExpandCollapseState_PartiallyExpanded = 2,
  ExpandCollapseState_LeafNode = 3
};
MIDL_INTERFACE("d847d3a5-cab0-4a98-8c32-ecb45c59ad24")
IExpandCollapseProvider : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE Expand() = 0;
  virtual HRESULT STDMETHODCALLTYPE Collapse() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ExpandCollapseState(
      enum ExpandCollapseState* pRetVal) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IExpandCollapseProvider, 0xd847d3a5, 0xcab0, 0x4a98, 0x8c, 0x32, 0xec, 0xb4,
                0x5c, 0x59, 0xad, 0x24)
#endif
#endif

#ifndef __IRangeValueProvider_INTERFACE_DEFINED__
#define __IRangeValueProvider_INTERFACE_DEFINED__
MIDL_INTERFACE("36dc7aef-33e6-4691-afe1-2be7274b3d33")
IRangeValueProvider : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE SetValue(double val) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Value(double* pRetVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* pRetVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Maximum(double* pRetVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Minimum(double* pRetVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_LargeChange(double* pRetVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_SmallChange(double* pRetVal) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IRangeValueProvider, 0x36dc7aef, 0x33e6, 0x4691, 0xaf, 0xe1, 0x2b, 0xe7, 0x27,
                0x4b, 0x3d, 0x33)
#endif
#endif

#ifndef __IValueProvider_INTERFACE_DEFINED__
#define __IValueProvider_INTERFACE_DEFINED__
MIDL_INTERFACE("c7935180-6fb3-4201-b174-7df73adbf64a")
IValueProvider : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR val) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Value(BSTR* pRetVal) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* pRetVal) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IValueProvider, 0xc7935180, 0x6fb3, 0x4201, 0xb1, 0x74, 0x7d, 0xf7, 0x3a, 0xdb,
                0xf6, 0x4a)
#endif
#endif
