#include "scoring/ScoreU.h"

#include <array>
#include <climits>
#include <cstring>

namespace solvara {

namespace {

constexpr int32_t kOpenLow = -2147483647;  // "LOW" deliberately stops one short of INT32_MIN
constexpr int32_t kOpenHigh = 2147483647;

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

std::string UpperCase(const std::string& s) {
  std::string out(s);
  for (char& c : out) c = UpperAscii(c);
  return out;
}

// Compares an answer's name against a stored upper-case name without allocating.
bool EqualsUpper(const std::string& name, const std::string& upper) {
  if (name.size() != upper.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (UpperAscii(name[i]) != upper[i]) return false;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

const std::array<const char*, 11> kCreditFile = {
    "LIVECREDITACCOUNTS",       "DEFAULTACCOUNTS",
    "SETTLEDCREDITACCOUNTS",    "WORSTSTATUSOFLIVEACCOUNTS",
    "CCJS",                     "SEARCHESL12M",
    "SEARCHESL24M",             "NAMESMATCHINGONELECTORALROLL",
    "YEARSSINCELASTREGISTERED", "WORSTSTATUSONSETTLEDACCOUNTS",
    "CHARGECARDACCOUNTSHELD"};

std::string ReasonEntry(int32_t points, const std::string& name) {
  std::string number = std::to_string(points);
  std::string entry;
  entry.reserve(number.size() + name.size() + 5);
  if (number.size() < 5) entry.assign(5 - number.size(), '0');
  entry += number;
  entry += '=';
  entry += name;
  return entry;
}

}  // namespace

int32_t IntegerOfText(const std::string& text, int32_t defaultValue) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < n && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == n) return defaultValue;
  // Accumulate the magnitude in 64 bits and stop as soon as it cannot fit any more.
  const int64_t limit = negative ? 2147483648LL : 2147483647LL;
  int64_t value = 0;
  for (; i < n; ++i) {
    const int d = base == 10 ? ((text[i] >= '0' && text[i] <= '9') ? text[i] - '0' : -1)
                             : HexDigit(text[i]);
    if (d < 0) return defaultValue;
    value = value * base + d;
    if (value > limit) return defaultValue;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

int32_t PosChar(const std::string& Sub, const std::string& S, bool CaseSensitive,
                int32_t Start) {
  if (Sub.size() != 1 || S.empty()) return 0;
  if (Start < 1) Start = 1;
  const int32_t len = static_cast<int32_t>(S.size() > INT32_MAX ? INT32_MAX : S.size());
  const char c = Sub[0];
  for (int32_t k = Start; k <= len; ++k) {
    if (S[k - 1] == c) return k;
  }
  if (CaseSensitive) return 0;
  const bool upper = c >= 'A' && c <= 'Z';
  const bool lower = c >= 'a' && c <= 'z';
  if (!upper && !lower) return 0;
  const char other = static_cast<char>(upper ? c + 32 : c - 32);
  for (int32_t k = Start; k <= len; ++k) {
    if (S[k - 1] == other) return k;
  }
  return 0;
}

TScore::TScore() = default;
TScore::~TScore() = default;

bool TScore::IsCreditFileCharacteristic(const std::string& Name) {
  for (const char* candidate : kCreditFile) {
    if (EqualsUpper(Name, candidate)) return true;
  }
  return false;
}

void TScore::AddBand(const std::string& Characteristic, const std::string& Band,
                     int32_t Points) {
  TScoreRow row{UpperCase(Characteristic), UpperCase(Band), Points};

  int32_t id = -1;
  for (size_t k = 0; k < names_.size(); ++k) {
    if (names_[k].upper == row.Characteristic) {
      id = static_cast<int32_t>(k);
      break;
    }
  }
  if (id < 0) {
    id = static_cast<int32_t>(names_.size());
    names_.push_back({row.Characteristic, IsCreditFileCharacteristic(row.Characteristic),
                      static_cast<int32_t>(rows_.size())});
  }

  RowInfo info{id, false, 0, 0};
  const int32_t dash = PosChar("-", row.Band, true, 1);
  if (dash > 0) {
    info.isRange = true;
    const std::string low = row.Band.substr(0, static_cast<size_t>(dash - 1));
    const std::string high = row.Band.substr(static_cast<size_t>(dash));
    info.low = low == "LOW" ? kOpenLow : IntegerOfText(low, 0);
    info.high = high == "HIGH" ? kOpenHigh : IntegerOfText(high, 0);
  }
  rows_.push_back(std::move(row));
  info_.push_back(info);
}

int32_t TScore::FindName(const std::string& name) const {
  for (size_t k = 0; k < names_.size(); ++k) {
    if (EqualsUpper(name, names_[k].upper)) return static_cast<int32_t>(k);
  }
  return -1;
}

void TScore::Record(const TScoreRow& row, const std::string& name) {
  // Wrap like the 32-bit arithmetic the scores are defined in rather than overflow.
  TotalScore = static_cast<int32_t>(static_cast<uint32_t>(TotalScore) +
                                    static_cast<uint32_t>(row.Points));
  if (row.Points < 0) {
    NegativeReasons.push_back(ReasonEntry(row.Points, name));
  } else if (row.Points > 0) {
    PositiveReasons.push_back(ReasonEntry(row.Points, name));
  }
}

void TScore::CalculateScore(const std::vector<std::string>& Names,
                            const std::vector<std::string>& Values) {
  TotalScore = BaseScore;
  // The working copy of the table is the table less the rows marked here.
  std::vector<char> removed(rows_.size(), 0);
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
      while (r < total && (removed[r] || info_[r].nameId != id)) ++r;
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
            Record(rows_[r], name);
            matched = true;
            break;
          }
        } else if (value == rows_[r].Band) {
          Record(rows_[r], name);
          matched = true;
        }
        if (!creditFile) removed[r] = 1;
        // Next row of the working copy.
        do {
          ++r;
        } while (r < total && removed[r]);
      }
    }

    if (!matched) {
      if (!Errors) Errors.emplace();
      if (IntegerOfText(value, 2147483647) == 2147483647) {
        Errors->push_back("Error with " + name + " and " + value + ", Name not recognised");
        return;
      }
    }
  }
}

}  // namespace solvara
