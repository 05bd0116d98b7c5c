// The coding of the questionnaire's answers into the names and values lists of the
// credit-card scorecard.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "questionnaire/Questions.h"

namespace solvara {

// Reads a yearly salary as typed (UTF-8) into a monthly income. True when the salary
// is usable, which is exactly when a MonthlyNetIncome entry is coded; monthly is then
// the yearly amount divided by 12 (possibly 0), otherwise 0.
bool ReadMonthlyIncome(const std::string& salary, int32_t& monthly);

// Codes the answers: fills Names and Values afresh and sets MonthlyIncome (0 when
// no usable salary was given).
void BuildUpValues(const TAnswers& answers, std::vector<std::string>& Names,
                   std::vector<std::string>& Values, int32_t& MonthlyIncome);
// The same coding, also filling Sources with the question each entry codes, parallel
// to Names.
void BuildUpValues(const TAnswers& answers, std::vector<std::string>& Names,
                   std::vector<std::string>& Values, int32_t& MonthlyIncome,
                   std::vector<const TQuestion*>* Sources);

}  // namespace solvara
