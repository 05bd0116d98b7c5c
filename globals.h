// The program-wide variables of the desktop program.
#pragma once

#include <cstdint>

namespace solvara {

// The applicant's monthly net income in whole currency units, 0 when no usable
// salary was given. The questionnaire resets and writes it; the report reads it.
extern int32_t MonthlyIncome;

}  // namespace solvara
