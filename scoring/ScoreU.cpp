#include "scoring/ScoreU.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "scoring/TextU.h"

namespace solvara {

namespace {

constexpr int32_t kOpenLow = -2147483647;  // "LOW" deliberately stops one short of INT32_MIN
constexpr int32_t kOpenHigh = 2147483647;

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

std::string UpperCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    c = UpperAscii(c);
  }
  return out;
}

// Compares an answer's name against a stored upper-case name without allocating.
bool EqualsUpper(std::string_view name, std::string_view upper) {
  if (name.size() != upper.size()) {
    return false;
  }
  for (size_t i = 0; i < name.size(); ++i) {
    if (UpperAscii(name[i]) != upper[i]) {
      return false;
    }
  }
  return true;
}

// Band texts are a character or two: a plain loop beats a call to memcmp.
bool SameBytes(const std::string& a, const std::string& b) {
  const size_t n = a.size();
  if (n != b.size()) {
    return false;
  }
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) {
      return false;
    }
  }
  return true;
}

constexpr std::array<std::string_view, 11> kCreditFile = {"LIVECREDITACCOUNTS",
                                                          "DEFAULTACCOUNTS",
                                                          "SETTLEDCREDITACCOUNTS",
                                                          "WORSTSTATUSOFLIVEACCOUNTS",
                                                          "CCJS",
                                                          "SEARCHESL12M",
                                                          "SEARCHESL24M",
                                                          "NAMESMATCHINGONELECTORALROLL",
                                                          "YEARSSINCELASTREGISTERED",
                                                          "WORSTSTATUSONSETTLEDACCOUNTS",
                                                          "CHARGECARDACCOUNTSHELD"};

// Appends "points=name" with the points zero-padded on the left to five characters;
// the zeros go before any minus sign.
void AppendReason(std::vector<std::string>& list, int32_t points, const std::string& name) {
  char digits[16];
  const size_t length =
      static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, points).ptr - digits);
  std::string& entry = list.emplace_back();
  entry.reserve((length < 5 ? 5 : length) + 1 + name.size());
  if (length < 5) {
    entry.append(5 - length, '0');
  }
  entry.append(digits, length);
  entry += '=';
  entry += name;
}

}  // namespace

TScore::TScore() = default;
TScore::~TScore() = default;

bool TScore::IsCreditFileCharacteristic(std::string_view Name) {
  for (std::string_view candidate : kCreditFile) {
    if (EqualsUpper(Name, candidate)) {
      return true;
    }
  }
  return false;
}

void TScore::ReserveBands(size_t count) {
  rows_.reserve(count);
  info_.reserve(count);
}

void TScore::AddBand(std::string_view Characteristic, std::string_view Band, int32_t Points) {
  // A characteristic's rows come one after another, so the name is nearly always the
  // one the previous row had.
  int32_t id = -1;
  if (!names_.empty() && EqualsUpper(Characteristic, NameText(names_.size() - 1))) {
    id = static_cast<int32_t>(names_.size() - 1);
  } else {
    id = FindName(Characteristic);
  }

  TScoreRow row{id >= 0 ? NameText(static_cast<size_t>(id)) : UpperCase(Characteristic),
                UpperCase(Band), Points};
  if (id < 0) {
    id = static_cast<int32_t>(names_.size());
    names_.push_back(
        {static_cast<int32_t>(rows_.size()), IsCreditFileCharacteristic(row.Characteristic)});
  }

  RowInfo info{id, false, 0, 0};
  const int32_t dash = PosChar("-", row.Band, true, 1);
  if (dash > 0) {
    info.isRange = true;
    const std::string_view band(row.Band);
    const std::string_view low = band.substr(0, static_cast<size_t>(dash - 1));
    const std::string_view high = band.substr(static_cast<size_t>(dash));
    info.low = low == "LOW" ? kOpenLow : IntegerOfView(low, 0);
    info.high = high == "HIGH" ? kOpenHigh : IntegerOfView(high, 0);
  }
  rows_.push_back(std::move(row));
  info_.push_back(info);
}

int32_t TScore::FindName(std::string_view name) const {
  for (size_t k = 0; k < names_.size(); ++k) {
    if (EqualsUpper(name, NameText(k))) {
      return static_cast<int32_t>(k);
    }
  }
  return -1;
}

void TScore::Record(size_t r, size_t entry, const std::string& name,
                    std::vector<TScoreMatch>* trace) {
  const TScoreRow& row = rows_[r];
  if (trace != nullptr) {
    trace->push_back({entry, r});
  }
  // Wrap like the 32-bit arithmetic the scores are defined in rather than overflow.
  TotalScore =
      static_cast<int32_t>(static_cast<uint32_t>(TotalScore) + static_cast<uint32_t>(row.Points));
  if (row.Points < 0) {
    AppendReason(NegativeReasons, row.Points, name);
  } else if (row.Points > 0) {
    AppendReason(PositiveReasons, row.Points, name);
  }
}

void TScore::CalculateScore(const std::vector<std::string>& Names,
                            const std::vector<std::string>& Values) {
  CalculateScore(Names, Values, nullptr);
}

void TScore::CalculateScore(const std::vector<std::string>& Names,
                            const std::vector<std::string>& Values,
                            std::vector<TScoreMatch>* trace) {
  TotalScore = BaseScore;
  // The working copy of the table is the table less the rows marked here; a table of
  // ordinary size needs no allocation for the marks.
  std::array<char, 256> local;
  std::vector<char> large;
  char* removed = local.data();
  if (rows_.size() > local.size()) {
    large.assign(rows_.size(), 0);
    removed = large.data();
  } else {
    std::fill_n(removed, rows_.size(), 0);
  }
  const size_t count = Names.size() < Values.size() ? Names.size() : Values.size();

  for (size_t index = count; index-- > 0;) {
    const std::string& name = Names[index];
    const std::string& value = Values[index];
    bool matched = false;

    const int32_t id = FindName(name);
    if (id >= 0) {
      const bool creditFile = names_[static_cast<size_t>(id)].creditFile;
      const size_t total = rows_.size();
      size_t r = static_cast<size_t>(names_[static_cast<size_t>(id)].firstRow);
      // First row of the working copy with this name.
      while (r < total && (removed[r] || info_[r].nameId != id)) {
        ++r;
      }
      bool haveN = false;
      int32_t n = 0;
      while (r < total && info_[r].nameId == id) {
        const RowInfo& info = info_[r];
        if (info.isRange) {
          if (!haveN) {
            n = IntegerOfText(value, 0);
            haveN = true;
          }
          if (info.low <= n && n <= info.high) {
            Record(r, index, name, trace);
            matched = true;
            break;
          }
        } else if (SameBytes(value, rows_[r].Band)) {
          Record(r, index, name, trace);
          matched = true;
        }
        if (!creditFile) {
          removed[r] = 1;
        }
        // Next row of the working copy.
        do {
          ++r;
        } while (r < total && removed[r]);
      }
    }

    if (!matched) {
      if (!Errors) {
        Errors.emplace();
      }
      if (IntegerOfText(value, 2147483647) == 2147483647) {
        Errors->push_back("Error with " + name + " and " + value + ", Name not recognised");
        return;
      }
    }
  }
}

}  // namespace solvara
