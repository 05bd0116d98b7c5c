// The coding of the questionnaire's answers into the scorecard's names and values.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "questionnaire/AnswerCoding.h"
#include "scoring/BCCScoreU.h"

namespace solvara {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries Code(const TAnswers& answers, int32_t* income = nullptr) {
  std::vector<std::string> names{"stale"};
  std::vector<std::string> values{"stale"};
  int32_t monthly = 4321;  // must be reset, whatever the salary
  BuildUpValues(answers, names, values, monthly);
  if (income != nullptr)
    *income = monthly;
  EXPECT_EQ(names.size(), values.size());
  Entries entries;
  for (size_t i = 0; i < names.size() && i < values.size(); ++i) {
    entries.emplace_back(names[i], values[i]);
  }
  return entries;
}

std::string ValueOf(const Entries& entries, const std::string& name) {
  for (const auto& [n, v] : entries) {
    if (n == name)
      return v;
  }
  return "absent";
}

TEST(AnswerCoding, StartStateAndSliderEnds) {
  int32_t income = -1;
  EXPECT_EQ(Code(TAnswers{}, &income), (Entries{{"Age", "1801"},
                                                {"MaritalStatus", "S"},
                                                {"TimeAtAddress", "001"},
                                                {"HomeTelephone", "N"},
                                                {"ChargeCardAccountsHeld", "0"}}));
  EXPECT_EQ(income, 0);

  TAnswers top;
  top.Age = 66;
  top.YearsAtAddress = 21;
  top.ChargeCards = 6;
  top.LiveAccounts = 9;
  const Entries entries = Code(top);
  EXPECT_EQ(ValueOf(entries, "Age"), "6601");
  EXPECT_EQ(ValueOf(entries, "TimeAtAddress"), "2101");
  EXPECT_EQ(ValueOf(entries, "ChargeCardAccountsHeld"), "6");
  EXPECT_EQ(ValueOf(entries, "LiveCreditAccounts"), "9");
}

TEST(AnswerCoding, TelephoneCountsOnlyWhenBlankAfterTrimming) {
  for (const char* blank : {"   ", "\t", " \r\n ", "\x01\x1F"}) {
    TAnswers answers;
    answers.Telephone = blank;
    EXPECT_EQ(ValueOf(Code(answers), "HomeTelephone"), "N") << blank;
  }
  // A no-break space (U+00A0) is a character, not a blank.
  for (const char* given : {"x", " 0 ", "\xC2\xA0"}) {
    TAnswers answers;
    answers.Telephone = given;
    EXPECT_EQ(ValueOf(Code(answers), "HomeTelephone"), "absent") << given;
  }
}

TEST(AnswerCoding, OccupationCodesAndTheYearsInJobQuestion) {
  const char* const codes[] = {"1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "11",
                               "12", "13", "14", "16", "21", "22", "23", "24", "25", "26",
                               "31", "32", "33", "41", "42", "43", "44", "45", "0"};
  ASSERT_EQ(OccupationTexts().size(), std::size(codes));
  EXPECT_EQ(OccupationTexts()[7], "Unemployed");
  for (int32_t entry = -2; entry <= 29; ++entry) {
    TAnswers answers;
    answers.Occupation = entry;
    answers.YearsInJob = 10;
    const Entries entries = Code(answers);
    const bool listed = entry >= 0 && entry <= 28;
    const bool hasJob =
        listed && entry != 0 && entry != 1 && entry != 2 && entry != 3 && entry != 7;
    EXPECT_EQ(YearsInJobEnabled(entry), hasJob) << entry;
    EXPECT_EQ(ValueOf(entries, "Occupation"), listed ? codes[entry] : "absent") << entry;
    EXPECT_EQ(ValueOf(entries, "TimeInJob"), hasJob ? "1001" : "absent") << entry;
  }
}

TEST(SalaryReading, AmountsAsPeopleTypeThem) {
  const struct {
    const char* salary;
    bool usable;
    int32_t monthly;
  } cases[] = {
      // clang-format off
      {"\u00A325,000.99", true, 2083}, {"25 000", true, 2083},   {"$30000", true, 2500},
      {"30000\u20AC", true, 2500},      {"\u00A3\u20AC$ 1,200", true, 100},
      {"12.000", true, 1},              {"11", true, 0},          {"2147483647", true, 178956970},
      {"", false, 0},                   {".99", false, 0},        {"25k", false, 0},
      {"-5000", false, 0},              {"2147483648", false, 0},
      // Only whole UTF-8 currency signs go: a single-byte pound sign, characters that
      // merely end in a sign's last byte ("\u00E3" C3 A3, "\u012C" C4 AC), a broken
      // euro sign and other currencies all stay and make the amount unreadable.
      {"\xA3 1200", false, 0},          {"1200\u00E3", false, 0}, {"1200\u012C", false, 0},
      {"\xE2\x82 1200", false, 0},       {"\u00A5 1200", false, 0},
      // clang-format on
  };
  for (const auto& c : cases) {
    int32_t monthly = -1;
    EXPECT_EQ(ReadMonthlyIncome(c.salary, monthly), c.usable) << c.salary;
    EXPECT_EQ(monthly, c.monthly) << c.salary;

    TAnswers answers;
    answers.Salary = c.salary;
    int32_t income = -1;
    const Entries entries = Code(answers, &income);
    EXPECT_EQ(income, c.monthly) << c.salary;
    if (c.usable) {
      EXPECT_EQ(entries.back(), (std::pair<std::string, std::string>("MonthlyNetIncome",
                                                                     std::to_string(c.monthly))));
    } else {
      EXPECT_EQ(ValueOf(entries, "MonthlyNetIncome"), "absent");
    }
  }
}

// Every combination of the choices, with sliders at their ends and in between: the
// lists keep the coding order without repeats and score without a single error.
TEST(AnswerCoding, EveryAnswerSetScoresWithoutErrors) {
  std::vector<std::string> order;
  std::istringstream coding(
      "Age MaritalStatus ResidentialStatus TimeAtAddress HomeTelephone Occupation TimeInJob "
      "VisaCardHeld AccessMastercardHeld ChequeCardHeld ChargeCardAccountsHeld "
      "LiveCreditAccounts WorstStatusofLiveAccounts DefaultAccounts CCJS SettledCreditAccounts "
      "NamesMatchingonElectoralRoll YearsSinceLastRegistered MonthlyNetIncome");
  for (std::string name; coding >> name;)
    order.push_back(name);
  for (int32_t occupation = -1; occupation <= 28; ++occupation) {
    for (int v = 0; v < 12; ++v) {
      TAnswers a;
      a.Occupation = occupation;
      a.Age = 18 + (v * 7 + occupation + 1) % 49;
      a.Marital = static_cast<MaritalChoice>(v % 4);
      a.Residential = static_cast<ResidentialChoice>(v % 6);
      a.YearsAtAddress = (v * 5) % 22;
      a.YearsInJob = (v * 3 + occupation + 1) % 22;
      a.Telephone = v % 2 ? "01234" : "";
      a.Visa = a.MissedPayments = static_cast<YesNoChoice>(v % 3);
      a.MasterCard = static_cast<YesNoChoice>((v + 1) % 3);
      a.ChequeCard = static_cast<YesNoChoice>((v + 2) % 3);
      a.ChargeCards = v % 7;
      a.LiveAccounts = (v + occupation + 1) % 10;
      a.DefaultedAccounts = static_cast<CountChoice>(v % 4);
      a.CountyCourtJudgements = static_cast<CountChoice>((v + 1) % 4);
      a.SettledAccounts = static_cast<SettledChoice>(v % 5);
      a.ElectoralRegister = static_cast<ElectoralChoice>(v % 4);
      a.Salary = v % 3 ? std::to_string(v * 9001) : "n/a";

      std::vector<std::string> names;
      std::vector<std::string> values;
      const Entries entries = Code(a);
      size_t position = 0;
      for (const auto& [name, value] : entries) {
        while (position < order.size() && order[position] != name)
          ++position;
        ASSERT_LT(position++, order.size()) << name << " out of order or repeated";
        ASSERT_FALSE(value.empty()) << name;
        names.push_back(name);
        values.push_back(value);
      }
      TCCScore card;
      card.CalculateScore(names, values);
      EXPECT_TRUE(!card.Errors || card.Errors->empty())
          << "occupation " << occupation << " variant " << v << ": " << card.Errors->front();
    }
  }
}

}  // namespace
}  // namespace solvara
