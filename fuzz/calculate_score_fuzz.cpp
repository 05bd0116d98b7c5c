// Arbitrary answer lists on the credit-card scorecard: the reasons must account for every
// point, and an error must end the calculation at the answer it names. Input: lines, split
// into names and values by the first NUL byte, or else taking turns.
#include <algorithm>
#include <cstdlib>

#include "fuzz/FuzzCheck.h"
#include "scoring/BCCScoreU.h"
#include "scoring/TextU.h"

using Texts = std::vector<std::string>;

// The points of a reason entry: zero padding, a signed decimal, then "=".
static int64_t PointsOf(const std::string& entry) {
  const size_t equals = entry.find('=');
  FUZZ_CHECK(equals != std::string::npos && equals >= 5);
  char* end = nullptr;
  const long long points = std::strtoll(entry.c_str() + entry.find_first_not_of('0'), &end, 10);
  FUZZ_CHECK(end == entry.c_str() + equals);
  return points;
}

// The answers from index `from` on, scored on a copy of a card built once: building
// the table costs far more than scoring on it.
static solvara::TCCScore Scored(Texts names, Texts values, size_t from) {
  static const solvara::TCCScore blank;
  solvara::TCCScore card = blank;
  names.erase(names.begin(), names.begin() + std::min(from, names.size()));
  values.erase(values.begin(), values.begin() + std::min(from, values.size()));
  card.CalculateScore(names, values);
  return card;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t nul = input.find('\0');
  Texts names, values;
  for (size_t start = 0, k = 0; size > 0; ++k) {
    const size_t end = std::min(input.find('\n', start), start <= nul ? nul : std::string::npos);
    (nul == std::string::npos ? (k % 2 ? values : names) : (start > nul ? values : names))
        .push_back(input.substr(start, end - start));
    if (end == std::string::npos) {
      break;
    }
    start = end + 1;
  }

  const auto failed = [](const solvara::TScore& card) {
    return card.Errors && !card.Errors->empty();
  };
  const solvara::TCCScore card = Scored(names, values, 0);
  uint32_t sum = 0;
  for (const Texts* list : {&card.PositiveReasons, &card.NegativeReasons}) {
    for (const std::string& entry : *list) {
      FUZZ_CHECK(PointsOf(entry) != 0 && (PointsOf(entry) > 0) == (list == &card.PositiveReasons));
      sum += static_cast<uint32_t>(PointsOf(entry));
    }
  }
  FUZZ_CHECK(static_cast<uint32_t>(card.TotalScore) - static_cast<uint32_t>(card.BaseScore) == sum);
  const size_t count = std::min(names.size(), values.size());
  FUZZ_CHECK(count > 0 || (!card.Errors && card.TotalScore == card.BaseScore));
  if (!failed(card)) {
    return 0;
  }

  // The answer that failed is the highest index whose tail of the lists still ends in
  // an error; it is named in the message, and the answers above it account for all.
  size_t low = 0;
  for (size_t high = count - 1; low < high;) {
    const size_t mid = low + (high - low + 1) / 2;
    if (failed(Scored(names, values, mid))) {
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  FUZZ_CHECK(*card.Errors ==
             Texts{"Error with " + names[low] + " and " + values[low] + ", Name not recognised"});
  FUZZ_CHECK(solvara::IntegerOfText(values[low], INT32_MAX) == INT32_MAX);
  const solvara::TCCScore above = Scored(names, values, low + 1);
  FUZZ_CHECK(!failed(above) && above.TotalScore == card.TotalScore &&
             above.PositiveReasons == card.PositiveReasons &&
             above.NegativeReasons == card.NegativeReasons);
  return 0;
}
