// A capture: the simulated machine learns the real one as the actions read it.
#include "machine/capture.h"

#include <memory>

#include "machine/file_path.h"
#include "machine/registry.h"

namespace machine {
namespace {

// The rights an access mask asks for: view flags are none, and the owner's are never refused.
std::uint32_t Rights(std::uint32_t access) { return access & ~kKeyWow64Res & ~kOwnerRights; }

std::u16string Folded(const std::u16string& text) {
  std::u16string folded = text;
  for (char16_t& c : folded) c = NoCaseLess::Fold(c);
  return folded;
}

std::string Utf8(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

class SimulatedRealMachine : public RealMachineReader {
 public:
  explicit SimulatedRealMachine(const SimulatedMachine& m) : m_(m) {}
  Windows Kind() const override { return m_.windows; }
  std::u16string Name() override { return u""; }
  std::int32_t OpenStatus(const std::u16string& key, std::uint32_t access) override {
    const RegKeyData* data = const_cast<Registry&>(m_.registry).FindKey(key);
    if (data == nullptr) return platform::kFileNotFound;
    return (data->deniedAccess & Rights(access)) != 0 ? platform::kAccessDenied : platform::kSuccess;
  }
  std::int32_t ReadValue(const std::u16string& key, const std::u16string& name,
                         std::optional<RegValue>* value) override {
    *value = m_.registry.GetValue(key, name);
    return *value ? platform::kSuccess : platform::kFileNotFound;
  }
  std::optional<std::u16string> Environment(const std::u16string& name) override {
    auto found = m_.environment.find(name);
    return found != m_.environment.end() ? std::optional<std::u16string>(found->second) : std::nullopt;
  }
  std::optional<std::uint64_t> FreeBytes(const std::u16string& root) override {
    const machine::Volume* volume = m_.answers.VolumeOf(root);
    return volume != nullptr ? std::optional<std::uint64_t>(volume->callerFreeBytes) : std::nullopt;
  }
  std::u16string WindowsFolder() override { return m_.answers.windowsFolder.value_or(u"C:\\Windows"); }
  FileState File(const std::u16string& path) override {
    auto found = m_.files.find(path);
    if (found == m_.files.end()) return FileState::Absent;
    return found->second.readable ? FileState::Readable : FileState::Locked;
  }
  bool HoldsShutdownPrivilege() override { return m_.answers.privilegeAdjustError == 0; }

 private:
  const SimulatedMachine& m_;
};

}  // namespace

std::unique_ptr<RealMachineReader> RealMachineOf(const SimulatedMachine& machine) {
  return std::make_unique<SimulatedRealMachine>(machine);
}

void Capture::Key(const std::u16string& key, std::uint32_t access) {
  auto known = keys_.find(key);
  // A key the real machine does not have (the actions may have made it since), or one asked with
  // these rights before: nothing more to learn.
  if (known != keys_.end() && (!known->second.present || known->second.probed.count(access) != 0)) return;
  KeyState& state = keys_[key];
  state.probed.insert(access);
  const std::int32_t status = real_.OpenStatus(key, access);
  if (status == platform::kSuccess) {
    state.granted |= Rights(access);
  } else if (status == platform::kAccessDenied) {
    // Which of the rights asked the key refuses, each asked alone (opening changes nothing); where
    // only their combination is refused, all of them.
    std::uint32_t refused = 0;
    for (std::uint32_t bit = 1; bit != 0; bit <<= 1)
      if ((Rights(access) & bit) != 0 && real_.OpenStatus(key, bit | (access & kKeyWow64Res)) == platform::kAccessDenied)
        refused |= bit;
    state.refused |= refused != 0 ? refused : Rights(access);
  } else {
    if (status != platform::kFileNotFound)
      captured_.problems.push_back("the key [" + Utf8(key) + "] cannot be opened: status " + std::to_string(status));
    return;
  }
  if (!state.present) {
    state.present = true;
    model_.registry.CreateKey(key);
    captured_.keys[key];
    learned_[key];
  }
  // Rights seen refused stay refused unless another open was granted them.
  const std::uint32_t refused = state.refused & ~state.granted;
  model_.registry.CreateKey(key).deniedAccess = refused;
  if (refused != 0) captured_.denied[key] = refused;
}

void Capture::Value(const std::u16string& key, const std::u16string& name) {
  if (model_.registry.GetValue(key, name)) return;  // learned already, or written by an action
  auto known = keys_.find(key);
  if (known == keys_.end() || !known->second.present) return;  // the actions made the key
  if (!valuesAsked_.emplace(Folded(key), Folded(name)).second) return;
  std::optional<RegValue> value;
  const std::int32_t status = real_.ReadValue(key, name, &value);
  if (value) {
    model_.registry.SetValue(key, name, *value);
    captured_.keys[key][name] = *value;
    learned_[key][name] = *value;
  } else if (status != platform::kFileNotFound) {
    captured_.problems.push_back("the value \"" + Utf8(name) + "\" of [" + Utf8(key) +
                                 "] cannot be read: status " + std::to_string(status));
  }
}

void Capture::Environment(const std::u16string& name) {
  if (captured_.environment.count(name) != 0) return;
  const std::optional<std::u16string> value = real_.Environment(name);
  captured_.environment[name] = value;
  if (value) model_.environment[name] = *value;
}

void Capture::Volume(const std::u16string& root) {
  if (captured_.volumes.count(root) != 0) return;
  const std::optional<std::uint64_t> bytes = real_.FreeBytes(root);
  captured_.volumes[root] = bytes;
  model_.answers.volumes[root] = machine::Volume{bytes.value_or(0), !bytes};
}

void Capture::WindowsFolder() {
  if (folderAsked_) return;
  folderAsked_ = true;
  captured_.windowsFolder = real_.WindowsFolder();
  model_.answers.windowsFolder = captured_.windowsFolder;
}

void Capture::File(const std::u16string& path) {
  if (captured_.files.count(path) != 0) return;
  const FileState state = real_.File(path);
  captured_.files[path] = state;
  if (state != FileState::Absent) model_.files[path] = FileEntry{state == FileState::Readable};
}

std::map<std::u16string, CapturedMachine::Values, NoCaseLess> Capture::TakeLearned() {
  std::map<std::u16string, CapturedMachine::Values, NoCaseLess> learned;
  learned.swap(learned_);
  return learned;
}

}  // namespace machine
