// What a report of suitehost tells of its run: the time, suitehost's version, the command line,
// the platform, and each library that ran with its version and SHA-256.
#pragma once

#include <string>

#include "scenario/provenance.h"
#include "scenario/runner.h"

namespace suitehost {

testkit::LocalTime Now();

// The provenance of a run that began at `date`, with the libraries the runner loaded.
scenario::Provenance ProvenanceOf(const scenario::Runner& runner, const std::string& commandLine,
                                  const std::string& date);

}  // namespace suitehost
