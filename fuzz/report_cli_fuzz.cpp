// solvara-report on arbitrary argument lists. Input: the arguments separated by NUL
// bytes (a real argument cannot hold one). Checks that the front end never fails and
// that bad input means status 2, nothing on standard output and one line on standard
// error, while success leaves standard error empty.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/ReportCli.h"

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "report_cli_fuzz: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args;
  size_t start = 0;
  while (start <= input.size() && !input.empty()) {
    const size_t end = input.find('\0', start);
    args.push_back(input.substr(start, end - start));
    if (end == std::string::npos)
      break;
    start = end + 1;
  }

  const solvara::CliOutcome outcome = solvara::RunReportCli(args);
  switch (outcome.exitCode) {
    case 0:
      if (!outcome.err.empty())
        Fail("success with a message");
      if (outcome.out.empty())
        Fail("success without output");
      break;
    case 2: {
      if (!outcome.out.empty())
        Fail("bad input, yet output");
      size_t breaks = 0;
      for (const char c : outcome.err)
        breaks += c == '\n' || c == '\r';
      if (breaks != 1 || outcome.err.back() != '\n')
        Fail("message is not one line");
      break;
    }
    default:
      Fail("unexpected exit status");
  }
  return 0;
}
