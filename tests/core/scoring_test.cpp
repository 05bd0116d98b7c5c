// The scorecard engine on small hand-made tables, so that each rule of the scan can be
// seen on its own.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "scoring/ScoreU.h"

namespace solvara {
namespace {

using Texts = std::vector<std::string>;

// Reads the points back out of a reason entry: the zero padding stands before any
// minus sign, so it is stripped before the number is read.
long PointsOf(const std::string& entry) {
  const std::string number = entry.substr(0, entry.find('='));
  size_t k = 0;
  while (k + 1 < number.size() && number[k] == '0')
    ++k;
  return std::stol(number.substr(k));
}

long SumOfReasons(const TScore& card) {
  long sum = 0;
  for (const auto& e : card.PositiveReasons)
    sum += PointsOf(e);
  for (const auto& e : card.NegativeReasons)
    sum += PointsOf(e);
  return sum;
}

// --- the integer of a text ----------------------------------------------------------

TEST(IntegerOfText, ReadsDecimalWithLeadingSpacesAndSign) {
  EXPECT_EQ(IntegerOfText("12", -7), 12);
  EXPECT_EQ(IntegerOfText(" 12", -7), 12);
  EXPECT_EQ(IntegerOfText("   -12", -7), -12);
  EXPECT_EQ(IntegerOfText("+5", -7), 5);
  EXPECT_EQ(IntegerOfText("-0", -7), 0);
  EXPECT_EQ(IntegerOfText("0101", -7), 101);
  EXPECT_EQ(IntegerOfText("000000000000000000042", -7), 42);
}

TEST(IntegerOfText, ReadsHexAfterDollarOrZeroX) {
  EXPECT_EQ(IntegerOfText("$10", -7), 16);
  EXPECT_EQ(IntegerOfText("0x1f", -7), 31);
  EXPECT_EQ(IntegerOfText("0X1F", -7), 31);
  EXPECT_EQ(IntegerOfText("-$A", -7), -10);
  EXPECT_EQ(IntegerOfText(" 0x0", -7), 0);
  EXPECT_EQ(IntegerOfText("$7FFFFFFF", -7), INT32_MAX);
  EXPECT_EQ(IntegerOfText("-0x80000000", -7), INT32_MIN);
}

TEST(IntegerOfText, HoldsExactlyTheSigned32BitRange) {
  EXPECT_EQ(IntegerOfText("2147483647", -7), INT32_MAX);
  EXPECT_EQ(IntegerOfText("-2147483648", -7), INT32_MIN);
  EXPECT_EQ(IntegerOfText("2147483648", -7), -7);
  EXPECT_EQ(IntegerOfText("-2147483649", -7), -7);
  EXPECT_EQ(IntegerOfText("0x80000000", -7), -7);
  EXPECT_EQ(IntegerOfText("$FFFFFFFF", -7), -7);
  EXPECT_EQ(IntegerOfText("99999999999999999999999", -7), -7);
}

TEST(IntegerOfText, AnythingElseYieldsTheDefault) {
  for (const char* text :
       {"",    " ",    "-",   "+",   "$",   "0x",  "-$",   "12 ", "1 2", "--1", "+-1",
        "1e3", "0x-1", "$+1", "x10", "12a", "a12", "\t12", "1.0", "0b1", "$G"}) {
    EXPECT_EQ(IntegerOfText(text, 4242), 4242) << '"' << text << '"';
  }
  EXPECT_EQ(IntegerOfText(std::string("1\0"
                                      "2",
                                      3),
                          4242),
            4242);
}

TEST(IntegerOfText, RoundTripsEveryKindOfNumberItIsGiven) {
  std::mt19937 random(20240601);
  std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
  char hex[16];
  for (int i = 0; i < 20000; ++i) {
    const int32_t v = any(random);
    ASSERT_EQ(IntegerOfText(std::to_string(v), 0), v);
    const unsigned long magnitude = v < 0 ? 0ul - static_cast<long>(v) : static_cast<long>(v);
    std::snprintf(hex, sizeof hex, "%lx", magnitude);
    const std::string sign = v < 0 ? "-" : "";
    ASSERT_EQ(IntegerOfText(sign + "$" + hex, 0), v) << hex;
    ASSERT_EQ(IntegerOfText(" " + sign + "0x" + hex, 0), v) << hex;
  }
}

// --- PosChar ------------------------------------------------------------------------

TEST(PosChar, FindsOneCharacterFromOneBasedStart) {
  EXPECT_EQ(PosChar("-", "LOW-0100", true, 1), 4);
  EXPECT_EQ(PosChar("=", "00080=Age", true, 1), 6);
  EXPECT_EQ(PosChar("-", "00-82=Age", true, 1), 3);
  EXPECT_EQ(PosChar("a", "abca", true, 2), 4);
  EXPECT_EQ(PosChar("a", "abca", true, 4), 4);
  EXPECT_EQ(PosChar("a", "abca", true, 5), 0);
  EXPECT_EQ(PosChar("z", "abca", true, 1), 0);
}

TEST(PosChar, RejectsAnythingButOneCharacterAndEmptyText) {
  EXPECT_EQ(PosChar("ab", "xab", true, 1), 0);
  EXPECT_EQ(PosChar("", "xab", true, 1), 0);
  EXPECT_EQ(PosChar("a", "", true, 1), 0);
  EXPECT_EQ(PosChar("a", "", false, 1), 0);
}

TEST(PosChar, CaseInsensitiveTriesTheExactCaseEverywhereFirst) {
  EXPECT_EQ(PosChar("a", "Abca", false, 1), 4);
  EXPECT_EQ(PosChar("a", "Abc", false, 1), 1);
  EXPECT_EQ(PosChar("a", "Abc", true, 1), 0);
  EXPECT_EQ(PosChar("B", "xxbxB", false, 1), 5);
  EXPECT_EQ(PosChar("B", "xxbxx", false, 1), 3);
  EXPECT_EQ(PosChar("b", "Bxb", false, 3), 3);
  EXPECT_EQ(PosChar("b", "Bxx", false, 2), 0);
  // Only letters have another case: "@" and "`" are 32 apart but are not letters.
  EXPECT_EQ(PosChar("@", "`", false, 1), 0);
  EXPECT_EQ(PosChar("[", "{", false, 1), 0);
}

// --- tables and calculations ---------------------------------------------------------

TEST(TScoreConstruction, AddBandStoresUpperCasedRowsInOrder) {
  TScore card;
  card.AddBand("Age", "Low-0100", 5);
  card.AddBand("Flag", "y", 1);
  card.AddBand("Flag", "é", 2);
  ASSERT_EQ(card.ScorecardRows().size(), 3u);
  EXPECT_EQ(card.ScorecardRows()[0].Characteristic, "AGE");
  EXPECT_EQ(card.ScorecardRows()[0].Band, "LOW-0100");
  EXPECT_EQ(card.ScorecardRows()[0].Points, 5);
  EXPECT_EQ(card.ScorecardRows()[1].Band, "Y");
  EXPECT_EQ(card.ScorecardRows()[2].Band, "é");  // plain A to Z upper-casing only
}

TEST(IsCreditFileCharacteristic, KnowsTheElevenNamesInAnyCase) {
  for (const char* name :
       {"LiveCreditAccounts", "DefaultAccounts", "SettledCreditAccounts",
        "WorstStatusofLiveAccounts", "CCJS", "SearchesL12m", "SearchesL24m",
        "NamesMatchingonElectoralRoll", "YearsSinceLastRegistered", "WorstStatusonSettledAccounts",
        "ChargeCardAccountsHeld", "ccjs", "SEARCHESL12M"}) {
    EXPECT_TRUE(TScore::IsCreditFileCharacteristic(name)) << name;
  }
  for (const char* name : {"Age", "", "CCJ", "CCJSX", "HomeTelephone", " CCJS"}) {
    EXPECT_FALSE(TScore::IsCreditFileCharacteristic(name)) << name;
  }
}

class RangeBands : public ::testing::Test {
 protected:
  void SetUp() override {
    card.BaseScore = 100;
    card.AddBand("Age", "Low-0100", 1);
    card.AddBand("Age", "0101-1711", 2);
    card.AddBand("Age", "1800-High", -3);
  }
  int32_t Score(const std::string& value) {
    card.PositiveReasons.clear();
    card.NegativeReasons.clear();
    card.CalculateScore({"Age"}, {value});
    return card.TotalScore - card.BaseScore;
  }
  TScore card;
};

TEST_F(RangeBands, EndsAreInclusiveAndOpenEndsStopAtTheRightLimits) {
  EXPECT_EQ(Score("0100"), 1);
  EXPECT_EQ(Score("100"), 1);
  EXPECT_EQ(Score("0101"), 2);
  EXPECT_EQ(Score("1711"), 2);
  EXPECT_EQ(Score("1800"), -3);
  EXPECT_EQ(Score("2147483647"), -3);
  EXPECT_EQ(Score("-2147483647"), 1);
  // The open low end is one above INT32_MIN, so the smallest integer fits no band; it
  // is an integer, so it is ignored without a message.
  EXPECT_EQ(Score("-2147483648"), 0);
  EXPECT_EQ(card.Errors, Texts{});
}

TEST_F(RangeBands, NonIntegerValueIsReadAsZero) {
  EXPECT_EQ(Score("abc"), 1);
  EXPECT_EQ(Score(""), 1);
  EXPECT_EQ(Score("12 "), 1);
  EXPECT_EQ(Score("$600"), 2);  // hex 1536
  EXPECT_FALSE(card.Errors.has_value());
}

TEST(RangeBandEnds, TextThatIsNotAnIntegerCountsAsZero) {
  TScore card;
  card.AddBand("A", "x-5", 7);    // 0 to 5
  card.AddBand("B", "-9", 11);    // empty low end: 0 to 9
  card.AddBand("C", "2--1", 13);  // high end "-1": matches nothing
  card.AddBand("D", "low-", 17);  // -2147483647 to 0
  card.CalculateScore({"A", "B", "C", "D"}, {"0", "9", "0", "-5"});
  EXPECT_EQ(card.TotalScore, 7 + 11 + 17);
  card.CalculateScore({"A"}, {"6"});
  EXPECT_EQ(card.TotalScore, 0);
  card.CalculateScore({"A", "B"}, {"abc", "-1"});  // a text that is no number reads as 0
  EXPECT_EQ(card.TotalScore, 7);
}

TEST(ScanOrder, FirstContainingRangeEndsTheScanButCodeMatchesDoNot) {
  TScore card;
  card.AddBand("LiveCreditAccounts", "1", 1);
  card.AddBand("LiveCreditAccounts", "0-5", 10);
  card.AddBand("LiveCreditAccounts", "1-9", 100);
  card.AddBand("LiveCreditAccounts", "1", 1000);
  card.CalculateScore({"LiveCreditAccounts"}, {"1"});
  EXPECT_EQ(card.TotalScore, 11);
  EXPECT_EQ(card.PositiveReasons, (Texts{"00001=LiveCreditAccounts", "00010=LiveCreditAccounts"}));
}

TEST(ScanOrder, EqualCodeBandsEachCount) {
  TScore card;
  card.AddBand("WorstStatusofLiveAccounts", "N", 4);
  card.AddBand("WorstStatusofLiveAccounts", "X", 8);
  card.AddBand("WorstStatusofLiveAccounts", "N", 16);
  card.CalculateScore({"WorstStatusofLiveAccounts"}, {"N"});
  EXPECT_EQ(card.TotalScore, 20);
  EXPECT_EQ(card.PositiveReasons.size(), 2u);
}

TEST(ScanOrder, CodeBandsCompareCaseSensitivelyNamesDoNot) {
  TScore card;
  card.AddBand("Flag", "y", 5);
  card.CalculateScore({"flag"}, {"Y"});
  EXPECT_EQ(card.TotalScore, 5);
  EXPECT_EQ(card.PositiveReasons, (Texts{"00005=flag"}));
  card.CalculateScore({"FLAG"}, {"y"});
  EXPECT_EQ(card.TotalScore, 0);
  ASSERT_TRUE(card.Errors.has_value());
  EXPECT_EQ(*card.Errors, (Texts{"Error with FLAG and y, Name not recognised"}));
}

TEST(ScanOrder, EmptyValueMatchesAnEmptyCodeOrARangeHoldingZeroElseErrs) {
  TScore card;
  card.AddBand("Phone", "", -15);
  card.AddBand("Job", "Low-0", 3);
  card.AddBand("Job", "1-9", 4);
  card.AddBand("Status", "A", 9);
  card.CalculateScore({"Phone", "Job"}, {"", ""});
  EXPECT_EQ(card.TotalScore, -12);
  EXPECT_FALSE(card.Errors.has_value());
  card.CalculateScore({"Status"}, {""});
  EXPECT_EQ(card.Errors, Texts{"Error with Status and , Name not recognised"});
}

TEST(WorkingCopy, ApplicationRowsAreUsedUpButCreditFileRowsAreNot) {
  TScore card;
  card.AddBand("Marital", "M", 15);
  card.AddBand("Marital", "S", 1);
  card.AddBand("Age", "Low-9", 1);
  card.AddBand("Age", "10-19", 2);
  card.AddBand("Age", "20-29", 4);
  card.AddBand("CCJS", "T", 0);
  card.AddBand("CCJS", "1", 8);
  card.AddBand("CCJS", "2-9", 16);
  const std::vector<TScoreRow> before = card.ScorecardRows();

  // Taken from the last entry down: Age 15 leaves "10-19" and "20-29", so Age 25 still
  // scores, while the first Age 5 finds only bands above it and is ignored.
  card.CalculateScore({"Age", "Age", "Age"}, {"5", "25", "15"});
  EXPECT_EQ(card.TotalScore, 6);

  // Code bands are all used up by the first answer: the repeat with an integer value is
  // ignored, the repeat with a letter ends the calculation.
  card.CalculateScore({"Marital", "Marital"}, {"7", "M"});
  EXPECT_EQ(card.TotalScore, 15);
  card.CalculateScore({"Marital", "Marital"}, {"S", "M"});
  EXPECT_EQ(card.TotalScore, 15);
  EXPECT_EQ(card.Errors, Texts{"Error with Marital and S, Name not recognised"});

  card.CalculateScore({"CCJS", "ccjs", "CCJS"}, {"1", "3", "1"});
  EXPECT_EQ(card.TotalScore, 32);

  // Every calculation starts from the full table again.
  card.CalculateScore({"Age"}, {"5"});
  EXPECT_EQ(card.TotalScore, 1);
  const std::vector<TScoreRow>& after = card.ScorecardRows();
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].Characteristic, before[i].Characteristic);
    EXPECT_EQ(after[i].Band, before[i].Band);
    EXPECT_EQ(after[i].Points, before[i].Points);
  }
}

TEST(WorkingCopy, RowsOfANameAddedApartAreFoundAfterTheFirstBlockIsUsedUp) {
  TScore card;
  card.AddBand("Kind", "A", 1);
  card.AddBand("Other", "A", 2);
  card.AddBand("Kind", "A", 4);
  card.CalculateScore({"Kind", "Kind"}, {"A", "A"});
  EXPECT_EQ(card.TotalScore, 5);
}

TEST(Failures, UnplaceableTextEndsTheCalculationAtOnce) {
  TScore card;
  card.BaseScore = 50;
  card.AddBand("Age", "Low-99", 5);
  card.AddBand("Marital", "M", 15);
  card.CalculateScore({"Age", "Unknown", "Marital"}, {"1", "abc", "M"});
  EXPECT_EQ(card.TotalScore, 65);
  EXPECT_EQ(card.PositiveReasons, (Texts{"00015=Marital"}));
  ASSERT_TRUE(card.Errors.has_value());
  EXPECT_EQ(*card.Errors, (Texts{"Error with Unknown and abc, Name not recognised"}));
}

TEST(Failures, IntegerValuesThatPlaceNowhereAreIgnored) {
  TScore card;
  card.AddBand("Marital", "M", 15);
  card.CalculateScore({"Marital", "Unknown", "Other"}, {"M", "12", "-2147483648"});
  EXPECT_EQ(card.TotalScore, 15);
  EXPECT_EQ(card.Errors, Texts{});
  // The largest integer doubles as the "not a number" marker.
  card.CalculateScore({"Unknown"}, {"2147483647"});
  card.CalculateScore({"Unknown"}, {"$7FFFFFFF"});
  EXPECT_EQ(card.Errors, (Texts{"Error with Unknown and 2147483647, Name not recognised",
                                "Error with Unknown and $7FFFFFFF, Name not recognised"}));
}

TEST(Failures, EmptyOrUnevenListsScoreOnlyWhatPairsUp) {
  TScore card;
  card.BaseScore = 819;
  card.AddBand("Marital", "M", 15);
  card.AddBand("Phone", "N", -15);
  card.CalculateScore({}, {});
  EXPECT_EQ(card.TotalScore, 819);
  EXPECT_FALSE(card.Errors.has_value());
  EXPECT_TRUE(card.PositiveReasons.empty());
  card.CalculateScore({"Marital", "Phone", "Unknown"}, {"M"});
  EXPECT_EQ(card.TotalScore, 834);
  card.CalculateScore({"Phone"}, {"N", "x", "y"});
  EXPECT_EQ(card.TotalScore, 804);
  card.CalculateScore({}, {"x"});
  card.CalculateScore({"x"}, {});
  EXPECT_EQ(card.TotalScore, 819);
  EXPECT_FALSE(card.Errors.has_value());
}

TEST(Reasons, ArePaddedToFiveAndKeepTheCallersName) {
  const std::vector<std::pair<int32_t, std::string>> cases = {{80, "00080=Age"},
                                                              {15, "00015=Age"},
                                                              {-82, "00-82=Age"},
                                                              {-150, "0-150=Age"},
                                                              {-5, "000-5=Age"},
                                                              {12345, "12345=Age"},
                                                              {-12345, "-12345=Age"},
                                                              {1, "00001=Age"},
                                                              {INT32_MAX, "2147483647=Age"},
                                                              {INT32_MIN, "-2147483648=Age"}};
  for (const auto& [points, entry] : cases) {
    TScore card;
    card.AddBand("AGE", "Low-High", points);
    card.CalculateScore({"Age"}, {"1"});
    const Texts& list = points < 0 ? card.NegativeReasons : card.PositiveReasons;
    const Texts& other = points < 0 ? card.PositiveReasons : card.NegativeReasons;
    ASSERT_EQ(list, (Texts{entry}));
    EXPECT_TRUE(other.empty());
    EXPECT_EQ(PointsOf(entry), points);
  }
  TScore zero;
  zero.AddBand("Age", "Low-High", 0);
  zero.CalculateScore({"Age"}, {"1"});
  EXPECT_TRUE(zero.PositiveReasons.empty() && zero.NegativeReasons.empty());
  EXPECT_FALSE(zero.Errors.has_value());
}

TEST(Reasons, RepeatedCalculationsAppendButTotalStaysTheSame) {
  TScore card;
  card.BaseScore = 10;
  card.AddBand("Up", "Y", 3);
  card.AddBand("Down", "Y", -2);
  const Texts names{"Bad", "Up", "Down"};
  const Texts values{"?", "Y", "Y"};
  card.CalculateScore(names, values);
  card.CalculateScore(names, values);
  EXPECT_EQ(card.TotalScore, 11);
  EXPECT_EQ(card.PositiveReasons, (Texts{"00003=Up", "00003=Up"}));
  EXPECT_EQ(card.NegativeReasons, (Texts{"000-2=Down", "000-2=Down"}));
  card.CalculateScore({"Up", "Down"}, {"Y", "Y"});
  EXPECT_EQ(card.PositiveReasons.size(), 3u);
  EXPECT_EQ(card.Errors, (Texts{"Error with Bad and ?, Name not recognised",
                                "Error with Bad and ?, Name not recognised"}));
}

TEST(Reasons, OrderFollowsTheAnswersFromLastToFirst) {
  TScore card;
  card.AddBand("A", "1", 1);
  card.AddBand("B", "1", 2);
  card.AddBand("C", "1", -3);
  card.AddBand("D", "1", -4);
  card.CalculateScore({"A", "C", "B", "D"}, {"1", "1", "1", "1"});
  EXPECT_EQ(card.PositiveReasons, (Texts{"00002=B", "00001=A"}));
  EXPECT_EQ(card.NegativeReasons, (Texts{"000-4=D", "000-3=C"}));
}

TEST(Totals, WrapInThirtyTwoBitsRatherThanOverflow) {
  TScore card;
  card.BaseScore = INT32_MAX;
  card.AddBand("CCJS", "1", 1);
  card.CalculateScore({"CCJS", "CCJS"}, {"1", "1"});
  EXPECT_EQ(card.TotalScore, INT32_MIN + 1);
  EXPECT_EQ(SumOfReasons(card), 2);
}

}  // namespace
}  // namespace solvara
