// The commands' options.
#include "cli/options.h"

#include <CLI/CLI.hpp>

namespace suitehost {

CLI::App* AddRunCommand(CLI::App& app, RunOptions& r) {
  CLI::App* run = app.add_subcommand("run", "Run scenario files and check their expectations");
  // A file that is missing or cannot be read is that file's error: the others still run.
  run->add_option("scenarios", r.files, "Scenario files (JSON)")->required();
  run->add_flag("--json", r.json, "Report as JSON");
  run->add_option("--junit", r.reports.junit, "Also write a JUnit XML report to this file");
  run->add_option("--html", r.reports.html, "Also write the report as one HTML page to this file");
  run->add_flag("-q,--quiet", r.quiet, "Show only failed scenarios and the summary");
  run->add_flag("-s,--summary", r.progress,
                "One line for each file as it ends (PASS, FAIL, ERROR or SKIP), then the failed scenarios and the "
                "summary");
  run->add_flag("--dry-run", r.dryRun,
                "Change nothing: on a real machine list what the run would record, set up, change and put back; "
                "natively show what the machine holds before each step");
  return run;
}

CLI::App* AddCaptureCommand(CLI::App& app, CaptureOptions& c) {
  CLI::App* capture = app.add_subcommand(
      "capture", "Run actions against this machine, changing nothing, and write a scenario that reproduces it");
  capture->add_option("library-and-actions", c.words, "Library name (ovrel, caddon) or file, then the actions");
  capture->add_option("--from", c.from, "A template scenario: its properties and steps are used, its machine not");
  capture->add_option("-p,--property", c.properties, "Suite property NAME=VALUE (over the template's)");
  capture->add_option("--answer", c.answers, "Answer to the next message box: yes or no (never shown)");
  capture->add_option("--out", c.out, "The scenario file to write")->required();
  capture->add_flag("--name-machine", c.nameMachine, "Say the machine's name in the file");
  capture->add_option("--machine", c.machine, "A scenario whose machine stands for the real one");
  return capture;
}

CLI::App* AddExportCommand(CLI::App& app, ExportOptions& e) {
  CLI::App* command =
      app.add_subcommand("export", "Write a scenario's machine as a registry editor file (.reg), to import elsewhere");
  command->add_option("scenario", e.scenario, "The scenario file whose machine is written")->required();
  command->add_option("--out", e.out, "The .reg file to write")->required();
  return command;
}

CLI::App* AddDiffCommand(CLI::App& app, DiffOptions& d) {
  CLI::App* command = app.add_subcommand(
      "diff", "Compare two scenarios or captures: their machines, then what the actions did on each, step by step");
  command->add_option("first", d.first, "The first scenario file (its lines are marked -)")->required();
  command->add_option("second", d.second, "The second scenario file (its lines are marked +)")->required();
  command->add_option("--html", d.html, "Also write the comparison as one HTML page to this file");
  return command;
}

CLI::App* AddCallCommand(CLI::App& app, CallOptions& o, bool& json) {
  CLI::App* call = app.add_subcommand("call", "Call one action with properties from the command line");
  call->add_option("library", o.library, "Library name (ovrel, caddon) or file")->required();
  call->add_option("action", o.action, "Exported action")->required();
  call->add_option("--windows", o.windows,
                   "The Windows the machine runs: x86, or x64 where the libraries see the 32-bit view and "
                   "--reg takes a 64-bit machine's export")
      ->capture_default_str();
  call->add_option("-p,--property", o.properties, "Suite property NAME=VALUE");
  call->add_option("--reg", o.regFiles, "Import a .reg file into the registry first")->check(CLI::ExistingFile);
  call->add_option("--volume", o.volumes, "Drive root and its free space, ROOT=SIZE (C:\\=3GB)");
  call->add_option("--env", o.environment, "Environment variable NAME=VALUE");
  call->add_option("--file", o.files, "A file that exists and is readable");
  call->add_option("--answer", o.answers, "Answer to the next message box: yes or no");
  call->add_flag("--json", json, "Report as JSON");
  call->add_option("--save", o.save, "Also write the call as a scenario file that replays it, with what it did");
  return call;

}

}  // namespace suitehost
