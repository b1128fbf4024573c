// The simulated machine that the native build of the platform boundary runs on, all in memory:
// its registry, environment and files, with the answer sheet of what else it answers and what
// the actions asked of it. Tests and suitehost set it up before an action runs and read it
// afterwards.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "machine/answers.h"
#include "machine/registry.h"
#include "machine/registry_view.h"

namespace machine {

struct FileEntry {
  bool readable = true;  // false: present but locked or not readable
};

// Where a simulated machine learns what it does not hold yet, just before it answers a call: a
// capture fills it from a real machine as the actions read it. Keys are the machine's own paths
// (WOW6432Node included on 64-bit Windows), files are NormalFilePath's.
class MachineSource {
 public:
  virtual ~MachineSource() = default;
  virtual void Key(const std::u16string& key, std::uint32_t access) = 0;
  virtual void Value(const std::u16string& key, const std::u16string& name) = 0;
  virtual void Environment(const std::u16string& name) = 0;
  virtual void Volume(const std::u16string& root) = 0;
  virtual void WindowsFolder() = 0;
  virtual void File(const std::u16string& path) = 0;
};

struct SimulatedMachine {
  // 64-bit Windows shows our 32-bit libraries its registry through the 32-bit view; the registry
  // holds every key by its own path, WOW6432Node included.
  Windows windows = Windows::X86;
  Registry registry;
  AnswerSheet answers;
  std::map<std::u16string, std::u16string, NoCaseLess> environment;
  // By NormalFilePath.
  std::map<std::u16string, FileEntry, NoCaseLess> files;
  bool tokenOpens = true;
  std::vector<std::u16string> privilegesEnabled;
  int openKeys = 0;    // registry handles currently open
  int openTokens = 0;  // token handles currently open
  MachineSource* source = nullptr;  // none: the machine holds all there is
};

}  // namespace machine
