// The questions of the questionnaire as data: for each one its key (the word that
// names it on the command line), its kind, its range, its choices and how its value
// reads in words. The form builds its controls from this table, the coding clamps by
// it and solvara-report reads its keys and words from it. The answers themselves are
// the plain record TAnswers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace solvara {

enum class MaritalChoice { Single, Married, Divorced, Other };
enum class ResidentialChoice { None, Tenant, LivingWithParents, Owner, LocalAuthority, Other };
enum class YesNoChoice { None, Yes, No };
enum class CountChoice { None, No, Yes, MoreThanOne };  // defaults, county court judgements
enum class SettledChoice { None, No, One, Two, MoreThanTwo };
enum class ElectoralChoice { None, No, Yes, Over5Years };

// The answers as the questionnaire's controls hold them. A default record is the state
// in which the questionnaire opens; the question table reads its opening states here.
// Texts are UTF-8, as typed.
struct TAnswers {
  int32_t Age = 18;
  MaritalChoice Marital = MaritalChoice::Single;
  std::string Salary;
  ResidentialChoice Residential = ResidentialChoice::None;
  int32_t YearsAtAddress = 0;
  std::string Telephone;
  int32_t Occupation = -1;  // entry of the occupation list, -1 for none chosen
  int32_t YearsInJob = 0;
  YesNoChoice Visa = YesNoChoice::None;
  YesNoChoice MasterCard = YesNoChoice::None;
  YesNoChoice ChequeCard = YesNoChoice::None;
  int32_t ChargeCards = 0;
  int32_t LiveAccounts = 0;
  YesNoChoice MissedPayments = YesNoChoice::None;
  CountChoice DefaultedAccounts = CountChoice::None;
  CountChoice CountyCourtJudgements = CountChoice::None;
  SettledChoice SettledAccounts = SettledChoice::None;
  ElectoralChoice ElectoralRegister = ElectoralChoice::None;
};

// Slider: a position in [Low, High]. Choice: one of Choices, or none. Text: free text.
// List: an entry of the occupation list, or none.
enum class QuestionKind { Slider, Choice, Text, List };

struct TChoice {
  int32_t Value;        // the answer's value in TAnswers (its enum), and the form's button id
  const char* Caption;  // the text beside its button
  const char* Word;     // what stands for it on the command line
};

// How a slider's position reads: Zero and One (where given) at 0 and 1, Top at the top
// of the range, otherwise the number followed by Unit.
struct TValueWords {
  const char* Zero;
  const char* One;
  const char* Top;
  const char* Unit;
};

// The labels under a slider: at its two ends and, where MiddleAt is not negative, at
// that position in its middle. Each is its text or, where that is null, the words for
// its position.
struct TScale {
  const char* Left;
  int32_t MiddleAt;
  const char* Middle;
  const char* Right;
};

// Where the answer stands in TAnswers: a number (a position, an entry or a choice's
// value) read and written through Get and Set, or a text.
struct TAnswerField {
  int32_t (*Get)(const TAnswers&);
  void (*Set)(TAnswers&, int32_t);
  std::string TAnswers::*Text;
};

// How a person can change an answer. Fixed: a fact of the person or of their past,
// which no advice may ask to change. WithTime: it grows by one a year, and by nothing
// else. ByActing: something the person can do, with the effort it takes.
enum class ChangeKind { Fixed, WithTime, ByActing };
enum class Effort { None, Easy, Major };

// Which new answers a move may give, besides that it must differ from the answer given.
enum class MoveRule {
  AnyOther,   // any answer the question allows
  OnlyLater,  // a choice later in the list: a count that only grows (no answer counts as the first)
  OnlyTo,     // the one choice OnlyTo
  TakeUp,     // an occupation the person can take up at their age (OccupationFromAge)
};

struct TChangeRule {
  ChangeKind Kind;
  Effort Cost;
  MoveRule Moves;
  int32_t OnlyTo;
  const char* Restarts;     // the key of a years question that starts again at 0 with a move
  const char* RestartNote;  // that in words
};

struct TQuestion {
  const char* Key;
  QuestionKind Kind;
  const char* Text;  // the question as its page asks it
  int32_t Low;       // Slider and List: the range, both ends included
  int32_t High;
  std::vector<TChoice> Choices;  // Choice: in the order the page shows them
  TValueWords Words;             // Slider
  const char* OpeningText;       // Slider: the value's text at first, where not its words
  TScale Scale;                  // Slider
  TAnswerField Field;
  TChangeRule Change;
};

// Every question, in the order of the pages and of TAnswers.
const std::vector<TQuestion>& Questions();

// The question with this key, or null.
const TQuestion* FindQuestion(std::string_view key);
// The same for a key known to be there, such as one written in the program.
const TQuestion& QuestionFor(const std::string& key);

// The choice with this command-line word or this value, or null.
const TChoice* FindChoice(const TQuestion& question, std::string_view word);
const TChoice* ChoiceFor(const TQuestion& question, int32_t value);

// The answer to a question in a record: the number of a Slider, Choice or List question
// (for a choice its value), or the text of a Text question.
int32_t AnswerValue(const TQuestion& question, const TAnswers& answers);
void SetAnswerValue(const TQuestion& question, TAnswers& answers, int32_t value);
std::string& AnswerText(const TQuestion& question, TAnswers& answers);
const std::string& AnswerText(const TQuestion& question, const TAnswers& answers);

// The value or text in which the questionnaire opens.
int32_t OpeningValue(const TQuestion& question);

// A slider's position as its control can hold it: the record's number within the range.
int32_t SliderPosition(const TQuestion& question, const TAnswers& answers);

// A slider's position in words ("18 Years Old", "Over 20 years"), and the text its value
// shows before the slider first moves.
std::string ValueInWords(const TQuestion& question, int32_t position);
std::string OpeningWords(const TQuestion& question);
// The texts of a slider's scale from left to right: two, or three with a middle.
std::vector<std::string> ScaleTexts(const TQuestion& question);

// An answer as the questionnaire shows it: a slider's words, a choice's caption, the
// text typed, the occupation's entry; empty for a question left unanswered.
std::string AnswerInWords(const TQuestion& question, const TAnswers& answers);

// The 29 entries of the occupation list, in list order.
const std::vector<std::string>& OccupationTexts();
// The Occupation code of an entry, or null for none chosen or no such entry.
const char* OccupationCode(int32_t occupation);
// Whether the years-in-job question applies to the occupation entry (-1: none chosen).
bool YearsInJobEnabled(int32_t occupation);

// The age from which a person can take up an occupation entry by choosing to, or
// kNeverTakenUp: illness, unemployment, keeping house and study are circumstances, not
// advice, and professions, posts, businesses, private means and work that selects its
// people are not had for the asking. Retirement comes from kEarliestRetirement.
constexpr int32_t kNeverTakenUp = -1;
constexpr int32_t kEarliestRetirement = 55;
int32_t OccupationFromAge(int32_t occupation);

// A new answer to one question: the number of a Slider, Choice or List question, or the
// text of a Text question.
struct TAnswerValue {
  int32_t Value = 0;
  std::string Text;
};

// Whether the person can give the question the answer `to` by acting, from the answers
// as they stand: the question changes by acting, `to` differs from its answer and the
// question's MoveRule allows it.
bool MovePossible(const TQuestion& question, const TAnswers& answers, const TAnswerValue& to);
// Gives the answer and what comes with it: the years question it restarts goes to 0.
void ApplyMove(const TQuestion& question, TAnswers& answers, const TAnswerValue& to);
// The answers some years from now, nothing else changed: every WithTime question
// advanced by years, each held to its range.
TAnswers AfterYears(const TAnswers& answers, int32_t years);

}  // namespace solvara
