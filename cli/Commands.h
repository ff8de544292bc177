// The subcommands of mailshift-cli. Each adds itself to the application and, when chosen, runs
// and leaves its exit code in the given variable.
#pragma once

#include <CLI/CLI.hpp>

namespace mailshift::cli {

// Exit codes shared by every subcommand.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitBadArguments = 2;

void AddScanCommand(CLI::App& app, int& exitCode);
void AddListCommand(CLI::App& app, int& exitCode);
void AddExportCommand(CLI::App& app, int& exitCode);
// batch and batch-report
void AddBatchCommand(CLI::App& app, int& exitCode);

}  // namespace mailshift::cli
