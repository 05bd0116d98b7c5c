// The salary and telephone boxes take any text: the salary, a NUL byte, the telephone.
// MonthlyNetIncome is coded exactly when the salary reads, as the monthly income;
// currency signs before the amount change nothing; HomeTelephone follows the trimmed
// telephone.
#include <algorithm>

#include "fuzz/FuzzCheck.h"
#include "questionnaire/AnswerCoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t nul = input.find('\0');
  solvara::TAnswers answers;
  answers.Salary = input.substr(0, nul);
  answers.Telephone = nul == std::string::npos ? "" : input.substr(nul + 1);

  int32_t monthly = -1;
  const bool usable = solvara::ReadMonthlyIncome(answers.Salary, monthly);
  FUZZ_CHECK(monthly >= 0 && (usable || monthly == 0));
  for (const char* signs : {"\xC2\xA3", "\xE2\x82\xAC", " $,\xC2\xA3\xE2\x82\xAC "}) {
    int32_t again = -1;
    FUZZ_CHECK(solvara::ReadMonthlyIncome(signs + answers.Salary, again) == usable &&
               again == monthly);
  }

  std::vector<std::string> names, values;
  int32_t income = 12345;
  solvara::BuildUpValues(answers, names, values, income);
  FUZZ_CHECK(names.size() == values.size() && !names.empty() && income == monthly);
  FUZZ_CHECK((names.back() == "MonthlyNetIncome") == usable);
  FUZZ_CHECK(!usable || values.back() == std::to_string(income));
  FUZZ_CHECK(std::count(values.begin(), values.end(), "") == 0);
  const bool blank = std::all_of(answers.Telephone.begin(), answers.Telephone.end(),
                                 [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
  FUZZ_CHECK(std::count(names.begin(), names.end(), "HomeTelephone") == blank);
  return 0;
}
