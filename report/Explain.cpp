#include "report/Explain.h"

#include <algorithm>
#include <numeric>
#include <optional>

#include "questionnaire/AnswerCoding.h"
#include "report/ReportText.h"

namespace solvara {

namespace {

const char* const kNotAnswered = "(not answered)";
const char* const kAnswered = "(answered)";
// What a change puts into a text question: any text that is not blank.
const char* const kSomeText = "answered";

// Every answer a question can be given; a text question's are no text and some text.
std::vector<TAnswerValue> AnswersOf(const TQuestion& question) {
  std::vector<TAnswerValue> list;
  switch (question.Kind) {
    case QuestionKind::Slider:
    case QuestionKind::List:
      for (int32_t value = question.Low; value <= question.High; ++value) {
        list.push_back({value, ""});
      }
      break;
    case QuestionKind::Choice:
      for (const TChoice& choice : question.Choices) {
        list.push_back({choice.Value, ""});
      }
      break;
    case QuestionKind::Text:
      list = {{0, ""}, {0, kSomeText}};
      break;
  }
  return list;
}

bool Holds(const TQuestion& question, const TAnswers& answers, const TAnswerValue& candidate) {
  return question.Kind == QuestionKind::Text ? AnswerText(question, answers) == candidate.Text
                                             : AnswerValue(question, answers) == candidate.Value;
}

// Puts an answer in place and nothing else: the unconstrained search's change.
void Apply(const TQuestion& question, const TAnswerValue& candidate, TAnswers& answers) {
  if (question.Kind == QuestionKind::Text) {
    AnswerText(question, answers) = candidate.Text;
  } else {
    SetAnswerValue(question, answers, candidate.Value);
  }
}

std::string Words(const TQuestion& question, const TAnswers& answers) {
  const std::string words = AnswerInWords(question, answers);
  if (question.Kind == QuestionKind::Text && words == kSomeText) {
    return kAnswered;
  }
  return words.empty() ? kNotAnswered : words;
}

// Codes and scores whole answer sets on one card, reusing its table and the lists.
class Rescorer {
 public:
  explicit Rescorer(const TCCScore& card) : card_(card) {}

  int32_t Total(const TAnswers& answers) {
    ScoreApplicant(card_, answers, names_, values_);
    return card_.TotalScore;
  }

  // The coded entries of each question, in order, as "Name=Value" texts.
  std::vector<std::vector<std::string>> EntriesByQuestion(const TAnswers& answers) {
    int32_t income = 0;
    std::vector<const TQuestion*> sources;
    BuildUpValues(answers, names_, values_, income, &sources);
    std::vector<std::vector<std::string>> entries(Questions().size());
    for (size_t i = 0; i < names_.size(); ++i) {
      entries[Index(sources[i])].push_back(names_[i] + "=" + values_[i]);
    }
    return entries;
  }

  static size_t Index(const TQuestion* question) {
    return static_cast<size_t>(question - Questions().data());
  }

 private:
  TCCScore card_;
  std::vector<std::string> names_;
  std::vector<std::string> values_;
};

// Questions whose answers act on each other's scoring: one changes what another codes
// (the occupation decides whether the years in the job count), or both code the same
// characteristic. Every other question scores alone, since the card scores each entry
// against the bands of its own characteristic only.
std::vector<std::vector<size_t>> Units(const TAnswers& answers,
                                       const std::vector<std::vector<TAnswerValue>>& candidates,
                                       Rescorer& scorer) {
  const size_t n = Questions().size();
  std::vector<size_t> root(n);
  std::iota(root.begin(), root.end(), 0);
  const auto find = [&root](size_t k) {
    while (root[k] != k) {
      k = root[k];
    }
    return k;
  };
  const auto join = [&](size_t a, size_t b) { root[find(a)] = find(b); };

  const std::vector<std::vector<std::string>> before = scorer.EntriesByQuestion(answers);
  std::vector<std::vector<std::string>> coded(n);  // every characteristic a question codes
  for (size_t q = 0; q < n; ++q) {
    for (const TAnswerValue& candidate : candidates[q]) {
      TAnswers changed = answers;
      Apply(Questions()[q], candidate, changed);
      const std::vector<std::vector<std::string>> after = scorer.EntriesByQuestion(changed);
      for (size_t r = 0; r < n; ++r) {
        if (r != q && after[r] != before[r]) {
          join(q, r);
        }
        for (const std::string& entry : after[r]) {
          coded[r].push_back(entry.substr(0, entry.find('=')));
        }
      }
    }
  }
  for (std::vector<std::string>& names : coded) {
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
  }
  for (size_t q = 0; q < n; ++q) {
    for (size_t r = q + 1; r < n; ++r) {
      for (const std::string& name : coded[q]) {
        if (std::find(coded[r].begin(), coded[r].end(), name) != coded[r].end()) {
          join(q, r);
        }
      }
    }
  }
  std::vector<std::vector<size_t>> units;
  std::vector<size_t> unitOfRoot(n, n);
  for (size_t q = 0; q < n; ++q) {
    size_t& unit = unitOfRoot[find(q)];
    if (unit == n) {
      unit = units.size();
      units.emplace_back();
    }
    units[unit].push_back(q);
  }
  return units;
}

// The best answers for some questions of a unit, all of them changed, the rest of the
// answers as they are.
struct Option {
  bool exists = false;
  int32_t total = 0;
  std::vector<std::pair<size_t, size_t>> picks;  // question, candidate
};

// For every non-empty subset of a unit (bit k: its k-th question), its best option.
std::vector<Option> UnitOptions(const std::vector<size_t>& unit, const TAnswers& answers,
                                const std::vector<std::vector<TAnswerValue>>& candidates,
                                Rescorer& scorer) {
  std::vector<Option> options(size_t{1} << unit.size());
  for (size_t mask = 1; mask < options.size(); ++mask) {
    std::vector<size_t> members;
    for (size_t k = 0; k < unit.size(); ++k) {
      if ((mask >> k & 1) != 0) {
        members.push_back(unit[k]);
      }
    }
    // Every combination of the members' candidates, the first member changing slowest.
    std::vector<size_t> at(members.size(), 0);
    bool any = std::all_of(members.begin(), members.end(),
                           [&](size_t q) { return !candidates[q].empty(); });
    while (any) {
      TAnswers changed = answers;
      for (size_t k = 0; k < members.size(); ++k) {
        Apply(Questions()[members[k]], candidates[members[k]][at[k]], changed);
      }
      const int32_t total = scorer.Total(changed);
      Option& best = options[mask];
      if (!best.exists || total > best.total) {
        best = {true, total, {}};
        for (size_t k = 0; k < members.size(); ++k) {
          best.picks.emplace_back(members[k], at[k]);
        }
      }
      size_t k = members.size();
      while (k > 0 && ++at[k - 1] == candidates[members[k - 1]].size()) {
        at[--k] = 0;
      }
      any = k > 0;
    }
  }
  return options;
}

// Applies picks in the questionnaire's order, noting what each adds to those before it.
std::vector<TAnswerChange> Changes(std::vector<std::pair<size_t, size_t>> picks,
                                   const TAnswers& answers,
                                   const std::vector<std::vector<TAnswerValue>>& candidates,
                                   Rescorer& scorer) {
  std::sort(picks.begin(), picks.end());
  std::vector<TAnswerChange> changes;
  TAnswers changed = answers;
  int32_t total = scorer.Total(changed);
  for (const auto& [q, c] : picks) {
    const TQuestion& question = Questions()[q];
    const std::string from = Words(question, changed);
    Apply(question, candidates[q][c], changed);
    const int32_t next = scorer.Total(changed);
    changes.push_back(
        {&question, from, Words(question, changed), next - total, 0, "", candidates[q][c]});
    total = next;
  }
  return changes;
}

// The explanation's ledger: every coded entry with the band it fell in.
TExplanation LedgerOf(const TAnswers& answers, const TCCScore& Card) {
  TExplanation explanation;
  explanation.Base = Card.BaseScore;
  explanation.CutOff = Card.CutOff;
  std::vector<std::string> names;
  std::vector<std::string> values;
  std::vector<const TQuestion*> sources;
  int32_t income = 0;
  BuildUpValues(answers, names, values, income, &sources);
  TCCScore card = Card;
  std::vector<TScoreMatch> trace;
  card.CalculateScore(names, values, &trace);
  explanation.Total = card.TotalScore;
  // The calculation takes the answers last to first; the ledger lists them in order.
  std::stable_sort(trace.begin(), trace.end(),
                   [](const TScoreMatch& a, const TScoreMatch& b) { return a.Entry < b.Entry; });
  auto match = trace.begin();
  for (size_t i = 0; i < names.size(); ++i) {
    TLedgerRow row{sources[i], Words(*sources[i], answers), names[i], values[i], false, "", 0};
    if (match == trace.end() || match->Entry != i) {
      explanation.Ledger.push_back(row);
    }
    for (; match != trace.end() && match->Entry == i; ++match) {
      const TScoreRow& band = card.ScorecardRows()[match->Row];
      row.Matched = true;
      row.Band = band.Band;
      row.Points = band.Points;
      explanation.Ledger.push_back(row);
    }
  }
  return explanation;
}

// The units of questions that score together, and for each the best answers of every
// subset of its questions.
struct UnitTable {
  std::vector<std::vector<size_t>> units;
  std::vector<std::vector<Option>> options;
  std::vector<size_t> unitOf;
  std::vector<size_t> bitOf;

  const Option& Alone(size_t q) const { return options[unitOf[q]][size_t{1} << bitOf[q]]; }
};

UnitTable BuildUnits(const TAnswers& answers,
                     const std::vector<std::vector<TAnswerValue>>& candidates, Rescorer& scorer) {
  UnitTable table;
  table.units = Units(answers, candidates, scorer);
  table.unitOf.resize(Questions().size());
  table.bitOf.resize(Questions().size());
  for (size_t u = 0; u < table.units.size(); ++u) {
    table.options.push_back(UnitOptions(table.units[u], answers, candidates, scorer));
    for (size_t k = 0; k < table.units[u].size(); ++k) {
      table.unitOf[table.units[u][k]] = u;
      table.bitOf[table.units[u][k]] = k;
    }
  }
  return table;
}

// Every answer of each question other than the one given.
std::vector<std::vector<TAnswerValue>> OtherAnswers(const TAnswers& answers) {
  const std::vector<TQuestion>& questions = Questions();
  std::vector<std::vector<TAnswerValue>> candidates(questions.size());
  for (size_t q = 0; q < questions.size(); ++q) {
    for (TAnswerValue& candidate : AnswersOf(questions[q])) {
      if (!Holds(questions[q], answers, candidate)) {
        candidates[q].push_back(std::move(candidate));
      }
    }
  }
  return candidates;
}

// The sets of `size` of the questions in `open`, in lexicographic order: at is the
// current set's positions in open; false once the last has been passed.
bool NextSet(std::vector<size_t>& at, size_t openCount) {
  const size_t size = at.size();
  size_t k = size;
  while (k > 0 && at[k - 1] == openCount - size + k - 1) {
    --k;
  }
  if (k == 0) {
    return false;
  }
  ++at[k - 1];
  for (size_t j = k; j < size; ++j) {
    at[j] = at[j - 1] + 1;
  }
  return true;
}

// The answers with a set of questions at the best answers their units allow together;
// false where some unit has no such answers.
bool BestOfSet(const std::vector<size_t>& set, const UnitTable& table, const TAnswers& answers,
               const std::vector<std::vector<TAnswerValue>>& candidates, TAnswers& changed,
               std::vector<std::pair<size_t, size_t>>& picks) {
  std::vector<size_t> unitMask(table.units.size(), 0);
  for (const size_t q : set) {
    unitMask[table.unitOf[q]] |= size_t{1} << table.bitOf[q];
  }
  changed = answers;
  picks.clear();
  for (size_t u = 0; u < table.units.size(); ++u) {
    if (unitMask[u] == 0) {
      continue;
    }
    const Option& option = table.options[u][unitMask[u]];
    if (!option.exists) {
      return false;
    }
    for (const auto& [q, c] : option.picks) {
      Apply(Questions()[q], candidates[q][c], changed);
      picks.emplace_back(q, c);
    }
  }
  return true;
}

// The fewest changes of any answers but the age that reach the cut-off, by sets of
// growing size, each set scored whole; of one size the highest total wins.
void NearestChanges(TExplanation& explanation, const TAnswers& answers,
                    const std::vector<std::vector<TAnswerValue>>& candidates,
                    const UnitTable& table, Rescorer& scorer) {
  // A question that scores alone and cannot gain on its own is left out, since leaving
  // it unchanged never scores less. A question that acts on another stays in, since only
  // together they may gain.
  const size_t age = Rescorer::Index(&QuestionFor("age"));
  std::vector<size_t> open;
  for (size_t q = 0; q < Questions().size(); ++q) {
    const Option& alone = table.Alone(q);
    if (q != age && (table.units[table.unitOf[q]].size() > 1 ||
                     (alone.exists && alone.total > explanation.Total))) {
      open.push_back(q);
    }
  }
  TAnswers changed;
  std::vector<std::pair<size_t, size_t>> picks;
  for (size_t size = 1; size <= open.size() && !explanation.Reachable; ++size) {
    std::vector<size_t> at(size);
    std::iota(at.begin(), at.end(), 0);
    do {
      std::vector<size_t> set;
      for (const size_t k : at) {
        set.push_back(open[k]);
      }
      if (!BestOfSet(set, table, answers, candidates, changed, picks)) {
        continue;
      }
      const int32_t reached = scorer.Total(changed);
      if (reached >= explanation.CutOff &&
          (!explanation.Reachable || reached > explanation.NearestTotal)) {
        explanation.Reachable = true;
        explanation.NearestTotal = reached;
        explanation.Nearest = Changes(picks, answers, candidates, scorer);
      }
    } while (NextSet(at, open.size()));
  }
}

// ---- Ways forward under the question table's change rules ----

// A move a person can make on one question, and the total of the answers with that move
// alone.
struct Move {
  size_t question;
  TAnswerValue to;
  int32_t total;
};

// For every question changed by acting, its best possible move (the first of those that
// score highest), where it has one.
std::vector<std::optional<Move>> BestMoves(const TAnswers& answers, Rescorer& scorer) {
  const std::vector<TQuestion>& questions = Questions();
  std::vector<std::optional<Move>> best(questions.size());
  for (size_t q = 0; q < questions.size(); ++q) {
    for (TAnswerValue& to : AnswersOf(questions[q])) {
      if (!MovePossible(questions[q], answers, to)) {
        continue;
      }
      TAnswers changed = answers;
      ApplyMove(questions[q], changed, to);
      const int32_t total = scorer.Total(changed);
      if (!best[q] || total > best[q]->total) {
        best[q] = Move{q, std::move(to), total};
      }
    }
  }
  return best;
}

// What comes with a move, in words, where it changes an answer that counts: years that
// are coded and not 0 already.
std::string RestartNote(const TQuestion& question, const TAnswers& before, Rescorer& scorer) {
  const char* restarts = question.Change.Restarts;
  if (restarts == nullptr || AnswerValue(QuestionFor(restarts), before) == 0 ||
      scorer.EntriesByQuestion(before)[Rescorer::Index(&QuestionFor(restarts))].empty()) {
    return "";
  }
  return question.Change.RestartNote;
}

// Moves made in the questionnaire's order, noting what each adds to those before it.
TWay WayOf(const std::vector<const Move*>& moves, const TAnswers& answers, Rescorer& scorer) {
  TWay way;
  TAnswers changed = answers;
  int32_t total = scorer.Total(changed);
  for (const Move* move : moves) {
    const TQuestion& question = Questions()[move->question];
    const std::string from = Words(question, changed);
    const std::string note = RestartNote(question, changed, scorer);
    ApplyMove(question, changed, move->to);
    const int32_t next = scorer.Total(changed);
    way.Changes.push_back(
        {&question, from, Words(question, changed), next - total, 0, note, move->to});
    way.Majors += question.Change.Cost == Effort::Major ? 1 : 0;
    total = next;
  }
  way.Total = total;
  return way;
}

// A set of moves, one bit for each of the moves that gain.
struct MoveSet {
  uint32_t mask;
  int32_t size;
  int32_t majors;
  int32_t total;  // the current total and the moves' gains
};

// Before in the order of the ways: fewer changes, fewer major ones, a higher total, then
// the questions that come first (the lowest bits are the first questions).
bool Better(const MoveSet& a, const MoveSet& b) {
  if (a.size != b.size) {
    return a.size < b.size;
  }
  if (a.majors != b.majors) {
    return a.majors < b.majors;
  }
  if (a.total != b.total) {
    return a.total > b.total;
  }
  const uint32_t differ = a.mask ^ b.mask;
  return (a.mask & differ & (~differ + 1)) != 0;  // the lowest differing bit is a's
}

// Up to three ways by acting now. Each question scores on characteristics of its own,
// so a set's best answers are its questions' best moves and its total their gains
// added; every way found is scored whole all the same. A way is a least set: no change
// can be left out of it, so no way's questions hold another's.
std::vector<TWay> WaysByActing(const TAnswers& answers,
                               const std::vector<std::optional<Move>>& best, int32_t total,
                               int32_t cutOff, Rescorer& scorer) {
  std::vector<const Move*> gaining;  // in the questionnaire's order
  for (const std::optional<Move>& move : best) {
    if (move && move->total > total) {
      gaining.push_back(&*move);
    }
  }
  std::vector<MoveSet> least;
  for (uint32_t mask = 1; mask < (uint32_t{1} << gaining.size()); ++mask) {
    MoveSet set{mask, 0, 0, total};
    for (size_t k = 0; k < gaining.size(); ++k) {
      if ((mask >> k & 1) != 0) {
        ++set.size;
        set.majors += Questions()[gaining[k]->question].Change.Cost == Effort::Major ? 1 : 0;
        set.total += gaining[k]->total - total;
      }
    }
    bool needed = set.total >= cutOff;  // every change: without it the set falls short
    for (size_t k = 0; k < gaining.size() && needed; ++k) {
      needed = (mask >> k & 1) == 0 || set.total - (gaining[k]->total - total) < cutOff;
    }
    if (needed) {
      least.push_back(set);
    }
  }
  std::sort(least.begin(), least.end(), Better);
  std::vector<TWay> ways;
  for (size_t w = 0; w < least.size() && w < 3; ++w) {
    std::vector<const Move*> moves;
    for (size_t k = 0; k < gaining.size(); ++k) {
      if ((least[w].mask >> k & 1) != 0) {
        moves.push_back(gaining[k]);
      }
    }
    ways.push_back(WayOf(moves, answers, scorer));
  }
  return ways;
}

// How many years until time alone changes nothing more: every WithTime answer at the
// top of its range.
int32_t YearsToTheTop(const TAnswers& answers) {
  int32_t years = 0;
  for (const TQuestion& question : Questions()) {
    if (question.Change.Kind == ChangeKind::WithTime) {
      years = std::max(years, question.High - SliderPosition(question, answers));
    }
  }
  return years;
}

// The fewest years after which time alone reaches the cut-off, with nothing else changed.
std::optional<TWay> WaitingWay(const TAnswers& answers, int32_t cutOff, Rescorer& scorer) {
  for (int32_t years = 1; years <= YearsToTheTop(answers); ++years) {
    const TAnswers later = AfterYears(answers, years);
    if (scorer.Total(later) < cutOff) {
      continue;
    }
    TWay way;
    way.Years = years;
    TAnswers changed = answers;
    int32_t total = scorer.Total(changed);
    // The years in a job count only where there is a job.
    const std::vector<std::vector<std::string>> coded = scorer.EntriesByQuestion(later);
    for (const TQuestion& question : Questions()) {
      if (AnswerValue(question, later) == AnswerValue(question, changed) ||
          coded[Rescorer::Index(&question)].empty()) {
        continue;
      }
      const std::string from = Words(question, changed);
      SetAnswerValue(question, changed, AnswerValue(question, later));
      const int32_t next = scorer.Total(changed);
      way.Changes.push_back({&question, from, Words(question, changed), next - total, 0, "", {}});
      total = next;
    }
    way.Total = total;
    return way;
  }
  return std::nullopt;
}

// What each answer costs against the best its question allows, the others as they are:
// a move the person can make, what time alone brings (and when), or for a fixed answer
// the best on the card, which is named nowhere.
std::vector<TAnswerChange> Costs(const TAnswers& answers,
                                 const std::vector<std::optional<Move>>& best, int32_t total,
                                 Rescorer& scorer) {
  std::vector<TAnswerChange> costs;
  for (size_t q = 0; q < Questions().size(); ++q) {
    const TQuestion& question = Questions()[q];
    TAnswerChange cost{&question, Words(question, answers), "", 0, 0, "", {}};
    TAnswers changed = answers;
    switch (question.Change.Kind) {
      case ChangeKind::ByActing:
        if (best[q]) {
          cost.Note = RestartNote(question, answers, scorer);
          ApplyMove(question, changed, best[q]->to);
          cost.To = Words(question, changed);
          cost.Points = best[q]->total - total;
          cost.Answer = best[q]->to;
        }
        break;
      case ChangeKind::WithTime:
        for (int32_t years = 1; SliderPosition(question, answers) + years <= question.High;
             ++years) {
          SetAnswerValue(question, changed, SliderPosition(question, answers) + years);
          if (const int32_t gain = scorer.Total(changed) - total; gain > cost.Points) {
            cost.To = Words(question, changed);
            cost.Points = gain;
            cost.Years = years;
          }
        }
        break;
      case ChangeKind::Fixed:
        for (const TAnswerValue& other : AnswersOf(question)) {
          changed = answers;
          Apply(question, other, changed);
          cost.Points = std::max(cost.Points, scorer.Total(changed) - total);
        }
        break;
    }
    if (cost.Points > 0) {
      costs.push_back(std::move(cost));
    }
  }
  std::stable_sort(costs.begin(), costs.end(), [](const TAnswerChange& a, const TAnswerChange& b) {
    return a.Points > b.Points;
  });
  return costs;
}

// Where no way reaches the cut-off: the answers no action changes that cost points, and
// what every gaining move reaches together.
void Obstacles(TExplanation& explanation, const TAnswers& answers,
               const std::vector<std::optional<Move>>& best, Rescorer& scorer) {
  for (const TLedgerRow& row : explanation.Ledger) {
    if (row.Question->Change.Kind != ChangeKind::ByActing && row.Points < 0) {
      explanation.Obstacles.push_back(row);
    }
  }
  std::stable_sort(explanation.Obstacles.begin(), explanation.Obstacles.end(),
                   [](const TLedgerRow& a, const TLedgerRow& b) { return a.Points < b.Points; });
  TAnswers changed = answers;
  for (const std::optional<Move>& move : best) {
    if (move && move->total > explanation.Total) {
      ApplyMove(Questions()[move->question], changed, move->to);
    }
  }
  explanation.MostReached = scorer.Total(changed);
}

}  // namespace

TExplanation Explain(const TAnswers& answers, const TCCScore& Card) {
  TExplanation explanation = LedgerOf(answers, Card);
  Rescorer scorer(Card);
  const std::vector<std::optional<Move>> best = BestMoves(answers, scorer);
  explanation.Costs = Costs(answers, best, explanation.Total, scorer);
  if (explanation.Total >= explanation.CutOff) {
    return explanation;
  }
  explanation.Ways = WaysByActing(answers, best, explanation.Total, explanation.CutOff, scorer);
  explanation.Waiting = WaitingWay(answers, explanation.CutOff, scorer);
  if (explanation.Ways.empty() && !explanation.Waiting) {
    Obstacles(explanation, answers, best, scorer);
  }
  return explanation;
}

TExplanation ExplainUnconstrained(const TAnswers& answers, const TCCScore& Card) {
  TExplanation explanation = LedgerOf(answers, Card);
  explanation.Unconstrained = true;
  Rescorer scorer(Card);
  const std::vector<std::vector<TAnswerValue>> candidates = OtherAnswers(answers);
  const UnitTable table = BuildUnits(answers, candidates, scorer);
  for (size_t q = 0; q < Questions().size(); ++q) {
    const Option& alone = table.Alone(q);
    if (alone.exists && alone.total > explanation.Total) {
      explanation.Costs.push_back(Changes(alone.picks, answers, candidates, scorer)[0]);
    }
  }
  std::stable_sort(
      explanation.Costs.begin(), explanation.Costs.end(),
      [](const TAnswerChange& a, const TAnswerChange& b) { return a.Points > b.Points; });
  if (explanation.Total < explanation.CutOff) {
    NearestChanges(explanation, answers, candidates, table, scorer);
  }
  return explanation;
}

}  // namespace solvara
