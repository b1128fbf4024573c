// The command line's commands and their options, each filling its command's options: the one
// place, with the parsing in command.cpp, that compiles the command-line parser.
#pragma once

#include "cli/capture_command.h"
#include "cli/command.h"
#include "cli/diff_command.h"
#include "cli/export_command.h"
#include "cli/run_command.h"

namespace CLI {
class App;
}  // namespace CLI

namespace suitehost {

CLI::App* AddRunCommand(CLI::App& app, RunOptions& r);
// The "call" command with its options, which fill `o`.
CLI::App* AddCallCommand(CLI::App& app, CallOptions& o, bool& json);
CLI::App* AddCaptureCommand(CLI::App& app, CaptureOptions& c);
CLI::App* AddExportCommand(CLI::App& app, ExportOptions& e);
CLI::App* AddDiffCommand(CLI::App& app, DiffOptions& d);

}  // namespace suitehost
