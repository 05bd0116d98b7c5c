// The explanation of a score: where an applicant's points come from (a ledger of the
// coded answers and the bands they fell in), which answers cost the most, and the ways
// forward a person can take to the cut-off, by acting or by waiting. For analysts of the
// card, the unconstrained search: the fewest changes of any answers but the age.
#pragma once

#include <cstdint>
#include <optional>
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
  std::string To;       // empty for a cost that no change removes
  int32_t Points;       // what the change gains, or what the answer costs
  int32_t Years = 0;    // a cost that time removes: the years it takes
  std::string Note;     // what comes with the change (a years question starting again)
  TAnswerValue Answer;  // the new answer, where a change is made now
};

// One way to the cut-off: changes made now, or the years that bring it about alone.
struct TWay {
  std::vector<TAnswerChange> Changes;  // in the questionnaire's order, each with what it adds
  int32_t Total = 0;                   // the whole answers scored on the card
  int32_t Majors = 0;                  // how many of the changes take a major effort
  int32_t Years = 0;                   // the waiting way: the years; 0 for changes made now
};

struct TExplanation {
  int32_t Base = 0;
  std::vector<TLedgerRow> Ledger;  // base plus the rows' points is the total
  int32_t Total = 0;
  int32_t CutOff = 0;
  bool Unconstrained = false;  // which search the explanation holds
  // Each answer that scores below the best its question allows, the others staying as
  // they are, largest first. An answer changed by acting names the best answer the
  // person can give; one that grows with time the best that time brings and the years
  // it takes; a fixed one no answer. Unconstrained: the best answer on the card.
  std::vector<TAnswerChange> Costs;

  // Declined applicants only. Up to three ways by acting now, the best first: the fewest
  // changes, then the fewest major ones, then the highest total, then the questions
  // that come first; no way's questions include another's. Waiting: the fewest years
  // after which time alone reaches the cut-off.
  std::vector<TWay> Ways;
  std::optional<TWay> Waiting;
  // Where neither reaches it: the answers that no action changes and cost points, and
  // the total that every change the person can make reaches together.
  std::vector<TLedgerRow> Obstacles;
  int32_t MostReached = 0;

  // Unconstrained only: whether some changes reach the cut-off, and the fewest that do,
  // in the order of the questionnaire, each with what it adds to the ones before it;
  // NearestTotal is the total they reach.
  bool Reachable = false;
  std::vector<TAnswerChange> Nearest;
  int32_t NearestTotal = 0;
};

// Explains the answers on a card like Card (its table and cut-off; it is not changed),
// with the ways forward that the question table's change rules allow.
TExplanation Explain(const TAnswers& answers, const TCCScore& Card);

// The same ledger with the unconstrained search, for analysts of the card: every answer
// but the age may change to any other. Among the sets with the fewest changes the one
// with the highest total wins, then the one whose questions come first in the
// questionnaire; a question's answer is the first in the questionnaire's order among
// those that score best.
TExplanation ExplainUnconstrained(const TAnswers& answers, const TCCScore& Card);

// The explanation in words: as aligned plain text, as an HTML document (the same words,
// in tables), and as one JSON object on one line.
std::string ExplanationText(const TExplanation& explanation);
std::string ExplanationHtml(const TExplanation& explanation);
std::string ExplanationJson(const TExplanation& explanation);

}  // namespace solvara
