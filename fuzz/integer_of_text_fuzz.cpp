// IntegerOfText against a reading of its own: the accepted shape is checked by hand
// and the digits are then left to from_chars.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "scoring/ScoreU.h"

// Spaces, an optional sign, then "$" or "0x"/"0X" and hex digits, or decimal digits,
// and nothing after them; the value must fit in 32 signed bits.
static std::optional<int32_t> Reference(const std::string& text) {
  size_t i = std::min(text.find_first_not_of(' '), text.size());
  const bool negative = text.compare(i, 1, "-") == 0;
  i += negative || text.compare(i, 1, "+") == 0;
  const bool hex = text.compare(i, 1, "$") == 0 || text.compare(i, 2, "0x") == 0 ||
                   text.compare(i, 2, "0X") == 0;
  i += hex ? (text[i] == '$' ? 1 : 2) : 0;
  int64_t magnitude = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data() + i, end, magnitude, hex ? 16 : 10);
  const int64_t value = negative ? -magnitude : magnitude;
  if (text.compare(i, 1, "-") == 0 || error != std::errc() || stop != end || value < INT32_MIN ||
      value > INT32_MAX)
    return std::nullopt;
  return static_cast<int32_t>(value);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // Two defaults, so that a number equal to one of them still shows it was read.
  for (const int32_t fallback : {24301, -24301}) {
    const int32_t got = solvara::IntegerOfText(text, fallback);
    if (got != Reference(text).value_or(fallback)) {
      std::fprintf(stderr, "IntegerOfText(\"%s\", %d) gave %d\n", text.c_str(), fallback, got);
      std::abort();
    }
  }
  return 0;
}
