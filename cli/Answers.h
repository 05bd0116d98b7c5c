// Answers given by key and value, as the command line's KEY=VALUE arguments and the
// lines of --batch give them: one reading for both, each wording its own messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "questionnaire/Questions.h"

namespace solvara {

enum class AnswerFault { None, UnknownKey, GivenTwice, BadValue };

// Reads the answers of one applicant into a record, remembering which keys it has had.
class TAnswerReader {
 public:
  explicit TAnswerReader(TAnswers& answers) : answers_(answers) {}

  // Puts the value into the record for the question named by key; question is then
  // that question, or null for an unknown key.
  AnswerFault Put(std::string_view key, std::string_view value, const TQuestion*& question);

  // The same for a value given as a number (JSON's), by one rule: a question that takes a
  // whole number takes the value when it is one within its range, however it was written;
  // the salary takes the value with any fraction dropped; the telephone takes it as written;
  // a choice takes no number.
  AnswerFault PutNumber(std::string_view key, double value, std::string_view written,
                        const TQuestion*& question);

 private:
  // The question for key, or null; UnknownKey or GivenTwice when it cannot be answered.
  AnswerFault Take(std::string_view key, const TQuestion*& question);

  TAnswers& answers_;
  uint64_t given_ = 0;  // bit k: question k of the table
  size_t index_ = 0;    // in the question table, of the key last taken
};

// What a question accepts, as --help and the error messages list it.
std::string Accepted(const TQuestion& question);

// Every key, in the order of the question table, separated by ", ".
std::string KeyList();

}  // namespace solvara
