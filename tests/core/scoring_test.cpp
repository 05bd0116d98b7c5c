// The scorecard engine on small hand-made tables, and the credit-card table's shape and
// limit grid.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "scoring/BCCScoreU.h"
#include "scoring/TextU.h"

namespace solvara {
namespace {

using Texts = std::vector<std::string>;
using Rows = std::vector<TScoreRow>;

TScore Scored(const Rows& rows, const Texts& names, const Texts& values) {
  TScore card;
  for (const TScoreRow& row : rows) {
    card.AddBand(row.Characteristic, row.Band, row.Points);
  }
  card.CalculateScore(names, values);
  return card;
}

TEST(IntegerOfText, DecimalOrHexWithinThirtyTwoBitsElseTheDefault) {
  // clang-format off
  const std::pair<std::string, int32_t> cases[] = {
      {"12", 12}, {"   -12", -12}, {"+5", 5}, {"000000000000000000042", 42}, {"$10", 16},
      {"0x1f", 31}, {"-$A", -10}, {" 0x0", 0}, {"0X12345678", 0x12345678}, {"$9abcdef", 0x9abcdef},
      {"-0xABCDEF", -0xabcdef}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
      {"$7FFFFFFF", INT32_MAX}, {"-0x80000000", INT32_MIN}, {"2147483648", -7},
      {"-2147483649", -7}, {"0x80000000", -7}, {"99999999999999999999999", -7}, {"", -7},
      {" ", -7}, {"-", -7}, {"$", -7}, {"0x", -7}, {"-$", -7}, {"12 ", -7}, {"1 2", -7},
      {"--1", -7}, {"1e3", -7}, {"0x-1", -7}, {"$+1", -7}, {"12a", -7}, {"\t12", -7}, {"1.0", -7},
      {"$G", -7}, {"0xg", -7}, {std::string("1\0" "2", 3), -7}};
  // clang-format on
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(IntegerOfText(text, -7), expected) << '"' << text << '"';
  }
}

TEST(CalculateScore, ScanRulesErrorsAndStops) {
  const std::optional<Texts> clean, none = Texts{};  // no list; a list without messages
  const auto error = [](const std::string& name, const std::string& value) {
    return Texts{"Error with " + name + " and " + value + ", Name not recognised"};
  };
  // clang-format off
  const Rows rows = {{"R", "Low-0100", 1}, {"R", "0101-1711", 2}, {"R", "1800-High", -3},
      {"A", "x-5", 7}, {"B", "-9", 11}, {"C", "2--1", 13}, {"D", "low-", 17}, {"Flag", "y", 5},
      {"L", "1", 1}, {"L", "0-5", 10}, {"L", "1-9", 100}, {"L", "1", 1000}, {"Dup", "N", 4},
      {"Dup", "X", 8}, {"Dup", "N", 16}, {"Phone", "", -15}, {"Job", "Low-0", 3}, {"Job", "1-9", 4},
      {"Marital", "M", 15}, {"Marital", "S", 1}, {"Years", "Low-9", 1}, {"Years", "10-19", 2},
      {"Years", "20-29", 4}, {"CCJS", "T", 0}, {"CCJS", "1", 8}, {"CCJS", "2-9", 16},
      {"Kind", "A", 1}, {"Other", "A", 2}, {"Kind", "A", 4}, {"Kind", "B", 8},
      {"SearchesL24m", "1", INT32_MAX}};
  const std::tuple<Texts, Texts, int32_t, std::optional<Texts>> cases[] = {
      // Inclusive ends; LOW stops one short of INT32_MIN; a value or an end that is no
      // integer reads as 0.
      {{"R"}, {"0100"}, 1, clean}, {{"R"}, {"100"}, 1, clean}, {{"R"}, {"0101"}, 2, clean},
      {{"R"}, {"1711"}, 2, clean}, {{"R"}, {"1800"}, -3, clean}, {{"R"}, {"2147483647"}, -3, clean},
      {{"R"}, {"-2147483647"}, 1, clean}, {{"R"}, {"-2147483648"}, 0, none},
      {{"R"}, {"abc"}, 1, clean}, {{"R"}, {""}, 1, clean}, {{"R"}, {"$600"}, 2, clean},
      {{"A", "B"}, {"abc", "-1"}, 7, none}, {{"A", "B", "C", "D"}, {"0", "9", "0", "-5"}, 35, none},
      // The first range holding the number ends the scan; code matches do not, and every
      // equal code band counts. Codes compare byte for byte, names ignore case.
      {{"L"}, {"1"}, 11, clean}, {{"dup"}, {"N"}, 20, clean},
      {{"flag"}, {"Y"}, 5, clean}, {{"FLAG"}, {"y"}, 0, error("FLAG", "y")},
      {{"Phone", "Job"}, {"", ""}, -12, clean}, {{"Marital"}, {""}, 0, error("Marital", "")},
      // Application rows leave the working copy as the scan passes them, credit-file rows
      // stay; answers are taken from the last one down, and an error stops the rest.
      {{"Years", "Years", "Years"}, {"5", "25", "15"}, 6, none},
      {{"Marital", "Marital"}, {"7", "M"}, 15, none},
      {{"Job", "Marital", "Marital"}, {"1", "S", "M"}, 15, error("Marital", "S")},
      {{"CCJS", "ccjs", "CCJS"}, {"1", "3", "1"}, 32, clean},
      {{"Kind", "Kind", "Kind"}, {"B", "A", "A"}, 5, error("Kind", "B")},
      // Integers that place nowhere are ignored, except the one that marks "no number".
      {{"Marital", "Unknown", "Other"}, {"M", "12", "-2147483648"}, 15, none},
      {{"Unknown"}, {"2147483647"}, 0, error("Unknown", "2147483647")},
      {{"Unknown"}, {"$7FFFFFFF"}, 0, error("Unknown", "$7FFFFFFF")},
      // Only the pairs that exist are scored; the total wraps in 32 bits.
      {{}, {}, 0, clean}, {{"Marital", "Phone", "Unknown"}, {"M"}, 15, clean},
      {{"Phone"}, {"", "x", "y"}, -15, clean}, {{"x"}, {}, 0, clean},
      {{"SearchesL24m", "SearchesL24m"}, {"1", "1"}, -2, clean}};
  // clang-format on
  for (const auto& [names, values, total, errors] : cases) {
    const TScore card = Scored(rows, names, values);
    EXPECT_EQ(card.TotalScore, total) << testing::PrintToString(std::tie(names, values));
    EXPECT_EQ(card.Errors, errors) << testing::PrintToString(std::tie(names, values));
  }
}

TEST(CalculateScore, ReasonsArePaddedInAnswerOrderAndAppendedAcrossCalls) {
  // clang-format off
  const std::pair<int32_t, const char*> padded[] = {
      {80, "00080=Age"}, {-82, "00-82=Age"}, {-150, "0-150=Age"}, {-5, "000-5=Age"},
      {12345, "12345=Age"}, {-12345, "-12345=Age"}, {INT32_MAX, "2147483647=Age"},
      {INT32_MIN, "-2147483648=Age"}, {0, ""}};
  // clang-format on
  for (const auto& [points, entry] : padded) {
    const TScore card = Scored({{"AGE", "Low-High", points}}, {"Age"}, {"1"});
    EXPECT_EQ(card.PositiveReasons, points > 0 ? Texts{entry} : Texts{});
    EXPECT_EQ(card.NegativeReasons, points < 0 ? Texts{entry} : Texts{});
    EXPECT_FALSE(card.Errors.has_value());
  }
  const Texts names{"S", "Bad", "a", "C", "B", "D"}, values{"Z", "?", "1", "1", "1", "1"};
  TScore card = Scored(
      {{"A", "1", 1}, {"B", "1", 2}, {"C", "1", -3}, {"D", "1", -4}, {"S", "Z", 9}}, names, values);
  card.CalculateScore(names, values);
  EXPECT_EQ(card.TotalScore, -4);
  EXPECT_EQ(card.PositiveReasons, (Texts{"00002=B", "00001=a", "00002=B", "00001=a"}));
  EXPECT_EQ(card.NegativeReasons, (Texts{"000-4=D", "000-3=C", "000-4=D", "000-3=C"}));
  EXPECT_EQ(card.Errors, (Texts{"Error with Bad and ?, Name not recognised",
                                "Error with Bad and ?, Name not recognised"}));
}

// The points of the bands are checked by their effects: tests/cli scores applicants who
// give every answer of every question (every-answer.jsonl).
TEST(CreditCardScorecard, HoldsTheRequiredTableAndLimitGrid) {
  const TCCScore card;
  EXPECT_EQ(std::make_pair(card.BaseScore, card.CutOff), std::make_pair(819, 821));
  std::set<std::string> characteristics, creditFile, distinct;
  for (const TScoreRow& row : card.ScorecardRows()) {
    characteristics.insert(row.Characteristic);
    if (TScore::IsCreditFileCharacteristic(row.Characteristic)) {
      creditFile.insert(row.Characteristic);
    }
    distinct.insert(row.Characteristic + " " + row.Band);
  }
  EXPECT_EQ(card.ScorecardRows().size(), 219u);
  EXPECT_EQ(characteristics.size(), 23u);
  EXPECT_EQ(creditFile.size(), 11u);
  EXPECT_EQ(distinct.size(), 219u - 4u);  // N, Q, U and Z of WorstStatusofLiveAccounts twice
  for (const char* name : {"CCJ", "CCJSX", " CCJS", ""}) {
    EXPECT_FALSE(TScore::IsCreditFileCharacteristic(name)) << name;
  }
  // clang-format off
  const int32_t grid[][3] = {{860, 750, 1000}, {861, 751, 1750}, {900, 1300, 1750},
      {901, 2000, 3000}, {821, 2001, 2500}, {821, 0, 1000}, {900, 750, 1250}, {901, 750, 2000},
      {901, 751, 2500}, {860, 1301, 2000}, {INT32_MAX, INT32_MAX, 3000}, {821, -1, 0},
      {INT32_MAX, INT32_MIN, 0}, {820, 1000, 0}, {INT32_MIN, 1000, 0}};
  // clang-format on
  for (const auto& [total, income, limit] : grid) {
    TCCScore card;
    card.TotalScore = total;
    EXPECT_EQ(card.CreditLimit(income), limit) << total << " " << income;
  }
}

}  // namespace
}  // namespace solvara
