// The engine against a plain, slow rendering of the scoring rules that copies the
// table and erases rows from the copy, on many generated applicants. The engine
// avoids both the copy and the parsing at calculation time; this keeps it honest.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "scoring/BCCScoreU.h"

namespace solvara {
namespace {

using Texts = std::vector<std::string>;

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    if (up(a[i]) != up(b[i]))
      return false;
  }
  return true;
}

std::string Entry(int32_t points, const std::string& name) {
  std::string number = std::to_string(points);
  while (number.size() < 5)
    number.insert(0, "0");
  return number + "=" + name;
}

struct Outcome {
  int32_t total = 0;
  Texts positive;
  Texts negative;
  std::optional<Texts> errors;
};

Outcome ReferenceScore(const std::vector<TScoreRow>& table, int32_t base, const Texts& names,
                       const Texts& values) {
  Outcome out;
  int64_t total = base;
  std::vector<TScoreRow> copy = table;
  const size_t count = std::min(names.size(), values.size());
  for (size_t index = count; index-- > 0;) {
    const std::string& name = names[index];
    const std::string& value = values[index];
    const bool creditFile = TScore::IsCreditFileCharacteristic(name);
    bool matched = false;
    size_t r = 0;
    while (r < copy.size() && !SameIgnoringCase(copy[r].Characteristic, name))
      ++r;
    while (r < copy.size() && SameIgnoringCase(copy[r].Characteristic, name)) {
      const TScoreRow row = copy[r];
      bool hit = false;
      bool stop = false;
      const int32_t dash = PosChar("-", row.Band, true, 1);
      if (dash > 0) {
        const std::string lowText = row.Band.substr(0, dash - 1);
        const std::string highText = row.Band.substr(dash);
        const int32_t low = lowText == "LOW" ? -2147483647 : IntegerOfText(lowText, 0);
        const int32_t high = highText == "HIGH" ? 2147483647 : IntegerOfText(highText, 0);
        const int32_t n = IntegerOfText(value, 0);
        hit = stop = low <= n && n <= high;
      } else {
        hit = value == row.Band;
      }
      if (hit) {
        matched = true;
        total += row.Points;
        if (row.Points < 0)
          out.negative.push_back(Entry(row.Points, name));
        if (row.Points > 0)
          out.positive.push_back(Entry(row.Points, name));
      }
      if (stop)
        break;
      if (creditFile) {
        ++r;
      } else {
        copy.erase(copy.begin() + static_cast<std::ptrdiff_t>(r));
      }
    }
    if (!matched) {
      if (!out.errors)
        out.errors.emplace();
      if (IntegerOfText(value, INT32_MAX) == INT32_MAX) {
        out.errors->push_back("Error with " + name + " and " + value + ", Name not recognised");
        break;
      }
    }
  }
  out.total = static_cast<int32_t>(total);
  return out;
}

class Applicants {
 public:
  explicit Applicants(const std::vector<TScoreRow>& table) {
    for (const TScoreRow& row : table) {
      if (names_.empty() || names_.back() != row.Characteristic) {
        names_.push_back(row.Characteristic);
        bands_.emplace_back();
      }
      bands_.back().push_back(row.Band);
      pool_.push_back(row.Band);
    }
    for (const char* name : {"MonthlyNetIncome", "Unknown", "", "Age ", "CCJ"}) {
      names_.push_back(name);
      bands_.emplace_back();
    }
    for (const char* value :
         {"",           " ",   "0",    "00",  "1",   "001", "-1", "2147483647", "-2147483648",
          "2147483648", "$7F", "0x10", "abc", "m",   "y",   "n",  "1800",       "2211",
          "6601",       "99",  "100",  "12 ", " 12", "+5"}) {
      pool_.push_back(value);
    }
  }

  void Next(Texts& names, Texts& values) {
    names.resize(Pick(8) == 0 ? Pick(40) : Pick(20));
    values.resize(Pick(8) == 0 ? Pick(40) : names.size());
    for (size_t i = 0; i < values.size(); ++i) {
      const size_t which = Pick(names_.size());
      if (i < names.size())
        names[i] = Spell(names_[which]);
      values[i] = Value(bands_[which]);
    }
  }

 private:
  size_t Pick(size_t n) { return n == 0 ? 0 : random_() % n; }

  // Mostly answers meant for the characteristic, some numbers, a few strays.
  std::string Value(const Texts& bands) {
    const size_t kind = Pick(10);
    if (kind < 6 && !bands.empty()) {
      const std::string& band = bands[Pick(bands.size())];
      if (band.find('-') == std::string::npos)
        return band;
      return std::to_string(IntegerOfText(band.substr(0, band.find('-')), 0) +
                            static_cast<int32_t>(Pick(300)));
    }
    if (kind < 8)
      return std::to_string(static_cast<int32_t>(random_()));
    return pool_[Pick(pool_.size())];
  }

  // The engine is told names in whatever case the caller likes.
  std::string Spell(std::string name) {
    if (Pick(3) == 0) {
      for (char& c : name) {
        if (c >= 'A' && c <= 'Z' && Pick(2) == 0)
          c = static_cast<char>(c + 32);
      }
    }
    return name;
  }

  std::mt19937 random_{7};
  Texts names_;
  std::vector<Texts> bands_;
  Texts pool_;
};

TEST(ScoringAgainstReference, AgreesOnGeneratedApplicants) {
  const TCCScore blank;
  Applicants applicants(blank.ScorecardRows());
  Texts names;
  Texts values;
  int errors = 0;
  for (int i = 0; i < 2000; ++i) {
    applicants.Next(names, values);
    TCCScore card;
    card.CalculateScore(names, values);
    const Outcome expected = ReferenceScore(card.ScorecardRows(), card.BaseScore, names, values);
    ASSERT_EQ(card.TotalScore, expected.total) << "applicant " << i;
    ASSERT_EQ(card.PositiveReasons, expected.positive) << "applicant " << i;
    ASSERT_EQ(card.NegativeReasons, expected.negative) << "applicant " << i;
    ASSERT_EQ(card.Errors, expected.errors) << "applicant " << i;
    if (card.Errors && !card.Errors->empty())
      ++errors;
  }
  // The generator must reach both the error path and the scoring paths.

  EXPECT_GT(errors, 100);
  EXPECT_LT(errors, 1900);
}

}  // namespace
}  // namespace solvara
