// The few COM and OLE Automation definitions the libraries use, for Linux.
// On Windows the real ones come from <windows.h> and <oaidl.h>.
#pragma once

#include <cstdint>

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using OLECHAR = char16_t;
using BSTR = OLECHAR*;
using UINT = unsigned int;
using LCID = std::uint32_t;
using DISPID = std::int32_t;
using WORD = std::uint16_t;

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
using IID = GUID;
using REFIID = const IID&;

inline bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}

#define STDMETHODCALLTYPE

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);

struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

// Only the slot count matters here: no action calls these four, so the type library,
// argument and exception records stay opaque.
using ITypeInfoArg = void;
using DispParamsArg = void;
using VariantArg = void;
using ExcepInfoArg = void;
struct IDispatch : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfoArg** info) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, OLECHAR** names, UINT count,
                                                  LCID lcid, DISPID* ids) = 0;
  virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                           DispParamsArg* params, VariantArg* result,
                                           ExcepInfoArg* excepinfo, UINT* argErr) = 0;
};

// System strings, length-prefixed as on Windows: a 32-bit byte count stands before the
// characters and a NUL after them. Implemented by the simulated platform library.
extern "C" {
BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
}
