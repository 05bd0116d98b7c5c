// --explain: where an applicant's points come from (a ledger of the coded answers and
// the bands they fell in), which answers cost the most, and the fewest changes of
// answers that would reach the cut-off.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "questionnaire/Questions.h"
#include "scoring/BCCScoreU.h"

namespace solvara {

struct TLedgerRow {
  const TQuestion* Question;   // the question the entry codes
  std::string Answer;          // the answer in the questionnaire's words
  std::string Characteristic;  // the entry as coded
  std::string Value;
  bool Matched;      // whether the entry fell in a band (an entry can match none)
  std::string Band;  // the band's text as the card stores it
  int32_t Points;
};

// An answer changed: from one answer to another, in the questionnaire's words.
struct TAnswerChange {
  const TQuestion* Question;
  std::string From;
  std::string To;
  int32_t Points;  // what the change gains
};

struct TExplanation {
  int32_t Base = 0;
  std::vector<TLedgerRow> Ledger;  // base plus the rows' points is the total
  int32_t Total = 0;
  int32_t CutOff = 0;
  // Each answer that scores below the best its question allows, the others staying as
  // they are: To is the best answer and Points what the answer costs. Largest first.
  std::vector<TAnswerChange> Costs;
  // Declined applicants only: whether some changes reach the cut-off, and the fewest
  // that do, in the order of the questionnaire, each with what it adds to the ones
  // before it; NearestTotal is the total they reach.
  bool Reachable = false;
  std::vector<TAnswerChange> Nearest;
  int32_t NearestTotal = 0;
};

// Explains the answers on a card like Card (its table and cut-off; it is not changed).
// The age is never among the changes proposed: it is the one answer nobody can change.
// Among the sets with the fewest changes the one with the highest total wins, then the
// one whose questions come first in the questionnaire; a question's answer is the first
// in the questionnaire's order among those that score best.
TExplanation Explain(const TAnswers& answers, const TCCScore& Card);

// The explanation as aligned plain text, and as one JSON object on one line.
std::string ExplanationText(const TExplanation& explanation);
std::string ExplanationJson(const TExplanation& explanation);

}  // namespace solvara
