// The result of the engine stand-in's fallible operations: a value, or a message that says
// what failed; the compiler insists that it is looked at.
#pragma once

#include <string>
#include <tl/expected.hpp>

namespace testkit {

template <class T = void>
class [[nodiscard]] Result : public tl::expected<T, std::string> {
 public:
  using tl::expected<T, std::string>::expected;
};

inline tl::unexpected<std::string> Failure(std::string message) { return tl::make_unexpected(std::move(message)); }

}  // namespace testkit
