// The coding of the answers, the analysis of a scored card, the report document and
// solvara-report run in-process. Whole documents are compared in tests/cli.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <tuple>

#include "cli/ReportCli.h"
#include "report/ReportText.h"

namespace solvara {
namespace {

using Lines = std::vector<std::string>;

// The coded lists as "Name=Value " pairs in order, then the monthly income. The lists
// and the income start out stale: the coding must replace them, not add to them.
std::string Coded(const TAnswers& answers) {
  Lines names{"stale"}, values{"stale", "stale"};
  int32_t income = 4321;
  BuildUpValues(answers, names, values, income);
  std::string out;
  for (size_t i = 0; i < std::max(names.size(), values.size()); ++i) {
    out += names.at(i) + "=" + values.at(i) + " ";
  }
  return out + "income=" + std::to_string(income);
}

const std::string kStart =
    "Age=1801 MaritalStatus=S TimeAtAddress=001 HomeTelephone=N ChargeCardAccountsHeld=0 ";

TEST(AnswerCoding, OccupationCodesAndTheYearsInJobQuestion) {
  const char* const codes[] = {"1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "11",
                               "12", "13", "14", "16", "21", "22", "23", "24", "25", "26",
                               "31", "32", "33", "41", "42", "43", "44", "45", "0"};
  ASSERT_EQ(OccupationTexts().size(), std::size(codes));
  EXPECT_EQ(OccupationTexts()[7], "Unemployed");
  for (int32_t entry = -2; entry <= 29; ++entry) {
    TAnswers a;
    a.Occupation = entry;
    a.YearsInJob = 10;
    const bool listed = entry >= 0 && entry <= 28;
    const bool job = listed && entry != 0 && entry != 1 && entry != 2 && entry != 3 && entry != 7;
    EXPECT_EQ(YearsInJobEnabled(entry), job) << entry;
    const std::string coded = (listed ? "Occupation=" + std::string(codes[entry]) + " " : "") +
                              (job ? "TimeInJob=1001 " : "") + "ChargeCardAccountsHeld=0";
    EXPECT_NE(Coded(a).find("HomeTelephone=N " + coded), std::string::npos) << entry;
  }
}

TEST(AnswerCoding, SalaryAsPeopleTypeIt) {
  // clang-format off
  const std::pair<const char*, int32_t> cases[] = {  // -1: no entry; "" is the start state
      {"", -1}, {"\u00A325,000.99", 2083}, {"25 000", 2083}, {"$30000", 2500},
      {"30000\u20AC", 2500}, {"\u00A3\u20AC$ 1,200", 100}, {"12.000", 1}, {"11", 0},
      {"2147483647", 178956970}, {".99", -1}, {"25k", -1}, {"-5000", -1}, {"2147483648", -1},
      // Only whole UTF-8 currency signs go: a lone Windows-1252 pound byte, characters
      // that merely end in a sign's last byte, a broken euro sign and other currencies
      // stay and make the amount unreadable.
      {"\xA3 1200", -1}, {"1200\u00E3", -1}, {"1200\u012C", -1}, {"\xE2\x82 1200", -1},
      {"\u00A5 1200", -1}};
  // clang-format on
  for (const auto& [salary, monthly] : cases) {
    TAnswers a;
    a.Salary = salary;
    const std::string n = std::to_string(monthly);
    EXPECT_EQ(Coded(a),
              kStart + (monthly < 0 ? "income=0" : "MonthlyNetIncome=" + n + " income=" + n))
        << salary;
  }
}

// A slider's words where the rule has its own (position -1: the opening text). An answer in
// its page's words is pinned by the ledgers of tests/cli (homeowner.explain.json).
TEST(Questions, AnswersInThePagesWords) {
  // clang-format off
  const std::tuple<const char*, int32_t, const char*> sliders[] = {
      {"age", 66, "Over 65 Years Old"}, {"age", 65, "65 Years Old"}, {"age", -1, "18 Years Old"},
      {"address-years", 0, "Less than 1 year"}, {"address-years", 1, "1 year"},
      {"address-years", 7, "7 years"}, {"address-years", 21, "Over 20 years"},
      {"address-years", -1, "Less than 1 Year"}, {"job-years", 0, "Less than a year"},
      {"job-years", 21, "Over 20 years"}, {"job-years", -1, "Less than 1 Year"},
      {"charge-cards", 0, "No cards held"}, {"charge-cards", 1, "1 charge card"},
      {"charge-cards", 2, "2 charge cards"}, {"charge-cards", 6, "Over 5 charge cards"},
      {"charge-cards", -1, "None"}, {"live-accounts", 0, "None"}, {"live-accounts", 1, "1 live account"},
      {"live-accounts", 4, "4 live accounts"}, {"live-accounts", 9, "Over 8 live accounts"},
      {"live-accounts", -1, "None"}};
  // clang-format on
  for (const auto& [key, position, text] : sliders) {
    const TQuestion& q = QuestionFor(key);
    EXPECT_EQ(position < 0 ? OpeningWords(q) : ValueInWords(q, position), text) << key << position;
  }
}

Lines Analysed(int32_t total, int32_t income, Lines positive = {}, Lines negative = {}) {
  TCCScore card;
  card.TotalScore = total;
  card.PositiveReasons = std::move(positive);
  card.NegativeReasons = std::move(negative);
  return AnalyseWhy(card, income);
}

// The paragraphs follow the three opening lines in order, each as "<h2>" + its start.
void ExpectParagraphs(const Lines& positive, const Lines& negative, const Lines& starts) {
  const Lines lines = Analysed(700, 0, positive, negative);
  ASSERT_EQ(lines.size(), 3 + starts.size()) << testing::PrintToString(lines);
  for (size_t i = 0; i < starts.size(); ++i) {
    EXPECT_EQ(lines[3 + i].rfind("<h2>" + starts[i], 0), 0u) << lines[3 + i];
  }
}

TEST(Report, DecisionRatingAndCreditLimitLines) {
  const std::string
      set = "If it were a credit card application, your credit limit would be set at ",
      none = "Your credit limit could not be estimated as your salary was not entered.<br>";
  // clang-format off
  const std::pair<int32_t, std::string> ratings[] = {  // from their lowest score on
      {INT32_MIN,
       "<b>Very poor.</b> You will have difficuly borrowing from reputable institutions."},
      {723, "<b>Very poor.</b>"},
      {766, "<b>Slightly poor</b> but small improvements will make a difference."},
      {821, "<b>Acceptable</b> but you may still be turned down by some institutions."},
      {861, "<b>Good.</b>"}, {901, "<b>Very good.</b>"},
      {942, "<b>Very good.</b> You should not have any problems getting credit."},
      {977, "<b>Extremely good.</b> You should not have any problems getting credit."},
      {1031, "<b>Excellent.</b> You are in the highest category."}};
  const std::tuple<int32_t, int32_t, std::string> limits[] = {{821, 0, none},
      {821, INT32_MIN, none}, {821, 1, set + "1000.<br>"}, {901, INT32_MAX, set + "3000.<br>"},
      {820, 1500, set + "0.<br>"}};
  // clang-format on
  for (size_t i = 0; i < std::size(ratings); ++i) {
    const int32_t last = i + 1 < std::size(ratings) ? ratings[i + 1].first - 1 : INT32_MAX;
    for (const int32_t total : {ratings[i].first, last}) {
      const Lines lines = Analysed(total, 0);
      ASSERT_EQ(lines.size(), 3u);
      EXPECT_EQ(lines[0], total >= 821 ? "It is expected that you would be <font color=\"#00FF00\">"
                                         "<b>accepted</b></font> for a loan or credit card.<br>"
                                       : "It is expected that you would be <font color=\"#FF0000\">"
                                         "<b>declined</b></font> a loan or credit card.<br><br>")
          << total;
      EXPECT_EQ(lines[1], "Your rating is considered to be :<br>" + ratings[i].second + "<br><br>");
    }
  }
  for (const auto& [total, income, line] : limits) {
    EXPECT_EQ(Analysed(total, income)[2], line) << total << " " << income;
  }
}

TEST(Report, ParagraphsByMagnitudeThenNameDescendingWhateverTheInputOrder) {
  // Each list starts sorted as plain text, where "0-220" < "00-15" < "000-5": the minus
  // sign must carry no weight.
  Lines positive = {"00030=AccessMastercardHeld", "00030=ResidentialStatus", "00030=VisaCardHeld",
                    "00051=TimeAtAddress",        "00075=ChequeCardHeld",    "00080=Age"};
  Lines negative = {"0-160=CCJS", "0-220=DefaultAccounts",   "00-15=HomeTelephone",
                    "00-42=Age",  "00-75=ResidentialStatus", "000-5=HomeTelephone"};
  for (int turn = 0; turn < 24; ++turn) {
    ExpectParagraphs(positive, negative,
                     {"Age</h2>Your age has helped", "Cheque Card</h2>", "Time at address</h2>",
                      "VISA Card</h2>", "Access or Mastercard</h2>", "Default Accounts</h2>",
                      "CCJs</h2>", "Address</h2>Local Authority", "Age</h2>Your age has reduced",
                      "Home telephone</h2>", "Home telephone</h2>"});
    std::next_permutation(positive.begin(), positive.end());
    std::next_permutation(negative.begin(), negative.end());
  }
}

TEST(Report, ParagraphConditionsOnPoints) {
  const std::string age = "Age</h2>Your age has reduced your credit score ";
  // clang-format off
  const std::tuple<bool, std::string, std::string> cases[] = {  // positive?, entry, paragraph
      {true, "00071=ResidentialStatus", "Address</h2>Being a home owner"},
      {true, "00051=ResidentialStatus", "Address</h2>Living with your parents"},
      {true, "00030=TimeInJob", "Time in job</h2>"}, {true, "00010=TimeInJob", ""},
      {true, "00033=LiveCreditAccounts", "Live credit accounts</h2>"},
      {true, "00025=LiveCreditAccounts", ""}, {true, "00012=SettledCreditAccounts", ""},
      {true, "00025=SettledCreditAccounts", "Settled credit accounts</h2>"},
      // Names match case-sensitively, points are plain decimals; no "=": all name, 0 points.
      {true, "00080=age", ""}, {true, "Age", "Age</h2>Your age has helped"},
      {true, "$1E=TimeInJob", ""}, {true, " 30=TimeInJob", ""}, {false, "00-41=Age", ""},
      {false, "00-82=Age", age + "considerably"}, {false, "00-81=Age", age + "slightly"},
      {false, "00-42=Age", age + "slightly"}, {false, "00-40=Occupation", ""},
      {false, "00-50=Occupation",
       "Occupation</h2>Being unemployed has reduced your rating considerably<br>"},
      {false, "00-30=Occupation", "Occupation</h2>Your occupation has reduced your rating<br>"},
      {false, "abc=CCJS", "CCJs</h2>"}, {false, "00-30=ChargeCardAccountsHeld", "Charge cards"},
      {false, "00-20=ChargeCardAccountsHeld", ""}, {false, "=", ""}, {false, "", ""}};
  // clang-format on
  for (const auto& [positive, entry, paragraph] : cases) {
    SCOPED_TRACE(entry);
    ExpectParagraphs(positive ? Lines{entry} : Lines{}, positive ? Lines{} : Lines{entry},
                     paragraph.empty() ? Lines{} : Lines{paragraph});
  }
}

TEST(ReportDocument, ShownFormHasNoCrLfAndSavedFormEndsEveryLineWithOne) {
  const std::string header = "<HTML><BODY><H1><u>Results</u></H1>", footer = "</BODY></HTML>";
  // A pair split across two lines meets once they are joined, and removing an inner
  // pair must not leave a new one behind. A lone CR or LF is white space to HTML.
  EXPECT_EQ(ShownForm({"a\r\nb", "c\r", "\nd", "\r\r\n\n"}), header + "abcd" + footer);
  EXPECT_EQ(ShownForm({"a\rb", "c\nd", "\n\r"}), header + "a\rbc\nd\n\r" + footer);
  EXPECT_EQ(SavedForm({}), header + "\r\n" + footer + "\r\n");
  EXPECT_EQ(SavedForm({"one", "a\r\nb"}), header + "\r\none\r\na\r\nb\r\n" + footer + "\r\n");
}

// Those that tests/cli leaves out: a bad entry or bytes that are no UTF-8 in --score,
// and bad input of every kind, each named in a one-line message (the program itself
// passes one on: tests/cli bad_key).
TEST(ReportCli, ScoresAndBadInput) {
  EXPECT_EQ(RunReportCli({"--score", "Age=1800", "Colour=a=b", "MaritalStatus=M"}).out,
            "{\"TotalScore\":834,\"CutOff\":821,\"PositiveReasons\":[\"00015=MaritalStatus\"],"
            "\"NegativeReasons\":[],\"Errors\":[\"Error with Colour and a=b, Name not "
            "recognised\"],\"CreditLimit\":1000}\n");
  const CliOutcome bytes = RunReportCli({"--score", "N\xFF\xC3=v\xC0\x80", "Age=\xE2\x82"});
  EXPECT_NE(bytes.out.find("Error with N\xEF\xBF\xBD"), std::string::npos);  // U+FFFD for them
  EXPECT_EQ(bytes.out.find_first_of("\xFF\xC3\xC0"), std::string::npos);
  // clang-format off
  const std::pair<Lines, std::string> bad[] = {  // and a part of the message
      {{"Age=40"}, "Age=40"}, {{"age="}, "age="}, {{"age=+40"}, "age=+40"},
      {{"age=99999999999999"}, "age=99999999999999"}, {{"occupation=29"}, "0 ... 28"},
      {{"marital=Single"}, "single, married, divorced, other"}, {{""}, "\"\""},
      {{"--shown", "--shown"}, "--shown"}, {{"--income", "5"}, "--income"},
      {{"--score", "--income"}, "--income"}, {{"--score", "--income", "99999999999"}, "99999999999"},
      {{"--score", "--income", "1", "--income", "2"}, "--income"},
      {{"line\nbreak=1"}, "line\\x0abreak=1"}, {{"\r\x1b[2J"}, "\\x0d\\x1b[2J"},
      {{"age=67"}, "18 ... 66"}, {{"residential=council"}, "residential=council"},
      {{"visa=yes", "visa=no"}, "visa=no"}, {{"age"}, "\"age\""}, {{"--verbose"}, "--verbose"},
      {{"--shown", "--codes"}, "--codes"}, {{"--score", "--income", "lots"}, "lots"},
      {{"--score", "Age"}, "Age"}, {{"--json", "age=40"}, "--json"},
      {{"--batch", "age=40"}, "age=40"}, {{"--batch", "--explain"}, "--explain"}};
  // clang-format on
  for (const auto& [args, named] : bad) {
    const CliOutcome outcome = RunReportCli(args);
    SCOPED_TRACE(testing::PrintToString(args) + " " + outcome.err);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err.find_first_of("\r\n"), outcome.err.size() - 1);  // one line
    EXPECT_NE(outcome.err.find(named), std::string::npos);
  }
  EXPECT_EQ(RunReportCli({"age=40", "--help", "bogus"}).exitCode, 0);
}

}  // namespace
}  // namespace solvara
