// What was tested, told at the head of every report: when, by which suitehost and how, where, and
// each library that ran with its file's version and SHA-256, so that two reports of two builds
// can be told apart.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace scenario {

struct LibraryRan {
  std::string path;
  std::string version;  // from its version resource; empty where it has none
  std::string sha256;   // of the file; empty where it could not be read
};

struct Provenance {
  std::string date;         // the local time the run began: "2026-12-10 16:40:02"
  std::string version;      // suitehost's
  std::string commandLine;  // as it was given
  std::string platform;     // "native x86", "wine x86", "windows x86"
  std::vector<LibraryRan> libraries;
};

// The text report's first lines, ending in an empty one.
void WriteProvenanceText(std::ostream& out, const Provenance& run);
nlohmann::ordered_json ProvenanceJson(const Provenance& run);
// JUnit's <properties> of the test suite, indented for it.
void WriteProvenanceProperties(std::ostream& out, const Provenance& run);
// The page's header lines.
void WriteProvenanceHtml(std::ostream& out, const Provenance& run);

}  // namespace scenario
