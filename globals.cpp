#include "globals.h"

namespace solvara {

int32_t MonthlyIncome = 0;
TMouseHook* MouseHookHandle = nullptr;

}  // namespace solvara
