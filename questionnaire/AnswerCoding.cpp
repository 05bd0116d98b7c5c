#include "questionnaire/AnswerCoding.h"

#include <algorithm>

#include "scoring/BCCScoreU.h"
#include "scoring/TextU.h"

namespace solvara {

namespace {

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

// How a record's answers pick an entry's code, given the entry (its question and values).
using CodeOf = int32_t (*)(const TCodedEntry& entry, const TAnswers& answers);

int32_t Position(const TCodedEntry& entry, const TAnswers& answers) {
  return SliderPosition(*entry.Question, answers) - entry.Question->Low;
}

// A choice whose value is First or above codes the entry's value at value - First; any
// other choice writes no entry.
template <int32_t First>
int32_t ChoiceFrom(const TCodedEntry& entry, const TAnswers& answers) {
  const int64_t code = int64_t{AnswerValue(*entry.Question, answers)} - First;
  return code >= 0 && code < static_cast<int64_t>(entry.Card.Values.size())
             ? static_cast<int32_t>(code)
             : -1;
}

// The slider's positions as the coding writes them, from its lowest up.
std::vector<std::string> Positions(const char* key, const char* suffix) {
  const TQuestion& question = QuestionFor(key);
  std::vector<std::string> values;
  for (int32_t position = question.Low; position <= question.High; ++position) {
    values.push_back(std::to_string(position) + suffix);
  }
  return values;
}

std::vector<std::string> OccupationCodes() {
  std::vector<std::string> codes;
  for (size_t entry = 0; entry < OccupationTexts().size(); ++entry) {
    codes.emplace_back(OccupationCode(static_cast<int32_t>(entry)));
  }
  return codes;
}

struct Coding {
  std::vector<TCodedEntry> entries;
  size_t income;  // the entry of the monthly income
};

const Coding& TheCoding() {
  static const Coding coding = [] {
    const auto entry = [](const char* key, const char* name, std::vector<std::string> values,
                          CodeOf code) {
      return TCodedEntry{&QuestionFor(key), {name, std::move(values)}, code};
    };
    // Whole years in the years-and-months form: the months are always written as "01".
    const char* const years = "01";
    Coding c;
    c.entries = {
        entry("age", "Age", Positions("age", years), Position),
        // Any state other than the first three, Other included, is coded "X".
        entry("marital", "MaritalStatus", {"S", "M", "W", "X"},
              [](const TCodedEntry& e, const TAnswers& a) {
                const int32_t code = ChoiceFrom<0>(e, a);
                return code >= 0 && code < 3 ? code : 3;
              }),
        entry("residential", "ResidentialStatus", {"T", "P", "O", "A", "X"}, ChoiceFrom<1>),
        entry("address-years", "TimeAtAddress", Positions("address-years", years), Position),
        entry("telephone", "HomeTelephone", {"N"},
              [](const TCodedEntry&, const TAnswers& a) {
                return TrimmedIsEmpty(a.Telephone) ? 0 : -1;
              }),
        entry("occupation", "Occupation", OccupationCodes(),
              [](const TCodedEntry&, const TAnswers& a) {
                return OccupationCode(a.Occupation) != nullptr ? a.Occupation : -1;
              }),
        entry("job-years", "TimeInJob", Positions("job-years", years),
              [](const TCodedEntry& e, const TAnswers& a) {
                return YearsInJobEnabled(a.Occupation) ? Position(e, a) : -1;
              }),
        entry("visa", "VisaCardHeld", {"Y"}, ChoiceFrom<1>),
        entry("mastercard", "AccessMastercardHeld", {"Y"}, ChoiceFrom<1>),
        entry("cheque-card", "ChequeCardHeld", {"Y"}, ChoiceFrom<1>),
        entry("charge-cards", "ChargeCardAccountsHeld", Positions("charge-cards", ""), Position),
        entry("live-accounts", "LiveCreditAccounts", Positions("live-accounts", ""),
              [](const TCodedEntry& e, const TAnswers& a) {
                return SliderPosition(*e.Question, a) > 0 ? Position(e, a) : -1;
              }),
        entry("missed-payments", "WorstStatusofLiveAccounts", {"2"}, ChoiceFrom<1>),
        entry("defaults", "DefaultAccounts", {"1", "2"}, ChoiceFrom<2>),
        entry("ccj", "CCJS", {"1", "2"}, ChoiceFrom<2>),
        entry("settled", "SettledCreditAccounts", {"1", "2", "3"}, ChoiceFrom<2>),
        entry("electoral", "NamesMatchingonElectoralRoll", {"1", "1"}, ChoiceFrom<2>),
        entry("electoral", "YearsSinceLastRegistered", {"6"}, ChoiceFrom<3>),
        // The one entry whose value is a number: written only for a usable salary.
        entry("salary", "MonthlyNetIncome", {},
              [](const TCodedEntry&, const TAnswers& a) {
                int32_t monthly = 0;
                return ReadMonthlyIncome(a.Salary, monthly) ? monthly : -1;
              }),
    };
    c.income = c.entries.size() - 1;
    return c;
  }();
  return coding;
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

const std::vector<TCodedEntry>& CodedEntries() {
  return TheCoding().entries;
}

int32_t CodeAnswers(const TAnswers& answers, TCardCodes& codes) {
  const Coding& coding = TheCoding();
  codes.fill(-1);
  for (size_t i = 0; i < coding.entries.size(); ++i) {
    const TCodedEntry& entry = coding.entries[i];
    codes[i] = entry.Code(entry, answers);
  }
  return codes[coding.income] > 0 ? codes[coding.income] : 0;
}

void BuildUpValues(const TAnswers& answers, std::vector<std::string>& Names,
                   std::vector<std::string>& Values, int32_t& MonthlyIncome,
                   std::vector<const TQuestion*>* sources) {
  const std::vector<TCodedEntry>& entries = CodedEntries();
  TCardCodes codes;
  MonthlyIncome = CodeAnswers(answers, codes);
  Names.clear();
  Values.clear();
  Names.reserve(entries.size());
  Values.reserve(entries.size());
  if (sources != nullptr) {
    sources->clear();
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    const int32_t code = codes[i];
    if (code < 0) {
      continue;
    }
    const TCardEntry& entry = entries[i].Card;
    Names.push_back(entry.Name);
    Values.push_back(entry.Values.empty() ? std::to_string(code)
                                          : entry.Values[static_cast<size_t>(code)]);
    if (sources != nullptr) {
      sources->push_back(entries[i].Question);
    }
  }
}

TCompiledCard CompileForAnswers(const TScore& Card) {
  std::vector<TCardEntry> entries;
  for (const TCodedEntry& entry : CodedEntries()) {
    entries.push_back(entry.Card);
  }
  return TCompiledCard(Card, std::move(entries));
}

const TCompiledCard& CompiledCreditCard() {
  static const TCompiledCard card = CompileForAnswers(TCCScore());
  return card;
}

void ScoreAnswers(const TCompiledCard& Card, const TAnswers& answers, TAnswerScore& Result) {
  Result.MonthlyIncome = CodeAnswers(answers, Result.Codes);
  Card.Score(Result.Codes, Result.Score);
  Result.CreditLimit = Result.MonthlyIncome > 0
                           ? TCCScore::CreditLimitFor(Result.Score.Total, Result.MonthlyIncome)
                           : 0;
}

}  // namespace solvara
