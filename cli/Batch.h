// --batch: applicants as JSON Lines on one file descriptor, one JSON line of results
// for each on another, in input order, scored on every core with bounded memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "questionnaire/AnswerCoding.h"
#include "scoring/BCCScoreU.h"

namespace solvara {

// Lines longer than this many bytes, their line end (LF or CR LF) not counted, are
// refused without being held in memory.
constexpr size_t kBatchMaxLine = 65536;

// Scores lines one at a time on a card and a parser of its own, built once.
class TBatchScorer {
 public:
  // Engine: scores on the engine the report uses (text entries, text reasons) instead of
  // the compiled card: slower, and what the compiled card's results are held against.
  explicit TBatchScorer(bool engine = false);
  ~TBatchScorer();
  TBatchScorer(const TBatchScorer&) = delete;
  TBatchScorer& operator=(const TBatchScorer&) = delete;

  // Appends the results of one input line (its text without the line end; number counts
  // from 1) and a line end to out. False when the line was bad: out then holds
  // {"line": number, "error": "..."}. The whole line must be one JSON object: a byte-order
  // mark is the input's to strip, never a line's.
  bool ScoreLine(std::string_view line, uint64_t number, std::string& out);
  // The same for a line whose memory may be read up to line.data() + readable: with
  // enough room past its end for the parser's reading ahead, the line is not copied.
  bool ScoreLine(std::string_view line, size_t readable, uint64_t number, std::string& out);

 private:
  struct TState;
  // Reads the line into answers; false with the message in error when it is bad.
  bool ReadLine(std::string_view line, size_t readable, TAnswers& answers, std::string& error);
  // Appends the results of answers, scored on the engine.
  void AppendEngineResults(const TAnswers& answers, std::string& out);

  const bool engine_;
  TCCScore card_;  // the engine's, and only its
  std::vector<std::string> names_;
  std::vector<std::string> values_;
  std::unique_ptr<TState> state_;
};

// Appends {"line": number, "error": message} and a line end to out.
void AppendLineError(std::string& out, uint64_t number, const std::string& message);

struct TBatchOptions {
  unsigned Workers = 0;      // scoring threads; 0: one for each core
  size_t BlockLines = 4096;  // lines handed to a worker at a time
  bool Progress = false;     // a progress line on err once the run takes a while
};

// Reads applicants from in until its end and writes their results to out. Returns the
// exit status: 0 every line scored, 3 some lines were bad (each answered by its error
// object), 1 reading or writing failed (a message on err).
int RunBatch(int in, int out, int err, const TBatchOptions& options);

}  // namespace solvara
