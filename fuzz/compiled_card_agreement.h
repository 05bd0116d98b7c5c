// What the compiled card and the engine must agree on, for a fuzz target and a test.
#pragma once

#include "questionnaire/AnswerCoding.h"
#include "scoring/BCCScoreU.h"

namespace solvara {

// Scores the lists the codes stand for on a fresh card and on the compiled one: the first
// thing they disagree on, or null. A limit is held against the report's for the income.
inline const char* Disagreement(const TCompiledCard& compiled, const TCardCodes& codes,
                                int32_t income = 0, const int32_t* limit = nullptr) {
#define AGREE(ok) \
  if (!(ok))      \
  return #ok
  using Texts = std::vector<std::string>;
  TCCScore card;
  Texts names, values, positive, negative;
  for (size_t i = 0; i < compiled.Entries().size(); ++i) {
    if (codes[i] >= 0) {
      names.push_back(compiled.Entries()[i].Name);
      values.push_back(compiled.ValueText(i, codes[i]));
    }
  }
  std::vector<TScoreMatch> trace, compiledTrace;
  card.CalculateScore(names, values, &trace);
  TCardScore score;
  compiled.Score(codes, score);
  compiled.Reasons(codes, score, positive, negative);
  compiled.Trace(codes, score, compiledTrace);
  AGREE(score.Total == card.TotalScore && positive == card.PositiveReasons &&
        negative == card.NegativeReasons && score.Unmatched == card.Errors.has_value());
  const std::string error = compiled.ErrorText(codes, score);
  AGREE(card.Errors.value_or(Texts{}) == (error.empty() ? Texts{} : Texts{error}));
  AGREE(trace.size() == compiledTrace.size());
  uint32_t points[kCardEntriesMax] = {};
  for (size_t k = 0; k < trace.size(); ++k) {
    AGREE(trace[k].Entry == compiledTrace[k].Entry && trace[k].Row == compiledTrace[k].Row);
    points[trace[k].Entry] += static_cast<uint32_t>(card.ScorecardRows()[trace[k].Row].Points);
  }
  for (size_t i = 0, present = 0; i < compiled.Entries().size(); ++i) {
    AGREE(static_cast<uint32_t>(score.Points[i]) == (codes[i] >= 0 ? points[present++] : 0));
  }
  AGREE(limit == nullptr || *limit == (income > 0 ? card.CreditLimit(income) : 0));
  return nullptr;
}

}  // namespace solvara
