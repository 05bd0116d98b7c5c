// The credit-card application scorecard: the one table the program scores against.
#pragma once

#include <cstdint>

#include "scoring/ScoreU.h"

namespace solvara {

class TCCScore : public TScore {
 public:
  TCCScore();

  // The credit limit for this card's TotalScore and a monthly net income; 0 for a
  // declined score or a negative income. Call after CalculateScore.
  int32_t CreditLimit(int32_t MonthlyNetIncome) const;
  // The same for a given total, for whoever scores without a card object.
  static int32_t CreditLimitFor(int32_t TotalScore, int32_t MonthlyNetIncome);
};

}  // namespace solvara
