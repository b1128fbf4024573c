// The simulated registry.
#include "machine/registry.h"

namespace machine {
namespace {

bool StartsWithNoCase(const std::u16string& text, const std::u16string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (NoCaseLess::Fold(text[i]) != NoCaseLess::Fold(prefix[i])) return false;
  return true;
}

const std::u16string kMachineRoot = u"HKEY_LOCAL_MACHINE";
const std::u16string kClassesUnderMachine = u"HKEY_LOCAL_MACHINE\\Software\\Classes";

}  // namespace

std::u16string Registry::Under(platform::Hive hive, const std::u16string& path) {
  const std::u16string& root = hive == platform::Hive::LocalMachine ? kMachineRoot : kClassesUnderMachine;
  return path.empty() ? root : root + u"\\" + path;
}

RegKeyData& Registry::CreateKey(const std::u16string& canonicalPath) {
  // Every key on the way down exists too.
  for (size_t at = canonicalPath.find(u'\\'); at != std::u16string::npos; at = canonicalPath.find(u'\\', at + 1))
    keys_.try_emplace(canonicalPath.substr(0, at));
  return keys_[canonicalPath];
}

RegKeyData* Registry::FindKey(const std::u16string& canonicalPath) {
  auto found = keys_.find(canonicalPath);
  return found == keys_.end() ? nullptr : &found->second;
}

void Registry::DeleteKey(const std::u16string& canonicalPath) {
  const std::u16string below = canonicalPath + u"\\";
  for (auto it = keys_.begin(); it != keys_.end();) {
    if ((it->first.size() == canonicalPath.size() && StartsWithNoCase(it->first, canonicalPath)) ||
        StartsWithNoCase(it->first, below))
      it = keys_.erase(it);
    else
      ++it;
  }
}

void Registry::SetValue(const std::u16string& canonicalPath, const std::u16string& name, RegValue value) {
  CreateKey(canonicalPath).values[name] = std::move(value);
}

std::optional<RegValue> Registry::GetValue(const std::u16string& canonicalPath, const std::u16string& name) const {
  auto key = keys_.find(canonicalPath);
  if (key == keys_.end()) return std::nullopt;
  auto value = key->second.values.find(name);
  if (value == key->second.values.end()) return std::nullopt;
  return value->second;
}

}  // namespace machine
