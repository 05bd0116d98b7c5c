// The program-wide variables of the desktop program.
#pragma once

#include <cstdint>

namespace solvara {

class TMouseHook;

// The applicant's monthly net income in whole currency units, 0 when no usable
// salary was given. The questionnaire resets and writes it; the report reads it.
extern int32_t MonthlyIncome;

// The right-click filter in force, or null when no page holds one.
extern TMouseHook* MouseHookHandle;

}  // namespace solvara
