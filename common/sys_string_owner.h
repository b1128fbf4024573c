// Owner of one system string: freed exactly once, whichever way the owner goes.
#pragma once

#include <new>
#include <string>
#include <string_view>

#include "common/com_types.h"
#include "common/unique_handle.h"

inline void FreeSysString(BSTR text) { SysFreeString(text); }
using SysString = UniqueAny<BSTR, &FreeSysString>;

// A system string holding `text`; an allocation that fails throws std::bad_alloc, which the
// action boundary turns into E_OUTOFMEMORY.
inline SysString MakeSysString(std::u16string_view text) {
  SysString made(SysAllocStringLen(AsOle(text.data()), static_cast<UINT>(text.size())));
  if (!made) throw std::bad_alloc();
  return made;
}

// The whole text, NULs included, as long as the string says it is; a null string is empty.
inline std::u16string SysStringWhole(const SysString& text) {
  if (!text) return {};
  return std::u16string(AsU16(text.get()), SysStringLen(text.get()));
}

// The text up to the first NUL; a null string is the empty text.
inline std::u16string SysStringText(const SysString& text) {
  if (!text) return {};
  std::u16string_view all(AsU16(text.get()), SysStringLen(text.get()));
  return std::u16string(all.substr(0, all.find(u'\0')));
}
