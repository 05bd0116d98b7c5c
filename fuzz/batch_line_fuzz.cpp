// The --batch line parser on arbitrary bytes: every line gets exactly one line of JSON,
// either the results of an applicant or {"line": N, "error": "..."}, and nothing fails;
// scored on the compiled card, the same as on the report's engine.
// A second JSON reader checks the strictness: a line scored is a whole JSON text to it,
// and a line we call not JSON is none to it either (it ends its text at a NUL, and skips
// a byte-order mark, which are ours to refuse).
#include <nlohmann/json.hpp>

#include "cli/Batch.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static solvara::TBatchScorer scorer;  // reused, as a worker reuses it line after line
  static solvara::TBatchScorer engine(true);
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  std::string out = "kept\n";  // what comes before must stay
  const bool scored = scorer.ScoreLine(line, 42, out);
  FUZZ_CHECK(out.compare(0, 5, "kept\n") == 0);
  FUZZ_CHECK(out.find('\n', 5) == out.size() - 1);
  // Read in place, as in a block, with whatever follows its line end: the same outcome.
  std::string block = std::string(line) + (size % 2 ? "\r" : "\n") + std::string(64, '}');
  std::string inPlace = "kept\n";
  FUZZ_CHECK(scorer.ScoreLine(std::string_view(block.data(), size), block.size(), 42, inPlace) ==
             scored);
  FUZZ_CHECK(inPlace == out);
  // The compiled card writes what the report's engine gives.
  std::string engineOut = "kept\n";
  engine.ScoreLine(line, 42, engineOut);
  FUZZ_CHECK(engineOut == out);
  const nlohmann::json result = nlohmann::json::parse(out.substr(5), nullptr, false);
  FUZZ_CHECK(result.is_object());
  const bool nul = line.find('\0') != std::string_view::npos;
  const bool json = nlohmann::json::accept(line.begin(), line.end());
  if (scored) {
    FUZZ_CHECK(result.size() == 7 && result["total"].is_number_integer() &&
               result["accepted"] == (result["total"] >= result["cutoff"]));
    FUZZ_CHECK(json && !nul);
  } else {
    FUZZ_CHECK(result.size() == 2 && result["line"] == 42 && result["error"].is_string());
    const std::string error = result["error"];
    FUZZ_CHECK(error.compare(0, 8, "not JSON") != 0 || !json || nul ||
               line.substr(0, 3) == "\xEF\xBB\xBF");
    // Our words, never a library's: every message opens as one of ours.
    bool ours = false;
    for (const char* opening : {"empty line", "not JSON: ", "not a JSON object", "unknown key \"",
                                "key \"", "bad value \"", "value of \"", "number "}) {
      ours |= error.rfind(opening, 0) == 0;
    }
    FUZZ_CHECK(ours);
  }
  return 0;
}
