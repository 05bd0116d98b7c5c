// The compiled card against the engine on the same applicant, any difference aborts: an
// answers record of any values, in range or not, coded as the report codes it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

#include "fuzz/compiled_card_agreement.h"

using namespace solvara;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
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
  if (const char* why =
          Disagreement(CompiledCreditCard(), s.Codes, s.MonthlyIncome, &s.CreditLimit)) {
    std::fprintf(stderr, "the compiled card disagrees with the engine: %s\n", why);
    std::abort();
  }
  return 0;
}
