// Scores arbitrary answer lists on the credit-card scorecard and checks what must hold
// for any input: the reasons account for every point, an error ends the calculation,
// a repeat gives the same total, and the credit limit comes from the grid.
//
// Input: lines separated by "\n". Without a NUL byte the lines are name, value, name,
// value, ...; a NUL byte splits the input into a names part and a values part instead,
// so the two lists can differ in length by any amount.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "scoring/BCCScoreU.h"

namespace {

using Texts = std::vector<std::string>;

void Fail(const char* what) {
  std::fprintf(stderr, "calculate_score_fuzz: %s\n", what);
  std::abort();
}

Texts Lines(const std::string& text) {
  Texts lines;
  if (text.empty())
    return lines;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos)
      return lines;
    start = end + 1;
  }
}

void Split(const std::string& input, Texts& names, Texts& values) {
  const size_t nul = input.find('\0');
  if (nul != std::string::npos) {
    names = Lines(input.substr(0, nul));
    values = Lines(input.substr(nul + 1));
    return;
  }
  const Texts lines = Lines(input);
  for (size_t i = 0; i < lines.size(); ++i)
    (i % 2 == 0 ? names : values).push_back(lines[i]);
}

// The points written in a reason entry: zero padding, then a signed decimal, then "=".
int64_t PointsOf(const std::string& entry) {
  const size_t equals = entry.find('=');
  if (equals == std::string::npos || equals < 5)
    Fail("reason entry without its points");
  size_t k = 0;
  while (k + 1 < equals && entry[k] == '0')
    ++k;
  const std::string number = entry.substr(k, equals - k);
  char* end = nullptr;
  const long long points = std::strtoll(number.c_str(), &end, 10);
  if (number.empty() || *end != '\0')
    Fail("reason entry with unreadable points");
  return points;
}

uint32_t ReasonSum(const solvara::TScore& card) {
  int64_t sum = 0;
  for (const std::string& e : card.PositiveReasons) {
    if (PointsOf(e) <= 0)
      Fail("positive reason without positive points");
    sum += PointsOf(e);
  }
  for (const std::string& e : card.NegativeReasons) {
    if (PointsOf(e) >= 0)
      Fail("negative reason without negative points");
    sum += PointsOf(e);
  }
  return static_cast<uint32_t>(sum);
}

Texts Suffix(const Texts& list, size_t from) {
  return Texts(list.begin() + static_cast<std::ptrdiff_t>(from < list.size() ? from : list.size()),
               list.end());
}

// Building the table costs far more than scoring on it. Each input gets one copy of a
// new card; the helper calculations share a card that is cleared in between, which
// also shows whether one calculation leaks into the next.
solvara::TCCScore NewCard() {
  static const solvara::TCCScore blank;
  return blank;
}

solvara::TCCScore& Scored(const Texts& names, const Texts& values, size_t from) {
  static solvara::TCCScore shared;
  shared.PositiveReasons.clear();
  shared.NegativeReasons.clear();
  shared.Errors.reset();
  shared.CalculateScore(Suffix(names, from), Suffix(values, from));
  return shared;
}

bool EndsInError(const Texts& names, const Texts& values, size_t from) {
  const solvara::TCCScore& card = Scored(names, values, from);
  return card.Errors && !card.Errors->empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Texts names;
  Texts values;
  Split(std::string(reinterpret_cast<const char*>(data), size), names, values);
  const size_t count = names.size() < values.size() ? names.size() : values.size();

  solvara::TCCScore card = NewCard();
  card.CalculateScore(names, values);
  const uint32_t gained =
      static_cast<uint32_t>(card.TotalScore) - static_cast<uint32_t>(card.BaseScore);
  if (gained != ReasonSum(card))
    Fail("total differs from the base score plus the reasons");
  if (count == 0 && (card.Errors || card.TotalScore != card.BaseScore)) {
    Fail("no answers, yet a message or points");
  }
  if (card.Errors && card.Errors->size() > 1)
    Fail("more than one message from one calculation");

  if (card.Errors && card.Errors->size() == 1) {
    // The answer that failed is the one at the highest index whose tail of the lists
    // ends in an error (a longer tail still holds it, a shorter one does not); the
    // answers above it must account for everything.
    size_t low = 0;
    size_t high = count - 1;
    while (low < high) {
      const size_t mid = low + (high - low + 1) / 2;
      if (EndsInError(names, values, mid)) {
        low = mid;
      } else {
        high = mid - 1;
      }
    }
    const std::string expected =
        "Error with " + names[low] + " and " + values[low] + ", Name not recognised";
    if (card.Errors->front() != expected)
      Fail("message names the wrong answer");
    if (solvara::IntegerOfText(values[low], INT32_MAX) != INT32_MAX) {
      Fail("message for an answer that is an integer");
    }
    const solvara::TCCScore& before = Scored(names, values, low + 1);
    if (before.Errors && !before.Errors->empty())
      Fail("an error before the reported one");
    if (before.TotalScore != card.TotalScore || before.PositiveReasons != card.PositiveReasons ||
        before.NegativeReasons != card.NegativeReasons) {
      Fail("answers below the failed one were scored");
    }
  }

  // A second calculation on the same card gives the same total and appends the same.
  const int32_t total = card.TotalScore;
  const size_t positive = card.PositiveReasons.size();
  const size_t negative = card.NegativeReasons.size();
  const bool hadErrors = card.Errors.has_value();
  const size_t messages = hadErrors ? card.Errors->size() : 0;
  card.CalculateScore(names, values);
  if (card.TotalScore != total || card.PositiveReasons.size() != 2 * positive ||
      card.NegativeReasons.size() != 2 * negative || card.Errors.has_value() != hadErrors ||
      (card.Errors && card.Errors->size() != 2 * messages)) {
    Fail("a repeated calculation differs");
  }
  if (card.ScorecardRows().size() != 219)
    Fail("the calculation changed the table");

  for (int32_t income : {INT32_MIN, -1, 0, 750, 751, 1300, 1301, 2000, 2001, INT32_MAX}) {
    const int32_t limit = card.CreditLimit(income);
    const bool none = income < 0 || card.TotalScore < 821;
    if (none != (limit == 0))
      Fail("credit limit does not follow the cut-off");
    if (!none && limit != 1000 && limit != 1250 && limit != 1750 && limit != 2000 &&
        limit != 2500 && limit != 3000) {
      Fail("credit limit off the grid");
    }
  }
  return 0;
}
