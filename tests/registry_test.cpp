// The simulated registry as the actions open it.
#include <gtest/gtest.h>

#include <cstring>

#include "common/registry.h"
#include "platform/sim/sim.h"
#include "tests/test_support.h"

namespace {

using testing_support::ActionTest;

// Key rights and the classes key as the simulated machine holds them.
class SimulatedRegistryTest : public ActionTest {};

TEST_F(SimulatedRegistryTest, ClassesRootIsTheClassesKeyOfTheMachine) {
  sim::machine().registry.SetValue(*platform::CanonicalKey(u"HKCR\\Installer\\P"), u"N", {});
  RegistryKey viaMachine = OpenRegistryKey(platform::Hive::LocalMachine,
                                             u"SOFTWARE\\Classes\\Installer\\P", platform::kKeyRead);
  EXPECT_TRUE(viaMachine);
  sim::machine().registry.FindKey(*platform::CanonicalKey(u"HKCR\\Installer\\P"))->deniedAccess =
      platform::kKeySetValue;
  RegistryKey all = OpenRegistryKey(platform::Hive::ClassesRoot, u"Installer\\P", platform::kKeyAllAccess);
  EXPECT_FALSE(all);
  RegistryKey read = OpenRegistryKey(platform::Hive::ClassesRoot, u"Installer\\P", platform::kKeyRead);
  EXPECT_TRUE(read);
}

}  // namespace
