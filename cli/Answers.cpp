#include "cli/Answers.h"

#include <charconv>

namespace solvara {

namespace {

// A whole number written in plain decimal digits only, within [low, high].
bool ReadNumber(const std::string& text, int32_t low, int32_t high, int32_t& number) {
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
bool Answer(const TQuestion& question, const std::string& value, TAnswers& answers) {
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

AnswerFault TAnswerReader::Put(const std::string& key, const std::string& value,
                               const TQuestion*& Question) {
  Question = FindQuestion(key);
  if (Question == nullptr) {
    return AnswerFault::UnknownKey;
  }
  const uint64_t bit = uint64_t{1} << (Question - Questions().data());
  if ((given_ & bit) != 0) {
    return AnswerFault::GivenTwice;
  }
  given_ |= bit;
  return Answer(*Question, value, answers_) ? AnswerFault::None : AnswerFault::BadValue;
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
