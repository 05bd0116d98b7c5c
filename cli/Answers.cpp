#include "cli/Answers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <vector>

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

// The question table as keys and words are looked up in it, for every answer of every
// applicant of a batch: keys by a hash of their length and ends, each with its question's
// index and its choices' words, lengths measured once.
// Whether a and b hold the same bytes: they are a few bytes long, too few for a call.
bool Same(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t k = 0; k < a.size(); ++k) {
    if (a[k] != b[k]) {
      return false;
    }
  }
  return true;
}

class TKeys {
 public:
  TKeys() {
    for (size_t index = 0; index < Questions().size(); ++index) {
      const TQuestion& question = Questions()[index];
      size_t at = Hash(question.Key);
      while (slots_[at].Question != nullptr) {
        at = (at + 1) % kSlots;
      }
      slots_[at] = {question.Key, index, &question};
      words_.emplace_back();
      for (const TChoice& choice : question.Choices) {
        words_.back().emplace_back(choice.Word);
      }
    }
  }

  // The question with this key and its index in the table, or null.
  const TQuestion* Find(std::string_view key, size_t& index) const {
    if (key.empty()) {
      return nullptr;
    }
    for (size_t at = Hash(key);; at = (at + 1) % kSlots) {
      const Slot& slot = slots_[at];
      if (slot.Question == nullptr || Same(slot.Key, key)) {
        index = slot.Index;
        return slot.Question;
      }
    }
  }

  // The words of the choices of question index, in their order.
  const std::vector<std::string_view>& Words(size_t index) const { return words_[index]; }

 private:
  struct Slot {
    std::string_view Key;
    size_t Index = 0;
    const TQuestion* Question = nullptr;
  };
  static constexpr size_t kSlots = 64;  // well over the questions, so that few share one

  static size_t Hash(std::string_view key) {
    return (key.size() * 7 + static_cast<unsigned char>(key.front()) * 3 +
            static_cast<unsigned char>(key.back())) %
           kSlots;
  }

  std::array<Slot, kSlots> slots_;
  std::vector<std::vector<std::string_view>> words_;
};

const TKeys& Keys() {
  static const TKeys keys;
  return keys;
}

// Puts a value into the record; false when the question does not take it.
bool Answer(const TQuestion& question, std::string_view value, TAnswers& answers,
            const std::vector<std::string_view>& words) {
  int32_t number = 0;
  if (question.Kind == QuestionKind::Text) {
    AnswerText(question, answers) = value;
    return true;
  }
  if (question.Kind == QuestionKind::Choice) {
    size_t k = 0;
    while (k < words.size() && !Same(words[k], value)) {
      ++k;
    }
    if (k == words.size()) {
      return false;
    }
    number = question.Choices[k].Value;
  } else if (!ReadNumber(value, question.Low, question.High, number)) {
    return false;
  }
  SetAnswerValue(question, answers, number);
  return true;
}

}  // namespace

AnswerFault TAnswerReader::Take(std::string_view key, const TQuestion*& question) {
  question = Keys().Find(key, index_);
  if (question == nullptr) {
    return AnswerFault::UnknownKey;
  }
  const uint64_t bit = uint64_t{1} << index_;
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
  return Answer(*question, value, answers_, Keys().Words(index_)) ? AnswerFault::None
                                                                  : AnswerFault::BadValue;
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
