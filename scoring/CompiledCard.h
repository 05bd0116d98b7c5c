// A scorecard compiled for answers whose values are known in advance: each value an
// entry can take is placed in its bands once, when the card is built, so that scoring an
// applicant adds looked-up points and compares no text. It gives what CalculateScore on
// a fresh card gives for the same answers: the total, the reason entries, the matched
// rows and the error, each only when asked for.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scoring/ScoreU.h"

namespace solvara {

// An entry of the names and values lists as a coding writes it: the characteristic it
// names (spelled as the lists spell it) and the texts its value can take, each known by
// its place in Values, its code. Where Values is empty the value is a whole number from
// 0 up, written in decimal, and the code is that number.
struct TCardEntry {
  std::string Name;
  std::vector<std::string> Values;
};

constexpr size_t kCardEntriesMax = 32;

// An applicant's codes: one per entry in the card's order, -1 where the lists hold no
// such entry.
using TCardCodes = std::array<int32_t, kCardEntriesMax>;

// One applicant scored.
struct TCardScore {
  int32_t Total = 0;
  // Some answer matched no band: the engine's Errors then exists, perhaps empty.
  bool Unmatched = false;
  // The entry whose value ended the calculation with an error message, or -1.
  int32_t Failed = -1;
  // What each entry added: 0 for an absent entry and for those the error kept from
  // being scored.
  std::array<int32_t, kCardEntriesMax> Points{};
};

class TCompiledCard {
 public:
  // Compiles Card's table for lists made of these entries in this order, each at most
  // once. Throws std::invalid_argument for more than kCardEntriesMax entries or for two
  // that name one characteristic: the engine would score the second against what the
  // first left of the table, which a lookup cannot know.
  TCompiledCard(const TScore& Card, std::vector<TCardEntry> Entries);

  const std::vector<TCardEntry>& Entries() const { return entries_; }
  int32_t BaseScore() const { return base_; }
  int32_t CutOff() const { return cutOff_; }

  // Scores the lists the codes stand for; allocates nothing. Throws std::out_of_range
  // for a code outside its entry's values.
  void Score(const TCardCodes& Codes, TCardScore& Result) const;

  // For a Result of Score on the same Codes, what CalculateScore appends: the reason
  // entries to Positive and Negative, the matched rows (Entry counts the entries
  // present, as in the names list) to Trace, the message to Errors.
  void Reasons(const TCardCodes& Codes, const TCardScore& Result,
               std::vector<std::string>& Positive, std::vector<std::string>& Negative) const;
  void Trace(const TCardCodes& Codes, const TCardScore& Result,
             std::vector<TScoreMatch>& Trace) const;
  // The message of the error that ended the calculation, empty without one.
  std::string ErrorText(const TCardCodes& Codes, const TCardScore& Result) const;

  // The value text a code stands for in an entry.
  std::string ValueText(size_t Entry, int32_t Code) const;

 private:
  struct Band {
    uint32_t row;
    int32_t points;
    bool range;
    int32_t low;
    int32_t high;
    bool number;    // a code band whose text is a number written as the coding writes it
    int32_t value;  // that number
  };
  // How one value of an entry falls: its bands are matches_[first, first + count).
  struct Outcome {
    int32_t points;
    uint32_t first;
    uint16_t count;
    bool matched;
    bool error;
  };
  struct Match {
    uint32_t row;
    int32_t points;
    std::string reason;  // empty for 0 points
  };
  struct Compiled {
    std::vector<Band> bands;  // the characteristic's rows, for a whole-number entry
    uint32_t firstOutcome;
    uint32_t outcomeCount;
  };

  Outcome Number(size_t entry, int32_t value, std::vector<Match>* matches) const;
  template <typename Visit>
  void EachMatch(const TCardCodes& codes, const TCardScore& result, Visit visit) const;

  std::vector<TCardEntry> entries_;
  std::vector<Compiled> compiled_;
  std::vector<Outcome> outcomes_;
  std::vector<Match> matches_;
  int32_t base_;
  int32_t cutOff_;
};

}  // namespace solvara
