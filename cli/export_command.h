// `suitehost export SCENARIO --out FILE.reg`: a scenario's machine as a registry editor file, to
// seed a lab machine or a Wine prefix with, or to read as an engineer reads exports.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace suitehost {

struct ExportOptions {
  std::string scenario;
  std::string out;
};

CLI::App* AddExportCommand(CLI::App& app, ExportOptions& e);

// Writes the file; says what it holds and what it could not hold.
int Export(const ExportOptions& options);

}  // namespace suitehost
