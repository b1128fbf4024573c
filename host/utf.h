// UTF-8 and UTF-16 conversion for the engine stand-in and the tests; unpaired surrogates are
// kept as their three-byte forms so that nothing is lost on the way to the screen and back.
#pragma once

#include <string>
#include <string_view>

namespace host {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);
// Text for a person: quoted, with control characters and NULs escaped.
std::string Quoted(std::u16string_view text);

}  // namespace host
