// What one applicant costs from the answers to the shown report: the coding, a fresh
// scorecard and its calculation, the analysis and the one-line document, as the
// finish operation runs them. Target: under 40 microseconds per applicant.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "questionnaire/AnswerCoding.h"
#include "report/ReportText.h"
#include "scoring/BCCScoreU.h"

namespace {

using solvara::TAnswers;

// Three applicants that between them reach every kind of report line.
std::vector<TAnswers> Applicants() {
  TAnswers start;  // the questionnaire as it opens

  TAnswers owner;
  owner.Age = 66;
  owner.Marital = solvara::MaritalChoice::Married;
  owner.Salary = "\u00A330,000.00";
  owner.Residential = solvara::ResidentialChoice::Owner;
  owner.YearsAtAddress = 21;
  owner.Telephone = "01632 960123";
  owner.Occupation = 15;
  owner.YearsInJob = 16;
  owner.Visa = owner.MasterCard = owner.ChequeCard = solvara::YesNoChoice::Yes;
  owner.LiveAccounts = 3;
  owner.SettledAccounts = solvara::SettledChoice::MoreThanTwo;
  owner.ElectoralRegister = solvara::ElectoralChoice::Yes;

  TAnswers troubled;
  troubled.Age = 23;
  troubled.Salary = "18,000";
  troubled.Residential = solvara::ResidentialChoice::LocalAuthority;
  troubled.Occupation = 7;
  troubled.ChargeCards = 6;
  troubled.MissedPayments = solvara::YesNoChoice::Yes;
  troubled.DefaultedAccounts = solvara::CountChoice::Yes;
  troubled.CountyCourtJudgements = solvara::CountChoice::MoreThanOne;
  troubled.ElectoralRegister = solvara::ElectoralChoice::Over5Years;
  return {start, owner, troubled};
}

void BM_ChainPerApplicant(benchmark::State& state) {
  const std::vector<TAnswers> applicants = Applicants();
  size_t next = 0;
  for (auto _ : state) {
    const TAnswers& answers = applicants[next];
    next = (next + 1) % applicants.size();

    std::vector<std::string> names;
    std::vector<std::string> values;
    int32_t income = 0;
    solvara::BuildUpValues(answers, names, values, income);
    solvara::TCCScore card;
    card.CalculateScore(names, values);
    const std::vector<std::string> lines = solvara::AnalyseWhy(card, income);
    std::string shown = solvara::ShownForm(lines);
    benchmark::DoNotOptimize(shown.data());
  }
}
BENCHMARK(BM_ChainPerApplicant);

}  // namespace
