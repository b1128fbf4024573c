// The provenance of a run in each report's form.
#include "scenario/provenance.h"

#include "scenario/report.h"

namespace scenario {
namespace {

std::string VersionOf(const LibraryRan& library) {
  return library.version.empty() ? "no version resource" : "version " + library.version;
}

std::string Hash(const LibraryRan& library) { return library.sha256.empty() ? "not read" : library.sha256; }

}  // namespace

void WriteProvenanceText(std::ostream& out, const Provenance& run) {
  out << "suitehost " << run.version << " on " << run.platform << ", " << run.date << ": " << run.commandLine << "\n";
  for (const LibraryRan& library : run.libraries)
    out << "library " << library.path << ": " << VersionOf(library) << ", SHA-256 " << Hash(library) << "\n";
  out << "\n";
}

nlohmann::ordered_json ProvenanceJson(const Provenance& run) {
  using Json = nlohmann::ordered_json;
  const auto orNull = [](const std::string& text) { return text.empty() ? Json() : Json(text); };
  Json j{{"date", run.date}, {"suitehost", run.version}, {"commandLine", run.commandLine}, {"platform", run.platform},
         {"libraries", Json::array()}};
  for (const LibraryRan& library : run.libraries)
    j["libraries"].push_back(
        Json{{"path", library.path}, {"version", orNull(library.version)}, {"sha256", orNull(library.sha256)}});
  return j;
}

void WriteProvenanceProperties(std::ostream& out, const Provenance& run) {
  const auto property = [&out](const std::string& name, const std::string& value) {
    out << "      <property name=\"" << EscapeMarkup(name) << "\" value=\"" << EscapeMarkup(value) << "\"/>\n";
  };
  out << "    <properties>\n";
  property("date", run.date);
  property("suitehost", run.version);
  property("commandLine", run.commandLine);
  property("platform", run.platform);
  for (size_t i = 0; i < run.libraries.size(); ++i) {
    const std::string at = "library." + std::to_string(i + 1) + ".";
    property(at + "path", run.libraries[i].path);
    property(at + "version", run.libraries[i].version);
    property(at + "sha256", run.libraries[i].sha256);
  }
  out << "    </properties>\n";
}

void WriteProvenanceHtml(std::ostream& out, const Provenance& run) {
  out << "<p class=\"where\">suitehost " << EscapeMarkup(run.version) << " &middot; " << EscapeMarkup(run.date)
      << " &middot; <code>" << EscapeMarkup(run.commandLine) << "</code></p>\n";
  for (const LibraryRan& library : run.libraries)
    out << "<p class=\"where\">library <code>" << EscapeMarkup(library.path) << "</code>: " << EscapeMarkup(VersionOf(library))
        << ", SHA-256 <code>" << EscapeMarkup(Hash(library)) << "</code></p>\n";
}

}  // namespace scenario
