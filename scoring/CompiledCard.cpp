#include "scoring/CompiledCard.h"

#include <stdexcept>
#include <string_view>

#include "scoring/TextU.h"

namespace solvara {

namespace {

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  }
  return text;
}

// The reason entry the engine writes for a band's points and the name as given.
std::string ReasonEntry(int32_t points, const std::string& name) {
  std::string digits = std::to_string(points);
  if (digits.size() < 5) {
    digits.insert(0, 5 - digits.size(), '0');
  }
  return digits + "=" + name;
}

// Walks a characteristic's bands as the engine does for one answer whose integer is n:
// every code band the value equals counts, and the first range band holding n counts
// and ends the walk. Gives whether any band counted.
template <typename Band, typename Same, typename Visit>
bool Walk(const std::vector<Band>& bands, int32_t n, Same same, Visit visit) {
  bool matched = false;
  for (const Band& band : bands) {
    if (band.range) {
      if (band.low <= n && n <= band.high) {
        visit(band);
        return true;
      }
    } else if (same(band)) {
      visit(band);
      matched = true;
    }
  }
  return matched;
}

}  // namespace

TCompiledCard::TCompiledCard(const TScore& Card, std::vector<TCardEntry> Entries)
    : entries_(std::move(Entries)), base_(Card.BaseScore), cutOff_(Card.CutOff) {
  if (entries_.size() > kCardEntriesMax) {
    throw std::invalid_argument("too many entries for a compiled card");
  }
  const std::vector<TScoreRow>& rows = Card.ScorecardRows();
  for (size_t i = 0; i < entries_.size(); ++i) {
    const TCardEntry& entry = entries_[i];
    const std::string name = UpperAscii(entry.Name);
    for (size_t k = 0; k < i; ++k) {
      if (UpperAscii(entries_[k].Name) == name) {
        throw std::invalid_argument("two entries name " + entry.Name);
      }
    }
    // The engine scans from a characteristic's first row while the name stays the same.
    Compiled compiled{
        {}, static_cast<uint32_t>(outcomes_.size()), static_cast<uint32_t>(entry.Values.size())};
    size_t r = 0;
    while (r < rows.size() && rows[r].Characteristic != name) {
      ++r;
    }
    for (; r < rows.size() && rows[r].Characteristic == name; ++r) {
      const std::string& text = rows[r].Band;
      Band band{static_cast<uint32_t>(r), rows[r].Points, false, 0, 0, false, 0};
      const int32_t dash = PosChar("-", text, true, 1);
      if (dash > 0) {
        const std::string_view low =
            std::string_view(text).substr(0, static_cast<size_t>(dash - 1));
        const std::string_view high = std::string_view(text).substr(static_cast<size_t>(dash));
        band.range = true;
        band.low = low == "LOW" ? -2147483647 : IntegerOfView(low, 0);
        band.high = high == "HIGH" ? 2147483647 : IntegerOfView(high, 0);
      } else {
        band.value = IntegerOfText(text, -1);
        band.number = band.value >= 0 && std::to_string(band.value) == text;
      }
      compiled.bands.push_back(band);
    }

    for (const std::string& value : entry.Values) {
      Outcome outcome{0, static_cast<uint32_t>(matches_.size()), 0, false, false};
      outcome.matched = Walk(
          compiled.bands, IntegerOfText(value, 0),
          [&](const Band& band) { return !band.range && rows[band.row].Band == value; },
          [&](const Band& band) {
            outcome.points = static_cast<int32_t>(static_cast<uint32_t>(outcome.points) +
                                                  static_cast<uint32_t>(band.points));
            ++outcome.count;
            matches_.push_back({band.row, band.points,
                                band.points != 0 ? ReasonEntry(band.points, entry.Name) : ""});
          });
      outcome.error = !outcome.matched && IntegerOfText(value, 2147483647) == 2147483647;
      outcomes_.push_back(outcome);
    }
    if (!entry.Values.empty()) {
      compiled.bands.clear();  // a value entry needs no more than its outcomes
    }
    compiled_.push_back(std::move(compiled));
  }
}

TCompiledCard::Outcome TCompiledCard::Number(size_t entry, int32_t value,
                                             std::vector<Match>* matches) const {
  Outcome outcome{0, 0, 0, false, false};
  outcome.matched = Walk(
      compiled_[entry].bands, value,
      [value](const Band& band) { return band.number && band.value == value; },
      [&](const Band& band) {
        outcome.points = static_cast<int32_t>(static_cast<uint32_t>(outcome.points) +
                                              static_cast<uint32_t>(band.points));
        ++outcome.count;
        if (matches != nullptr) {
          matches->push_back(
              {band.row, band.points,
               band.points != 0 ? ReasonEntry(band.points, entries_[entry].Name) : ""});
        }
      });
  // Every number is an integer; only the one that equals the default reads as none.
  outcome.error = !outcome.matched && value == 2147483647;
  return outcome;
}

void TCompiledCard::Score(const TCardCodes& Codes, TCardScore& Result) const {
  uint32_t total = static_cast<uint32_t>(base_);
  Result.Unmatched = false;
  Result.Failed = -1;
  Result.Points.fill(0);
  // Last entry first, as the engine takes them: an error ends the walk where it stands.
  for (size_t i = entries_.size(); i-- > 0;) {
    const int32_t code = Codes[i];
    if (code < 0) {
      continue;
    }
    const Compiled& compiled = compiled_[i];
    Outcome outcome;
    if (entries_[i].Values.empty()) {
      outcome = Number(i, code, nullptr);
    } else if (static_cast<uint32_t>(code) < compiled.outcomeCount) {
      outcome = outcomes_[compiled.firstOutcome + static_cast<uint32_t>(code)];
    } else {
      throw std::out_of_range("no such value for " + entries_[i].Name);
    }
    if (!outcome.matched) {
      Result.Unmatched = true;
      if (outcome.error) {
        Result.Failed = static_cast<int32_t>(i);
        break;
      }
      continue;
    }
    Result.Points[i] = outcome.points;
    total += static_cast<uint32_t>(outcome.points);
  }
  Result.Total = static_cast<int32_t>(total);
}

template <typename Visit>
void TCompiledCard::EachMatch(const TCardCodes& codes, const TCardScore& result,
                              Visit visit) const {
  size_t present = 0;
  for (size_t i = 0; i < entries_.size(); ++i) {
    present += codes[i] >= 0 ? 1 : 0;
  }
  std::vector<Match> numbers;
  for (size_t i = entries_.size(); i-- > 0 && static_cast<int32_t>(i) != result.Failed;) {
    const int32_t code = codes[i];
    if (code < 0) {
      continue;
    }
    --present;
    if (entries_[i].Values.empty()) {
      numbers.clear();
      Number(i, code, &numbers);
      for (const Match& match : numbers) {
        visit(present, match);
      }
    } else {
      const Outcome& outcome =
          outcomes_.at(compiled_[i].firstOutcome + static_cast<uint32_t>(code));
      for (uint32_t m = outcome.first; m < outcome.first + outcome.count; ++m) {
        visit(present, matches_[m]);
      }
    }
  }
}

void TCompiledCard::Reasons(const TCardCodes& Codes, const TCardScore& Result,
                            std::vector<std::string>& Positive,
                            std::vector<std::string>& Negative) const {
  EachMatch(Codes, Result, [&](size_t, const Match& match) {
    if (match.points > 0) {
      Positive.push_back(match.reason);
    } else if (match.points < 0) {
      Negative.push_back(match.reason);
    }
  });
}

void TCompiledCard::Trace(const TCardCodes& Codes, const TCardScore& Result,
                          std::vector<TScoreMatch>& Trace) const {
  EachMatch(Codes, Result, [&](size_t entry, const Match& match) {
    Trace.push_back({entry, match.row});
  });
}

std::string TCompiledCard::ValueText(size_t Entry, int32_t Code) const {
  const TCardEntry& entry = entries_.at(Entry);
  return entry.Values.empty() ? std::to_string(Code) : entry.Values.at(static_cast<size_t>(Code));
}

std::string TCompiledCard::ErrorText(const TCardCodes& Codes, const TCardScore& Result) const {
  if (Result.Failed < 0) {
    return "";
  }
  const size_t entry = static_cast<size_t>(Result.Failed);
  return "Error with " + entries_[entry].Name + " and " + ValueText(entry, Codes[entry]) +
         ", Name not recognised";
}

}  // namespace solvara
