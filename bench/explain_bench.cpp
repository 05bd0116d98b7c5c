// solvara-report --explain for one applicant. The ways forward: the worst case found
// among 3,000 random applicants and the ones built to be hard, the youngest with every
// answer at its worst, so that no way reaches the cut-off, every year until all the
// years are at their top is scored, and every move of every question is tried. The
// unconstrained search for analysts on the same applicant: 864 points short of the
// cut-off, so that seven changes are needed and every smaller set of the sixteen
// questions that can change is scored on the way.
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

const solvara::TAnswers& Worst() {
  static const solvara::TAnswers answers = Answers({{"age", "18"},
                                                    {"marital", "divorced"},
                                                    {"residential", "local-authority"},
                                                    {"occupation", "7"},
                                                    {"charge-cards", "6"},
                                                    {"missed-payments", "yes"},
                                                    {"defaults", "more-than-one"},
                                                    {"ccj", "more-than-one"},
                                                    {"electoral", "over-5-years"}});
  return answers;
}

template <solvara::TExplanation (*Explainer)(const solvara::TAnswers&, const solvara::TCCScore&)>
void Run(benchmark::State& state, const solvara::TAnswers& answers) {
  const solvara::TCCScore card;
  for (auto _ : state) {
    const solvara::TExplanation explanation = Explainer(answers, card);
    benchmark::DoNotOptimize(explanation.Total);
  }
}

void BM_WaysForwardWorstCase(benchmark::State& state) {
  Run<solvara::Explain>(state, Worst());
}
BENCHMARK(BM_WaysForwardWorstCase)->Unit(benchmark::kMillisecond);

void BM_WaysForwardStartState(benchmark::State& state) {
  Run<solvara::Explain>(state, solvara::TAnswers());
}
BENCHMARK(BM_WaysForwardStartState)->Unit(benchmark::kMillisecond);

void BM_ExplainUnconstrainedWorstCase(benchmark::State& state) {
  Run<solvara::ExplainUnconstrained>(state, Worst());
}
BENCHMARK(BM_ExplainUnconstrainedWorstCase)->Unit(benchmark::kMillisecond);

void BM_ExplainUnconstrainedStartState(benchmark::State& state) {
  Run<solvara::ExplainUnconstrained>(state, solvara::TAnswers());
}
BENCHMARK(BM_ExplainUnconstrainedStartState)->Unit(benchmark::kMillisecond);

}  // namespace
