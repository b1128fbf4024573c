// suitehost: the installer engine's stand-in. Loads an action library from its file, calls its
// exported actions with an automation object as the engine does, and runs scenario files.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "host/library.h"
#include "host/reg_file.h"
#include "host/report.h"
#include "host/runner.h"
#include "host/utf.h"

namespace {

constexpr int kAllHeld = 0;
constexpr int kExpectationFailed = 1;
constexpr int kCannotRun = 2;

std::string ProgramFolder() {
#ifdef _WIN32
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::string file = host::ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(path), n));
#else
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string file = n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
#endif
  const size_t slash = file.find_last_of("/\\");
  return slash == std::string::npos ? "." : file.substr(0, slash);
}

bool SplitPair(const std::string& text, std::string& name, std::string& value) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  name = text.substr(0, eq);
  value = text.substr(eq + 1);
  return true;
}

int Report(const std::vector<host::ScenarioReport>& reports, bool json, const std::string& junit, bool quiet) {
  if (json)
    host::WriteJson(std::cout, reports);
  else
    host::WriteText(std::cout, reports, quiet);
  if (!junit.empty()) {
    std::ofstream out(junit);
    host::WriteJunit(out, reports);
    if (!out) {
      std::cerr << "suitehost: cannot write " << junit << "\n";
      return kCannotRun;
    }
  }
  for (const host::ScenarioReport& r : reports)
    if (!r.Passed()) return kExpectationFailed;
  return kAllHeld;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"suitehost: runs the actions of ovrel and caddon as the suite installer engine does"};
  app.require_subcommand(1);
  // Paths such as /work/examples/x.json (Wine maps them to drive Z:) are files, not options.
  app.allow_windows_style_options(false);
  std::string libraryFolder = ProgramFolder();
  app.add_option("--lib-dir", libraryFolder, "Folder in which libraries named without a path are found")
      ->capture_default_str();

  std::vector<std::string> files;
  bool json = false, quiet = false;
  std::string junit;
  CLI::App* run = app.add_subcommand("run", "Run scenario files and check their expectations");
  run->add_option("scenarios", files, "Scenario files (JSON)")->required()->check(CLI::ExistingFile);
  run->add_flag("--json", json, "Report as JSON");
  run->add_option("--junit", junit, "Also write a JUnit XML report to this file");
  run->add_flag("-q,--quiet", quiet, "Show only failed scenarios and the summary");

  std::string library, action;
  std::vector<std::string> properties, regFiles, volumes, environment, present, answers;
  CLI::App* call = app.add_subcommand("call", "Call one action with properties from the command line");
  call->add_option("library", library, "Library name (ovrel, caddon) or file")->required();
  call->add_option("action", action, "Exported action")->required();
  call->add_option("-p,--property", properties, "Suite property NAME=VALUE");
  call->add_option("--reg", regFiles, "Import a .reg file into the registry first")->check(CLI::ExistingFile);
  call->add_option("--volume", volumes, "Drive root and its free space, ROOT=SIZE (C:\\=3GB)");
  call->add_option("--env", environment, "Environment variable NAME=VALUE");
  call->add_option("--file", present, "A file that exists and is readable");
  call->add_option("--answer", answers, "Answer to the next message box: yes or no");
  call->add_flag("--json", json, "Report as JSON");

  CLI::App* list = app.add_subcommand("list", "List the actions a library exports");
  list->add_option("library", library, "Library name (ovrel, caddon) or file")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : kCannotRun;
  }

  if (*list) {
    std::vector<std::string> names;
    std::string error;
    const std::string path = host::LibraryFile(library, libraryFolder);
    if (!host::ListExports(path, names, error)) {
      std::cerr << "suitehost: " << path << ": " << error << "\n";
      return kCannotRun;
    }
    for (const std::string& name : names) std::cout << name << "\n";
    return kAllHeld;
  }

  host::Runner runner(libraryFolder);
  std::string error;
  if (*run) {
    // Every file is read and checked before anything runs: no partial run.
    for (const std::string& file : files) {
      if (!runner.Prepare(file, error)) {
        std::cerr << "suitehost: " << error << "\n";
        return kCannotRun;
      }
    }
    return Report(runner.RunAll(), json, junit, quiet);
  }

  host::Scenario scenario;
  scenario.file = "<command line>";
  scenario.name = action;
  scenario.library = library;
  std::string name, value;
  for (const std::string& p : properties) {
    if (!SplitPair(p, name, value)) {
      std::cerr << "suitehost: --property " << p << ": expected NAME=VALUE\n";
      return kCannotRun;
    }
    scenario.properties.emplace_back(host::FromUtf8(name), host::FromUtf8(value));
  }
  for (const std::string& file : regFiles) {
    if (!host::ReadRegFile(file, scenario.registry, error)) {
      std::cerr << "suitehost: " << error << "\n";
      return kCannotRun;
    }
  }
  for (const std::string& v : volumes) {
    host::Volume volume;
    if (!SplitPair(v, name, value) || !host::ParseSize(value, volume.freeBytes)) {
      std::cerr << "suitehost: --volume " << v << ": expected ROOT=SIZE, such as C:\\=3GB\n";
      return kCannotRun;
    }
    volume.root = host::FromUtf8(name);
    scenario.volumes.push_back(volume);
  }
  for (const std::string& e : environment) {
    if (!SplitPair(e, name, value)) {
      std::cerr << "suitehost: --env " << e << ": expected NAME=VALUE\n";
      return kCannotRun;
    }
    scenario.environment.emplace_back(host::FromUtf8(name), host::FromUtf8(value));
  }
  for (const std::string& file : present) scenario.files.emplace_back(host::FromUtf8(file), true);
  for (const std::string& answer : answers) {
    if (answer != "yes" && answer != "no") {
      std::cerr << "suitehost: --answer " << answer << ": expected yes or no\n";
      return kCannotRun;
    }
    scenario.messageAnswers.push_back(answer == "yes" ? 6 : 7);
  }
  host::Step step;
  step.where = "/steps/0";
  step.action = action;
  scenario.steps.push_back(step);
  if (!runner.Prepare(std::move(scenario), error)) {
    std::cerr << "suitehost: " << error << "\n";
    return kCannotRun;
  }
  const auto reports = runner.RunAll();
  if (json) {
    host::WriteJson(std::cout, reports);
  } else {
    host::WriteText(std::cout, reports, false);
    std::cout << "properties after the call:\n";
    for (const auto& [property, text] : reports[0].finalProperties)
      std::cout << "  " << property << " = " << text << "\n";
  }
  return reports[0].Passed() ? kAllHeld : kExpectationFailed;
}
