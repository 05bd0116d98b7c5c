// The credit-card scorecard: its table, the points a questionnaire's answers earn on
// it, and the credit-limit grid.
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "scoring/BCCScoreU.h"

namespace solvara {
namespace {

using Texts = std::vector<std::string>;

// Scores one answer on a fresh card and returns the points it added.
int32_t PointsFor(const std::string& name, const std::string& value) {
  TCCScore card;
  card.CalculateScore({name}, {value});
  return card.TotalScore - card.BaseScore;
}

struct Characteristic {
  const char* name;
  size_t rows;
  bool creditFile;
  // The sum of the bands' points and of their absolute values: a wrong points value
  // anywhere in the characteristic changes one of the two.
  int32_t pointsSum;
  int32_t pointsSumAbs;
};

// The characteristics in table order.
const Characteristic kLayout[] = {
    {"Age", 9, false, -133, 293},
    {"TimeAtAddress", 4, false, 80, 80},
    {"MaritalStatus", 5, false, -25, 55},
    {"ResidentialStatus", 5, false, 77, 227},
    {"Occupation", 36, false, -5, 315},
    {"BusinessCode", 32, false, -70, 70},
    {"ChequeCardHeld", 5, false, 150, 150},
    {"VisaCardHeld", 5, false, 60, 60},
    {"AccessMastercardHeld", 5, false, 60, 60},
    {"TimeInJob", 4, false, 40, 40},
    {"TimeInBank", 4, false, -35, 35},
    {"HomeTelephone", 5, false, -45, 45},
    {"LiveCreditAccounts", 8, true, 118, 118},
    {"DefaultAccounts", 5, true, -370, 370},
    {"SettledCreditAccounts", 6, true, 37, 37},
    {"WorstStatusofLiveAccounts", 23, true, -850, 850},
    {"CCJS", 5, true, -307, 307},
    {"SearchesL12m", 10, true, -449, 449},
    {"SearchesL24m", 5, true, -50, 50},
    {"NamesMatchingonElectoralRoll", 5, true, 20, 20},
    {"YearsSinceLastRegistered", 6, true, -30, 30},
    {"WorstStatusonSettledAccounts", 21, true, -120, 120},
    {"ChargeCardAccountsHeld", 6, true, -30, 30},
};

std::string Upper(std::string s) {
  for (char& c : s)
    c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  return s;
}

struct Range {
  int32_t low;
  int32_t high;
};

Range ParseRange(const std::string& band) {
  const size_t dash = band.find('-');
  const std::string low = band.substr(0, dash);
  const std::string high = band.substr(dash + 1);
  return {low == "LOW" ? -2147483647 : IntegerOfText(low, 0),
          high == "HIGH" ? 2147483647 : IntegerOfText(high, 0)};
}

TEST(CreditCardTable, Has23ContiguousCharacteristicsOf219Rows) {
  const TCCScore card;
  EXPECT_EQ(card.BaseScore, 819);
  EXPECT_EQ(card.CutOff, 821);
  EXPECT_EQ(card.ResultNames,
            (Texts{"Band", "CCLimit", "MonthlyNetIncome", "CurrentAccountGrade"}));
  EXPECT_EQ(card.ResultValues, (Texts{"", "", "", ""}));
  const std::vector<TScoreRow>& rows = card.ScorecardRows();
  ASSERT_EQ(rows.size(), 219u);
  size_t at = 0;
  for (const Characteristic& c : kLayout) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TScore::IsCreditFileCharacteristic(c.name), c.creditFile);
    int32_t sum = 0;
    int32_t sumAbs = 0;
    for (size_t k = 0; k < c.rows; ++k) {
      ASSERT_LT(at, rows.size());
      sum += rows[at].Points;
      sumAbs += rows[at].Points < 0 ? -rows[at].Points : rows[at].Points;
      EXPECT_EQ(rows[at].Characteristic, Upper(c.name)) << "row " << at;
      EXPECT_EQ(rows[at].Band, Upper(rows[at].Band)) << "row " << at;
      ++at;
    }
    EXPECT_EQ(sum, c.pointsSum);
    EXPECT_EQ(sumAbs, c.pointsSumAbs);
  }
  EXPECT_EQ(at, rows.size());
}

TEST(CreditCardTable, OnlyWorstStatusOfLiveAccountsRepeatsBands) {
  const TCCScore card;
  std::map<std::pair<std::string, std::string>, std::vector<int32_t>> seen;
  for (const TScoreRow& row : card.ScorecardRows()) {
    seen[{row.Characteristic, row.Band}].push_back(row.Points);
  }
  std::set<std::string> repeated;
  for (const auto& [key, points] : seen) {
    if (points.size() == 1)
      continue;
    EXPECT_EQ(key.first, "WORSTSTATUSOFLIVEACCOUNTS");
    EXPECT_EQ(points, (std::vector<int32_t>{0, 0}));
    repeated.insert(key.second);
  }
  EXPECT_EQ(repeated, (std::set<std::string>{"N", "Q", "U", "Z"}));
  for (const char* code : {"N", "Q", "U", "Z"}) {
    TCCScore scored;
    scored.CalculateScore({"WorstStatusofLiveAccounts"}, {code});
    EXPECT_EQ(scored.TotalScore, 819);
    EXPECT_TRUE(scored.Errors == std::nullopt);
  }
}

// The table is written so that any answer counts at most once; the engine relies on
// that for numbers, and the letter codes rely on no range holding 0.
TEST(CreditCardTable, BandsOfOneCharacteristicNeverCompete) {
  const TCCScore card;
  std::map<std::string, std::vector<Range>> ranges;
  std::map<std::string, std::vector<std::string>> codes;
  for (const TScoreRow& row : card.ScorecardRows()) {
    if (row.Band.find('-') != std::string::npos) {
      const Range r = ParseRange(row.Band);
      EXPECT_LE(r.low, r.high) << row.Characteristic << ' ' << row.Band;
      ranges[row.Characteristic].push_back(r);
      if (TScore::IsCreditFileCharacteristic(row.Characteristic)) {
        EXPECT_FALSE(r.low <= 0 && 0 <= r.high) << row.Characteristic << ' ' << row.Band;
      }
    } else {
      codes[row.Characteristic].push_back(row.Band);
    }
  }
  for (const auto& [name, list] : ranges) {
    for (size_t i = 0; i < list.size(); ++i) {
      for (size_t j = i + 1; j < list.size(); ++j) {
        EXPECT_TRUE(list[i].high < list[j].low || list[j].high < list[i].low) << name;
      }
      for (const std::string& code : codes[name]) {
        const int32_t n = IntegerOfText(code, INT32_MAX);
        EXPECT_FALSE(n != INT32_MAX && list[i].low <= n && n <= list[i].high)
            << name << ' ' << code;
      }
    }
  }
}

// Every band, answered on its own, earns exactly its points: code bands through their
// text, range bands through both ends.
TEST(CreditCardTable, EveryBandEarnsItsPoints) {
  const TCCScore card;
  for (const TScoreRow& row : card.ScorecardRows()) {
    SCOPED_TRACE(row.Characteristic + " " + row.Band);
    if (row.Band.find('-') == std::string::npos) {
      int32_t expected = 0;
      for (const TScoreRow& other : card.ScorecardRows()) {
        if (other.Characteristic == row.Characteristic && other.Band == row.Band) {
          expected += other.Points;
        }
      }
      EXPECT_EQ(PointsFor(row.Characteristic, row.Band), expected);
    } else {
      const Range r = ParseRange(row.Band);
      EXPECT_EQ(PointsFor(row.Characteristic, std::to_string(r.low)), row.Points);
      EXPECT_EQ(PointsFor(row.Characteristic, std::to_string(r.high)), row.Points);
    }
  }
}

TEST(CreditCardAnswers, EarnThePointsOfTheirBands) {
  EXPECT_EQ(PointsFor("Age", "6601"), 80);
  EXPECT_EQ(PointsFor("Age", "1800"), -82);
  EXPECT_EQ(PointsFor("Age", "2211"), -82);
  EXPECT_EQ(PointsFor("Age", "2300"), -42);
  EXPECT_EQ(PointsFor("Age", "0100"), 0);
  EXPECT_EQ(PointsFor("Age", "1801"), -82);
  EXPECT_EQ(PointsFor("TimeAtAddress", "600"), 0);
  EXPECT_EQ(PointsFor("TimeAtAddress", "601"), 11);
  EXPECT_EQ(PointsFor("TimeAtAddress", "2001"), 51);
  EXPECT_EQ(PointsFor("TimeAtAddress", "001"), 0);
  EXPECT_EQ(PointsFor("TimeInJob", "001"), 0);
  EXPECT_EQ(PointsFor("TimeInJob", "0"), 0);
  EXPECT_EQ(PointsFor("TimeInJob", "1001"), 10);
  EXPECT_EQ(PointsFor("SearchesL12m", "5"), -87);
  EXPECT_EQ(PointsFor("SearchesL12m", "C"), 0);
  EXPECT_EQ(PointsFor("HomeTelephone", ""), -15);
  EXPECT_EQ(PointsFor("HomeTelephone", "N"), -15);
  EXPECT_EQ(PointsFor("LiveCreditAccounts", "1"), 25);
  EXPECT_EQ(PointsFor("LiveCreditAccounts", "3"), 33);
  EXPECT_EQ(PointsFor("WorstStatusofLiveAccounts", "2"), -170);
  EXPECT_EQ(PointsFor("ChequeCardHeld", "Y"), 75);
  EXPECT_EQ(PointsFor("Occupation", "22"), 15);
}

TEST(CreditCardAnswers, NumbersWithoutABandAreIgnoredAndLettersEndTheCalculation) {
  for (const auto& [name, value] :
       std::vector<std::pair<std::string, std::string>>{{"Occupation", "03"},
                                                        {"Occupation", "0"},
                                                        {"Occupation", "10"},
                                                        {"DefaultAccounts", "0"},
                                                        {"CCJS", "0"},
                                                        {"MonthlyNetIncome", "2083"},
                                                        {"NoSuchCharacteristic", "-4"}}) {
    TCCScore card;
    card.CalculateScore({"MaritalStatus", name}, {"M", value});
    EXPECT_EQ(card.TotalScore, 834) << name << '=' << value;
    EXPECT_EQ(card.Errors, Texts{});
  }
  TCCScore card;
  card.CalculateScore({"Age", "MaritalStatus"}, {"6601", "m"});
  EXPECT_EQ(card.TotalScore, 819);
  EXPECT_TRUE(card.PositiveReasons.empty());
  ASSERT_TRUE(card.Errors.has_value());
  EXPECT_EQ(*card.Errors, (Texts{"Error with MaritalStatus and m, Name not recognised"}));
}

TEST(CreditCardAnswers, AWholeQuestionnaireAddsUp) {
  // In the order the questionnaire codes them; points by hand from the table.
  const Texts names{"Age",
                    "MaritalStatus",
                    "ResidentialStatus",
                    "TimeAtAddress",
                    "HomeTelephone",
                    "Occupation",
                    "TimeInJob",
                    "VisaCardHeld",
                    "AccessMastercardHeld",
                    "ChequeCardHeld",
                    "ChargeCardAccountsHeld",
                    "LiveCreditAccounts",
                    "WorstStatusofLiveAccounts",
                    "DefaultAccounts",
                    "CCJS",
                    "SettledCreditAccounts",
                    "NamesMatchingonElectoralRoll",
                    "YearsSinceLastRegistered",
                    "MonthlyNetIncome"};
  const Texts troubled{"3501", "M", "O", "1001", "N", "22", "501", "Y", "Y",   "Y",
                       "1",    "3", "2", "1",    "1", "2",  "1",   "6", "2083"};
  TCCScore card;
  card.CalculateScore(names, troubled);
  EXPECT_EQ(card.TotalScore, 819 - 236);
  EXPECT_EQ(card.PositiveReasons,
            (Texts{"00010=NamesMatchingonElectoralRoll", "00012=SettledCreditAccounts",
                   "00033=LiveCreditAccounts", "00075=ChequeCardHeld", "00030=AccessMastercardHeld",
                   "00030=VisaCardHeld", "00015=Occupation", "00018=TimeAtAddress",
                   "00071=ResidentialStatus", "00015=MaritalStatus"}));
  EXPECT_EQ(card.NegativeReasons,
            (Texts{"00-30=YearsSinceLastRegistered", "0-147=CCJS", "0-150=DefaultAccounts",
                   "0-170=WorstStatusofLiveAccounts", "00-15=HomeTelephone", "00-33=Age"}));
  EXPECT_EQ(card.CreditLimit(2083), 0);

  const Texts sound{"6601", "M", "O", "2101", "",  "3", "",  "Y", "Y",   "Y",
                    "0",    "5", "1", "T",    "T", "3", "2", "0", "2083"};
  TCCScore good;
  good.CalculateScore(names, sound);
  EXPECT_EQ(good.TotalScore, 819 + 80 + 15 + 71 + 51 - 15 + 20 + 30 + 30 + 75 + 60 + 25 + 10);
  EXPECT_EQ(good.NegativeReasons, (Texts{"00-15=HomeTelephone"}));
  EXPECT_EQ(good.CreditLimit(2083), 3000);
  EXPECT_EQ(good.CreditLimit(700), 2000);
}

TEST(CreditLimit, FollowsTheGridToItsEdges) {
  const auto limit = [](int32_t total, int32_t income) {
    TCCScore card;
    card.TotalScore = total;
    return card.CreditLimit(income);
  };
  EXPECT_EQ(limit(860, 750), 1000);
  EXPECT_EQ(limit(861, 751), 1750);
  EXPECT_EQ(limit(900, 1300), 1750);
  EXPECT_EQ(limit(901, 2000), 3000);
  EXPECT_EQ(limit(821, 2001), 2500);
  EXPECT_EQ(limit(821, 0), 1000);
  EXPECT_EQ(limit(900, 750), 1250);
  EXPECT_EQ(limit(901, 750), 2000);
  EXPECT_EQ(limit(901, 751), 2500);
  EXPECT_EQ(limit(860, 1301), 2000);
  EXPECT_EQ(limit(INT32_MAX, INT32_MAX), 3000);
  EXPECT_EQ(limit(821, -1), 0);
  EXPECT_EQ(limit(INT32_MAX, INT32_MIN), 0);
  EXPECT_EQ(limit(820, 1000), 0);
  EXPECT_EQ(limit(INT32_MIN, 1000), 0);
}

TEST(CreditLimit, AppliesToTheScoreOfTheLastCalculation) {
  TCCScore card;
  card.CalculateScore({}, {});
  for (int32_t income : {0, 500, 1500, 5000, INT32_MAX})
    EXPECT_EQ(card.CreditLimit(income), 0);
  card.CalculateScore({"MaritalStatus"}, {"M"});
  EXPECT_EQ(card.TotalScore, 834);
  EXPECT_EQ(card.CreditLimit(500), 1000);
  EXPECT_EQ(card.CreditLimit(1500), 2000);
}

}  // namespace
}  // namespace solvara
