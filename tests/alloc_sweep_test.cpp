// Exhausted memory on every road of every action: the Nth C++ allocation, and separately the Nth
// system string, of the library fails, for every N until the action completes. Each run returns
// E_OUTOFMEMORY or the road's normal result with its normal writes, and leaves every string
// freed, the session released once, every key and token closed; the sanitizer build adds leaks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>

#include "caddon/caddon.h"
#include "ovrel/ovrel.h"
#include "machine/sim/process.h"
#include "testkit/failure_injection.h"
#include "testkit/engine_strings.h"
#include "testkit/test_engine.h"
#include "testkit/utf_text.h"

// Every C++ allocation of this program passes here; only the one armed by the sweep fails.
void* operator new(std::size_t size) {
  if (testkit::CxxAllocationShouldFail()) throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace {

using Action = HRESULT (*)(IDispatch*);
const std::u16string kRecord = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Pellucor\\TAMBER VANTLE Install";
const std::u16string kServer = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brisolt\\Corvane ORVIX";
const std::u16string kProduct =
    u"HKEY_LOCAL_MACHINE\\Software\\Classes\\Installer\\Products\\E1A7AD6A725DC214DA711D928B3F3E99";
const std::u16string kManager = u"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager";

void Text(const std::u16string& key, const char16_t* name, const std::u16string& text) {
  sim::machine().registry.SetValue(key, name, machine::RegValue{platform::kRegSz, testkit::UnitBytes(text + u'\0')});
}

struct Road {
  const char* name;
  Action action;
  std::function<void(testkit::TestEngine&)> setUp;
  // What a run that ran out of memory returns: RebootMachine always returns 0.
  HRESULT onFailure = E_OUTOFMEMORY;
};

// The main roads: what the installation projects bind each action to do.
const Road kRoads[] = {
    {"initProperties, nothing installed", initProperties,
     [](testkit::TestEngine& e) { e.properties = {{u"SERVERINSTALLVERSION", u"3.0.0.1"}, {u"CLIENTINSTALLVERSION", u"3.0.0.1"}}; }},
    {"initProperties, both installed and an old server", initProperties,
     [](testkit::TestEngine& e) {
       e.properties = {{u"SERVERINSTALLVERSION", u"3.0.0.1"}, {u"CLIENTINSTALLVERSION", u"3.0.0.1"}};
       Text(kRecord, u"ClientInstalledVersion", u"3.0.0.1");
       Text(kRecord, u"ServerInstalledVersion", u"2.2");
       Text(kRecord, u"InstallDir", u"D:\\Corvane");
       Text(kRecord, u"orvix_version", u"4.1");
     }},
    {"verify, both selected", verify,
     [](testkit::TestEngine& e) { e.properties = {{u"TOSKAN", u"1"}, {u"ORVIX", u"1"}, {u"ORVIX_INSTALLED", u"true"}}; }},
    {"calculateRequiredSpace, room on both drives", calculateRequiredSpace,
     [](testkit::TestEngine& e) {
       e.properties = {{u"INSTALLDIR", u"D:\\Corvane"}, {u"DEFINED_INSTALLDIR", u"D:\\Old"}, {u"ORVIX", u"1"},
                       {u"TOSKAN", u"1"}, {u"REQUIRED_SPACE_ORVIX", u"2.5"}, {u"REQUIRED_SPACE_TOSKAN", u"0.75"},
                       {u"REQUIRED_SPACE_SYSTEM", u"1"}};
       sim::machine().answers.volumes[u"D:\\"] = {40ull << 30, false};
       sim::machine().answers.volumes[u"C:\\"] = {1ull << 29, false};
       sim::machine().environment[u"SystemRoot"] = u"C:\\Windows";
     }},
    {"finishAction, success", finishAction,
     [](testkit::TestEngine& e) {
       e.properties = {{u"INSTALLDIR", u"D:\\Corvane"}, {u"ISInstallStatus", u"done"},
                       {u"CommonAppDataFolder", u"C:\\ProgramData\\"}, {u"QUOR_VERSION", u"3.0.0.1"}};
       e.translations[u"IDS_INSTALL_SUCCESS"] = u"done";
       sim::machine().registry.CreateKey(kRecord);
     }},
    {"launchToskan and allowLaunchToskan, tool present", launchToskan,
     [](testkit::TestEngine& e) {
       e.properties = {{u"INSTALLDIR", u"C:\\T"}, {u"ISInstallStatus", u"done"}, {u"LAUNCH_TOSKAN", u"1"}};
       e.translations[u"IDS_INSTALL_SUCCESS"] = u"done";
       Text(kRecord, u"ClientInstallDir", u"C:\\T");
     }},
    {"allowLaunchToskan, tool missing", allowLaunchToskan,
     [](testkit::TestEngine& e) { e.properties = {{u"INSTALLDIR", u"C:\\T"}, {u"LAUNCH_TOSKAN", u"1"}}; }},
    {"test", test, [](testkit::TestEngine&) {}},
    {"detectORVIX, server key only", detectORVIX, [](testkit::TestEngine&) { Text(kServer, u"Version", u"2.7"); }},
    {"detectORVIX, registered product", detectORVIX,
     [](testkit::TestEngine&) {
       Text(kProduct, u"ProductName", u"Corvane ORVIX");
       sim::machine().registry.SetValue(kProduct, u"Version", machine::RegValue{platform::kRegDword, {0, 0, 0, 2}});
     }},
    {"SetPortalTypeRegistry", SetPortalTypeRegistry,
     [](testkit::TestEngine& e) { e.properties = {{u"ORVIXPortalTypeProp", u"Integrated"}}; }},
    {"RebootMachine, restart accepted", RebootMachine,
     [](testkit::TestEngine&) {
       Text(kServer, u"ORVIXTYPE", u"evaluation");
       sim::machine().registry.SetValue(kManager, u"PendingFileRenameOperations",
                                        machine::RegValue{platform::kRegMultiSz, testkit::UnitBytes(std::u16string(u"a\0\0", 3))});
       sim::machine().answers.messageAnswers.push_back(platform::kIdYes);
     },
     S_OK},
};

struct Outcome {
  HRESULT result;
  std::vector<std::pair<std::u16string, std::u16string>> writes;
  bool failed;  // the armed allocation was reached and failed
};

// One run of the road with the given failure armed; checks what every run owes.
Outcome Run(const Road& road, long cxxFailure, long stringFailure) {
  sim::Reset();
  testkit::TestEngine engine;
  road.setUp(engine);
  const long strings = testkit::LiveSystemStrings();
  testkit::FailCxxAllocation(cxxFailure);
  sim::FailSystemStringAllocation(stringFailure);
  const HRESULT result = road.action(&engine);
  const bool failed = (cxxFailure > 0 && testkit::CxxAllocationFailureHappened()) ||
                      (stringFailure > 0 && sim::SystemStringFailureCountdown() == 0);
  testkit::FailCxxAllocation(0);
  sim::FailSystemStringAllocation(0);
  EXPECT_EQ(testkit::LiveSystemStrings(), strings) << road.name << ": system strings left";
  EXPECT_EQ(engine.references, 0) << road.name << ": session not released";
  // Released once for each interface handed out (calculateRequiredSpace holds a second session
  // for the system drive).
  int handedOut = 0;
  for (const machine::Event& call : engine.Journal())
    handedOut += call.kind == machine::EventKind::QueryInterface && call.code.value_or(-1) >= 0 ? 1 : 0;
  EXPECT_EQ(engine.releases, handedOut) << road.name;
  EXPECT_EQ(sim::machine().openKeys, 0) << road.name << ": keys left open";
  EXPECT_EQ(sim::machine().openTokens, 0) << road.name << ": tokens left open";
  return {result, engine.Writes(), failed};
}

// The number of runs in which an allocation failed, over all roads.
long Sweep(bool cxx) {
  long failures = 0;
  for (const Road& road : kRoads) {
    const Outcome normal = Run(road, 0, 0);
    for (long n = 1;; ++n) {
      const Outcome outcome = cxx ? Run(road, n, 0) : Run(road, 0, n);
      if (!outcome.failed) {
        // The action completed before the N-th allocation: its normal result and writes.
        EXPECT_EQ(outcome.result, normal.result) << road.name << " " << n;
        EXPECT_EQ(outcome.writes, normal.writes) << road.name << " " << n;
        break;
      }
      ++failures;
      EXPECT_EQ(outcome.result, road.onFailure) << road.name << ": allocation " << n;
      if (n >= 5000) {
        ADD_FAILURE() << road.name << ": no end to the allocations";
        break;
      }
    }
  }
  return failures;
}

TEST(AllocationSweep, EveryCxxAllocationOfEveryRoad) {
  const long failures = Sweep(true);
  RecordProperty("failed_runs", static_cast<int>(failures));
  EXPECT_GT(failures, 50);  // the sweep did make allocations fail
}

TEST(AllocationSweep, EverySystemStringOfEveryRoad) {
  const long failures = Sweep(false);
  RecordProperty("failed_runs", static_cast<int>(failures));
  EXPECT_GT(failures, 50);
}

}  // namespace
