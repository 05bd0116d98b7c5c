// The questionnaire's answers as plain data, and their coding into the names and
// values lists of the credit-card scorecard.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace solvara {

enum class MaritalChoice { Single, Married, Divorced, Other };
enum class ResidentialChoice { None, Tenant, LivingWithParents, Owner, LocalAuthority, Other };
enum class YesNoChoice { None, Yes, No };
enum class CountChoice { None, No, Yes, MoreThanOne };  // defaults, county court judgements
enum class SettledChoice { None, No, One, Two, MoreThanTwo };
enum class ElectoralChoice { None, No, Yes, Over5Years };

// The states of the questionnaire's controls. The default value is the state in
// which the questionnaire opens. Texts are UTF-8, as typed.
struct TAnswers {
  int32_t Age = 18;  // 18 ... 66
  MaritalChoice Marital = MaritalChoice::Single;
  std::string Salary;
  ResidentialChoice Residential = ResidentialChoice::None;
  int32_t YearsAtAddress = 0;  // 0 ... 21
  std::string Telephone;
  int32_t Occupation = -1;  // entry of the occupation list, -1 for none chosen
  int32_t YearsInJob = 0;   // 0 ... 21
  YesNoChoice Visa = YesNoChoice::None;
  YesNoChoice MasterCard = YesNoChoice::None;
  YesNoChoice ChequeCard = YesNoChoice::None;
  int32_t ChargeCards = 0;   // 0 ... 6
  int32_t LiveAccounts = 0;  // 0 ... 9
  YesNoChoice MissedPayments = YesNoChoice::None;
  CountChoice DefaultedAccounts = CountChoice::None;
  CountChoice CountyCourtJudgements = CountChoice::None;
  SettledChoice SettledAccounts = SettledChoice::None;
  ElectoralChoice ElectoralRegister = ElectoralChoice::None;
};

// The 29 entries of the occupation list, in list order.
const std::vector<std::string>& OccupationTexts();

// Whether the years-in-job question applies to the occupation entry (-1: none chosen).
bool YearsInJobEnabled(int32_t occupation);

// Reads a yearly salary as typed (UTF-8) into a monthly income. True when the salary
// is usable, which is exactly when a MonthlyNetIncome entry is coded; monthly is then
// the yearly amount divided by 12 (possibly 0), otherwise 0.
bool ReadMonthlyIncome(const std::string& salary, int32_t& monthly);

// Codes the answers: fills Names and Values afresh and sets MonthlyIncome (0 when
// no usable salary was given).
void BuildUpValues(const TAnswers& answers, std::vector<std::string>& Names,
                   std::vector<std::string>& Values, int32_t& MonthlyIncome);

}  // namespace solvara
