#include "report/Explain.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <numeric>

#include "questionnaire/AnswerCoding.h"
#include "report/ReportText.h"

namespace solvara {

namespace {

const char* const kNotAnswered = "(not answered)";
const char* const kAnswered = "(answered)";
// What a change puts into a text question: any text that is not blank.
const char* const kSomeText = "answered";

// An answer a question can be given: a number (position, choice value or entry) or,
// for a text question, a text.
struct Candidate {
  int32_t value;
  std::string text;
};

std::vector<Candidate> CandidatesOf(const TQuestion& question) {
  std::vector<Candidate> list;
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

bool Holds(const TQuestion& question, const TAnswers& answers, const Candidate& candidate) {
  return question.Kind == QuestionKind::Text ? AnswerText(question, answers) == candidate.text
                                             : AnswerValue(question, answers) == candidate.value;
}

void Apply(const TQuestion& question, const Candidate& candidate, TAnswers& answers) {
  if (question.Kind == QuestionKind::Text) {
    AnswerText(question, answers) = candidate.text;
  } else {
    SetAnswerValue(question, answers, candidate.value);
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
                                       const std::vector<std::vector<Candidate>>& candidates,
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
    for (const Candidate& candidate : candidates[q]) {
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
                                const std::vector<std::vector<Candidate>>& candidates,
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
                                   const std::vector<std::vector<Candidate>>& candidates,
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
    changes.push_back({&question, from, Words(question, changed), next - total});
    total = next;
  }
  return changes;
}

void Ledger(TExplanation& explanation, const TAnswers& answers, const TCCScore& Card) {
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
}

}  // namespace

TExplanation Explain(const TAnswers& answers, const TCCScore& Card) {
  TExplanation explanation;
  explanation.Base = Card.BaseScore;
  explanation.CutOff = Card.CutOff;
  Ledger(explanation, answers, Card);

  const std::vector<TQuestion>& questions = Questions();
  const size_t age = Rescorer::Index(&QuestionFor("age"));
  std::vector<std::vector<Candidate>> candidates(questions.size());
  for (size_t q = 0; q < questions.size(); ++q) {
    for (Candidate& candidate : CandidatesOf(questions[q])) {
      if (!Holds(questions[q], answers, candidate)) {
        candidates[q].push_back(std::move(candidate));
      }
    }
  }
  Rescorer scorer(Card);
  const int32_t total = scorer.Total(answers);
  const std::vector<std::vector<size_t>> units = Units(answers, candidates, scorer);
  std::vector<std::vector<Option>> options;
  std::vector<size_t> unitOf(questions.size());
  std::vector<size_t> bitOf(questions.size());
  for (size_t u = 0; u < units.size(); ++u) {
    options.push_back(UnitOptions(units[u], answers, candidates, scorer));
    for (size_t k = 0; k < units[u].size(); ++k) {
      unitOf[units[u][k]] = u, bitOf[units[u][k]] = k;
    }
  }
  const auto alone = [&](size_t q) -> const Option& {
    return options[unitOf[q]][size_t{1} << bitOf[q]];
  };

  for (size_t q = 0; q < questions.size(); ++q) {
    if (alone(q).exists && alone(q).total > total) {
      explanation.Costs.push_back(Changes(alone(q).picks, answers, candidates, scorer)[0]);
    }
  }
  std::stable_sort(
      explanation.Costs.begin(), explanation.Costs.end(),
      [](const TAnswerChange& a, const TAnswerChange& b) { return a.Points > b.Points; });

  if (total >= Card.CutOff) {
    return explanation;
  }
  // The questions worth changing: a question that scores alone and cannot gain on its own
  // is left out, since leaving it unchanged never scores less. A question that acts on
  // another stays in, since only together they may gain.
  std::vector<size_t> open;
  for (size_t q = 0; q < questions.size(); ++q) {
    if (q != age && (units[unitOf[q]].size() > 1 || (alone(q).exists && alone(q).total > total))) {
      open.push_back(q);
    }
  }
  // Sets of changes by size, each size in the questionnaire's order, each set scored whole.
  std::vector<size_t> unitMask(units.size());
  for (size_t size = 1; size <= open.size() && !explanation.Reachable; ++size) {
    std::vector<size_t> at(size);
    std::iota(at.begin(), at.end(), 0);
    for (;;) {
      std::fill(unitMask.begin(), unitMask.end(), 0);
      for (const size_t k : at) {
        unitMask[unitOf[open[k]]] |= size_t{1} << bitOf[open[k]];
      }
      TAnswers changed = answers;
      std::vector<std::pair<size_t, size_t>> picks;
      bool possible = true;
      for (size_t u = 0; u < units.size() && possible; ++u) {
        if (unitMask[u] == 0) {
          continue;
        }
        const Option& option = options[u][unitMask[u]];
        possible = option.exists;
        for (const auto& [q, c] : option.picks) {
          Apply(questions[q], candidates[q][c], changed);
          picks.emplace_back(q, c);
        }
      }
      if (possible) {
        const int32_t reached = scorer.Total(changed);
        if (reached >= Card.CutOff &&
            (!explanation.Reachable || reached > explanation.NearestTotal)) {
          explanation.Reachable = true;
          explanation.NearestTotal = reached;
          explanation.Nearest = Changes(picks, answers, candidates, scorer);
        }
      }
      // The next set of this size in lexicographic order.
      size_t k = size;
      while (k > 0 && at[k - 1] == open.size() - size + k - 1) {
        --k;
      }
      if (k == 0) {
        break;
      }
      ++at[k - 1];
      for (size_t j = k; j < size; ++j) {
        at[j] = at[j - 1] + 1;
      }
    }
  }
  return explanation;
}

namespace {

// Width of a UTF-8 text in characters, for the alignment of the columns.
size_t Width(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// Rows of cells as columns two spaces apart, indented by two; the last column, the
// points, is aligned on the right.
std::string Table(const std::vector<std::vector<std::string>>& rows) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()));
    for (size_t k = 0; k < row.size(); ++k) {
      widths[k] = std::max(widths[k], Width(row[k]));
    }
  }
  std::string out;
  for (const auto& row : rows) {
    std::string line;
    for (size_t k = 0; k < widths.size(); ++k) {
      const std::string cell = k < row.size() ? row[k] : "";
      const std::string pad(widths[k] - Width(cell), ' ');
      line += "  " + (k + 1 == widths.size() ? pad + cell : cell + pad);
    }
    out += line + "\n";
  }
  return out;
}

std::string Band(const TLedgerRow& row) {
  return !row.Matched ? "(none)" : row.Band.empty() ? "(empty)" : row.Band;
}

std::string Signed(int32_t points) {
  return (points > 0 ? "+" : "") + std::to_string(points);
}

std::vector<std::string> ChangeRow(const TAnswerChange& change, bool sign) {
  return {change.Question->Key, change.From, "->", change.To,
          sign ? Signed(change.Points) : std::to_string(change.Points)};
}

}  // namespace

std::string ExplanationText(const TExplanation& e) {
  std::vector<std::vector<std::string>> rows = {
      {"question", "answer", "characteristic", "value", "band", "points"},
      {"base score", "", "", "", "", std::to_string(e.Base)}};
  for (const TLedgerRow& row : e.Ledger) {
    rows.push_back({row.Question->Key, row.Answer, row.Characteristic, row.Value, Band(row),
                    std::to_string(row.Points)});
  }
  rows.push_back({"total", "", "", "", "", std::to_string(e.Total)});
  rows.push_back({"cut-off", "", "", "", "", std::to_string(e.CutOff)});
  rows.push_back({"margin", "", "", "", "", Signed(e.Total - e.CutOff)});
  std::string out = "Points ledger (" + std::string(e.Total >= e.CutOff ? "accepted" : "declined") +
                    "):\n" + Table(rows);

  out += "\nWhat costs the most:\n";
  rows.clear();
  for (const TAnswerChange& cost : e.Costs) {
    rows.push_back(ChangeRow(cost, false));
  }
  out +=
      rows.empty() ? "  nothing: every answer scores the best its question allows\n" : Table(rows);

  if (e.Total >= e.CutOff) {
    return out;
  }
  if (!e.Reachable) {
    return out + "\nNearest to acceptance: no set of changes reaches the cut-off.\n";
  }
  const size_t count = e.Nearest.size();
  out += "\nNearest to acceptance: " + std::to_string(count) +
         (count == 1 ? " change reaches " : " changes reach ") + std::to_string(e.NearestTotal) +
         ", " + std::to_string(e.NearestTotal - e.CutOff) + " over the cut-off:\n";
  rows.clear();
  for (const TAnswerChange& change : e.Nearest) {
    rows.push_back(ChangeRow(change, true));
  }
  return out + Table(rows);
}

std::string ExplanationJson(const TExplanation& e) {
  using Json = nlohmann::ordered_json;
  const auto change = [](const TAnswerChange& c, const char* points) {
    return Json{{"question", c.Question->Key}, {"from", c.From}, {"to", c.To}, {points, c.Points}};
  };
  Json ledger = Json::array();
  for (const TLedgerRow& row : e.Ledger) {
    ledger.push_back({{"question", row.Question->Key},
                      {"answer", row.Answer},
                      {"characteristic", row.Characteristic},
                      {"value", row.Value},
                      {"band", row.Matched ? Json(row.Band) : Json()},
                      {"points", row.Points}});
  }
  Json costs = Json::array();
  for (const TAnswerChange& cost : e.Costs) {
    costs.push_back(change(cost, "cost"));
  }
  Json result{{"base", e.Base},
              {"ledger", ledger},
              {"total", e.Total},
              {"cutoff", e.CutOff},
              {"margin", e.Total - e.CutOff},
              {"accepted", e.Total >= e.CutOff},
              {"costs", costs},
              {"nearest", nullptr}};
  if (e.Total < e.CutOff) {
    Json changes = Json::array();
    for (const TAnswerChange& c : e.Nearest) {
      changes.push_back(change(c, "gain"));
    }
    result["nearest"] = {{"reachable", e.Reachable},
                         {"changes", changes},
                         {"total", e.Reachable ? Json(e.NearestTotal) : Json()}};
  }
  // Texts typed on the command line are whatever bytes were passed; invalid UTF-8
  // becomes U+FFFD instead of an exception.
  return result.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace solvara
