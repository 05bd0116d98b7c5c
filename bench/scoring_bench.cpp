// What scoring one applicant costs: the whole life of a scorecard as the finish and
// save operations use it, and the calculation alone.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "scoring/BCCScoreU.h"

namespace {

using Texts = std::vector<std::string>;

// One applicant as the questionnaire codes the answers, every question answered.
const Texts& Names() {
  static const Texts names{"Age",
                           "MaritalStatus",
                           "ResidentialStatus",
                           "TimeAtAddress",
                           "HomeTelephone",
                           "Occupation",
                           "TimeInJob",
                           "VisaCardHeld",
                           "AccessMastercardHeld",
                           "ChequeCardHeld",
                           "ChargeCardAccountsHeld",
                           "LiveCreditAccounts",
                           "WorstStatusofLiveAccounts",
                           "DefaultAccounts",
                           "CCJS",
                           "SettledCreditAccounts",
                           "NamesMatchingonElectoralRoll",
                           "YearsSinceLastRegistered",
                           "MonthlyNetIncome"};
  return names;
}

const Texts& Values() {
  static const Texts values{"3501", "M", "O", "1001", "N", "22", "501", "Y", "Y",   "Y",
                            "1",    "3", "2", "1",    "1", "2",  "1",   "6", "2083"};
  return values;
}

void BM_ScorecardLifecycle(benchmark::State& state) {
  const Texts& names = Names();
  const Texts& values = Values();
  for (auto _ : state) {
    solvara::TCCScore card;
    card.CalculateScore(names, values);
    const bool accepted = card.TotalScore >= card.CutOff;
    benchmark::DoNotOptimize(accepted);
    benchmark::DoNotOptimize(card.PositiveReasons.data());
    benchmark::DoNotOptimize(card.NegativeReasons.data());
    benchmark::DoNotOptimize(card.CreditLimit(2083));
  }
}
BENCHMARK(BM_ScorecardLifecycle);

void BM_CalculateScore(benchmark::State& state) {
  const Texts& names = Names();
  const Texts& values = Values();
  solvara::TCCScore card;
  for (auto _ : state) {
    // Fresh reason lists each time, or every iteration would append to the last.
    card.PositiveReasons.clear();
    card.NegativeReasons.clear();
    card.CalculateScore(names, values);
    benchmark::DoNotOptimize(card.TotalScore);
    benchmark::DoNotOptimize(card.PositiveReasons.data());
  }
}
BENCHMARK(BM_CalculateScore);

}  // namespace
