// One owner for every handle that has a close function: a registry key, a system string, the
// engine session, a token. Closed exactly once, whichever way the owner goes; move-only.
#pragma once

#include <utility>

template <class T, auto Close>
class UniqueAny {
 public:
  UniqueAny() = default;
  explicit UniqueAny(T value) : value_(value) {}
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueAny() { reset(); }

  T get() const { return value_; }
  explicit operator bool() const { return value_ != T{}; }
  // Closes what is held and takes `value` instead.
  void reset(T value = T{}) {
    if (value_ != T{}) Close(std::exchange(value_, value));
    value_ = value;
  }
  T release() { return std::exchange(value_, T{}); }
  // For an out argument: closes what is held and lends the empty slot to the callee.
  T* put() {
    reset();
    return &value_;
  }

 private:
  T value_{};
};
