#include "questionnaire/Questions.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string_view>
#include <type_traits>

namespace solvara {

namespace {

struct OccupationEntry {
  const char* text;
  const char* code;
  bool hasJob;      // whether the years-in-job question applies
  int32_t fromAge;  // from which age a person can take it up by choosing to
};

constexpr int32_t kAnyAge = 0;
constexpr int32_t kNever = kNeverTakenUp;

// The list as the questionnaire shows it, unsorted. The codes run in groups with
// gaps (no 10, 15, 17 ...), so they are spelled out rather than computed. Work anyone
// can look for and take up, with no qualification, post, business, means or selection,
// can be taken up at any age; retirement from the earliest age a pension is usually paid.
const OccupationEntry kOccupations[] = {
    {"Sick / Disabled", "1", false, kNever},
    {"Housewife / Househusband", "2", false, kNever},
    {"Retired", "3", false, kEarliestRetirement},
    {"Student", "4", false, kNever},
    {"Part Time, Temp", "5", true, kAnyAge},
    {"Self Employed", "6", true, kAnyAge},
    {"Apprentice (Professional)", "7", true, kNever},
    {"Unemployed", "8", false, kNever},
    {"Miscellaneous", "9", true, kAnyAge},
    {"Employer of 3+", "11", true, kNever},
    {"Higher Prof", "12", true, kNever},
    {"Manager of 6+", "13", true, kNever},
    {"Private Income", "14", true, kNever},
    {"Other Prof and Management", "16", true, kNever},
    {"Employer of 1 or 2", "21", true, kNever},
    {"Lower Prof", "22", true, kNever},
    {"Arts, Literature, Sports", "23", true, kNever},
    {"Lower Management", "24", true, kNever},
    {"Commercial Travellers,Reps", "25", true, kAnyAge},
    {"Other White Collar", "26", true, kAnyAge},
    {"Skilled Workers", "31", true, kNever},
    {"Supervisors, Foremen", "32", true, kNever},
    {"Transport Operators", "33", true, kNever},
    {"Distributors", "41", true, kAnyAge},
    {"Manual Workers", "42", true, kAnyAge},
    {"Army, Fire Service", "43", true, kNever},
    {"Domestics", "44", true, kAnyAge},
    {"Other Unskilled, Semi skilled", "45", true, kAnyAge},
    {"Other", "0", true, kAnyAge},
};
constexpr int32_t kOccupationCount = static_cast<int32_t>(std::size(kOccupations));

bool ValidOccupation(int32_t entry) {
  return entry >= 0 && entry < kOccupationCount;
}

template <typename T>
struct MemberOf;
template <typename T>
struct MemberOf<T TAnswers::*> {
  using Type = T;
};

// The place of a member of TAnswers, whichever type it has.
template <auto Member>
TAnswerField Field() {
  using T = typename MemberOf<decltype(Member)>::Type;
  if constexpr (std::is_same_v<T, std::string>) {
    return {nullptr, nullptr, Member};
  } else {
    return {[](const TAnswers& a) { return static_cast<int32_t>(a.*Member); },
            [](TAnswers& a, int32_t value) { a.*Member = static_cast<T>(value); }, nullptr};
  }
}

template <typename E>
constexpr int32_t Value(E choice) {
  return static_cast<int32_t>(choice);
}

TQuestion Slider(const char* key, const char* text, int32_t low, int32_t high, TValueWords words,
                 const char* openingText, TScale scale, TAnswerField field, TChangeRule change) {
  return {key, QuestionKind::Slider, text, low, high, {}, words, openingText, scale, field, change};
}

TQuestion Choice(const char* key, const char* text, std::vector<TChoice> choices,
                 TAnswerField field, TChangeRule change) {
  return {key,   QuestionKind::Choice, text, 0, 0, std::move(choices), {}, nullptr, {}, field,
          change};
}

TQuestion Text(const char* key, const char* text, TAnswerField field, TChangeRule change) {
  return {key, QuestionKind::Text, text, 0, 0, {}, {}, nullptr, {}, field, change};
}

TQuestion List(const char* key, const char* text, int32_t count, TAnswerField field,
               TChangeRule change) {
  return {key, QuestionKind::List, text, 0, count - 1, {}, {}, nullptr, {}, field, change};
}

// What a person can change. The age, the marital status and the credit record are facts
// of the person or of their past; the salary scores no points (it sets only the credit
// limit), so no advice asks to earn more. The years grow with time alone.
const TChangeRule kFixed = {ChangeKind::Fixed, Effort::None, MoveRule::AnyOther, 0,
                            nullptr,           nullptr};
const TChangeRule kWithTime = {
    ChangeKind::WithTime, Effort::None, MoveRule::AnyOther, 0, nullptr, nullptr};
// A home telephone, a card or an account taken out or given up.
const TChangeRule kEasy = {
    ChangeKind::ByActing, Effort::Easy, MoveRule::AnyOther, 0, nullptr, nullptr};
const char* const kYes = "Yes";
const char* const kNo = "No";
const char* const kNone = "None";
const std::vector<TChoice> kYesNo = {{Value(YesNoChoice::Yes), kYes, "yes"},
                                     {Value(YesNoChoice::No), kNo, "no"}};

// The two questions of years share their scale and all their words but the first.
const char* const kLessThan1Year = "Less than 1 Year";
const TScale kYearsScale = {kLessThan1Year, 10, "10 Years", "Over 20 Years"};
TValueWords YearsWords(const char* zero) {
  return {zero, "1 year", "Over 20 years", " years"};
}

}  // namespace

const std::vector<TQuestion>& Questions() {
  static const std::vector<TQuestion> questions = {
      Slider("age", "What age are you ?", 18, 66,
             {nullptr, nullptr, "Over 65 Years Old", " Years Old"}, nullptr,
             {nullptr, 40, nullptr, nullptr}, Field<&TAnswers::Age>(), kWithTime),
      Choice("marital", "Marital Status:",
             {{Value(MaritalChoice::Single), "Single", "single"},
              {Value(MaritalChoice::Married), "Married", "married"},
              {Value(MaritalChoice::Divorced), "Divorced", "divorced"},
              {Value(MaritalChoice::Other), "Other (Widowed / Partner ?)", "other"}},
             Field<&TAnswers::Marital>(), kFixed),
      Text("salary", "What is your annual salary ?", Field<&TAnswers::Salary>(), kFixed),
      Choice("residential", "Residential Status:",
             {{Value(ResidentialChoice::Tenant), "Tenant", "tenant"},
              {Value(ResidentialChoice::LivingWithParents), "Living with Parents", "parents"},
              {Value(ResidentialChoice::Owner), "Owner", "owner"},
              {Value(ResidentialChoice::LocalAuthority), "Local Authority", "local-authority"},
              {Value(ResidentialChoice::Other), "Other", "other"}},
             Field<&TAnswers::Residential>(),
             {ChangeKind::ByActing, Effort::Major, MoveRule::AnyOther, 0, "address-years",
              "the years at the address start again"}),
      Slider("address-years", "How many years have you been at your current address ?", 0, 21,
             YearsWords("Less than 1 year"), kLessThan1Year, kYearsScale,
             Field<&TAnswers::YearsAtAddress>(), kWithTime),
      Text("telephone", "Enter your telephone number:", Field<&TAnswers::Telephone>(), kEasy),
      List("occupation", "What would best describe your occupation ?", kOccupationCount,
           Field<&TAnswers::Occupation>(),
           {ChangeKind::ByActing, Effort::Major, MoveRule::TakeUp, 0, "job-years",
            "the years in the job start again"}),
      Slider("job-years", "Where applicable, how long have you been doing that job ?", 0, 21,
             YearsWords("Less than a year"), kLessThan1Year, kYearsScale,
             Field<&TAnswers::YearsInJob>(), kWithTime),
      Choice("visa", "Visa ", kYesNo, Field<&TAnswers::Visa>(), kEasy),
      Choice("mastercard", "Access / Mastercard", kYesNo, Field<&TAnswers::MasterCard>(), kEasy),
      Choice("cheque-card", "Chequecard", kYesNo, Field<&TAnswers::ChequeCard>(), kEasy),
      Slider("charge-cards", "How many charge card accounts do you have ?", 0, 6,
             {"No cards held", "1 charge card", "Over 5 charge cards", " charge cards"}, kNone,
             {kNone, -1, nullptr, "More than 5"}, Field<&TAnswers::ChargeCards>(), kEasy),
      Slider("live-accounts", "How many live credit accounts do you have ?", 0, 9,
             {kNone, "1 live account", "Over 8 live accounts", " live accounts"}, nullptr,
             {nullptr, -1, nullptr, "More than 8"}, Field<&TAnswers::LiveAccounts>(), kEasy),
      Choice("missed-payments", "Have you missed more than one payment recently ?", kYesNo,
             Field<&TAnswers::MissedPayments>(), kFixed),
      Choice("defaults", "Have you defaulted on any accounts ?",
             {{Value(CountChoice::No), kNo, "no"},
              {Value(CountChoice::Yes), kYes, "yes"},
              {Value(CountChoice::MoreThanOne), "Yes, on more than one account", "more-than-one"}},
             Field<&TAnswers::DefaultedAccounts>(), kFixed),
      Choice("ccj", "Have you any County Court Judgements against you (CCJ's) ?",
             {{Value(CountChoice::No), kNo, "no"},
              {Value(CountChoice::Yes), kYes, "yes"},
              {Value(CountChoice::MoreThanOne), "Yes, more than one", "more-than-one"}},
             Field<&TAnswers::CountyCourtJudgements>(), kFixed),
      Choice("settled", "Have you settled any accounts ?",
             {{Value(SettledChoice::No), kNo, "no"},
              {Value(SettledChoice::One), "1", "1"},
              {Value(SettledChoice::Two), "2", "2"},
              {Value(SettledChoice::MoreThanTwo), "More than 2", "more-than-2"}},
             Field<&TAnswers::SettledAccounts>(),
             {ChangeKind::ByActing, Effort::Easy, MoveRule::OnlyLater, 0, nullptr, nullptr}),
      Choice("electoral", "Are you on the electoral register ?",
             {{Value(ElectoralChoice::No), kNo, "no"},
              {Value(ElectoralChoice::Yes), kYes, "yes"},
              {Value(ElectoralChoice::Over5Years), "Yes but last registered over 5 years ago",
               "over-5-years"}},
             Field<&TAnswers::ElectoralRegister>(),
             {ChangeKind::ByActing, Effort::Easy, MoveRule::OnlyTo, Value(ElectoralChoice::Yes),
              nullptr, nullptr}),
  };
  return questions;
}

namespace {

// Whether text (NUL-terminated) is word, byte for byte, without measuring it first.
bool Spells(std::string_view word, const char* text) {
  size_t k = 0;
  for (; k < word.size(); ++k) {
    if (text[k] == '\0' || text[k] != word[k]) {
      return false;
    }
  }
  return text[k] == '\0';
}

}  // namespace

const TQuestion* FindQuestion(std::string_view key) {
  // Looked up for every answer of every applicant of a batch: the keys are grouped by
  // their length once, and few share one.
  static constexpr size_t kLongest = 32;
  static const std::array<std::vector<const TQuestion*>, kLongest + 1> byLength = [] {
    std::array<std::vector<const TQuestion*>, kLongest + 1> groups;
    for (const TQuestion& question : Questions()) {
      groups[std::min(std::strlen(question.Key), kLongest)].push_back(&question);
    }
    return groups;
  }();
  for (const TQuestion* question : byLength[std::min(key.size(), kLongest)]) {
    if (Spells(key, question->Key)) {
      return question;
    }
  }
  return nullptr;
}

const TQuestion& QuestionFor(const std::string& key) {
  const TQuestion* question = FindQuestion(key);
  if (question == nullptr) {
    std::abort();  // a key written in the program that the table lacks
  }
  return *question;
}

const TChoice* FindChoice(const TQuestion& question, std::string_view word) {
  for (const TChoice& choice : question.Choices) {
    if (Spells(word, choice.Word)) {
      return &choice;
    }
  }
  return nullptr;
}

const TChoice* ChoiceFor(const TQuestion& question, int32_t value) {
  for (const TChoice& choice : question.Choices) {
    if (value == choice.Value) {
      return &choice;
    }
  }
  return nullptr;
}

int32_t AnswerValue(const TQuestion& question, const TAnswers& answers) {
  return question.Field.Get != nullptr ? question.Field.Get(answers) : 0;
}

void SetAnswerValue(const TQuestion& question, TAnswers& answers, int32_t value) {
  if (question.Field.Set != nullptr) {
    question.Field.Set(answers, value);
  }
}

std::string& AnswerText(const TQuestion& question, TAnswers& answers) {
  return answers.*question.Field.Text;
}

const std::string& AnswerText(const TQuestion& question, const TAnswers& answers) {
  return answers.*question.Field.Text;
}

int32_t OpeningValue(const TQuestion& question) {
  return AnswerValue(question, TAnswers{});
}

int32_t SliderPosition(const TQuestion& question, const TAnswers& answers) {
  // A slider cannot stand outside its range; a record filled by hand might.
  return std::clamp(AnswerValue(question, answers), question.Low, question.High);
}

std::string ValueInWords(const TQuestion& question, int32_t position) {
  const TValueWords& words = question.Words;
  if (position == question.High) {
    return words.Top;
  }
  if (position == 0 && words.Zero != nullptr) {
    return words.Zero;
  }
  if (position == 1 && words.One != nullptr) {
    return words.One;
  }
  return std::to_string(position) + words.Unit;
}

std::string OpeningWords(const TQuestion& question) {
  return question.OpeningText != nullptr ? question.OpeningText
                                         : ValueInWords(question, OpeningValue(question));
}

std::vector<std::string> ScaleTexts(const TQuestion& question) {
  const TScale& scale = question.Scale;
  const auto text = [&](const char* given, int32_t position) {
    return given != nullptr ? std::string(given) : ValueInWords(question, position);
  };
  std::vector<std::string> texts = {text(scale.Left, question.Low)};
  if (scale.MiddleAt >= 0) {
    texts.push_back(text(scale.Middle, scale.MiddleAt));
  }
  texts.push_back(text(scale.Right, question.High));
  return texts;
}

std::string AnswerInWords(const TQuestion& question, const TAnswers& answers) {
  switch (question.Kind) {
    case QuestionKind::Slider:
      return ValueInWords(question, SliderPosition(question, answers));
    case QuestionKind::Choice: {
      const TChoice* choice = ChoiceFor(question, AnswerValue(question, answers));
      return choice != nullptr ? choice->Caption : "";
    }
    case QuestionKind::Text:
      return AnswerText(question, answers);
    case QuestionKind::List: {
      const int32_t entry = AnswerValue(question, answers);
      return ValidOccupation(entry) ? kOccupations[entry].text : "";
    }
  }
  return "";
}

const std::vector<std::string>& OccupationTexts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> list;
    for (const OccupationEntry& entry : kOccupations) {
      list.emplace_back(entry.text);
    }
    return list;
  }();
  return texts;
}

const char* OccupationCode(int32_t occupation) {
  return ValidOccupation(occupation) ? kOccupations[occupation].code : nullptr;
}

bool YearsInJobEnabled(int32_t occupation) {
  return ValidOccupation(occupation) && kOccupations[occupation].hasJob;
}

int32_t OccupationFromAge(int32_t occupation) {
  return ValidOccupation(occupation) ? kOccupations[occupation].fromAge : kNeverTakenUp;
}

namespace {

// Where a choice stands in its question's list; no answer stands with the first.
size_t ChoiceIndex(const TQuestion& question, int32_t value) {
  for (size_t k = 0; k < question.Choices.size(); ++k) {
    if (question.Choices[k].Value == value) {
      return k;
    }
  }
  return 0;
}

bool SameAnswer(const TQuestion& question, const TAnswers& answers, const TAnswerValue& to) {
  return question.Kind == QuestionKind::Text ? AnswerText(question, answers) == to.Text
                                             : AnswerValue(question, answers) == to.Value;
}

}  // namespace

bool MovePossible(const TQuestion& question, const TAnswers& answers, const TAnswerValue& to) {
  const TChangeRule& rule = question.Change;
  if (rule.Kind != ChangeKind::ByActing || SameAnswer(question, answers, to)) {
    return false;
  }
  switch (rule.Moves) {
    case MoveRule::AnyOther:
      return true;
    case MoveRule::OnlyLater:
      return ChoiceIndex(question, to.Value) >
             ChoiceIndex(question, AnswerValue(question, answers));
    case MoveRule::OnlyTo:
      return to.Value == rule.OnlyTo;
    case MoveRule::TakeUp: {
      const int32_t from = OccupationFromAge(to.Value);
      return from != kNeverTakenUp && answers.Age >= from;
    }
  }
  return false;
}

void ApplyMove(const TQuestion& question, TAnswers& answers, const TAnswerValue& to) {
  if (question.Kind == QuestionKind::Text) {
    AnswerText(question, answers) = to.Text;
  } else {
    SetAnswerValue(question, answers, to.Value);
  }
  if (question.Change.Restarts != nullptr) {
    SetAnswerValue(QuestionFor(question.Change.Restarts), answers, 0);
  }
}

TAnswers AfterYears(const TAnswers& answers, int32_t years) {
  TAnswers later = answers;
  for (const TQuestion& question : Questions()) {
    if (question.Change.Kind == ChangeKind::WithTime) {
      const int64_t grown = int64_t{SliderPosition(question, answers)} + years;
      SetAnswerValue(question, later,
                     static_cast<int32_t>(std::clamp<int64_t>(grown, question.Low, question.High)));
    }
  }
  return later;
}

}  // namespace solvara
