#include "globals.h"

namespace solvara {

int32_t MonthlyIncome = 0;

}  // namespace solvara
