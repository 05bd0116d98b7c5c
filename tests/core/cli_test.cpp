// solvara-report's argument handling and output, run in-process.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/ReportCli.h"
#include "report/ReportText.h"

namespace solvara {
namespace {

using Args = std::vector<std::string>;

std::string CodesOf(const TAnswers& answers) {
  std::vector<std::string> names;
  std::vector<std::string> values;
  int32_t income = 0;
  BuildUpValues(answers, names, values, income);
  std::string text;
  for (size_t i = 0; i < names.size(); ++i)
    text += names[i] + "=" + values[i] + "\n";
  return text + "MonthlyIncome=" + std::to_string(income) + "\n";
}

TEST(ReportCli, EveryKeySetsItsOwnAnswer) {
  struct Case {
    std::string arg;
    std::function<void(TAnswers&)> set;
  };
  const Case cases[] = {
      {"age=18", [](TAnswers& a) { a.Age = 18; }},
      {"age=66", [](TAnswers& a) { a.Age = 66; }},
      {"age=040", [](TAnswers& a) { a.Age = 40; }},
      {"marital=single", [](TAnswers& a) { a.Marital = MaritalChoice::Single; }},
      {"marital=married", [](TAnswers& a) { a.Marital = MaritalChoice::Married; }},
      {"marital=divorced", [](TAnswers& a) { a.Marital = MaritalChoice::Divorced; }},
      {"marital=other", [](TAnswers& a) { a.Marital = MaritalChoice::Other; }},
      {"salary=\xC2\xA3"
       "25,000.99",
       [](TAnswers& a) {
         a.Salary =
             "\xC2\xA3"
             "25,000.99";
       }},
      {"salary=a=b", [](TAnswers& a) { a.Salary = "a=b"; }},
      {"residential=tenant", [](TAnswers& a) { a.Residential = ResidentialChoice::Tenant; }},
      {"residential=parents",
       [](TAnswers& a) { a.Residential = ResidentialChoice::LivingWithParents; }},
      {"residential=owner", [](TAnswers& a) { a.Residential = ResidentialChoice::Owner; }},
      {"residential=local-authority",
       [](TAnswers& a) { a.Residential = ResidentialChoice::LocalAuthority; }},
      {"residential=other", [](TAnswers& a) { a.Residential = ResidentialChoice::Other; }},
      {"address-years=21", [](TAnswers& a) { a.YearsAtAddress = 21; }},
      {"telephone=0123", [](TAnswers& a) { a.Telephone = "0123"; }},
      {"telephone=", [](TAnswers& a) { a.Telephone = ""; }},
      {"occupation=0", [](TAnswers& a) { a.Occupation = 0; }},
      {"occupation=28", [](TAnswers& a) { a.Occupation = 28; }},
      {"visa=yes", [](TAnswers& a) { a.Visa = YesNoChoice::Yes; }},
      {"visa=no", [](TAnswers& a) { a.Visa = YesNoChoice::No; }},
      {"mastercard=yes", [](TAnswers& a) { a.MasterCard = YesNoChoice::Yes; }},
      {"cheque-card=yes", [](TAnswers& a) { a.ChequeCard = YesNoChoice::Yes; }},
      {"charge-cards=6", [](TAnswers& a) { a.ChargeCards = 6; }},
      {"live-accounts=9", [](TAnswers& a) { a.LiveAccounts = 9; }},
      {"missed-payments=yes", [](TAnswers& a) { a.MissedPayments = YesNoChoice::Yes; }},
      {"defaults=yes", [](TAnswers& a) { a.DefaultedAccounts = CountChoice::Yes; }},
      {"defaults=more-than-one",
       [](TAnswers& a) { a.DefaultedAccounts = CountChoice::MoreThanOne; }},
      {"ccj=yes", [](TAnswers& a) { a.CountyCourtJudgements = CountChoice::Yes; }},
      {"ccj=more-than-one",
       [](TAnswers& a) { a.CountyCourtJudgements = CountChoice::MoreThanOne; }},
      {"settled=1", [](TAnswers& a) { a.SettledAccounts = SettledChoice::One; }},
      {"settled=2", [](TAnswers& a) { a.SettledAccounts = SettledChoice::Two; }},
      {"settled=more-than-2", [](TAnswers& a) { a.SettledAccounts = SettledChoice::MoreThanTwo; }},
      {"electoral=yes", [](TAnswers& a) { a.ElectoralRegister = ElectoralChoice::Yes; }},
      {"electoral=over-5-years",
       [](TAnswers& a) { a.ElectoralRegister = ElectoralChoice::Over5Years; }},
  };
  for (const Case& c : cases) {
    TAnswers expected;
    c.set(expected);
    const CliOutcome outcome = RunReportCli({"--codes", c.arg});
    EXPECT_EQ(outcome.exitCode, 0) << c.arg << ": " << outcome.err;
    EXPECT_EQ(outcome.err, "") << c.arg;
    EXPECT_EQ(outcome.out, CodesOf(expected)) << c.arg;
  }
}

TEST(ReportCli, JobYearsCountOnlyForOccupationsWithAJob) {
  CliOutcome outcome = RunReportCli({"--codes", "job-years=10", "occupation=15"});
  EXPECT_NE(outcome.out.find("Occupation=22\nTimeInJob=1001\n"), std::string::npos);
  outcome = RunReportCli({"--codes", "occupation=7", "job-years=10"});
  EXPECT_NE(outcome.out.find("Occupation=8\n"), std::string::npos);
  EXPECT_EQ(outcome.out.find("TimeInJob"), std::string::npos);
  outcome = RunReportCli({"--codes", "job-years=10"});
  EXPECT_EQ(outcome.out.find("TimeInJob"), std::string::npos);
}

TEST(ReportCli, DocumentForms) {
  TAnswers answers;
  answers.Age = 30;
  answers.Salary = "18000";
  int32_t income = 0;
  const std::vector<std::string> lines = ReportLinesFor(answers, income);

  CliOutcome outcome = RunReportCli({"salary=18000", "age=30"});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.out, SavedForm(lines));
  outcome = RunReportCli({"age=30", "--shown", "salary=18000"});
  EXPECT_EQ(outcome.out, ShownForm(lines));
  EXPECT_NE(outcome.out.back(), '\n');

  outcome = RunReportCli({});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.out, SavedForm(ReportLinesFor(TAnswers{}, income)));

  outcome = RunReportCli({"--codes", "salary=11"});
  EXPECT_EQ(outcome.out,
            "Age=1801\nMaritalStatus=S\nTimeAtAddress=001\nHomeTelephone=N\n"
            "ChargeCardAccountsHeld=0\nMonthlyNetIncome=0\nMonthlyIncome=0\n");
}

TEST(ReportCli, BadInputIsOneLineOnStandardErrorAndExitTwo) {
  struct Case {
    Args args;
    std::string named;  // what the message must quote
  };
  const Case cases[] = {
      {{"colour=blue"}, "colour=blue"},
      {{"Age=40"}, "Age=40"},
      {{"age=17"}, "age=17"},
      {{"age=67"}, "age=67"},
      {{"age="}, "age="},
      {{"age=+40"}, "age=+40"},
      {{"age= 40"}, "age= 40"},
      {{"age=4O"}, "age=4O"},
      {{"age=99999999999999"}, "age=99999999999999"},
      {{"occupation=29"}, "occupation=29"},
      {{"occupation=-1"}, "occupation=-1"},
      {{"marital=Single"}, "marital=Single"},
      {{"settled=3"}, "settled=3"},
      {{"electoral=over5"}, "electoral=over5"},
      {{"age=40", "age=41"}, "age=41"},
      {{"visa=yes", "visa=yes"}, "visa=yes"},
      {{"age"}, "age"},
      {{""}, "\"\""},
      {{"--bogus"}, "--bogus"},
      {{"-x"}, "-x"},
      {{"--shown", "--shown"}, "--shown"},
      {{"--shown", "--codes"}, "--codes"},
      {{"--score", "--codes"}, "--score"},
      {{"--income", "5"}, "--income"},
      {{"--score", "--income"}, "--income"},
      {{"--score", "--income", "abc"}, "abc"},
      {{"--score", "--income", "99999999999"}, "99999999999"},
      {{"--score", "--income", "1", "--income", "2"}, "--income"},
      {{"--score", "Age"}, "Age"},
      {{"line\nbreak=1"}, "line\\x0abreak=1"},
      {{"age=40", "\r\x1b[2J"}, "\\x0d\\x1b[2J"},
  };
  for (const Case& c : cases) {
    const CliOutcome outcome = RunReportCli(c.args);
    const std::string label = testing::PrintToString(c.args);
    EXPECT_EQ(outcome.exitCode, 2) << label;
    EXPECT_EQ(outcome.out, "") << label;
    ASSERT_FALSE(outcome.err.empty()) << label;
    EXPECT_EQ(outcome.err.back(), '\n') << label;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << label;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\r'), 0) << label;
    EXPECT_NE(outcome.err.find(c.named), std::string::npos) << label << outcome.err;
  }
  // Messages say what is accepted.
  EXPECT_NE(RunReportCli({"age=17"}).err.find("18 ... 66"), std::string::npos);
  EXPECT_NE(RunReportCli({"marital=x"}).err.find("single, married, divorced, other"),
            std::string::npos);
  EXPECT_NE(RunReportCli({"x=1"}).err.find("cheque-card"), std::string::npos);
}

TEST(ReportCli, HelpListsEveryKey) {
  const CliOutcome outcome = RunReportCli({"age=40", "--help", "bogus"});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.err, "");
  for (const char* key :
       {"age", "marital", "salary", "residential", "address-years", "telephone", "occupation",
        "job-years", "visa", "mastercard", "cheque-card", "charge-cards", "live-accounts",
        "missed-payments", "defaults", "ccj", "settled", "electoral"}) {
    EXPECT_NE(outcome.out.find(std::string("  ") + key), std::string::npos) << key;
  }
  for (const char* value :
       {"local-authority", "over-5-years", "more-than-2", "Commercial Travellers,Reps"}) {
    EXPECT_NE(outcome.out.find(value), std::string::npos) << value;
  }
}

nlohmann::ordered_json ScoreJson(const Args& args) {
  const CliOutcome outcome = RunReportCli(args);
  EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
  EXPECT_EQ(outcome.out.back(), '\n');
  return nlohmann::ordered_json::parse(outcome.out);
}

TEST(ReportCliScore, ScoresEntriesInArgumentOrder) {
  nlohmann::ordered_json result = ScoreJson({"--score", "MaritalStatus=M", "--income", "500"});
  std::vector<std::string> keys;
  for (const auto& item : result.items())
    keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"TotalScore", "CutOff", "PositiveReasons",
                                            "NegativeReasons", "Errors", "CreditLimit"}));
  EXPECT_EQ(result["TotalScore"], 834);
  EXPECT_EQ(result["CutOff"], 821);
  EXPECT_EQ(result["PositiveReasons"], nlohmann::ordered_json::array({"00015=MaritalStatus"}));
  EXPECT_TRUE(result["NegativeReasons"].empty());
  EXPECT_TRUE(result["Errors"].is_null());
  EXPECT_EQ(result["CreditLimit"], 1000);

  EXPECT_EQ(ScoreJson({"--score", "--income", "1500", "MaritalStatus=M"})["CreditLimit"], 2000);
  EXPECT_EQ(ScoreJson({"--score", "MaritalStatus=M"})["CreditLimit"], 1000);

  result = ScoreJson({"--score"});
  EXPECT_EQ(result["TotalScore"], 819);
  EXPECT_EQ(result["CreditLimit"], 0);

  // Later arguments are scored first, and an unplaceable one stops the calculation.
  result = ScoreJson({"--score", "Age=1800", "Colour=a=b", "MaritalStatus=M"});
  EXPECT_EQ(result["TotalScore"], 834);
  EXPECT_EQ(result["Errors"],
            nlohmann::ordered_json::array({"Error with Colour and a=b, Name not recognised"}));
  // The same name may stand twice.
  result = ScoreJson({"--score", "SearchesL12m=1", "SearchesL12m=1"});
  EXPECT_EQ(result["TotalScore"], 819 - 26);
}

TEST(ReportCliScore, BytesThatAreNotUtf8AreReplacedNotFatal) {
  const CliOutcome outcome = RunReportCli({"--score", "N\xFF\xC3=v\xC0\x80", "Age=\xE2\x82"});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.err, "");
  const nlohmann::json result = nlohmann::json::parse(outcome.out);
  ASSERT_TRUE(result["Errors"].is_array());
  const std::string message = result["Errors"][0];
  EXPECT_NE(message.find("\xEF\xBF\xBD"), std::string::npos);  // U+FFFD
  EXPECT_EQ(message.find('\xFF'), std::string::npos);
}

}  // namespace
}  // namespace solvara
