// The compiled card against the engine on every value of every entry, alone (fuzzing mixes).
#include <gtest/gtest.h>

#include "fuzz/compiled_card_agreement.h"

TEST(CompiledCard, AgreesWithTheEngineOnEveryValueOfEveryEntry) {
  const solvara::TCompiledCard& card = solvara::CompiledCreditCard();
  // The monthly income is any number: the ends, and the edges of the limit grid.
  const std::vector<int32_t> numbers = {0, 1, 750, 751, 2000, 2001, 2147483647};
  for (size_t entry = 0; entry < card.Entries().size(); ++entry) {
    const size_t count = card.Entries()[entry].Values.size();
    for (size_t k = 0; k < (count > 0 ? count : numbers.size()); ++k) {
      solvara::TCardCodes codes;
      codes.fill(-1);
      codes[entry] = count > 0 ? static_cast<int32_t>(k) : numbers[k];
      EXPECT_STREQ(solvara::Disagreement(card, codes), nullptr)
          << card.Entries()[entry].Name << "=" << card.ValueText(entry, codes[entry]);
    }
  }
}
