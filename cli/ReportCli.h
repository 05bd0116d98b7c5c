// solvara-report: the report, the coded answers or a raw scoring for answers given
// on the command line. Kept apart from main() so that tests and fuzzers can run it
// without a process.
#pragma once

#include <string>
#include <vector>

namespace solvara {

struct CliOutcome {
  std::string out;     // what goes to standard output, byte for byte
  std::string err;     // what goes to standard error: empty, or one line
  int exitCode = 0;    // 0 done, 2 bad input
  bool batch = false;  // --batch: standard input is to be scored now (RunBatch)
};

// Runs the front end on its arguments (without the program name).
CliOutcome RunReportCli(const std::vector<std::string>& args);

}  // namespace solvara
