#include "questionnaire/AnswerCoding.h"

#include <algorithm>

#include "scoring/TextU.h"

namespace solvara {

namespace {

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
    if (text[i] == '\xE2' && text.compare(i, 3, "\xE2\x82\xAC") == 0) {
      i += 3;
      continue;
    }
    if (text[i] == '\xC2' && text.compare(i, 2, "\xC2\xA3") == 0) {
      i += 2;
      continue;
    }
    const char c = text[i++];
    if (c == ' ' || c == '$' || c == ',') {
      continue;
    }
    out += c;
  }
  return out;
}

// The scorecard's code for a choice, from a list by the choice's value; null where the
// choice appends nothing.
template <typename E, size_t N>
const char* CodeOf(E choice, const char* const (&codes)[N]) {
  const auto value = static_cast<size_t>(choice);
  return value < N ? codes[value] : nullptr;
}

}  // namespace

bool ReadMonthlyIncome(const std::string& salary, int32_t& monthly) {
  monthly = 0;
  const int32_t yearly = IntegerOfText(SalaryDigits(salary), -1);
  if (yearly < 0) {
    return false;
  }
  monthly = yearly / 12;
  return true;
}

void BuildUpValues(const TAnswers& answers, std::vector<std::string>& Names,
                   std::vector<std::string>& Values, int32_t& MonthlyIncome) {
  BuildUpValues(answers, Names, Values, MonthlyIncome, nullptr);
}

void BuildUpValues(const TAnswers& answers, std::vector<std::string>& Names,
                   std::vector<std::string>& Values, int32_t& MonthlyIncome,
                   std::vector<const TQuestion*>* Sources) {
  Names.clear();
  Values.clear();
  Names.reserve(19);
  Values.reserve(19);
  if (Sources != nullptr) {
    Sources->clear();
  }
  // Each entry names the question it codes; only an explanation asks which that was.
  auto add = [&](const char* key, const char* name, std::string value) {
    Names.emplace_back(name);
    Values.push_back(std::move(value));
    if (Sources != nullptr) {
      Sources->push_back(&QuestionFor(key));
    }
  };
  auto addCode = [&](const char* key, const char* name, const char* code) {
    if (code != nullptr) {
      add(key, name, code);
    }
  };
  // The sliders' questions, looked up once: a batch codes applicants by the million.
  static const TQuestion& age = QuestionFor("age");
  static const TQuestion& addressYears = QuestionFor("address-years");
  static const TQuestion& jobYears = QuestionFor("job-years");
  static const TQuestion& chargeCards = QuestionFor("charge-cards");
  static const TQuestion& liveAccounts = QuestionFor("live-accounts");
  auto position = [&](const TQuestion& question) { return SliderPosition(question, answers); };

  add("age", "Age", YearsAndMonths(position(age)));
  // Any state other than the first three, Other included, is coded "X".
  const char* const marital = CodeOf(answers.Marital, {"S", "M", "W"});
  add("marital", "MaritalStatus", marital != nullptr ? marital : "X");
  addCode("residential", "ResidentialStatus",
          CodeOf(answers.Residential, {nullptr, "T", "P", "O", "A", "X"}));
  add("address-years", "TimeAtAddress", YearsAndMonths(position(addressYears)));
  if (TrimmedIsEmpty(answers.Telephone)) {
    add("telephone", "HomeTelephone", "N");
  }
  addCode("occupation", "Occupation", OccupationCode(answers.Occupation));
  if (YearsInJobEnabled(answers.Occupation)) {
    add("job-years", "TimeInJob", YearsAndMonths(position(jobYears)));
  }
  addCode("visa", "VisaCardHeld", CodeOf(answers.Visa, {nullptr, "Y"}));
  addCode("mastercard", "AccessMastercardHeld", CodeOf(answers.MasterCard, {nullptr, "Y"}));
  addCode("cheque-card", "ChequeCardHeld", CodeOf(answers.ChequeCard, {nullptr, "Y"}));
  add("charge-cards", "ChargeCardAccountsHeld", std::to_string(position(chargeCards)));
  if (const int32_t live = position(liveAccounts); live > 0) {
    add("live-accounts", "LiveCreditAccounts", std::to_string(live));
  }
  addCode("missed-payments", "WorstStatusofLiveAccounts",
          CodeOf(answers.MissedPayments, {nullptr, "2"}));
  addCode("defaults", "DefaultAccounts",
          CodeOf(answers.DefaultedAccounts, {nullptr, nullptr, "1", "2"}));
  addCode("ccj", "CCJS", CodeOf(answers.CountyCourtJudgements, {nullptr, nullptr, "1", "2"}));
  addCode("settled", "SettledCreditAccounts",
          CodeOf(answers.SettledAccounts, {nullptr, nullptr, "1", "2", "3"}));
  addCode("electoral", "NamesMatchingonElectoralRoll",
          CodeOf(answers.ElectoralRegister, {nullptr, nullptr, "1", "1"}));
  addCode("electoral", "YearsSinceLastRegistered",
          CodeOf(answers.ElectoralRegister, {nullptr, nullptr, nullptr, "6"}));

  // Read last, so that an unusable salary leaves the income at 0 whatever it was.
  if (ReadMonthlyIncome(answers.Salary, MonthlyIncome)) {
    add("salary", "MonthlyNetIncome", std::to_string(MonthlyIncome));
  }
}

}  // namespace solvara
