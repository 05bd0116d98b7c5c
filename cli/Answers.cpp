#include "cli/Answers.h"

#include <charconv>
#include <cmath>

namespace solvara {

namespace {

// A whole number written in plain decimal digits only, within [low, high].
bool ReadNumber(std::string_view text, int32_t low, int32_t high, int32_t& number) {
  if (text.empty() || text.size() > 10) {
    return false;
  }
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return false;
    }
  }
  int64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  if (value < low || value > high) {
    return false;
  }
  number = static_cast<int32_t>(value);
  return true;
}

// Puts a value into the record; false when the question does not take it.
bool Answer(const TQuestion& question, std::string_view value, TAnswers& answers) {
  int32_t number = 0;
  if (question.Kind == QuestionKind::Text) {
    AnswerText(question, answers) = value;
    return true;
  }
  if (question.Kind == QuestionKind::Choice) {
    const TChoice* choice = FindChoice(question, value);
    if (choice == nullptr) {
      return false;
    }
    number = choice->Value;
  } else if (!ReadNumber(value, question.Low, question.High, number)) {
    return false;
  }
  SetAnswerValue(question, answers, number);
  return true;
}

}  // namespace

AnswerFault TAnswerReader::Take(std::string_view key, const TQuestion*& question) {
  question = FindQuestion(key);
  if (question == nullptr) {
    return AnswerFault::UnknownKey;
  }
  const uint64_t bit = uint64_t{1} << (question - Questions().data());
  if ((given_ & bit) != 0) {
    return AnswerFault::GivenTwice;
  }
  given_ |= bit;
  return AnswerFault::None;
}

AnswerFault TAnswerReader::Put(std::string_view key, std::string_view value,
                               const TQuestion*& question) {
  if (const AnswerFault fault = Take(key, question); fault != AnswerFault::None) {
    return fault;
  }
  return Answer(*question, value, answers_) ? AnswerFault::None : AnswerFault::BadValue;
}

AnswerFault TAnswerReader::PutNumber(std::string_view key, double value, std::string_view written,
                                     const TQuestion*& question) {
  if (const AnswerFault fault = Take(key, question); fault != AnswerFault::None) {
    return fault;
  }
  switch (question->Kind) {
    case QuestionKind::Slider:
    case QuestionKind::List:
      if (std::trunc(value) != value || value < question->Low || value > question->High) {
        return AnswerFault::BadValue;
      }
      SetAnswerValue(*question, answers_, static_cast<int32_t>(value));
      return AnswerFault::None;
    case QuestionKind::Choice:
      return AnswerFault::BadValue;
    case QuestionKind::Text:
      break;
  }
  std::string& text = AnswerText(*question, answers_);
  if (question->Field.Text != &TAnswers::Salary) {
    text = written;
    return AnswerFault::None;
  }
  // The whole part in decimal, as a salary would be typed without its pence: up to 309
  // digits for the largest double, which the salary's reading then finds unusable.
  char digits[320];
  text.assign(digits, std::to_chars(digits, digits + sizeof digits, std::trunc(value),
                                    std::chars_format::fixed)
                          .ptr);
  return AnswerFault::None;
}

std::string Accepted(const TQuestion& question) {
  switch (question.Kind) {
    case QuestionKind::Slider:
    case QuestionKind::List:
      return std::to_string(question.Low) + " ... " + std::to_string(question.High);
    case QuestionKind::Text:
      return "any text";
    case QuestionKind::Choice:
      break;
  }
  std::string list;
  for (const TChoice& choice : question.Choices) {
    list += (list.empty() ? "" : ", ") + std::string(choice.Word);
  }
  return list;
}

std::string KeyList() {
  std::string list;
  for (const TQuestion& question : Questions()) {
    list += (list.empty() ? "" : ", ") + std::string(question.Key);
  }
  return list;
}

}  // namespace solvara
