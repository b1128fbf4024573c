// The provenance of a run.
#include "cli/provenance.h"

#include <ctime>

#include "testkit/file_identity.h"
#include "testkit/machine.h"

namespace suitehost {

testkit::LocalTime Now() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  if (local == nullptr) return {};
  return {local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, local->tm_hour, local->tm_min, local->tm_sec};
}

scenario::Provenance ProvenanceOf(const scenario::Runner& runner, const std::string& commandLine,
                                  const std::string& date) {
  scenario::Provenance run{date, SUITE_VERSION, commandLine, testkit::PlatformName(), {}};
  for (const std::string& path : runner.LibraryPaths()) {
    const testkit::Result<std::string> hash = testkit::Sha256OfFile(path);
    run.libraries.push_back({path, testkit::FileVersion(path).value_or(""), hash ? *hash : ""});
  }
  return run;
}

}  // namespace suitehost
