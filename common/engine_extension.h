// The installer engine's extension interface, as far as the actions use it. The slot order
// is fixed by the engine: 0-2 IUnknown, 3-6 IDispatch, then the engine's own operations.
#pragma once

#include <cstdint>

#include "common/com_types.h"

// {68F98262-AAD3-4A0D-B564-AAD9E006CEA8}
inline constexpr IID IID_EngineExtension = {
    0x68F98262, 0xAAD3, 0x4A0D, {0xB5, 0x64, 0xAA, 0xD9, 0xE0, 0x06, 0xCE, 0xA8}};

struct EngineExtension : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;                                // 7
  virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;                                // 8
  virtual HRESULT STDMETHODCALLTYPE GetProperty(BSTR name, BSTR* value) = 0;        // 9
  virtual HRESULT STDMETHODCALLTYPE SetProperty(BSTR name, BSTR value) = 0;         // 10
  virtual HRESULT STDMETHODCALLTYPE ExpandText(BSTR text, BSTR* result) = 0;        // 11
  virtual HRESULT STDMETHODCALLTYPE TranslateText(BSTR text, BSTR* result) = 0;     // 12
  virtual HRESULT STDMETHODCALLTYPE Reserved13() = 0;                               // 13
  virtual HRESULT STDMETHODCALLTYPE Reserved14() = 0;                               // 14
  virtual HRESULT STDMETHODCALLTYPE Reserved15() = 0;                               // 15
  virtual HRESULT STDMETHODCALLTYPE ShowEngineMessage(BSTR text, BSTR caption, std::int32_t flags,
                                                    std::int32_t* result) = 0;      // 16
};
