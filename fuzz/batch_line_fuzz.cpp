// The --batch line parser on arbitrary bytes: every line gets exactly one line of JSON,
// either the results of an applicant or {"line": N, "error": "..."}, and nothing fails.
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "cli/Batch.h"

#define FUZZ_CHECK(ok) ((ok) ? void() : (std::fprintf(stderr, "failed: %s\n", #ok), std::abort()))

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static solvara::TBatchScorer scorer;  // reused, as a worker reuses it line after line
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  std::string out = "kept\n";  // what comes before must stay
  const bool scored = scorer.ScoreLine(line, 42, out);
  FUZZ_CHECK(out.compare(0, 5, "kept\n") == 0);
  FUZZ_CHECK(out.find('\n', 5) == out.size() - 1);
  const nlohmann::json result = nlohmann::json::parse(out.substr(5), nullptr, false);
  FUZZ_CHECK(result.is_object());
  if (scored) {
    FUZZ_CHECK(result.size() == 7 && result["total"].is_number_integer() &&
               result["accepted"] == (result["total"] >= result["cutoff"]));
  } else {
    FUZZ_CHECK(result.size() == 2 && result["line"] == 42 && result["error"].is_string());
  }
  return 0;
}
