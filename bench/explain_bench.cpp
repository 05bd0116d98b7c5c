// solvara-report --explain for one applicant, the search for the fewest changes
// included. The worst case found: every answer at its worst and the age at its
// lowest, 864 points short of the cut-off, so that seven changes are needed and every
// smaller set of the sixteen questions that can change is scored on the way.
#include <benchmark/benchmark.h>

#include "cli/Answers.h"
#include "report/Explain.h"

namespace {

solvara::TAnswers Answers(const std::vector<std::pair<std::string, std::string>>& given) {
  solvara::TAnswers answers;
  solvara::TAnswerReader reader(answers);
  const solvara::TQuestion* question = nullptr;
  for (const auto& [key, value] : given) {
    reader.Put(key, value, question);
  }
  return answers;
}

void Run(benchmark::State& state, const solvara::TAnswers& answers) {
  const solvara::TCCScore card;
  for (auto _ : state) {
    const solvara::TExplanation explanation = solvara::Explain(answers, card);
    benchmark::DoNotOptimize(explanation.NearestTotal);
  }
}

void BM_ExplainWorstCase(benchmark::State& state) {
  Run(state, Answers({{"age", "18"},
                      {"marital", "divorced"},
                      {"residential", "local-authority"},
                      {"occupation", "7"},
                      {"charge-cards", "6"},
                      {"missed-payments", "yes"},
                      {"defaults", "more-than-one"},
                      {"ccj", "more-than-one"},
                      {"electoral", "over-5-years"}}));
}
BENCHMARK(BM_ExplainWorstCase)->Unit(benchmark::kMillisecond);

void BM_ExplainStartState(benchmark::State& state) {
  Run(state, solvara::TAnswers());
}
BENCHMARK(BM_ExplainStartState)->Unit(benchmark::kMillisecond);

}  // namespace
