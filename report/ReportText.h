// The report written from a scored card: its lines, and the document they make in
// the form that is shown and the form that is saved.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "questionnaire/AnswerCoding.h"
#include "scoring/BCCScoreU.h"

namespace solvara {

extern const char* const kReportHeader;  // "<HTML><BODY><H1><u>Results</u></H1>"
extern const char* const kReportFooter;  // "</BODY></HTML>"

// The report lines for a scored card and a monthly income. Sorts the card's reason
// lists in place.
std::vector<std::string> AnalyseWhy(TCCScore& card, int32_t MonthlyIncome);

// The rating for a total in a word or two: the emphasised part of its rating text,
// without a closing full stop ("Very poor", "Acceptable", "Excellent").
const std::string& RatingWord(int32_t TotalScore);

// Header, lines and footer joined into one line, with no CR LF anywhere.
std::string ShownForm(const std::vector<std::string>& lines);

// Header, lines and footer, each followed by CR LF: the bytes a saved report holds.
std::string SavedForm(const std::vector<std::string>& lines);

// Codes one applicant's answers and scores them on a card that may have scored others
// before: the engine appends reasons from call to call, so the card's reasons and error
// are cleared first and are this applicant's alone afterwards. names and values are
// working lists, kept by the caller so that their storage serves every applicant.
// Returns the monthly income the coding read.
int32_t ScoreApplicant(TCCScore& card, const TAnswers& answers, std::vector<std::string>& names,
                       std::vector<std::string>& values);

// The whole chain for one applicant: coding, a fresh scorecard, the analysis.
// Returns the report lines and leaves the monthly income in MonthlyIncome.
std::vector<std::string> ReportLinesFor(const TAnswers& answers, int32_t& MonthlyIncome);

// The points of a reason entry ("00080=Age" gives 80, "00-82=Age" gives -82): the
// text before the first "=", where zeros may stand before the sign. Anything that is
// not such a number, or an entry without "=", gives 0.
int32_t ReasonPoints(const std::string& entry);

// Sorts reason entries as text, ascending, ignoring ASCII case and every minus sign.
// Since the points are padded to five characters, walking the result from its last
// entry to its first gives the largest magnitude first and, for equal points, the
// names in descending order.
void SortReasonsAsText(std::vector<std::string>& reasons);

}  // namespace solvara
