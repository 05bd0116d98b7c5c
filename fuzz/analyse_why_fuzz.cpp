// The analysis and both document forms on arbitrary cards: four bytes of TotalScore,
// four of monthly income, then positive reasons one a line, a NUL byte, negative ones.
// The decision follows the score, the shown form has no CR LF between header and footer,
// and the saved form is the lines each followed by CR LF.
#include <algorithm>
#include <cstring>

#include "fuzz/FuzzCheck.h"
#include "report/ReportText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) {
    return 0;
  }
  int32_t total = 0;
  int32_t income = 0;
  std::memcpy(&total, data, 4);
  std::memcpy(&income, data + 4, 4);
  const std::string rest(reinterpret_cast<const char*>(data) + 8, size - 8);
  solvara::TCCScore card;
  card.TotalScore = total;
  std::vector<std::string>* list = &card.PositiveReasons;
  for (size_t start = 0; start < rest.size();) {
    const size_t end = std::min(rest.find_first_of(std::string("\n\0", 2), start), rest.size());
    list->push_back(rest.substr(start, end - start));
    list = end < rest.size() && rest[end] == '\0' ? &card.NegativeReasons : list;
    start = end + 1;
  }
  const size_t entries = card.PositiveReasons.size() + card.NegativeReasons.size();

  const std::vector<std::string> lines = solvara::AnalyseWhy(card, income);
  FUZZ_CHECK(lines.size() >= 3 && lines.size() <= 3 + entries);
  FUZZ_CHECK(card.PositiveReasons.size() + card.NegativeReasons.size() == entries);
  FUZZ_CHECK((total >= card.CutOff) == (lines[0].find(">accepted<") != std::string::npos));

  const std::string shown = solvara::ShownForm(lines);
  const std::string header = solvara::kReportHeader, footer = solvara::kReportFooter;
  FUZZ_CHECK(shown.find("\r\n") == std::string::npos);
  FUZZ_CHECK(shown.rfind(header, 0) == 0 && shown.size() >= header.size() + footer.size() &&
             shown.compare(shown.size() - footer.size(), footer.size(), footer) == 0);
  std::string saved = header + "\r\n";
  for (const std::string& line : lines) {
    saved += line + "\r\n";
  }
  FUZZ_CHECK(solvara::SavedForm(lines) == saved + footer + "\r\n");
  return 0;
}
