// The analysis of a scored card and the two forms of the report document.
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
const std::string kNoLimit =
    "Your credit limit could not be estimated as your salary was not entered.<br>";

std::string RatingLine(const std::string& text) {
  return "Your rating is considered to be :<br>" + text + "<br><br>";
}
std::string LimitLine(int32_t limit) {
  return "If it were a credit card application, your credit limit would be set at " +
         std::to_string(limit) + ".<br>";
}

const std::string P1 = "<h2>Age</h2>Your age has helped your credit score considerably<br>";
const std::string P2 =
    "<h2>Time at address</h2>The length of time spent at your current address has increased "
    "your credit rating<br>";
const std::string P3 = "<h2>Marital Status</h2>Being married increases your rating slightly<br>";
const std::string P4 = "<h2>Address</h2>Being a home owner has improved your rating<br>";
const std::string P5 =
    "<h2>Address</h2>Living with your parents has improved your rating slightly<br>";
const std::string P6 =
    "<h2>Cheque Card</h2>Having been approved for a cheque card has improved your rating<br>";
const std::string P7 = "<h2>VISA Card</h2>Having a VISA card has improved your rating<br>";
const std::string P8 =
    "<h2>Access or Mastercard</h2>Having an Access or Mastercard card improves your rating<br>";
const std::string P9 =
    "<h2>Time in job</h2>Having spent so long in your job has improved your rating<br>";
const std::string P10 =
    "<h2>Live credit accounts</h2>So many live credit accounts has increased your rating<br>";
const std::string P11 =
    "<h2>Settled credit accounts</h2>Settling accounts has increased your rating slightly<br>";
const std::string N1 = "<h2>Age</h2>Your age has reduced your credit score considerably<br>";
const std::string N2 = "<h2>Age</h2>Your age has reduced your credit score slightly<br>";
const std::string N3 =
    "<h2>Address</h2>Local Authority housing has reduced your rating considerably<br>";
const std::string N4 =
    "<h2>Occupation</h2>Being unemployed has reduced your rating considerably<br>";
const std::string N4b = "<h2>Occupation</h2>Your occupation has reduced your rating<br>";
const std::string N5 =
    "<h2>Home telephone</h2>Your did not enter a phone number - not having a phone degrades "
    "your rating slightly<br>";
const std::string N6 =
    "<h2>Default Accounts</h2>Defaulting on an account has made a very bad difference to your "
    "score<br>";
const std::string N7 =
    "<h2>CCJs</h2>County Court Judgements have made a very bad difference to your score<br>";
const std::string N8 =
    "<h2>Charge cards held</h2>Holding so many charge cards has degraded your score slightly<br>";

// A card with a given total and hand-made reason lists, as CalculateScore leaves it.
TCCScore Card(int32_t total, Lines positive = {}, Lines negative = {}) {
  TCCScore card;
  card.TotalScore = total;
  card.PositiveReasons = std::move(positive);
  card.NegativeReasons = std::move(negative);
  return card;
}

// The paragraph lines only: everything after decision, rating and credit limit.
Lines Paragraphs(Lines positive, Lines negative = {}) {
  TCCScore card = Card(700, std::move(positive), std::move(negative));
  const Lines lines = AnalyseWhy(card, 0);
  return Lines(lines.begin() + 3, lines.end());
}

// --- the document for real answers ------------------------------------------------

TEST(Report, StartStateDocument) {
  int32_t income = -1;
  const Lines lines = ReportLinesFor(TAnswers{}, income);
  EXPECT_EQ(income, 0);
  const Lines expected = {
      kDeclined,
      RatingLine(
          "<b>Very poor.</b> You will have difficuly borrowing from reputable institutions."),
      kNoLimit, N1, N5};
  EXPECT_EQ(lines, expected);

  std::vector<std::string> names;
  std::vector<std::string> values;
  BuildUpValues(TAnswers{}, names, values, income);
  TCCScore card;
  card.CalculateScore(names, values);
  EXPECT_EQ(card.TotalScore, 722);
}

TEST(Report, AnswersThatTouchEveryKindOfLine) {
  // A married home owner of 66 with 21 years at the address, a cheque card, a long
  // time in a job, three settled accounts and 30000 a year.
  TAnswers a;
  a.Age = 66;
  a.Marital = MaritalChoice::Married;
  a.Residential = ResidentialChoice::Owner;
  a.YearsAtAddress = 21;
  a.Telephone = "0123";
  a.Occupation = 15;
  a.YearsInJob = 16;
  a.ChequeCard = YesNoChoice::Yes;
  a.LiveAccounts = 3;
  a.SettledAccounts = SettledChoice::MoreThanTwo;
  a.Salary = "30000";
  int32_t income = 0;
  const Lines lines = ReportLinesFor(a, income);
  // 819 + 80 + 15 + 71 + 51 + 15 + 30 + 75 + 33 + 25 = 1214
  const Lines expected = {kAccepted,
                          RatingLine("<b>Excellent.</b> You are in the highest category."),
                          LimitLine(3000),
                          P1,
                          P6,
                          P4,
                          P2,
                          P10,
                          P9,
                          P11,
                          P3};
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(income, 2500);
}

TEST(Report, NegativeParagraphsFollowMagnitudeNotTheTextOfTheMinusSign) {
  // Age 23 costs 42 and one default 150; as plain text "0-150" would sort before
  // "00-42" and the smaller loss would be reported first.
  TAnswers a;
  a.Age = 23;
  a.Telephone = "0123";
  a.DefaultedAccounts = CountChoice::Yes;
  int32_t income = 0;
  const Lines lines = ReportLinesFor(a, income);
  EXPECT_EQ(Lines(lines.begin() + 3, lines.end()), (Lines{N6, N2}));
}

TEST(Report, StudentsAndUnskilledOccupationsGetTheGeneralOccupationParagraph) {
  const std::pair<int32_t, std::string> cases[] = {{3, N4b},  {7, N4},  {26, N4b},
                                                   {27, N4b}, {15, ""}, {28, ""}};
  for (const auto& [entry, paragraph] : cases) {
    TAnswers a;
    a.Age = 66;
    a.Telephone = "0123";
    a.Occupation = entry;
    int32_t income = 0;
    const Lines lines = ReportLinesFor(a, income);
    const Lines expected = paragraph.empty() ? Lines{P1} : Lines{P1, paragraph};
    EXPECT_EQ(Lines(lines.begin() + 3, lines.end()), expected) << "occupation " << entry;
  }
}

// --- decision, rating and credit limit ---------------------------------------------

TEST(Report, DecisionAndRatingChangeExactlyAtTheirBounds) {
  const char* const poorest =
      "<b>Very poor.</b> You will have difficuly borrowing from reputable institutions.";
  const char* const veryPoor = "<b>Very poor.</b>";
  const char* const slightlyPoor =
      "<b>Slightly poor</b> but small improvements will make a difference.";
  const char* const acceptable =
      "<b>Acceptable</b> but you may still be turned down by some institutions.";
  const char* const good = "<b>Good.</b>";
  const char* const veryGood = "<b>Very good.</b>";
  const char* const veryGoodNoProblems =
      "<b>Very good.</b> You should not have any problems getting credit.";
  const char* const extremely =
      "<b>Extremely good.</b> You should not have any problems getting credit.";
  const char* const excellent = "<b>Excellent.</b> You are in the highest category.";
  const std::pair<int32_t, const char*> cases[] = {{INT32_MIN, poorest},
                                                   {-5, poorest},
                                                   {722, poorest},
                                                   {723, veryPoor},
                                                   {765, veryPoor},
                                                   {766, slightlyPoor},
                                                   {820, slightlyPoor},
                                                   {821, acceptable},
                                                   {860, acceptable},
                                                   {861, good},
                                                   {900, good},
                                                   {901, veryGood},
                                                   {941, veryGood},
                                                   {942, veryGoodNoProblems},
                                                   {976, veryGoodNoProblems},
                                                   {977, extremely},
                                                   {1030, extremely},
                                                   {1031, excellent},
                                                   {INT32_MAX, excellent}};
  for (const auto& [total, rating] : cases) {
    TCCScore card = Card(total);
    const Lines lines = AnalyseWhy(card, 0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], total >= 821 ? kAccepted : kDeclined) << total;
    EXPECT_EQ(lines[1], RatingLine(rating)) << total;
  }
}

TEST(Report, DecisionFollowsTheCardsOwnCutOff) {
  TCCScore card = Card(500);
  card.CutOff = 500;
  EXPECT_EQ(AnalyseWhy(card, 0)[0], kAccepted);
  card.CutOff = 501;
  EXPECT_EQ(AnalyseWhy(card, 0)[0], kDeclined);
}

TEST(Report, CreditLimitLine) {
  TCCScore accepted = Card(821);
  EXPECT_EQ(AnalyseWhy(accepted, 0)[2], kNoLimit);
  EXPECT_EQ(AnalyseWhy(accepted, -100)[2], kNoLimit);
  EXPECT_EQ(AnalyseWhy(accepted, INT32_MIN)[2], kNoLimit);
  EXPECT_EQ(AnalyseWhy(accepted, 1)[2], LimitLine(1000));
  EXPECT_EQ(AnalyseWhy(accepted, 2001)[2], LimitLine(2500));
  TCCScore good = Card(901);
  EXPECT_EQ(AnalyseWhy(good, INT32_MAX)[2], LimitLine(3000));
  // A declined applicant with a salary is still told the (zero) limit.
  TCCScore declined = Card(820);
  EXPECT_EQ(AnalyseWhy(declined, 1500)[2], LimitLine(0));
}

// --- reason paragraphs -------------------------------------------------------------

TEST(ReasonParagraphs, PositiveOrderIsByPointsThenNameDescending) {
  Lines entries = {"00030=ResidentialStatus", "00051=TimeAtAddress", "00080=Age",
                   "00075=ChequeCardHeld"};
  std::sort(entries.begin(), entries.end());
  do {
    EXPECT_EQ(Paragraphs(entries), (Lines{P1, P6, P2}));
  } while (std::next_permutation(entries.begin(), entries.end()));

  EXPECT_EQ(Paragraphs({"00030=AccessMastercardHeld", "00030=VisaCardHeld", "00030=TimeInJob"}),
            (Lines{P7, P9, P8}));
}

TEST(ReasonParagraphs, NegativeOrderIsByMagnitude) {
  Lines entries = {"00-15=HomeTelephone", "0-220=DefaultAccounts", "00-75=ResidentialStatus",
                   "0-160=CCJS"};
  std::sort(entries.begin(), entries.end());
  do {
    EXPECT_EQ(Paragraphs({}, entries), (Lines{N6, N7, N3, N5}));
  } while (std::next_permutation(entries.begin(), entries.end()));
  // "000-5" against "00-15": the minus sign must not decide.
  EXPECT_EQ(Paragraphs({}, {"000-5=HomeTelephone", "00-82=Age"}), (Lines{N1, N5}));
}

TEST(ReasonParagraphs, ConditionsOnPoints) {
  struct Case {
    bool positive;
    std::string entry;
    Lines paragraphs;
  };
  const Case cases[] = {
      {true, "00071=ResidentialStatus", {P4}},
      {true, "00051=ResidentialStatus", {P5}},
      {true, "00030=ResidentialStatus", {}},
      {true, "00030=TimeInJob", {P9}},
      {true, "00010=TimeInJob", {}},
      {true, "00033=LiveCreditAccounts", {P10}},
      {true, "00060=LiveCreditAccounts", {P10}},
      {true, "00025=LiveCreditAccounts", {}},
      {true, "00025=SettledCreditAccounts", {P11}},
      {true, "00012=SettledCreditAccounts", {}},
      {true, "00015=Occupation", {}},
      {true, "00010=NamesMatchingonElectoralRoll", {}},
      {false, "00-82=Age", {N1}},
      {false, "0-100=Age", {N1}},
      {false, "00-81=Age", {N2}},
      {false, "00-42=Age", {N2}},
      {false, "00-33=Age", {}},
      {false, "00-50=Occupation", {N4}},
      {false, "00-40=Occupation", {N4b}},
      {false, "00-30=Occupation", {N4b}},
      {false, "00-30=ChargeCardAccountsHeld", {N8}},
      {false, "00-20=ChargeCardAccountsHeld", {}},
      {false, "0-170=WorstStatusofLiveAccounts", {}},
      {false, "00-87=SearchesL12m", {}},
      {false, "0-147=CCJS", {N7}},
      {false, "0-150=DefaultAccounts", {N6}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.positive ? Paragraphs({c.entry}) : Paragraphs({}, {c.entry}), c.paragraphs)
        << c.entry;
  }
}

TEST(ReasonParagraphs, NamesMatchExactlyAndOddEntriesAreTolerated) {
  // Rules compare names case-sensitively.
  EXPECT_EQ(Paragraphs({"00080=age", "00080=AGE"}), Lines{});
  // An entry without "=" is all name and 0 points.
  EXPECT_EQ(Paragraphs({"Age"}, {"HomeTelephone", "Age"}), (Lines{P1, N5}));
  // Unreadable points count as 0: "any" rules still take the entry, others do not.
  EXPECT_EQ(Paragraphs({"x=Age", "0x1E=TimeInJob"}, {"abc=CCJS", "0x52=Age"}), (Lines{P1, N7}));
  EXPECT_EQ(Paragraphs({}, {}), Lines{});
  EXPECT_EQ(Paragraphs({"", "=", "=="}, {"", "=", "-"}), Lines{});
}

TEST(ReasonParagraphs, AnalysisSortsTheCardsListsInPlace) {
  TCCScore card = Card(800, {"00080=Age", "00015=MaritalStatus", "00075=ChequeCardHeld"},
                       {"000-5=HomeTelephone", "0-150=DefaultAccounts", "00-82=Age"});
  AnalyseWhy(card, 0);
  EXPECT_EQ(card.PositiveReasons,
            (Lines{"00015=MaritalStatus", "00075=ChequeCardHeld", "00080=Age"}));
  EXPECT_EQ(card.NegativeReasons,
            (Lines{"000-5=HomeTelephone", "00-82=Age", "0-150=DefaultAccounts"}));
}

TEST(ReasonOrder, SortIgnoresCaseAndMinusSigns) {
  Lines entries = {"00030=VisaCardHeld", "00030=age", "00030=Zeta", "00030=AGE"};
  SortReasonsAsText(entries);
  // "age" and "AGE" are equal but for case; their bytes keep the order repeatable.
  EXPECT_EQ(entries, (Lines{"00030=AGE", "00030=age", "00030=VisaCardHeld", "00030=Zeta"}));
  Lines negatives = {"00-15=B", "000-5=A", "0-150=C", "-1000=D"};
  SortReasonsAsText(negatives);
  EXPECT_EQ(negatives, (Lines{"000-5=A", "00-15=B", "0-150=C", "-1000=D"}));
}

TEST(ReasonOrder, PointsAreReadWithZerosBeforeTheSign) {
  const std::pair<const char*, int32_t> cases[] = {{"00080=Age", 80},
                                                   {"00-82=Age", -82},
                                                   {"0-150=DefaultAccounts", -150},
                                                   {"000-5=TimeInBank", -5},
                                                   {"12345=Age", 12345},
                                                   {"-12345=Age", -12345},
                                                   {"00000=Age", 0},
                                                   {"0-0=Age", 0},
                                                   {"-2147483648=X", INT32_MIN},
                                                   {"2147483647=X", INT32_MAX},
                                                   {"2147483648=X", 0},
                                                   {"00-=Age", 0},
                                                   {"0--5=Age", 0},
                                                   {"0x50=Age", 0},
                                                   {"$50=Age", 0},
                                                   {"5 0=Age", 0},
                                                   {"=Age", 0},
                                                   {"Age", 0},
                                                   {"00080", 0},
                                                   {"80=a=b", 80},
                                                   {"", 0}};
  for (const auto& [entry, points] : cases)
    EXPECT_EQ(ReasonPoints(entry), points) << entry;
}

// --- the two forms of the document --------------------------------------------------

TEST(ReportDocument, ShownFormIsOneLineBetweenHeaderAndFooter) {
  const Lines lines = {"first", "second"};
  EXPECT_EQ(ShownForm(lines), std::string(kReportHeader) + "firstsecond" + kReportFooter);
  EXPECT_EQ(ShownForm({}), std::string("<HTML><BODY><H1><u>Results</u></H1></BODY></HTML>"));

  TCCScore card = Card(900);
  const std::string shown = ShownForm(AnalyseWhy(card, 1000));
  EXPECT_EQ(shown, std::string(kReportHeader) + kAccepted + RatingLine("<b>Good.</b>") +
                       LimitLine(1750) + kReportFooter);
}

TEST(ReportDocument, ShownFormDropsEveryCrLfPairButKeepsLoneOnes) {
  EXPECT_EQ(ShownForm({"a\r\nb"}), std::string(kReportHeader) + "ab" + kReportFooter);
  // A pair split across two lines meets once they are joined.
  EXPECT_EQ(ShownForm({"a\r", "\nb"}), std::string(kReportHeader) + "ab" + kReportFooter);
  // Removing an inner pair must not leave a new one behind.
  EXPECT_EQ(ShownForm({"a\r\r\n\nb"}), std::string(kReportHeader) + "ab" + kReportFooter);
  // A lone CR or LF is white space to HTML; dropping it would glue words together.
  EXPECT_EQ(ShownForm({"a\rb", "c\nd", "\n\r"}),
            std::string(kReportHeader) + "a\rbc\nd\n\r" + kReportFooter);
  EXPECT_EQ(ShownForm({"\r", "\n", "\r", "\n"}), std::string(kReportHeader) + kReportFooter);
}

TEST(ReportDocument, SavedFormEndsEveryLineWithCrLf) {
  EXPECT_EQ(SavedForm({"one", "two"}),
            std::string(kReportHeader) + "\r\none\r\ntwo\r\n" + kReportFooter + "\r\n");
  EXPECT_EQ(SavedForm({}), std::string(kReportHeader) + "\r\n" + kReportFooter + "\r\n");
  // Saved lines are written as they are.
  EXPECT_EQ(SavedForm({"a\r\nb"}),
            std::string(kReportHeader) + "\r\na\r\nb\r\n" + kReportFooter + "\r\n");

  int32_t income = 0;
  const Lines lines = ReportLinesFor(TAnswers{}, income);
  std::string saved = SavedForm(lines);
  std::string shown = ShownForm(lines);
  saved.erase(std::remove(saved.begin(), saved.end(), '\r'), saved.end());
  saved.erase(std::remove(saved.begin(), saved.end(), '\n'), saved.end());
  EXPECT_EQ(saved, shown);
}

}  // namespace
}  // namespace solvara
