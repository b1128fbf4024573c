// The simulated registry, as a tree of keys.
#include "machine/registry.h"

namespace machine {

struct Registry::Node {
  RegKeyData data;
  std::map<std::u16string, std::unique_ptr<Node>, NoCaseLess> children;
};

namespace {

// Plain arrays, so that paths made from them during static initialisation elsewhere see them.
constexpr char16_t kMachineRoot[] = u"HKEY_LOCAL_MACHINE";
constexpr char16_t kClassesUnderMachine[] = u"HKEY_LOCAL_MACHINE\\Software\\Classes";

// Calls `step` with each name of the path in turn; stops when it returns false.
template <class Step>
void ForEachName(const std::u16string& path, Step&& step) {
  size_t start = 0;
  while (true) {
    const size_t end = path.find(u'\\', start);
    if (!step(path.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start))) return;
    if (end == std::u16string::npos) return;
    start = end + 1;
  }
}

}  // namespace

Registry::Registry() : root_(std::make_unique<Node>()) {}
Registry::~Registry() = default;
Registry::Registry(Registry&&) noexcept = default;
Registry& Registry::operator=(Registry&&) noexcept = default;

std::u16string Registry::Under(platform::Hive hive, const std::u16string& path) {
  const std::u16string root = hive == platform::Hive::LocalMachine ? kMachineRoot : kClassesUnderMachine;
  return path.empty() ? root : root + u"\\" + path;
}

void Registry::CreateWindowsKeys() {
  CreateKey(u"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager");
}

RegKeyData& Registry::CreateKey(const std::u16string& canonicalPath) {
  Node* node = root_.get();
  ForEachName(canonicalPath, [&](const std::u16string& name) {
    std::unique_ptr<Node>& child = node->children[name];
    if (!child) child = std::make_unique<Node>();
    node = child.get();
    return true;
  });
  return node->data;
}

Registry::Node* Registry::Find(const std::u16string& canonicalPath) const {
  Node* node = root_.get();
  ForEachName(canonicalPath, [&](const std::u16string& name) {
    auto found = node->children.find(name);
    node = found == node->children.end() ? nullptr : found->second.get();
    return node != nullptr;
  });
  return node;
}

RegKeyData* Registry::FindKey(const std::u16string& canonicalPath) {
  Node* node = Find(canonicalPath);
  return node != nullptr ? &node->data : nullptr;
}

void Registry::DeleteKey(const std::u16string& canonicalPath) {
  const size_t cut = canonicalPath.rfind(u'\\');
  Node* parent = cut == std::u16string::npos ? root_.get() : Find(canonicalPath.substr(0, cut));
  if (parent != nullptr) parent->children.erase(canonicalPath.substr(cut == std::u16string::npos ? 0 : cut + 1));
}

void Registry::SetValue(const std::u16string& canonicalPath, const std::u16string& name, RegValue value) {
  CreateKey(canonicalPath).values[name] = std::move(value);
}

std::optional<RegValue> Registry::GetValue(const std::u16string& canonicalPath, const std::u16string& name) const {
  const Node* key = Find(canonicalPath);
  if (key == nullptr) return std::nullopt;
  auto value = key->data.values.find(name);
  if (value == key->data.values.end()) return std::nullopt;
  return value->second;
}

void Registry::Apply(const RegistryChange& change, const std::u16string& key) {
  switch (change.kind) {
    case RegistryChange::Kind::SetValue:
      SetValue(key, change.name, change.value);
      break;
    case RegistryChange::Kind::DeleteValue:
      if (RegKeyData* data = FindKey(key)) data->values.erase(change.name);
      break;
    case RegistryChange::Kind::CreateKey:
      CreateKey(key);
      break;
    case RegistryChange::Kind::DeleteKey:
      DeleteKey(key);
      break;
  }
}

}  // namespace machine
