// A general points scorecard: characteristics made of attribute bands, each band
// carrying points, added to a base score for one applicant at a time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solvara {

struct TScoreRow {
  std::string Characteristic;  // stored upper-cased
  std::string Band;            // stored upper-cased
  int32_t Points = 0;
};

// A band that an answer fell in, as a calculation counts it: the index of the answer in
// Names and Values and the index of the row in ScorecardRows().
struct TScoreMatch {
  size_t Entry;
  size_t Row;
};

class TScore {
 public:
  TScore();
  virtual ~TScore();  // Destroy
  TScore(const TScore&) = default;
  TScore& operator=(const TScore&) = default;

  int32_t CutOff = -1;
  int32_t TotalScore = 0;
  int32_t BaseScore = 0;
  std::vector<std::string> NegativeReasons;
  std::vector<std::string> PositiveReasons;
  std::vector<std::string> ResultNames{"Band", "CCLimit"};
  std::vector<std::string> ResultValues{"", ""};
  std::optional<std::vector<std::string>> Errors;

  // The table in the order the bands were added. Read-only: rows come in through
  // AddBand so that their parsed form stays in step with their text.
  const std::vector<TScoreRow>& ScorecardRows() const { return rows_; }

  void AddBand(std::string_view Characteristic, std::string_view Band, int32_t Points);

  // Scores one applicant. Entry i of Names is answered by entry i of Values; when the
  // lists differ in length only the pairs that exist are scored.
  void CalculateScore(const std::vector<std::string>& Names,
                      const std::vector<std::string>& Values);
  // The same calculation, also appending to trace every band it counts, in the order it
  // counts them, for whoever explains a score: the points of the rows named there are
  // exactly what was added to BaseScore.
  void CalculateScore(const std::vector<std::string>& Names, const std::vector<std::string>& Values,
                      std::vector<TScoreMatch>* trace);

  static bool IsCreditFileCharacteristic(std::string_view Name);

 protected:
  // Lets a derived class that knows the size of its table allocate it once.
  void ReserveBands(size_t count);

 private:
  // What AddBand works out once so that a calculation never parses band texts.
  struct RowInfo {
    int32_t nameId;
    bool isRange;
    int32_t low;
    int32_t high;
  };
  struct NameInfo {
    int32_t firstRow;  // its Characteristic is the stored upper-case name
    bool creditFile;
  };

  const std::string& NameText(size_t id) const {
    return rows_[static_cast<size_t>(names_[id].firstRow)].Characteristic;
  }
  int32_t FindName(std::string_view name) const;
  void Record(size_t r, size_t entry, const std::string& name, std::vector<TScoreMatch>* trace);

  std::vector<TScoreRow> rows_;
  std::vector<RowInfo> info_;
  std::vector<NameInfo> names_;
};

}  // namespace solvara
