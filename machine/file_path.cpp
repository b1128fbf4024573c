#include "machine/file_path.h"

namespace machine {

std::u16string NormalFilePath(const std::u16string& path) {
  std::u16string out;
  for (size_t i = 0; i < path.size(); ++i) {
    const char16_t c = path[i] == u'/' ? u'\\' : path[i];
    const bool uncStart = i == 1 && out == u"\\";
    if (c == u'\\' && !out.empty() && out.back() == u'\\' && !uncStart) continue;
    out += c;
  }
  if (out.size() >= 1 && out[0] == u'\\' && (out.size() < 2 || out[1] != u'\\')) out = u"C:" + out;
  return out;
}

}  // namespace machine
