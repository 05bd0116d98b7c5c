// The salary and telephone boxes take any text. Input: the salary, then a NUL byte,
// then the telephone (no NUL: all salary, empty telephone). Checks that the coding
// never fails, that the MonthlyNetIncome entry is there exactly when the salary reads
// and then equals the monthly income, and that currency signs typed before the amount
// change nothing.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "questionnaire/AnswerCoding.h"

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "salary_fuzz: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t nul = input.find('\0');
  solvara::TAnswers answers;
  answers.Salary = input.substr(0, nul);
  if (nul != std::string::npos)
    answers.Telephone = input.substr(nul + 1);

  int32_t monthly = -1;
  const bool usable = solvara::ReadMonthlyIncome(answers.Salary, monthly);
  if (monthly < 0 || (!usable && monthly != 0))
    Fail("monthly income out of place");

  for (const char* signs : {"\xC2\xA3", "\xE2\x82\xAC", " $,\xC2\xA3\xE2\x82\xAC "}) {
    int32_t again = -1;
    if (solvara::ReadMonthlyIncome(signs + answers.Salary, again) != usable || again != monthly) {
      Fail("a currency sign before the amount changed the reading");
    }
  }

  std::vector<std::string> names;
  std::vector<std::string> values;
  int32_t income = 12345;
  solvara::BuildUpValues(answers, names, values, income);
  if (names.size() != values.size() || names.empty())
    Fail("lists out of step");
  if (income != monthly)
    Fail("coding and reading disagree on the income");
  const bool hasEntry = names.back() == "MonthlyNetIncome";
  if (hasEntry != usable)
    Fail("MonthlyNetIncome entry present when it should not be, or absent");
  if (hasEntry && values.back() != std::to_string(income))
    Fail("MonthlyNetIncome is not the income");

  bool blank = true;
  for (const char c : answers.Telephone)
    blank = blank && static_cast<unsigned char>(c) <= 0x20;
  bool noPhone = false;
  for (size_t i = 0; i < names.size(); ++i) {
    if (values[i].empty())
      Fail("empty value");
    noPhone = noPhone || names[i] == "HomeTelephone";
  }
  if (noPhone != blank)
    Fail("HomeTelephone does not follow the trimmed telephone");
  return 0;
}
