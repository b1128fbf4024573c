#include "machine/file_path.h"

#include <vector>

namespace machine {
namespace {

// Drops "." segments and lets ".." take away the segment before it, never the root.
std::u16string ResolveDots(const std::u16string& root, const std::u16string& rest) {
  std::vector<std::u16string> kept;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find(u'\\', start);
    if (end == std::u16string::npos) end = rest.size();
    const std::u16string segment = rest.substr(start, end - start);
    if (segment == u"..") {
      if (!kept.empty()) kept.pop_back();
    } else if (segment != u"." && !(segment.empty() && end < rest.size())) {
      kept.push_back(segment);
    }
    start = end + 1;
  }
  std::u16string out = root;
  for (size_t i = 0; i < kept.size(); ++i) out += (i == 0 ? u"" : u"\\") + kept[i];
  return out;
}

}  // namespace

std::u16string NormalFilePath(const std::u16string& path) {
  std::u16string out;
  for (size_t i = 0; i < path.size(); ++i) {
    const char16_t c = path[i] == u'/' ? u'\\' : path[i];
    const bool uncStart = i == 1 && out == u"\\";
    if (c == u'\\' && !out.empty() && out.back() == u'\\' && !uncStart) continue;
    out += c;
  }
  if (out.size() >= 1 && out[0] == u'\\' && (out.size() < 2 || out[1] != u'\\')) out = u"C:" + out;
  // The root stays as it is: "C:\", or "\\server\share\" of a UNC path.
  size_t rootEnd = 0;
  if (out.size() >= 3 && out[1] == u':' && out[2] == u'\\') {
    rootEnd = 3;
  } else if (out.compare(0, 2, u"\\\\") == 0) {
    const size_t server = out.find(u'\\', 2);
    const size_t share = server == std::u16string::npos ? server : out.find(u'\\', server + 1);
    rootEnd = share == std::u16string::npos ? out.size() : share + 1;
  }
  return ResolveDots(out.substr(0, rootEnd), out.substr(rootEnd));
}

}  // namespace machine
