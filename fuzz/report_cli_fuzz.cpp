// solvara-report on arbitrary argument lists, separated by NUL bytes (a real argument
// cannot hold one). It must never fail; bad input means status 2, nothing on standard
// output and one line on standard error, while success leaves standard error empty.

#include "cli/ReportCli.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args;
  for (size_t start = 0; size > 0;) {
    const size_t end = input.find('\0', start);
    args.push_back(input.substr(start, end - start));
    if (end == std::string::npos) {
      break;
    }
    start = end + 1;
  }
  const solvara::CliOutcome outcome = solvara::RunReportCli(args);
  FUZZ_CHECK(outcome.exitCode == 0 || outcome.exitCode == 2);
  if (outcome.exitCode == 0) {
    // --batch leaves the scoring of standard input to the caller.
    FUZZ_CHECK(outcome.err.empty() && outcome.out.empty() == outcome.batch);
  } else {
    FUZZ_CHECK(outcome.out.empty());
    FUZZ_CHECK(outcome.err.find_first_of("\r\n") == outcome.err.size() - 1);  // one line
  }
  return 0;
}
