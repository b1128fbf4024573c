// A scenario file's text parsed into JSON that keeps the order of every object's keys, in time
// linear in the size of the file, refusing a key given twice in one object.
#pragma once

#include <string>

#include "scenario/json_read.h"

namespace scenario {

// The failure says "PATH:LINE:COLUMN: malformed JSON: ..." for a syntax error or a number beyond
// the double range, and "PATH: /pointer: ..." for a key given twice.
Result<Json> ParseJson(const std::string& path, const std::string& text);

}  // namespace scenario
