// solvara-report's argument handling and output, run in-process.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/ReportCli.h"
#include "report/ReportText.h"

namespace solvara {
namespace {

using Args = std::vector<std::string>;

TEST(ReportCli, EveryKeyReachesItsCodedEntry) {
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {
      {"age=040", "Age=4001\n"},                  {"marital=married", "MaritalStatus=M\n"},
      {"marital=divorced", "MaritalStatus=W\n"},  {"marital=other", "MaritalStatus=X\n"},
      {"salary=\u00A325,000.99", "MonthlyNetIncome=2083\nMonthlyIncome=2083\n"},
      {"residential=tenant", "ResidentialStatus=T\n"}, {"residential=parents", "ResidentialStatus=P\n"},
      {"residential=owner", "ResidentialStatus=O\n"},  {"residential=local-authority", "ResidentialStatus=A\n"},
      {"residential=other", "ResidentialStatus=X\n"},  {"address-years=21", "TimeAtAddress=2101\n"},
      {"occupation=28", "Occupation=0\nTimeInJob=001\n"}, {"visa=yes", "VisaCardHeld=Y\n"},
      {"mastercard=yes", "AccessMastercardHeld=Y\n"}, {"cheque-card=yes", "ChequeCardHeld=Y\n"},
      {"charge-cards=6", "ChargeCardAccountsHeld=6\n"}, {"live-accounts=9", "LiveCreditAccounts=9\n"},
      {"missed-payments=yes", "WorstStatusofLiveAccounts=2\n"},
      {"defaults=yes", "DefaultAccounts=1\n"},    {"defaults=more-than-one", "DefaultAccounts=2\n"},
      {"ccj=yes", "CCJS=1\n"},                    {"ccj=more-than-one", "CCJS=2\n"},
      {"settled=1", "SettledCreditAccounts=1\n"}, {"settled=2", "SettledCreditAccounts=2\n"},
      {"settled=more-than-2", "SettledCreditAccounts=3\n"},
      {"electoral=yes", "NamesMatchingonElectoralRoll=1\nMonthlyIncome"},
      {"electoral=over-5-years", "NamesMatchingonElectoralRoll=1\nYearsSinceLastRegistered=6\n"}};
  // clang-format on
  for (const auto& [arg, coded] : cases) {
    const CliOutcome outcome = RunReportCli({"--codes", arg});
    EXPECT_EQ(outcome.exitCode, 0) << arg << ": " << outcome.err;
    EXPECT_NE(outcome.out.find(coded), std::string::npos) << arg << " gave\n" << outcome.out;
  }
  // Answers that code nothing, and the start state's own values, change nothing.
  const std::string start = RunReportCli({"--codes"}).out;
  for (const char* same : {"visa=no", "settled=no", "electoral=no", "telephone=", "age=18",
                           "marital=single", "job-years=21"}) {
    EXPECT_EQ(RunReportCli({"--codes", same}).out, start) << same;
  }
  EXPECT_EQ(RunReportCli({"--codes", "telephone=0", "salary=a=b"}).out.find("HomeTelephone"),
            std::string::npos);
}

TEST(ReportCli, DocumentFormsMatchTheLibrary) {
  TAnswers answers;
  answers.Age = 30;
  answers.Salary = "18000";
  int32_t income = 0;
  const std::vector<std::string> lines = ReportLinesFor(answers, income);
  EXPECT_EQ(RunReportCli({"salary=18000", "age=30"}).out, SavedForm(lines));
  EXPECT_EQ(RunReportCli({"age=30", "--shown", "salary=18000"}).out, ShownForm(lines));
}

TEST(ReportCli, BadInputIsOneLineOnStandardErrorAndExitTwo) {
  const std::pair<Args, std::string> cases[] = {
      {{"colour=blue"}, "colour=blue"},
      {{"Age=40"}, "Age=40"},
      {{"age=17"}, "18 ... 66"},
      {{"age="}, "age="},
      {{"age=+40"}, "age=+40"},
      {{"age=99999999999999"}, "age=99999999999999"},
      {{"occupation=29"}, "0 ... 28"},
      {{"marital=Single"}, "single, married, divorced, other"},
      {{"settled=3"}, "no, 1, 2, more-than-2"},
      {{"age=40", "age=41"}, "age=41"},
      {{"age"}, "\"age\""},
      {{""}, "\"\""},
      {{"--bogus"}, "--bogus"},
      {{"--shown", "--shown"}, "--shown"},
      {{"--shown", "--codes"}, "--codes"},
      {{"--score", "--codes"}, "--score"},
      {{"--income", "5"}, "--income"},
      {{"--score", "--income"}, "--income"},
      {{"--score", "--income", "99999999999"}, "99999999999"},
      {{"--score", "--income", "1", "--income", "2"}, "--income"},
      {{"--score", "Age"}, "Age"},
      {{"line\nbreak=1"}, "line\\x0abreak=1"},
      {{"\r\x1b[2J"}, "\\x0d\\x1b[2J"}};
  for (const auto& [args, named] : cases) {
    const CliOutcome outcome = RunReportCli(args);
    const std::string label = testing::PrintToString(args);
    EXPECT_EQ(outcome.exitCode, 2) << label;
    EXPECT_EQ(outcome.out, "") << label;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << label;
    EXPECT_EQ(outcome.err.find('\r'), std::string::npos) << label;
    EXPECT_EQ(outcome.err.back(), '\n') << label;
    EXPECT_NE(outcome.err.find(named), std::string::npos) << label << outcome.err;
  }
  const CliOutcome help = RunReportCli({"age=40", "--help", "bogus"});
  EXPECT_EQ(help.exitCode, 0);
  for (const char* listed :
       {"  cheque-card", "  electoral", "over-5-years", "Other White Collar"}) {
    EXPECT_NE(help.out.find(listed), std::string::npos) << listed;
  }
}

nlohmann::ordered_json Score(const Args& args) {
  const CliOutcome outcome = RunReportCli(args);
  EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
  return nlohmann::ordered_json::parse(outcome.out);
}

TEST(ReportCliScore, ScoresEntriesInArgumentOrder) {
  nlohmann::ordered_json result = Score({"--score", "MaritalStatus=M", "--income", "1500"});
  std::vector<std::string> keys;
  for (const auto& item : result.items())
    keys.push_back(item.key());
  EXPECT_EQ(keys, (Args{"TotalScore", "CutOff", "PositiveReasons", "NegativeReasons", "Errors",
                        "CreditLimit"}));
  EXPECT_EQ(result["TotalScore"], 834);
  EXPECT_EQ(result["PositiveReasons"], nlohmann::ordered_json::array({"00015=MaritalStatus"}));
  EXPECT_TRUE(result["Errors"].is_null());
  EXPECT_EQ(result["CreditLimit"], 2000);
  EXPECT_EQ(Score({"--score", "MaritalStatus=M"})["CreditLimit"], 1000);
  EXPECT_EQ(Score({"--score"})["TotalScore"], 819);

  // The last argument is scored first; one that cannot be placed ends the calculation.
  result = Score({"--score", "Age=1800", "Colour=a=b", "MaritalStatus=M"});
  EXPECT_EQ(result["TotalScore"], 834);
  EXPECT_EQ(result["Errors"],
            nlohmann::ordered_json::array({"Error with Colour and a=b, Name not recognised"}));
  EXPECT_EQ(Score({"--score", "SearchesL12m=1", "SearchesL12m=1"})["TotalScore"], 819 - 26);
}

TEST(ReportCliScore, BytesThatAreNotUtf8AreReplacedNotFatal) {
  const CliOutcome outcome = RunReportCli({"--score", "N\xFF\xC3=v\xC0\x80", "Age=\xE2\x82"});
  EXPECT_EQ(outcome.exitCode, 0);
  const nlohmann::json result = nlohmann::json::parse(outcome.out);
  const std::string message = result["Errors"].at(0);
  EXPECT_NE(message.find("\xEF\xBF\xBD"), std::string::npos);  // U+FFFD
  EXPECT_EQ(message.find('\xFF'), std::string::npos);
}

}  // namespace
}  // namespace solvara
