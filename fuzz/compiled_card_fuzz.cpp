// The compiled card against the engine on the same applicant, any difference aborts: an
// answers record coded as the report codes it, or entries of its own with their codes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

#include "fuzz/compiled_card_agreement.h"

using namespace solvara;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const char* why = nullptr;
  if (in.ConsumeBool()) {
    TAnswers answers;
    for (const TQuestion& question : Questions()) {
      if (question.Kind == QuestionKind::Text) {
        AnswerText(question, answers) = in.ConsumeRandomLengthString(24);
      } else {
        SetAnswerValue(question, answers, in.ConsumeIntegralInRange<int32_t>(-3, 110));
      }
    }
    TAnswerScore s;
    ScoreAnswers(CompiledCreditCard(), answers, s);
    why = Disagreement(CompiledCreditCard(), s.Codes, s.MonthlyIncome, &s.CreditLimit);
  } else {
    // Names of the table in any case, or one it lacks, each at most once, with any values.
    static const TCCScore card;
    std::vector<TCardEntry> entries;
    TCardCodes codes;
    codes.fill(-1);
    for (const char* name : {"Age", "occupation", "MARITALSTATUS", "CCJS",
                             "WorstStatusofLiveAccounts", "TimeInBank", "MonthlyNetIncome"}) {
      if (in.ConsumeBool()) {
        std::vector<std::string> values(in.ConsumeIntegralInRange<size_t>(0, 3));
        for (std::string& value : values) {
          value = in.ConsumeRandomLengthString(6);
        }
        const int32_t top = values.empty() ? INT32_MAX : static_cast<int32_t>(values.size()) - 1;
        codes[entries.size()] = in.ConsumeIntegralInRange<int32_t>(-1, top);
        entries.push_back({name, std::move(values)});
      }
    }
    why = Disagreement(TCompiledCard(card, entries), codes);
  }
  if (why != nullptr) {
    std::fprintf(stderr, "the compiled card disagrees with the engine: %s\n", why);
    std::abort();
  }
  return 0;
}
