#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/Batch.h"
#include "cli/ReportCli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    args.emplace_back(argv[i]);
  }
  const solvara::CliOutcome outcome = solvara::RunReportCli(args);
  if (outcome.batch) {
    solvara::TBatchOptions options;
    options.Progress = isatty(STDERR_FILENO) == 1;
    return solvara::RunBatch(STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO, options);
  }
  std::fwrite(outcome.out.data(), 1, outcome.out.size(), stdout);
  std::fwrite(outcome.err.data(), 1, outcome.err.size(), stderr);
  // A full disk or a closed pipe must not pass for a finished report.
  if (std::fflush(stdout) != 0 && outcome.exitCode == 0) {
    return 1;
  }
  return outcome.exitCode;
}
