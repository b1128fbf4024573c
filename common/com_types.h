// COM types for both targets: the real Windows headers, or on Linux the stand-ins that the
// simulated machine's library supplies (its include folder holds com_stand_ins.h alone).
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>
using ITypeInfoArg = ITypeInfo;
using DispParamsArg = DISPPARAMS;
using VariantArg = VARIANT;
using ExcepInfoArg = EXCEPINFO;
#else
#include <com_stand_ins.h>
#endif

#include <string>
#include <string_view>

// Inside the libraries every text is UTF-16. On Windows OLECHAR is wchar_t, which is also
// UTF-16, so the two views of the same units are cast at the boundary.
inline const OLECHAR* AsOle(const char16_t* text) { return reinterpret_cast<const OLECHAR*>(text); }
inline const char16_t* AsU16(const OLECHAR* text) { return reinterpret_cast<const char16_t*>(text); }
