// Puts on a Windows machine (a test's own Wine prefix) what its registry editor cannot: a value
// with exact bytes (a string without its terminator), and a key that refuses rights; and gives a
// key back its owner's rights. Keys are the machine's own paths, in the 64-bit view.
//   registry_tool value KEY NAME TYPE HEX    registry_tool deny KEY RIGHTS    registry_tool unlock KEY
#include <cstdio>
#include <cstdlib>
#include <string>

#include "testkit/machine.h"
#include "testkit/utf_text.h"
#include "testkit/win32/key_view.h"
#include "testkit/win32/registry.h"
#include "testkit/win32/rights.h"

int main(int argc, char** argv) {
  using testkit::FromUtf8;
  testkit::win32::UseRegistryView(machine::Windows::X64);
  const std::string verb = argc > 2 ? argv[1] : "";
  const std::u16string key = argc > 2 ? FromUtf8(argv[2]) : u"";
  testkit::Result<> done = testkit::Failure("usage: registry_tool value KEY NAME TYPE HEX | deny KEY RIGHTS | unlock KEY");
  if (verb == "value" && argc == 6) {
    testkit::RegValue value;
    value.type = static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 0));
    const std::string hex = argv[5];
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
      value.data.push_back(static_cast<std::uint8_t>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
    done = testkit::win32::ApplyChange({testkit::RegistryChange::Kind::SetValue, key, FromUtf8(argv[3]), value});
  } else if (verb == "deny" && argc == 4) {
    done = testkit::win32::DenyRights(key, static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 0)));
  } else if (verb == "unlock" && argc == 3) {
    done = testkit::win32::Unlock(key);
  }
  if (!done) {
    std::fprintf(stderr, "registry_tool: %s\n", done.error().c_str());
    return 1;
  }
  std::printf("registry_tool: done\n");
  return 0;
}
