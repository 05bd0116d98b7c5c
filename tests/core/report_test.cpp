// The analysis of a scored card and the two forms of the report document. Whole
// documents for real answers are compared in tests/cli.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "report/ReportText.h"

namespace solvara {
namespace {

using Lines = std::vector<std::string>;

const std::string kAccepted =
    "It is expected that you would be <font color=\"#00FF00\"><b>accepted</b></font> for a loan "
    "or credit card.<br>";
const std::string kDeclined =
    "It is expected that you would be <font color=\"#FF0000\"><b>declined</b></font> a loan or "
    "credit card.<br><br>";

std::string LimitLine(const std::string& limit) {
  return "If it were a credit card application, your credit limit would be set at " + limit +
         ".<br>";
}

// Paragraphs are recognised by their heading and the first words after it.
std::string Para(const std::string& heading, const std::string& start) {
  return "<h2>" + heading + "</h2>" + start;
}
bool Is(const std::string& line, const std::string& para) {
  return line.rfind(para, 0) == 0;
}

TCCScore Card(int32_t total, Lines positive = {}, Lines negative = {}) {
  TCCScore card;
  card.TotalScore = total;
  card.PositiveReasons = std::move(positive);
  card.NegativeReasons = std::move(negative);
  return card;
}

// The paragraphs only, each cut to the length of the expected one for comparison.
Lines Paragraphs(Lines positive, Lines negative, const Lines& expected) {
  TCCScore card = Card(700, std::move(positive), std::move(negative));
  Lines lines = AnalyseWhy(card, 0);
  lines.erase(lines.begin(), lines.begin() + 3);
  for (size_t i = 0; i < lines.size() && i < expected.size(); ++i) {
    if (Is(lines[i], expected[i]))
      lines[i] = expected[i];
  }
  return lines;
}

const std::string P1 = Para("Age", "Your age has helped"), P2 = Para("Time at address", "The"),
                  P4 = Para("Address", "Being a home owner"), P5 = Para("Address", "Living"),
                  P6 = Para("Cheque Card", "Having"), P7 = Para("VISA Card", "Having"),
                  P8 = Para("Access or Mastercard", "Having"), P9 = Para("Time in job", "Hav"),
                  P10 = Para("Live credit accounts", "So"),
                  P11 = Para("Settled credit accounts", "Settling"),
                  N1 = Para("Age", "Your age has reduced your credit score considerably"),
                  N2 = Para("Age", "Your age has reduced your credit score slightly"),
                  N3 = Para("Address", "Local Authority"),
                  N4 = Para("Occupation", "Being unemployed"),
                  N4b = "<h2>Occupation</h2>Your occupation has reduced your rating<br>",
                  N5 = Para("Home telephone", "Your did not"), N6 = Para("Default Accounts", "Def"),
                  N7 = Para("CCJs", "County"), N8 = Para("Charge cards held", "Holding");

TEST(Report, DecisionAndRatingChangeExactlyAtTheirBounds) {
  const char* const poorest =
      "<b>Very poor.</b> You will have difficuly borrowing from reputable institutions.";
  const char* const slightly =
      "<b>Slightly poor</b> but small improvements will make a difference.";
  const char* const acceptable =
      "<b>Acceptable</b> but you may still be turned down by some institutions.";
  const char* const noProblems =
      "<b>Very good.</b> You should not have any problems getting credit.";
  const char* const extremely =
      "<b>Extremely good.</b> You should not have any problems getting credit.";
  const char* const excellent = "<b>Excellent.</b> You are in the highest category.";
  // clang-format off
  const std::pair<int32_t, const char*> cases[] = {
      {INT32_MIN, poorest},  {722, poorest},    {723, "<b>Very poor.</b>"},
      {765, "<b>Very poor.</b>"}, {766, slightly}, {820, slightly},  {821, acceptable},
      {860, acceptable},     {861, "<b>Good.</b>"}, {900, "<b>Good.</b>"},
      {901, "<b>Very good.</b>"}, {941, "<b>Very good.</b>"},    {942, noProblems},
      {976, noProblems},     {977, extremely},  {1030, extremely}, {1031, excellent},
      {INT32_MAX, excellent}};
  // clang-format on
  for (const auto& [total, rating] : cases) {
    TCCScore card = Card(total);
    const Lines lines = AnalyseWhy(card, 0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], total >= 821 ? kAccepted : kDeclined) << total;
    EXPECT_EQ(lines[1], "Your rating is considered to be :<br>" + std::string(rating) + "<br><br>");
  }
}

TEST(Report, CreditLimitLine) {
  const std::string none =
      "Your credit limit could not be estimated as your salary was not entered.<br>";
  TCCScore accepted = Card(821);
  EXPECT_EQ(AnalyseWhy(accepted, 0)[2], none);
  EXPECT_EQ(AnalyseWhy(accepted, INT32_MIN)[2], none);
  EXPECT_EQ(AnalyseWhy(accepted, 1)[2], LimitLine("1000"));
  TCCScore good = Card(901);
  EXPECT_EQ(AnalyseWhy(good, INT32_MAX)[2], LimitLine("3000"));
  TCCScore declined = Card(820);  // still told its limit, which is 0
  EXPECT_EQ(AnalyseWhy(declined, 1500)[2], LimitLine("0"));
}

TEST(ReasonParagraphs, OrderIsByMagnitudeThenNameDescending) {
  Lines positive = {"00030=ResidentialStatus", "00051=TimeAtAddress",        "00080=Age",
                    "00075=ChequeCardHeld",    "00030=AccessMastercardHeld", "00030=VisaCardHeld"};
  Lines negative = {"00-15=HomeTelephone", "0-220=DefaultAccounts", "00-75=ResidentialStatus",
                    "0-160=CCJS",          "000-5=HomeTelephone",   "00-42=Age"};
  std::sort(positive.begin(), positive.end());
  std::sort(negative.begin(), negative.end());
  // As plain text "0-220" < "00-15" < "000-5": the minus sign must carry no weight.
  const Lines expected = {P1, P6, P2, P7, P8, N6, N7, N3, N2, N5, N5};
  for (int turn = 0; turn < 24; ++turn) {
    EXPECT_EQ(Paragraphs(positive, negative, expected), expected);
    std::next_permutation(positive.begin(), positive.end());
    std::next_permutation(negative.begin(), negative.end());
  }
}

TEST(ReasonParagraphs, ConditionsOnPoints) {
  // clang-format off
  const std::pair<std::string, Lines> positives[] = {
      {"00071=ResidentialStatus", {P4}},      {"00051=ResidentialStatus", {P5}},
      {"00030=TimeInJob", {P9}},              {"00010=TimeInJob", {}},
      {"00033=LiveCreditAccounts", {P10}},    {"00025=LiveCreditAccounts", {}},
      {"00025=SettledCreditAccounts", {P11}}, {"00012=SettledCreditAccounts", {}},
      {"00015=Occupation", {}},               {"0x1E=TimeInJob", {}},
      // Names match case-sensitively; an entry without "=" is all name and 0 points.
      {"00080=age", {}},                      {"Age", {P1}}};
  const std::pair<std::string, Lines> negatives[] = {
      {"00-82=Age", {N1}},         {"0-100=Age", {N1}},          {"00-81=Age", {N2}},
      {"00-42=Age", {N2}},         {"00-33=Age", {}},            {"00-50=Occupation", {N4}},
      {"00-40=Occupation", {}}, {"00-30=Occupation", {N4b}},  {"abc=CCJS", {N7}},
      {"00-30=ChargeCardAccountsHeld", {N8}},  {"00-20=ChargeCardAccountsHeld", {}},
      {"0-170=WorstStatusofLiveAccounts", {}}, {"=", {}},        {"", {}}};
  // clang-format on
  for (const auto& [entry, expected] : positives) {
    EXPECT_EQ(Paragraphs({entry}, {}, expected), expected) << entry;
  }
  for (const auto& [entry, expected] : negatives) {
    EXPECT_EQ(Paragraphs({}, {entry}, expected), expected) << entry;
  }
}

TEST(ReasonParagraphs, PointsAreReadWithZerosBeforeTheSign) {
  // clang-format off
  const std::pair<const char*, int32_t> cases[] = {
      {"00080=Age", 80},    {"00-82=Age", -82}, {"0-150=X", -150}, {"000-5=X", -5},
      {"-12345=X", -12345}, {"00000=X", 0},     {"-2147483648=X", INT32_MIN},
      {"2147483648=X", 0},  {"00-=X", 0},       {"0--5=X", 0},     {"0x50=X", 0},
      {"$50=X", 0},         {" 80=X", 0},       {"Age", 0},        {"80=a=b", 80}};
  // clang-format on
  for (const auto& [entry, points] : cases)
    EXPECT_EQ(ReasonPoints(entry), points) << entry;
}

TEST(ReportDocument, ShownFormDropsEveryCrLfPairButKeepsLoneOnes) {
  const std::string header = kReportHeader;
  const std::string footer = kReportFooter;
  EXPECT_EQ(ShownForm({}), "<HTML><BODY><H1><u>Results</u></H1></BODY></HTML>");
  EXPECT_EQ(ShownForm({"a\r\nb", "c"}), header + "abc" + footer);
  // A pair split across two lines meets once they are joined, and removing an inner
  // pair must not leave a new one behind.
  EXPECT_EQ(ShownForm({"a\r", "\nb", "\r\r\n\n"}), header + "ab" + footer);
  // A lone CR or LF is white space to HTML; dropping it would glue words together.
  EXPECT_EQ(ShownForm({"a\rb", "c\nd", "\n\r"}), header + "a\rbc\nd\n\r" + footer);
}

TEST(ReportDocument, SavedFormEndsEveryLineWithCrLf) {
  const std::string header = kReportHeader;
  const std::string footer = kReportFooter;
  EXPECT_EQ(SavedForm({}), header + "\r\n" + footer + "\r\n");
  EXPECT_EQ(SavedForm({"one", "a\r\nb"}), header + "\r\none\r\na\r\nb\r\n" + footer + "\r\n");
}

}  // namespace
}  // namespace solvara
