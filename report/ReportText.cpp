#include "report/ReportText.h"

#include <algorithm>
#include <iterator>

#include "scoring/TextU.h"

namespace solvara {

const char* const kReportHeader = "<HTML><BODY><H1><u>Results</u></H1>";
const char* const kReportFooter = "</BODY></HTML>";

namespace {

// Every text the report is written with.
const char* const kAcceptedLine =
    "It is expected that you would be <font color=\"#00FF00\"><b>accepted</b></font> for a "
    "loan or credit card.<br>";
const char* const kDeclinedLine =
    "It is expected that you would be <font color=\"#FF0000\"><b>declined</b></font> a loan or "
    "credit card.<br><br>";
const char* const kRatingIntro = "Your rating is considered to be :<br>";
const char* const kRatingEnd = "<br><br>";
const char* const kNoLimitLine =
    "Your credit limit could not be estimated as your salary was not entered.<br>";
const char* const kLimitIntro =
    "If it were a credit card application, your credit limit would be set at ";
const char* const kLimitEnd = ".<br>";

struct Rating {
  int32_t lowest;  // the lowest TotalScore that gets this text
  const char* text;
};

// Highest band first; the first band whose lower bound the score reaches wins.
const Rating kRatings[] = {
    {1031, "<b>Excellent.</b> You are in the highest category."},
    {977, "<b>Extremely good.</b> You should not have any problems getting credit."},
    {942, "<b>Very good.</b> You should not have any problems getting credit."},
    {901, "<b>Very good.</b>"},
    {861, "<b>Good.</b>"},
    {821, "<b>Acceptable</b> but you may still be turned down by some institutions."},
    {766, "<b>Slightly poor</b> but small improvements will make a difference."},
    {723, "<b>Very poor.</b>"},
};
const char* const kLowestRating =
    "<b>Very poor.</b> You will have difficuly borrowing from reputable institutions.";

enum class Condition { Any, Exactly, AtLeast, AtMost };

struct Rule {
  const char* characteristic;
  Condition condition;
  int32_t points;
  const char* paragraph;
};

bool Holds(const Rule& rule, int32_t points) {
  switch (rule.condition) {
    case Condition::Any:
      return true;
    case Condition::Exactly:
      return points == rule.points;
    case Condition::AtLeast:
      return points >= rule.points;
    case Condition::AtMost:
      return points <= rule.points;
  }
  return false;
}

const Rule kPositiveRules[] = {
    {"Age", Condition::Any, 0,
     "<h2>Age</h2>Your age has helped your credit score considerably<br>"},
    {"TimeAtAddress", Condition::Any, 0,
     "<h2>Time at address</h2>The length of time spent at your current address has increased "
     "your credit rating<br>"},
    {"MaritalStatus", Condition::Any, 0,
     "<h2>Marital Status</h2>Being married increases your rating slightly<br>"},
    {"ResidentialStatus", Condition::Exactly, 71,
     "<h2>Address</h2>Being a home owner has improved your rating<br>"},
    {"ResidentialStatus", Condition::Exactly, 51,
     "<h2>Address</h2>Living with your parents has improved your rating slightly<br>"},
    {"ChequeCardHeld", Condition::Any, 0,
     "<h2>Cheque Card</h2>Having been approved for a cheque card has improved your rating<br>"},
    {"VisaCardHeld", Condition::Any, 0,
     "<h2>VISA Card</h2>Having a VISA card has improved your rating<br>"},
    {"AccessMastercardHeld", Condition::Any, 0,
     "<h2>Access or Mastercard</h2>Having an Access or Mastercard card improves your "
     "rating<br>"},
    {"TimeInJob", Condition::Exactly, 30,
     "<h2>Time in job</h2>Having spent so long in your job has improved your rating<br>"},
    {"LiveCreditAccounts", Condition::AtLeast, 33,
     "<h2>Live credit accounts</h2>So many live credit accounts has increased your rating<br>"},
    {"SettledCreditAccounts", Condition::AtLeast, 25,
     "<h2>Settled credit accounts</h2>Settling accounts has increased your rating slightly<br>"},
};

const Rule kNegativeRules[] = {
    {"Age", Condition::AtMost, -82,
     "<h2>Age</h2>Your age has reduced your credit score considerably<br>"},
    {"Age", Condition::AtMost, -42,
     "<h2>Age</h2>Your age has reduced your credit score slightly<br>"},
    {"ResidentialStatus", Condition::Any, 0,
     "<h2>Address</h2>Local Authority housing has reduced your rating considerably<br>"},
    {"Occupation", Condition::Exactly, -50,
     "<h2>Occupation</h2>Being unemployed has reduced your rating considerably<br>"},
    // The milder occupation penalty (students). The -40 bands stay without a paragraph,
    // as they always have, so no existing report changes.
    {"Occupation", Condition::AtLeast, -30,
     "<h2>Occupation</h2>Your occupation has reduced your rating<br>"},
    {"HomeTelephone", Condition::Any, 0,
     "<h2>Home telephone</h2>Your did not enter a phone number - not having a phone degrades "
     "your rating slightly<br>"},
    {"DefaultAccounts", Condition::Any, 0,
     "<h2>Default Accounts</h2>Defaulting on an account has made a very bad difference to your "
     "score<br>"},
    {"CCJS", Condition::Any, 0,
     "<h2>CCJs</h2>County Court Judgements have made a very bad difference to your score<br>"},
    {"ChargeCardAccountsHeld", Condition::Exactly, -30,
     "<h2>Charge cards held</h2>Holding so many charge cards has degraded your score "
     "slightly<br>"},
};

const char* RatingText(int32_t score) {
  for (const Rating& rating : kRatings) {
    if (score >= rating.lowest) {
      return rating.text;
    }
  }
  return kLowestRating;
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// Less-than on the text with ASCII case folded and minus signs skipped; texts equal
// under that view fall back to their bytes, so the order stays strict and repeatable.
bool TextLess(const std::string& a, const std::string& b) {
  size_t i = 0;
  size_t j = 0;
  for (;;) {
    while (i < a.size() && a[i] == '-') {
      ++i;
    }
    while (j < b.size() && b[j] == '-') {
      ++j;
    }
    if (i == a.size() || j == b.size()) {
      if (i != a.size() || j != b.size()) {
        return i == a.size();
      }
      return a < b;
    }
    const auto ca = static_cast<unsigned char>(LowerAscii(a[i]));
    const auto cb = static_cast<unsigned char>(LowerAscii(b[j]));
    if (ca != cb) {
      return ca < cb;
    }
    ++i;
    ++j;
  }
}

template <size_t N>
void AppendParagraphs(std::vector<std::string>& lines, std::vector<std::string>& reasons,
                      const Rule (&rules)[N]) {
  SortReasonsAsText(reasons);
  for (auto entry = reasons.rbegin(); entry != reasons.rend(); ++entry) {
    const int32_t equals = PosChar("=", *entry, true, 1);
    const std::string name = equals > 0 ? entry->substr(static_cast<size_t>(equals)) : *entry;
    const int32_t points = ReasonPoints(*entry);
    for (const Rule& rule : rules) {
      if (name == rule.characteristic && Holds(rule, points)) {
        lines.emplace_back(rule.paragraph);
        break;
      }
    }
  }
}

// Appends text to out, dropping every CR LF pair, including pairs that only meet once
// the text is joined to what came before or once an inner pair has gone ("\r\r\n\n").
// A lone CR or LF is ordinary white space in HTML and stays.
void AppendWithoutCrLf(std::string& out, const std::string& text) {
  for (const char c : text) {
    if (c == '\n' && !out.empty() && out.back() == '\r') {
      out.pop_back();
    } else {
      out += c;
    }
  }
}

}  // namespace

int32_t ReasonPoints(const std::string& entry) {
  const int32_t equals = PosChar("=", entry, true, 1);
  if (equals <= 0) {
    return 0;
  }
  const std::string text = entry.substr(0, static_cast<size_t>(equals - 1));
  // The padding zeros stand in front of a sign ("00-82"); after them comes an
  // optional sign and at least one decimal digit, nothing else.
  size_t start = text.find_first_not_of('0');
  if (start == std::string::npos) {
    return 0;  // "00000", or nothing at all
  }
  const std::string number = text.substr(start);
  const size_t digits = (number[0] == '-' || number[0] == '+') ? 1 : 0;
  if (digits == number.size()) {
    return 0;
  }
  for (size_t k = digits; k < number.size(); ++k) {
    if (number[k] < '0' || number[k] > '9') {
      return 0;
    }
  }
  return IntegerOfText(number, 0);
}

void SortReasonsAsText(std::vector<std::string>& reasons) {
  std::sort(reasons.begin(), reasons.end(), TextLess);
}

std::vector<std::string> AnalyseWhy(TCCScore& card, int32_t MonthlyIncome) {
  std::vector<std::string> lines;
  lines.reserve(3 + card.PositiveReasons.size() + card.NegativeReasons.size());

  lines.emplace_back(card.TotalScore >= card.CutOff ? kAcceptedLine : kDeclinedLine);

  std::string rating = kRatingIntro;
  rating += RatingText(card.TotalScore);
  rating += kRatingEnd;
  lines.push_back(std::move(rating));

  if (MonthlyIncome <= 0) {
    lines.emplace_back(kNoLimitLine);
  } else {
    lines.push_back(kLimitIntro + std::to_string(card.CreditLimit(MonthlyIncome)) + kLimitEnd);
  }

  AppendParagraphs(lines, card.PositiveReasons, kPositiveRules);
  AppendParagraphs(lines, card.NegativeReasons, kNegativeRules);
  return lines;
}

const std::string& RatingWord(int32_t TotalScore) {
  // Worked out once from the texts, in the order of kRatings, the lowest last.
  static const std::vector<std::string> words = [] {
    std::vector<std::string> list;
    const auto add = [&list](const std::string text) {
      const size_t open = text.find("<b>") + 3;
      std::string word = text.substr(open, text.find("</b>") - open);
      if (!word.empty() && word.back() == '.') {
        word.pop_back();
      }
      list.push_back(std::move(word));
    };
    for (const Rating& rating : kRatings) {
      add(rating.text);
    }
    add(kLowestRating);
    return list;
  }();
  size_t k = 0;
  while (k < std::size(kRatings) && TotalScore < kRatings[k].lowest) {
    ++k;
  }
  return words[k];
}

std::string ShownForm(const std::vector<std::string>& lines) {
  size_t size = 64;
  for (const std::string& line : lines) {
    size += line.size();
  }
  std::string out;
  out.reserve(size);
  AppendWithoutCrLf(out, kReportHeader);
  for (const std::string& line : lines) {
    AppendWithoutCrLf(out, line);
  }
  AppendWithoutCrLf(out, kReportFooter);
  return out;
}

std::string SavedForm(const std::vector<std::string>& lines) {
  size_t size = 64;
  for (const std::string& line : lines) {
    size += line.size() + 2;
  }
  std::string out;
  out.reserve(size);
  out += kReportHeader;
  out += "\r\n";
  for (const std::string& line : lines) {
    out += line;
    out += "\r\n";
  }
  out += kReportFooter;
  out += "\r\n";
  return out;
}

int32_t ScoreApplicant(TCCScore& card, const TAnswers& answers, std::vector<std::string>& names,
                       std::vector<std::string>& values) {
  int32_t income = 0;
  BuildUpValues(answers, names, values, income);
  card.PositiveReasons.clear();
  card.NegativeReasons.clear();
  card.Errors.reset();
  card.CalculateScore(names, values);
  return income;
}

std::vector<std::string> ReportLinesFor(const TAnswers& answers, int32_t& MonthlyIncome) {
  std::vector<std::string> names;
  std::vector<std::string> values;
  TCCScore card;
  MonthlyIncome = ScoreApplicant(card, answers, names, values);
  return AnalyseWhy(card, MonthlyIncome);
}

}  // namespace solvara
