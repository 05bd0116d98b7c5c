#include "questionnaire/AnswerCoding.h"

#include <algorithm>
#include <iterator>

#include "scoring/ScoreU.h"

namespace solvara {

namespace {

struct OccupationEntry {
  const char* text;
  const char* code;
  bool hasJob;  // whether the years-in-job question applies
};

// The list as the questionnaire shows it, unsorted. The codes run in groups with
// gaps (no 10, 15, 17 ...), so they are spelled out rather than computed.
const OccupationEntry kOccupations[] = {
    {"Sick / Disabled", "1", false},
    {"Housewife / Househusband", "2", false},
    {"Retired", "3", false},
    {"Student", "4", false},
    {"Part Time, Temp", "5", true},
    {"Self Employed", "6", true},
    {"Apprentice (Professional)", "7", true},
    {"Unemployed", "8", false},
    {"Miscellaneous", "9", true},
    {"Employer of 3+", "11", true},
    {"Higher Prof", "12", true},
    {"Manager of 6+", "13", true},
    {"Private Income", "14", true},
    {"Other Prof and Management", "16", true},
    {"Employer of 1 or 2", "21", true},
    {"Lower Prof", "22", true},
    {"Arts, Literature, Sports", "23", true},
    {"Lower Management", "24", true},
    {"Commercial Travellers,Reps", "25", true},
    {"Other White Collar", "26", true},
    {"Skilled Workers", "31", true},
    {"Supervisors, Foremen", "32", true},
    {"Transport Operators", "33", true},
    {"Distributors", "41", true},
    {"Manual Workers", "42", true},
    {"Army, Fire Service", "43", true},
    {"Domestics", "44", true},
    {"Other Unskilled, Semi skilled", "45", true},
    {"Other", "0", true},
};
constexpr int32_t kOccupationCount = static_cast<int32_t>(std::size(kOccupations));

bool ValidOccupation(int32_t entry) {
  return entry >= 0 && entry < kOccupationCount;
}

// A slider cannot stand outside its range; a record filled by hand might.
int32_t SliderPosition(int32_t position, int32_t low, int32_t high) {
  return std::clamp(position, low, high);
}

// Whole years in the years-and-months form: the months are always written as "01".
std::string YearsAndMonths(int32_t years) {
  return std::to_string(years) + "01";
}

bool IsBlank(unsigned char c) {
  return c <= 0x20;
}

bool TrimmedIsEmpty(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return IsBlank(static_cast<unsigned char>(c)); });
}

// The salary with its full stop and everything after it dropped, and the characters
// people type around amounts removed: blanks, "$", ",", the euro sign (U+20AC) and
// the pound sign (U+00A3). The two signs are matched as whole UTF-8 sequences; their
// lead bytes never occur inside another character, so nothing else is split.
std::string SalaryDigits(const std::string& salary) {
  const std::string text = salary.substr(0, salary.find('.'));
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, 3, "\xE2\x82\xAC") == 0) {
      i += 3;
      continue;
    }
    if (text.compare(i, 2, "\xC2\xA3") == 0) {
      i += 2;
      continue;
    }
    const char c = text[i++];
    if (c == ' ' || c == '$' || c == ',')
      continue;
    out += c;
  }
  return out;
}

void Append(std::vector<std::string>& names, std::vector<std::string>& values, const char* name,
            std::string value) {
  names.emplace_back(name);
  values.push_back(std::move(value));
}

}  // namespace

const std::vector<std::string>& OccupationTexts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> list;
    for (const OccupationEntry& entry : kOccupations)
      list.emplace_back(entry.text);
    return list;
  }();
  return texts;
}

bool YearsInJobEnabled(int32_t occupation) {
  return ValidOccupation(occupation) && kOccupations[occupation].hasJob;
}

bool ReadMonthlyIncome(const std::string& salary, int32_t& monthly) {
  monthly = 0;
  const int32_t yearly = IntegerOfText(SalaryDigits(salary), -1);
  if (yearly < 0)
    return false;
  monthly = yearly / 12;
  return true;
}

void BuildUpValues(const TAnswers& answers, std::vector<std::string>& Names,
                   std::vector<std::string>& Values, int32_t& MonthlyIncome) {
  Names.clear();
  Values.clear();
  Names.reserve(19);
  Values.reserve(19);
  auto add = [&](const char* name, std::string value) {
    Append(Names, Values, name, std::move(value));
  };

  add("Age", YearsAndMonths(SliderPosition(answers.Age, 18, 66)));

  switch (answers.Marital) {
    case MaritalChoice::Single:
      add("MaritalStatus", "S");
      break;
    case MaritalChoice::Married:
      add("MaritalStatus", "M");
      break;
    case MaritalChoice::Divorced:
      add("MaritalStatus", "W");
      break;
    default:
      add("MaritalStatus", "X");
      break;
  }

  switch (answers.Residential) {
    case ResidentialChoice::Tenant:
      add("ResidentialStatus", "T");
      break;
    case ResidentialChoice::LivingWithParents:
      add("ResidentialStatus", "P");
      break;
    case ResidentialChoice::Owner:
      add("ResidentialStatus", "O");
      break;
    case ResidentialChoice::LocalAuthority:
      add("ResidentialStatus", "A");
      break;
    case ResidentialChoice::Other:
      add("ResidentialStatus", "X");
      break;
    default:
      break;
  }

  add("TimeAtAddress", YearsAndMonths(SliderPosition(answers.YearsAtAddress, 0, 21)));

  if (TrimmedIsEmpty(answers.Telephone))
    add("HomeTelephone", "N");

  if (ValidOccupation(answers.Occupation)) {
    add("Occupation", kOccupations[answers.Occupation].code);
  }
  if (YearsInJobEnabled(answers.Occupation)) {
    add("TimeInJob", YearsAndMonths(SliderPosition(answers.YearsInJob, 0, 21)));
  }

  if (answers.Visa == YesNoChoice::Yes)
    add("VisaCardHeld", "Y");
  if (answers.MasterCard == YesNoChoice::Yes)
    add("AccessMastercardHeld", "Y");
  if (answers.ChequeCard == YesNoChoice::Yes)
    add("ChequeCardHeld", "Y");

  add("ChargeCardAccountsHeld", std::to_string(SliderPosition(answers.ChargeCards, 0, 6)));

  const int32_t live = SliderPosition(answers.LiveAccounts, 0, 9);
  if (live > 0)
    add("LiveCreditAccounts", std::to_string(live));

  if (answers.MissedPayments == YesNoChoice::Yes)
    add("WorstStatusofLiveAccounts", "2");

  if (answers.DefaultedAccounts == CountChoice::Yes)
    add("DefaultAccounts", "1");
  if (answers.DefaultedAccounts == CountChoice::MoreThanOne)
    add("DefaultAccounts", "2");

  if (answers.CountyCourtJudgements == CountChoice::Yes)
    add("CCJS", "1");
  if (answers.CountyCourtJudgements == CountChoice::MoreThanOne)
    add("CCJS", "2");

  switch (answers.SettledAccounts) {
    case SettledChoice::One:
      add("SettledCreditAccounts", "1");
      break;
    case SettledChoice::Two:
      add("SettledCreditAccounts", "2");
      break;
    case SettledChoice::MoreThanTwo:
      add("SettledCreditAccounts", "3");
      break;
    default:
      break;
  }

  if (answers.ElectoralRegister == ElectoralChoice::Yes ||
      answers.ElectoralRegister == ElectoralChoice::Over5Years) {
    add("NamesMatchingonElectoralRoll", "1");
  }
  if (answers.ElectoralRegister == ElectoralChoice::Over5Years) {
    add("YearsSinceLastRegistered", "6");
  }

  // Read last, so that an unusable salary leaves the income at 0 whatever it was.
  if (ReadMonthlyIncome(answers.Salary, MonthlyIncome)) {
    add("MonthlyNetIncome", std::to_string(MonthlyIncome));
  }
}

}  // namespace solvara
