#include "scoring/TextU.h"

#include <climits>

namespace solvara {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

}  // namespace

int32_t IntegerOfView(std::string_view text, int32_t defaultValue) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && text[i] == ' ') {
    ++i;
  }
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < n && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == n) {
    return defaultValue;
  }
  // Accumulate the magnitude in 64 bits and stop as soon as it cannot fit any more.
  const int64_t limit = negative ? 2147483648LL : 2147483647LL;
  int64_t value = 0;
  for (; i < n; ++i) {
    const int d =
        base == 10 ? ((text[i] >= '0' && text[i] <= '9') ? text[i] - '0' : -1) : HexDigit(text[i]);
    if (d < 0) {
      return defaultValue;
    }
    value = value * base + d;
    if (value > limit) {
      return defaultValue;
    }
  }
  return static_cast<int32_t>(negative ? -value : value);
}

int32_t IntegerOfText(const std::string& text, int32_t defaultValue) {
  return IntegerOfView(text, defaultValue);
}

int32_t PosChar(const std::string& Sub, const std::string& S, bool CaseSensitive, int32_t Start) {
  if (Sub.size() != 1 || S.empty()) {
    return 0;
  }
  if (Start < 1) {
    Start = 1;
  }
  const int32_t len = static_cast<int32_t>(S.size() > INT32_MAX ? INT32_MAX : S.size());
  const char c = Sub[0];
  for (int32_t k = Start; k <= len; ++k) {
    if (S[k - 1] == c) {
      return k;
    }
  }
  if (CaseSensitive) {
    return 0;
  }
  const bool upper = c >= 'A' && c <= 'Z';
  const bool lower = c >= 'a' && c <= 'z';
  if (!upper && !lower) {
    return 0;
  }
  const char other = static_cast<char>(upper ? c + 32 : c - 32);
  for (int32_t k = Start; k <= len; ++k) {
    if (S[k - 1] == other) {
      return k;
    }
  }
  return 0;
}

}  // namespace solvara
