// The coding of the questionnaire's answers into the scorecard's names and values.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "questionnaire/AnswerCoding.h"
#include "scoring/BCCScoreU.h"

namespace solvara {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

struct Coded {
  Entries entries;
  int32_t income = -999;
};

Coded Code(const TAnswers& answers) {
  std::vector<std::string> names;
  std::vector<std::string> values;
  Coded coded;
  BuildUpValues(answers, names, values, coded.income);
  EXPECT_EQ(names.size(), values.size());
  for (size_t i = 0; i < names.size() && i < values.size(); ++i) {
    coded.entries.emplace_back(names[i], values[i]);
  }
  return coded;
}

// The value coded for a name, or "absent".
std::string ValueOf(const Coded& coded, const std::string& name) {
  for (const auto& [n, v] : coded.entries) {
    if (n == name)
      return v;
  }
  return "absent";
}

TEST(AnswerCoding, StartStateGivesTheFiveAlwaysCodedEntries) {
  const Coded coded = Code(TAnswers{});
  const Entries expected = {{"Age", "1801"},
                            {"MaritalStatus", "S"},
                            {"TimeAtAddress", "001"},
                            {"HomeTelephone", "N"},
                            {"ChargeCardAccountsHeld", "0"}};
  EXPECT_EQ(coded.entries, expected);
  EXPECT_EQ(coded.income, 0);
}

TEST(AnswerCoding, SlidersUseYearsAndMonthsFormAndTopPositionsAsNumbers) {
  TAnswers answers;
  answers.Age = 66;
  answers.YearsAtAddress = 21;
  answers.ChargeCards = 6;
  answers.LiveAccounts = 9;
  Coded coded = Code(answers);
  EXPECT_EQ(ValueOf(coded, "Age"), "6601");
  EXPECT_EQ(ValueOf(coded, "TimeAtAddress"), "2101");
  EXPECT_EQ(ValueOf(coded, "ChargeCardAccountsHeld"), "6");
  EXPECT_EQ(ValueOf(coded, "LiveCreditAccounts"), "9");

  answers.Age = 40;
  answers.YearsAtAddress = 5;
  answers.LiveAccounts = 0;
  coded = Code(answers);
  EXPECT_EQ(ValueOf(coded, "Age"), "4001");
  EXPECT_EQ(ValueOf(coded, "TimeAtAddress"), "501");
  EXPECT_EQ(ValueOf(coded, "LiveCreditAccounts"), "absent");
}

TEST(AnswerCoding, PositionsOutsideASlidersRangeAreHeldAtItsEnds) {
  TAnswers answers;
  answers.Age = 3;
  answers.YearsAtAddress = 99;
  answers.ChargeCards = -4;
  answers.LiveAccounts = 40;
  const Coded coded = Code(answers);
  EXPECT_EQ(ValueOf(coded, "Age"), "1801");
  EXPECT_EQ(ValueOf(coded, "TimeAtAddress"), "2101");
  EXPECT_EQ(ValueOf(coded, "ChargeCardAccountsHeld"), "0");
  EXPECT_EQ(ValueOf(coded, "LiveCreditAccounts"), "9");
}

TEST(AnswerCoding, MaritalAndResidentialChoices) {
  const std::pair<MaritalChoice, const char*> marital[] = {{MaritalChoice::Single, "S"},
                                                           {MaritalChoice::Married, "M"},
                                                           {MaritalChoice::Divorced, "W"},
                                                           {MaritalChoice::Other, "X"}};
  for (const auto& [choice, code] : marital) {
    TAnswers answers;
    answers.Marital = choice;
    EXPECT_EQ(ValueOf(Code(answers), "MaritalStatus"), code);
  }
  const std::pair<ResidentialChoice, const char*> residential[] = {
      {ResidentialChoice::None, "absent"},         {ResidentialChoice::Tenant, "T"},
      {ResidentialChoice::LivingWithParents, "P"}, {ResidentialChoice::Owner, "O"},
      {ResidentialChoice::LocalAuthority, "A"},    {ResidentialChoice::Other, "X"}};
  for (const auto& [choice, code] : residential) {
    TAnswers answers;
    answers.Residential = choice;
    EXPECT_EQ(ValueOf(Code(answers), "ResidentialStatus"), code);
  }
}

TEST(AnswerCoding, TelephoneCountsOnlyWhenBlankAfterTrimming) {
  for (const char* blank : {"", "   ", "\t", " \r\n ", "\x01\x1F "}) {
    TAnswers answers;
    answers.Telephone = blank;
    EXPECT_EQ(ValueOf(Code(answers), "HomeTelephone"), "N") << "telephone: " << blank;
  }
  // A no-break space (U+00A0) is a character, not a blank; any given text is enough.
  for (const char* given : {"x", " 0 ", "\xC2\xA0", "\t01234 567890\r"}) {
    TAnswers answers;
    answers.Telephone = given;
    EXPECT_EQ(ValueOf(Code(answers), "HomeTelephone"), "absent") << "telephone: " << given;
  }
}

TEST(AnswerCoding, OccupationListCodesAndTheYearsInJobQuestion) {
  const std::vector<std::string> codes = {
      "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "11", "12", "13", "14", "16", "21",
      "22", "23", "24", "25", "26", "31", "32", "33", "41", "42", "43", "44", "45", "0"};
  const std::set<int32_t> withoutJob = {0, 1, 2, 3, 7};
  ASSERT_EQ(OccupationTexts().size(), codes.size());
  EXPECT_EQ(OccupationTexts().front(), "Sick / Disabled");
  EXPECT_EQ(OccupationTexts()[7], "Unemployed");
  EXPECT_EQ(OccupationTexts()[15], "Lower Prof");
  EXPECT_EQ(OccupationTexts().back(), "Other");

  for (int32_t entry = 0; entry < static_cast<int32_t>(codes.size()); ++entry) {
    TAnswers answers;
    answers.Occupation = entry;
    answers.YearsInJob = 10;
    const Coded coded = Code(answers);
    const bool hasJob = withoutJob.count(entry) == 0;
    EXPECT_EQ(YearsInJobEnabled(entry), hasJob) << "entry " << entry;
    EXPECT_EQ(ValueOf(coded, "Occupation"), codes[static_cast<size_t>(entry)]) << "entry " << entry;
    EXPECT_EQ(ValueOf(coded, "TimeInJob"), hasJob ? "1001" : "absent") << "entry " << entry;
  }
  for (int32_t outside : {-1, -2, 29, 1000}) {
    TAnswers answers;
    answers.Occupation = outside;
    answers.YearsInJob = 10;
    const Coded coded = Code(answers);
    EXPECT_FALSE(YearsInJobEnabled(outside));
    EXPECT_EQ(ValueOf(coded, "Occupation"), "absent");
    EXPECT_EQ(ValueOf(coded, "TimeInJob"), "absent");
  }
}

TEST(AnswerCoding, OnlyAffirmativeCreditAnswersAreCoded) {
  TAnswers no;
  no.Visa = no.MasterCard = no.ChequeCard = no.MissedPayments = YesNoChoice::No;
  no.DefaultedAccounts = no.CountyCourtJudgements = CountChoice::No;
  no.SettledAccounts = SettledChoice::No;
  no.ElectoralRegister = ElectoralChoice::No;
  EXPECT_EQ(Code(no).entries, Code(TAnswers{}).entries);

  TAnswers yes;
  yes.Visa = yes.MasterCard = yes.ChequeCard = yes.MissedPayments = YesNoChoice::Yes;
  yes.DefaultedAccounts = CountChoice::Yes;
  yes.CountyCourtJudgements = CountChoice::MoreThanOne;
  yes.SettledAccounts = SettledChoice::MoreThanTwo;
  yes.ElectoralRegister = ElectoralChoice::Yes;
  const Coded coded = Code(yes);
  EXPECT_EQ(ValueOf(coded, "VisaCardHeld"), "Y");
  EXPECT_EQ(ValueOf(coded, "AccessMastercardHeld"), "Y");
  EXPECT_EQ(ValueOf(coded, "ChequeCardHeld"), "Y");
  EXPECT_EQ(ValueOf(coded, "WorstStatusofLiveAccounts"), "2");
  EXPECT_EQ(ValueOf(coded, "DefaultAccounts"), "1");
  EXPECT_EQ(ValueOf(coded, "CCJS"), "2");
  EXPECT_EQ(ValueOf(coded, "SettledCreditAccounts"), "3");
  EXPECT_EQ(ValueOf(coded, "NamesMatchingonElectoralRoll"), "1");
  EXPECT_EQ(ValueOf(coded, "YearsSinceLastRegistered"), "absent");

  yes.DefaultedAccounts = CountChoice::MoreThanOne;
  yes.CountyCourtJudgements = CountChoice::Yes;
  yes.SettledAccounts = SettledChoice::One;
  EXPECT_EQ(ValueOf(Code(yes), "DefaultAccounts"), "2");
  EXPECT_EQ(ValueOf(Code(yes), "CCJS"), "1");
  EXPECT_EQ(ValueOf(Code(yes), "SettledCreditAccounts"), "1");
  yes.SettledAccounts = SettledChoice::Two;
  EXPECT_EQ(ValueOf(Code(yes), "SettledCreditAccounts"), "2");
}

TEST(AnswerCoding, RegisteredOverFiveYearsAgoGivesTwoEntriesInOrder) {
  TAnswers answers;
  answers.ElectoralRegister = ElectoralChoice::Over5Years;
  const Entries entries = Code(answers).entries;
  const Entries expected = {{"NamesMatchingonElectoralRoll", "1"},
                            {"YearsSinceLastRegistered", "6"}};
  ASSERT_GE(entries.size(), 2u);
  EXPECT_EQ(Entries(entries.end() - 2, entries.end()), expected);
}

// --- salary ---------------------------------------------------------------------

struct SalaryCase {
  const char* salary;
  bool usable;
  int32_t monthly;
};

TEST(SalaryReading, AmountsAsPeopleTypeThem) {
  const SalaryCase cases[] = {
      {"\xC2\xA3"
       "25,000.99",
       true, 2083},
      {"25,000", true, 2083},
      {"25 000", true, 2083},
      {"$30000", true, 2500},
      {"30000\xE2\x82\xAC", true, 2500},
      {"\xE2\x82\xAC 30.000,00", true, 2},  // the full stop ends the number
      {"12.000", true, 1},
      {"11", true, 0},
      {"0", true, 0},
      {"12", true, 1},
      {"1.2.3", true, 0},
      {"2147483647", true, 178956970},
      {"", false, 0},
      {".99", false, 0},
      {"25k", false, 0},
      {"plenty", false, 0},
      {"-5000", false, 0},
      {"2147483648", false, 0},
      {"99999999999999999999", false, 0},
  };
  for (const SalaryCase& c : cases) {
    int32_t monthly = -1;
    EXPECT_EQ(ReadMonthlyIncome(c.salary, monthly), c.usable) << "salary: " << c.salary;
    EXPECT_EQ(monthly, c.monthly) << "salary: " << c.salary;
  }
}

TEST(SalaryReading, OnlyWholeCurrencySignsAreRemoved) {
  int32_t monthly = -1;
  // The pound sign typed in a single-byte code page is not U+00A3 in UTF-8.
  EXPECT_FALSE(
      ReadMonthlyIncome("\xA3"
                        "1200",
                        monthly));
  // "ã" (C3 A3) ends in the pound sign's last byte and "Ĭ" (C4 AC) in the euro's.
  EXPECT_FALSE(ReadMonthlyIncome("1200\xC3\xA3", monthly));
  EXPECT_FALSE(ReadMonthlyIncome("1200\xC4\xAC", monthly));
  EXPECT_FALSE(
      ReadMonthlyIncome("\xC2"
                        "1200",
                        monthly));
  EXPECT_FALSE(
      ReadMonthlyIncome("\xE2\x82"
                        "1200",
                        monthly));
  // Other currency signs stay and make the amount unreadable.
  EXPECT_FALSE(
      ReadMonthlyIncome("\xC2\xA5"
                        "1200",
                        monthly));
  EXPECT_EQ(monthly, 0);
  EXPECT_TRUE(ReadMonthlyIncome("\xC2\xA3\xE2\x82\xAC$ 1,200", monthly));
  EXPECT_EQ(monthly, 100);
}

TEST(SalaryReading, IncomeEntryComesLastAndEqualsTheIncome) {
  TAnswers answers;
  answers.Salary =
      "\xC2\xA3"
      "25,000.99";
  answers.ElectoralRegister = ElectoralChoice::Over5Years;
  Coded coded = Code(answers);
  ASSERT_FALSE(coded.entries.empty());
  EXPECT_EQ(coded.entries.back(),
            std::make_pair(std::string("MonthlyNetIncome"), std::string("2083")));
  EXPECT_EQ(coded.income, 2083);

  answers.Salary = "11";
  coded = Code(answers);
  EXPECT_EQ(ValueOf(coded, "MonthlyNetIncome"), "0");
  EXPECT_EQ(coded.income, 0);
}

TEST(SalaryReading, UnusableSalaryResetsAnEarlierIncome) {
  TAnswers answers;
  answers.Salary = "lots";
  std::vector<std::string> names{"stale"};
  std::vector<std::string> values{"stale"};
  int32_t income = 4321;
  BuildUpValues(answers, names, values, income);
  EXPECT_EQ(income, 0);
  EXPECT_EQ(names.front(), "Age");
  EXPECT_EQ(ValueOf(Code(answers), "MonthlyNetIncome"), "absent");
}

// --- the lists as a whole ----------------------------------------------------------

// Every combination of the choices, with sliders at both ends and in between: the lists
// are parallel, free of repeated names, in the coding table's order, and score without
// a single error on the credit-card scorecard.
TEST(AnswerCoding, EveryAnswerSetScoresWithoutErrors) {
  const std::vector<std::string> order = {"Age",
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
  int sets = 0;
  for (int32_t occupation = -1; occupation <= 28; ++occupation) {
    for (int variant = 0; variant < 12; ++variant) {
      TAnswers a;
      a.Occupation = occupation;
      a.Age = 18 + (variant * 7 + occupation + 1) % 49;
      a.Marital = static_cast<MaritalChoice>(variant % 4);
      a.Residential = static_cast<ResidentialChoice>(variant % 6);
      a.YearsAtAddress = (variant * 5) % 22;
      a.YearsInJob = (variant * 3 + occupation + 1) % 22;
      a.Telephone = variant % 2 ? "01234" : "";
      a.Visa = static_cast<YesNoChoice>(variant % 3);
      a.MasterCard = static_cast<YesNoChoice>((variant + 1) % 3);
      a.ChequeCard = static_cast<YesNoChoice>((variant + 2) % 3);
      a.ChargeCards = variant % 7;
      a.LiveAccounts = (variant + occupation + 1) % 10;
      a.MissedPayments = static_cast<YesNoChoice>(variant % 3);
      a.DefaultedAccounts = static_cast<CountChoice>(variant % 4);
      a.CountyCourtJudgements = static_cast<CountChoice>((variant + 1) % 4);
      a.SettledAccounts = static_cast<SettledChoice>(variant % 5);
      a.ElectoralRegister = static_cast<ElectoralChoice>(variant % 4);
      a.Salary = variant % 3 ? std::to_string(variant * 9001) : "n/a";

      std::vector<std::string> names;
      std::vector<std::string> values;
      int32_t income = 0;
      BuildUpValues(a, names, values, income);
      ASSERT_EQ(names.size(), values.size());
      size_t position = 0;
      for (size_t i = 0; i < names.size(); ++i) {
        while (position < order.size() && order[position] != names[i])
          ++position;
        ASSERT_LT(position, order.size()) << names[i] << " out of order or repeated";
        ++position;
        ASSERT_FALSE(values[i].empty()) << names[i];
      }
      TCCScore card;
      card.CalculateScore(names, values);
      EXPECT_FALSE(card.Errors.has_value() && !card.Errors->empty())
          << "occupation " << occupation << " variant " << variant << ": " << card.Errors->front();
      ++sets;
    }
  }
  EXPECT_EQ(sets, 30 * 12);
}

TEST(AnswerCoding, RepeatedCallsReplaceTheListsWithEqualOnes) {
  TAnswers answers;
  answers.Occupation = 15;
  answers.Salary = "30000";
  std::vector<std::string> names;
  std::vector<std::string> values;
  int32_t income = 0;
  BuildUpValues(answers, names, values, income);
  const auto firstNames = names;
  const auto firstValues = values;
  BuildUpValues(answers, names, values, income);
  EXPECT_EQ(names, firstNames);
  EXPECT_EQ(values, firstValues);
  EXPECT_EQ(income, 2500);
}

}  // namespace
}  // namespace solvara
