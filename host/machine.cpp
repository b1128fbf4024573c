#include "host/machine.h"

namespace host {

std::optional<std::u16string> CanonicalKey(const std::u16string& key) {
  std::u16string path = key;
  while (!path.empty() && path.back() == u'\\') path.pop_back();
  const size_t cut = path.find(u'\\');
  std::u16string root = path.substr(0, cut);
  for (char16_t& c : root) c = NoCaseLess::Fold(c);
  const std::u16string rest = cut == std::u16string::npos ? u"" : path.substr(cut);
  if (root == u"HKEY_LOCAL_MACHINE" || root == u"HKLM") return u"HKEY_LOCAL_MACHINE" + rest;
  // HKEY_CLASSES_ROOT shows the machine's classes key, where its new keys land.
  if (root == u"HKEY_CLASSES_ROOT" || root == u"HKCR")
    return u"HKEY_LOCAL_MACHINE\\Software\\Classes" + rest;
  return std::nullopt;
}

}  // namespace host
