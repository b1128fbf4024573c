// Every action over engine properties (any text, NULs and lone surrogates included, or none),
// engine statuses, null answers, registry values of any type and size with refused rights,
// volumes, environment, files, message answers, privilege outcomes and failing system strings,
// all decided by the input. Whatever happens, the action returns, frees every system string,
// releases the session once and closes every key and token.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

#include "caddon/caddon.h"
#include "ovrel/ovrel.h"
#include "machine/sim/process.h"
#include "testkit/engine_strings.h"
#include "testkit/test_engine.h"

namespace {

const char16_t* const kProperties[] = {
    u"CLIENTINSTALLVERSION", u"CommonAppDataFolder", u"DEFINED_INSTALLDIR", u"INSTALLDIR", u"ISInstallStatus",
    u"LAUNCH_TOSKAN", u"ORVIX", u"ORVIXPortalTypeProp", u"ORVIX_INSTALLED", u"ORVIX_VERSION", u"QUOR_VERSION",
    u"REQUIRED_SPACE_ORVIX", u"REQUIRED_SPACE_SYSTEM", u"REQUIRED_SPACE_TOSKAN", u"SERVERINSTALLVERSION", u"TOSKAN",
    u"TOSKAN_INSTALLED"};
const char16_t* const kKeys[] = {
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Pellucor\\TAMBER VANTLE Install",
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brisolt\\Corvane ORVIX",
    u"HKEY_LOCAL_MACHINE\\Software\\Classes\\Installer\\Products\\E1A7AD6A725DC214DA711D928B3F3E99",
    u"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager"};
const char16_t* const kValues[] = {u"InstallDir", u"ClientInstallDir", u"ClientInstalledVersion",
                                   u"ServerInstalledVersion", u"orvix_version", u"Version", u"ProductName",
                                   u"ORVIXTYPE", u"PendingFileRenameOperations", u"IsIntegratedPortal"};
const char16_t* const kRoots[] = {u"C:\\", u"D:\\", u"C:", u"\\\\server\\share\\"};
using Action = HRESULT (*)(IDispatch*);
const Action kActions[] = {initProperties, verify, calculateRequiredSpace, finishAction, launchToskan,
                           allowLaunchToskan, test, detectORVIX, SetPortalTypeRegistry, RebootMachine};

std::u16string Text(FuzzedDataProvider& in) {
  const size_t units = in.ConsumeIntegralInRange<size_t>(0, 700);
  std::u16string text;
  for (size_t i = 0; i < units && in.remaining_bytes() > 0; ++i) {
    // Mostly short printable texts, sometimes any unit at all.
    text += in.ConsumeBool() ? static_cast<char16_t>(in.ConsumeIntegralInRange<int>(0x20, 0x7E))
                             : in.ConsumeIntegral<char16_t>();
  }
  return text;
}

HRESULT Status(FuzzedDataProvider& in) {
  const HRESULT known[] = {S_OK, S_FALSE, static_cast<HRESULT>(0x80004005), E_NOINTERFACE, E_OUTOFMEMORY};
  return in.ConsumeBool() ? in.PickValueInArray(known) : in.ConsumeIntegral<HRESULT>();
}

void Engine(FuzzedDataProvider& in, testkit::TestEngine& engine) {
  for (const char16_t* name : kProperties)
    if (in.ConsumeBool()) engine.properties[name] = Text(in);
  for (int i = in.ConsumeIntegralInRange(0, 3); i > 0; --i) {
    const std::u16string text = Text(in);
    engine.translations[text] = in.ConsumeBool() ? std::optional<std::u16string>(Text(in)) : std::nullopt;
  }
  engine.translations[u"IDS_INSTALL_SUCCESS"] = in.ConsumeBool() ? std::optional<std::u16string>(Text(in)) : std::nullopt;
  engine.queryStatus = in.ConsumeBool() ? S_OK : Status(in);
  engine.messageStatus = Status(in);
}

void Machine(FuzzedDataProvider& in) {
  machine::SimulatedMachine& m = sim::machine();
  for (const char16_t* key : kKeys) {
    if (!in.ConsumeBool()) continue;
    machine::RegKeyData& data = m.registry.CreateKey(key);
    data.deniedAccess = in.ConsumeBool() ? in.ConsumeIntegral<std::uint32_t>() : 0;
    for (const char16_t* name : kValues) {
      if (!in.ConsumeBool()) continue;
      machine::RegValue value;
      value.type = in.ConsumeIntegralInRange<std::uint32_t>(0, 12);
      // Sizes around every buffer the actions use: 4, 520 and 1024 bytes.
      const size_t bytes = in.ConsumeIntegralInRange<size_t>(0, 1100);
      value.data = in.ConsumeBytes<std::uint8_t>(bytes);
      data.values[name] = value;
    }
  }
  for (const char16_t* root : kRoots)
    if (in.ConsumeBool()) m.answers.volumes[root] = machine::Volume{in.ConsumeIntegral<std::uint64_t>(), in.ConsumeBool()};
  for (const char16_t* name : {u"SystemRoot", u"TEMP"})
    if (in.ConsumeBool()) m.environment[name] = Text(in);
  if (in.ConsumeBool()) m.answers.windowsFolder = Text(in);
  for (int i = in.ConsumeIntegralInRange(0, 2); i > 0; --i) m.files[sim::NormalFilePath(Text(in))] = {in.ConsumeBool()};
  for (int i = in.ConsumeIntegralInRange(0, 2); i > 0; --i) m.answers.messageAnswers.push_back(in.ConsumeIntegralInRange(0, 7));
  m.tokenOpens = in.ConsumeBool();
  m.answers.privilegeLookupWorks = in.ConsumeBool();
  m.answers.privilegeAdjustError = in.ConsumeBool() ? 0 : 1300;
  if (in.ConsumeBool()) m.answers.clock = platform::LocalTime{in.ConsumeIntegralInRange(-5, 30000), in.ConsumeIntegral<int>(), 1, 0, 0, 0};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  sim::Reset();
  const Action action = in.PickValueInArray(kActions);
  testkit::TestEngine engine;
  Engine(in, engine);
  Machine(in);
  const long strings = testkit::LiveSystemStrings();
  sim::FailSystemStringAllocation(in.ConsumeBool() ? in.ConsumeIntegralInRange<long>(1, 40) : 0);
  IDispatch* argument = in.ConsumeIntegralInRange(0, 15) == 0 ? nullptr : &engine;
  action(argument);
  sim::FailSystemStringAllocation(0);
  const bool released = engine.references == 0 && engine.releases <= 1 && testkit::LiveSystemStrings() == strings &&
                        sim::machine().openKeys == 0 && sim::machine().openTokens == 0;
  if (!released) {
    std::fprintf(stderr, "left behind: references %d, releases %d, strings %ld, keys %d, tokens %d\n", engine.references,
                 engine.releases, testkit::LiveSystemStrings() - strings, sim::machine().openKeys,
                 sim::machine().openTokens);
    std::abort();
  }
  return 0;
}
