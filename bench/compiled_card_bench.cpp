// The compiled card beside the engine: the same applicant scored from its coded lists
// by CalculateScore and from its codes by the compiled card, and the whole way from an
// answers record (coding included) both ways.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "questionnaire/AnswerCoding.h"
#include "report/ReportText.h"

namespace {

using namespace solvara;

// Every question answered, as in scoring_bench.cpp.
TAnswers Applicant() {
  TAnswers answers;
  answers.Age = 35;
  answers.Marital = MaritalChoice::Married;
  answers.Salary = "25,000";
  answers.Residential = ResidentialChoice::Owner;
  answers.YearsAtAddress = 10;
  answers.Occupation = 5;
  answers.YearsInJob = 5;
  answers.Visa = answers.MasterCard = answers.ChequeCard = YesNoChoice::Yes;
  answers.ChargeCards = 1;
  answers.LiveAccounts = 3;
  answers.MissedPayments = YesNoChoice::Yes;
  answers.DefaultedAccounts = answers.CountyCourtJudgements = CountChoice::Yes;
  answers.SettledAccounts = SettledChoice::Two;
  answers.ElectoralRegister = ElectoralChoice::Over5Years;
  return answers;
}

void BM_EngineOnLists(benchmark::State& state) {
  std::vector<std::string> names, values;
  int32_t income = 0;
  BuildUpValues(Applicant(), names, values, income);
  TCCScore card;
  for (auto _ : state) {
    card.PositiveReasons.clear();
    card.NegativeReasons.clear();
    card.Errors.reset();
    card.CalculateScore(names, values);
    benchmark::DoNotOptimize(card.TotalScore);
  }
}
BENCHMARK(BM_EngineOnLists);

void BM_CompiledOnCodes(benchmark::State& state) {
  const TCompiledCard& card = CompiledCreditCard();
  TCardCodes codes;
  CodeAnswers(Applicant(), codes);
  TCardScore score;
  for (auto _ : state) {
    card.Score(codes, score);
    benchmark::DoNotOptimize(score.Total);
  }
}
BENCHMARK(BM_CompiledOnCodes);

void BM_CompiledOnCodesWithReasons(benchmark::State& state) {
  const TCompiledCard& card = CompiledCreditCard();
  TCardCodes codes;
  CodeAnswers(Applicant(), codes);
  TCardScore score;
  std::vector<std::string> positive, negative;
  for (auto _ : state) {
    card.Score(codes, score);
    positive.clear();
    negative.clear();
    card.Reasons(codes, score, positive, negative);
    benchmark::DoNotOptimize(positive.data());
  }
}
BENCHMARK(BM_CompiledOnCodesWithReasons);

void BM_EngineFromAnswers(benchmark::State& state) {
  const TAnswers answers = Applicant();
  std::vector<std::string> names, values;
  TCCScore card;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ScoreApplicant(card, answers, names, values));
    benchmark::DoNotOptimize(card.TotalScore);
  }
}
BENCHMARK(BM_EngineFromAnswers);

void BM_CompiledFromAnswers(benchmark::State& state) {
  const TAnswers answers = Applicant();
  TAnswerScore scored;
  for (auto _ : state) {
    ScoreAnswers(CompiledCreditCard(), answers, scored);
    benchmark::DoNotOptimize(scored.Score.Total);
  }
}
BENCHMARK(BM_CompiledFromAnswers);

}  // namespace
