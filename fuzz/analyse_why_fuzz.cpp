// The analysis and both document forms on arbitrary cards. Input: four bytes of
// TotalScore, four bytes of monthly income, then reason entries one a line; a NUL byte
// ends the positive entries and starts the negative ones. Checks that nothing fails,
// that the shown form holds no CR LF and sits between header and footer, and that the
// saved form is the same lines with a CR LF after each.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "report/ReportText.h"

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "analyse_why_fuzz: %s\n", what);
  std::abort();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos)
      break;
    start = end + 1;
  }
  return lines;
}

bool StartsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}
bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8)
    return 0;
  int32_t total = 0;
  int32_t income = 0;
  std::memcpy(&total, data, 4);
  std::memcpy(&income, data + 4, 4);
  const std::string rest(reinterpret_cast<const char*>(data) + 8, size - 8);
  const size_t nul = rest.find('\0');

  solvara::TCCScore card;
  card.TotalScore = total;
  card.PositiveReasons = Lines(rest.substr(0, nul));
  if (nul != std::string::npos)
    card.NegativeReasons = Lines(rest.substr(nul + 1));
  const size_t entries = card.PositiveReasons.size() + card.NegativeReasons.size();

  const std::vector<std::string> lines = solvara::AnalyseWhy(card, income);
  if (lines.size() < 3 || lines.size() > 3 + entries)
    Fail("wrong number of report lines");
  if (card.PositiveReasons.size() + card.NegativeReasons.size() != entries)
    Fail("lost a reason");
  if ((total >= card.CutOff) !=
      StartsWith(lines[0], "It is expected that you would be <font color=\"#00FF00\">")) {
    Fail("decision line does not follow the score");
  }

  const std::string shown = solvara::ShownForm(lines);
  if (shown.find("\r\n") != std::string::npos)
    Fail("CR LF in the shown form");
  if (!StartsWith(shown, solvara::kReportHeader) || !EndsWith(shown, solvara::kReportFooter)) {
    Fail("shown form not between header and footer");
  }

  const std::string saved = solvara::SavedForm(lines);
  std::string expected = std::string(solvara::kReportHeader) + "\r\n";
  for (const std::string& line : lines)
    expected += line + "\r\n";
  expected += std::string(solvara::kReportFooter) + "\r\n";
  if (saved != expected)
    Fail("saved form is not the lines each followed by CR LF");
  return 0;
}
