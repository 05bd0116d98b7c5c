// The coding of the questionnaire's answers into the names and values lists of the
// credit-card scorecard.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "questionnaire/Questions.h"
#include "scoring/CompiledCard.h"

namespace solvara {

// Reads a yearly salary as typed (UTF-8) into a monthly income. True when the salary
// is usable, which is exactly when a MonthlyNetIncome entry is coded; monthly is then
// the yearly amount divided by 12 (possibly 0), otherwise 0.
bool ReadMonthlyIncome(const std::string& salary, int32_t& monthly);

// Codes the answers: fills Names and Values afresh and sets MonthlyIncome (0 when
// no usable salary was given).
void BuildUpValues(const TAnswers& answers, std::vector<std::string>& Names,
                   std::vector<std::string>& Values, int32_t& MonthlyIncome);
// The same coding, also filling sources with the question each entry codes, parallel
// to Names.
void BuildUpValues(const TAnswers& answers, std::vector<std::string>& Names,
                   std::vector<std::string>& Values, int32_t& MonthlyIncome,
                   std::vector<const TQuestion*>* sources);

// An entry the coding can write, as data: the question it codes, its characteristic
// and the values it can take, and how a record's answers pick its code (-1: the record
// gets no such entry). The monthly income is the one entry whose value is a number.
struct TCodedEntry {
  const TQuestion* Question;
  TCardEntry Card;
  int32_t (*Code)(const TCodedEntry& entry, const TAnswers& answers);
};

// Every entry the coding can write, in the order it writes them.
const std::vector<TCodedEntry>& CodedEntries();

// The codes of a record, one per entry of CodedEntries(); returns the monthly income
// (0 when no usable salary was given).
int32_t CodeAnswers(const TAnswers& answers, TCardCodes& codes);

// Card's table compiled for the coding's entries.
TCompiledCard CompileForAnswers(const TScore& Card);
// The credit-card scorecard compiled for the coding, once per process.
const TCompiledCard& CompiledCreditCard();

// A record coded and scored on a compiled card: what the finish operation's card holds
// afterwards, without the texts. Ask Card for the reasons, the matched rows or the
// error with Codes and Score.
struct TAnswerScore {
  TCardCodes Codes;
  TCardScore Score;
  int32_t MonthlyIncome;
  // The limit the report states; 0 also where it states none, without a usable salary.
  int32_t CreditLimit;
};
// Allocates nothing beyond what reading the salary takes.
void ScoreAnswers(const TCompiledCard& Card, const TAnswers& answers, TAnswerScore& Result);

}  // namespace solvara
