// Owner of one system string: freed exactly once, whichever way the owner goes.
#pragma once

#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "common/com.h"

class SysString {
 public:
  SysString() = default;
  SysString(const SysString&) = delete;
  SysString& operator=(const SysString&) = delete;
  SysString(SysString&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
  SysString& operator=(SysString&& other) noexcept {
    if (this != &other) {
      SysFreeString(text_);
      text_ = std::exchange(other.text_, nullptr);
    }
    return *this;
  }
  ~SysString() { SysFreeString(text_); }

  // A system string holding `text`; an allocation that fails throws std::bad_alloc, which the
  // action boundary turns into E_OUTOFMEMORY.
  static SysString Make(std::u16string_view text) {
    SysString made;
    made.text_ = SysAllocStringLen(AsOle(text.data()), static_cast<UINT>(text.size()));
    if (made.text_ == nullptr) throw std::bad_alloc();
    return made;
  }

  BSTR get() const { return text_; }
  // For an out argument: the engine stores a string that this owner then frees.
  BSTR* out() {
    SysFreeString(std::exchange(text_, nullptr));
    return &text_;
  }

  // The text up to the first NUL; a null string is the empty text.
  std::u16string Text() const {
    if (text_ == nullptr) return {};
    std::u16string_view all(AsU16(text_), SysStringLen(text_));
    return std::u16string(all.substr(0, all.find(u'\0')));
  }

 private:
  BSTR text_ = nullptr;
};
