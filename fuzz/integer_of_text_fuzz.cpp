// IntegerOfText against a reading of its own: the text is checked against the accepted
// shape by hand and the digits are then left to strtoll.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "scoring/ScoreU.h"

namespace {

bool IsDecimal(char c) {
  return c >= '0' && c <= '9';
}
bool IsHex(char c) {
  return IsDecimal(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Spaces, an optional sign, then "$" or "0x"/"0X" and hex digits, or decimal digits,
// and nothing after them; the value must fit in 32 signed bits.
std::optional<int32_t> Reference(const std::string& text) {
  size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos)
    return std::nullopt;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-')
    negative = text[i++] == '-';
  int base = 10;
  if (text.compare(i, 1, "$") == 0) {
    base = 16;
    i += 1;
  } else if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) {
    base = 16;
    i += 2;
  }
  const std::string digits = text.substr(i);
  if (digits.empty())
    return std::nullopt;
  for (char c : digits) {
    if (!(base == 16 ? IsHex(c) : IsDecimal(c)))
      return std::nullopt;
  }
  errno = 0;
  const long long magnitude = std::strtoll(digits.c_str(), nullptr, base);
  if (errno == ERANGE)
    return std::nullopt;
  const long long value = negative ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX)
    return std::nullopt;
  return static_cast<int32_t>(value);
}

void Check(const std::string& text, int32_t defaultValue, std::optional<int32_t> expected) {
  const int32_t got = solvara::IntegerOfText(text, defaultValue);
  const int32_t want = expected ? *expected : defaultValue;
  if (got != want) {
    std::fprintf(stderr, "IntegerOfText(\"%s\", %d) gave %d, expected %d\n", text.c_str(),
                 defaultValue, got, want);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<int32_t> expected = Reference(text);
  // Two defaults, so that a number equal to one of them still shows it was read.
  Check(text, 24301, expected);
  Check(text, -24301, expected);
  return 0;
}
