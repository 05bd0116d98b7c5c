#include "scoring/BCCScoreU.h"

#include <iterator>
#include <string_view>

namespace solvara {

namespace {

struct Band {
  std::string_view characteristic;
  std::string_view band;
  int32_t points;
};

// The scorecard in table order. Rows of one characteristic stay together: a
// calculation walks a characteristic's rows until the name changes.
constexpr Band kTable[] = {
    {"Age", "Low-0100", 0},
    {"Age", "0101-1711", 0},
    {"Age", "1800-2211", -82},
    {"Age", "2300-2611", -42},
    {"Age", "2700-3511", -33},
    {"Age", "3600-4011", -27},
    {"Age", "4100-5011", -19},
    {"Age", "5100-6011", -10},
    {"Age", "6100-High", 80},

    {"TimeAtAddress", "Low-600", 0},
    {"TimeAtAddress", "601-1000", 11},
    {"TimeAtAddress", "1001-2000", 18},
    {"TimeAtAddress", "2001-High", 51},

    {"MaritalStatus", "W", -40},
    {"MaritalStatus", "S", 0},
    {"MaritalStatus", "M", 15},
    {"MaritalStatus", "X", 0},
    {"MaritalStatus", "O", 0},

    {"ResidentialStatus", "T", 30},
    {"ResidentialStatus", "P", 51},
    {"ResidentialStatus", "O", 71},
    {"ResidentialStatus", "A", -75},
    {"ResidentialStatus", "X", 0},

    {"Occupation", "1", 0},
    {"Occupation", "2", 0},
    {"Occupation", "3", 20},
    {"Occupation", "4", -30},
    {"Occupation", "5", 0},
    {"Occupation", "6", 0},
    {"Occupation", "7", 15},
    {"Occupation", "8", -50},
    {"Occupation", "9", 0},
    {"Occupation", "11", 0},
    {"Occupation", "12", 20},
    {"Occupation", "13", 15},
    {"Occupation", "14", 20},
    {"Occupation", "15", 0},
    {"Occupation", "16", 20},
    {"Occupation", "17", 0},
    {"Occupation", "18", 0},
    {"Occupation", "20", 0},
    {"Occupation", "21", 0},
    {"Occupation", "22", 15},
    {"Occupation", "23", 0},
    {"Occupation", "24", 0},
    {"Occupation", "25", 15},
    {"Occupation", "26", 0},
    {"Occupation", "31", 0},
    {"Occupation", "32", 0},
    {"Occupation", "33", 0},
    {"Occupation", "34", 0},
    {"Occupation", "35", 0},
    {"Occupation", "41", 0},
    {"Occupation", "42", 0},
    {"Occupation", "43", 15},
    {"Occupation", "44", -40},
    {"Occupation", "45", -40},
    {"Occupation", "46", 0},
    {"Occupation", "99", 0},

    {"BusinessCode", "0", 0},
    {"BusinessCode", "1", 0},
    {"BusinessCode", "2", -20},
    {"BusinessCode", "3", -20},
    {"BusinessCode", "4", 0},
    {"BusinessCode", "5", 0},
    {"BusinessCode", "6", 0},
    {"BusinessCode", "7", 0},
    {"BusinessCode", "8", 0},
    {"BusinessCode", "9", 0},
    {"BusinessCode", "10", 0},
    {"BusinessCode", "11", 0},
    {"BusinessCode", "12", 0},
    {"BusinessCode", "13", 0},
    {"BusinessCode", "14", -10},
    {"BusinessCode", "15", 0},
    {"BusinessCode", "16", 0},
    {"BusinessCode", "17", 0},
    {"BusinessCode", "18", 0},
    {"BusinessCode", "19", 0},
    {"BusinessCode", "20", -10},
    {"BusinessCode", "21", -10},
    {"BusinessCode", "22", 0},
    {"BusinessCode", "25", 0},
    {"BusinessCode", "30", 0},
    {"BusinessCode", "50", 0},
    {"BusinessCode", "60", 0},
    {"BusinessCode", "70", 0},
    {"BusinessCode", "80", 0},
    {"BusinessCode", "90", 0},
    {"BusinessCode", "99", 0},
    {"BusinessCode", "999", 0},

    {"ChequeCardHeld", "1", 75},
    {"ChequeCardHeld", "Y", 75},
    {"ChequeCardHeld", "0", 0},
    {"ChequeCardHeld", "N", 0},
    {"ChequeCardHeld", "", 0},

    {"VisaCardHeld", "1", 30},
    {"VisaCardHeld", "Y", 30},
    {"VisaCardHeld", "0", 0},
    {"VisaCardHeld", "N", 0},
    {"VisaCardHeld", "", 0},

    {"AccessMastercardHeld", "1", 30},
    {"AccessMastercardHeld", "Y", 30},
    {"AccessMastercardHeld", "0", 0},
    {"AccessMastercardHeld", "N", 0},
    {"AccessMastercardHeld", "", 0},

    {"TimeInJob", "Low-0", 0},
    {"TimeInJob", "1-811", 0},
    {"TimeInJob", "900-1411", 10},
    {"TimeInJob", "1500-High", 30},

    {"TimeInBank", "Low-11", -20},
    {"TimeInBank", "100-111", -10},
    {"TimeInBank", "200-311", -5},
    {"TimeInBank", "400-High", 0},

    {"HomeTelephone", "1", 0},
    {"HomeTelephone", "Y", 0},
    {"HomeTelephone", "0", -15},
    {"HomeTelephone", "N", -15},
    {"HomeTelephone", "", -15},

    {"LiveCreditAccounts", "T", 0},
    {"LiveCreditAccounts", "M", 0},
    {"LiveCreditAccounts", "J", 0},
    {"LiveCreditAccounts", "K", 0},
    {"LiveCreditAccounts", "1", 25},
    {"LiveCreditAccounts", "2-4", 33},
    {"LiveCreditAccounts", "5-7", 60},
    {"LiveCreditAccounts", "8-99", 0},

    {"DefaultAccounts", "T", 0},
    {"DefaultAccounts", "M", 0},
    {"DefaultAccounts", "J", 0},
    {"DefaultAccounts", "1", -150},
    {"DefaultAccounts", "2-99", -220},

    {"SettledCreditAccounts", "T", 0},
    {"SettledCreditAccounts", "M", 0},
    {"SettledCreditAccounts", "J", 0},
    {"SettledCreditAccounts", "L", 0},
    {"SettledCreditAccounts", "1-2", 12},
    {"SettledCreditAccounts", "3-99", 25},

    {"WorstStatusofLiveAccounts", "T", 0},
    {"WorstStatusofLiveAccounts", "M", 0},
    {"WorstStatusofLiveAccounts", "J", 0},
    {"WorstStatusofLiveAccounts", "N", 0},
    {"WorstStatusofLiveAccounts", "Z", 0},
    {"WorstStatusofLiveAccounts", "X", 0},
    {"WorstStatusofLiveAccounts", "U", 0},
    {"WorstStatusofLiveAccounts", "Q", 0},
    {"WorstStatusofLiveAccounts", "0", 0},
    {"WorstStatusofLiveAccounts", "1", 0},
    {"WorstStatusofLiveAccounts", "2", -170},
    {"WorstStatusofLiveAccounts", "3-99", -170},
    {"WorstStatusofLiveAccounts", "A", -170},
    {"WorstStatusofLiveAccounts", "B", -170},
    {"WorstStatusofLiveAccounts", "D", 0},
    {"WorstStatusofLiveAccounts", "I", -170},
    {"WorstStatusofLiveAccounts", "N", 0},
    {"WorstStatusofLiveAccounts", "Q", 0},
    {"WorstStatusofLiveAccounts", "R", 0},
    {"WorstStatusofLiveAccounts", "S", 0},
    {"WorstStatusofLiveAccounts", "U", 0},
    {"WorstStatusofLiveAccounts", "Z", 0},
    {"WorstStatusofLiveAccounts", "", 0},

    {"CCJS", "T", 0},
    {"CCJS", "M", 0},
    {"CCJS", "J", 0},
    {"CCJS", "1", -147},
    {"CCJS", "2-99", -160},

    {"SearchesL12m", "T", 0},
    {"SearchesL12m", "M", 0},
    {"SearchesL12m", "C", 0},
    {"SearchesL12m", "J", 0},
    {"SearchesL12m", "1", -13},
    {"SearchesL12m", "2", -33},
    {"SearchesL12m", "3", -46},
    {"SearchesL12m", "4-6", -87},
    {"SearchesL12m", "7-9", -130},
    {"SearchesL12m", "10-99", -140},

    {"SearchesL24m", "T", 0},
    {"SearchesL24m", "M", 0},
    {"SearchesL24m", "C", 0},
    {"SearchesL24m", "J", 0},
    {"SearchesL24m", "1-99", -50},

    {"NamesMatchingonElectoralRoll", "T", 0},
    {"NamesMatchingonElectoralRoll", "C", 0},
    {"NamesMatchingonElectoralRoll", "M", 0},
    {"NamesMatchingonElectoralRoll", "1", 10},
    {"NamesMatchingonElectoralRoll", "2-99", 10},

    {"YearsSinceLastRegistered", "T", 0},
    {"YearsSinceLastRegistered", "C", 0},
    {"YearsSinceLastRegistered", "M", 0},
    {"YearsSinceLastRegistered", "0", 0},
    {"YearsSinceLastRegistered", "1-5", 0},
    {"YearsSinceLastRegistered", "6-99", -30},

    {"WorstStatusonSettledAccounts", "T", 0},
    {"WorstStatusonSettledAccounts", "M", 0},
    {"WorstStatusonSettledAccounts", "J", 0},
    {"WorstStatusonSettledAccounts", "L", 0},
    {"WorstStatusonSettledAccounts", "N", 0},
    {"WorstStatusonSettledAccounts", "Z", 0},
    {"WorstStatusonSettledAccounts", "X", 0},
    {"WorstStatusonSettledAccounts", "U", 0},
    {"WorstStatusonSettledAccounts", "Q", 0},
    {"WorstStatusonSettledAccounts", "0", 0},
    {"WorstStatusonSettledAccounts", "1", 0},
    {"WorstStatusonSettledAccounts", "2-99", -30},
    {"WorstStatusonSettledAccounts", "A", -30},
    {"WorstStatusonSettledAccounts", "B", -30},
    {"WorstStatusonSettledAccounts", "I", -30},
    {"WorstStatusonSettledAccounts", "D", 0},
    {"WorstStatusonSettledAccounts", "R", 0},
    {"WorstStatusonSettledAccounts", "V", 0},
    {"WorstStatusonSettledAccounts", "W", 0},
    {"WorstStatusonSettledAccounts", "S", 0},
    {"WorstStatusonSettledAccounts", "", 0},

    {"ChargeCardAccountsHeld", "T", 0},
    {"ChargeCardAccountsHeld", "M", 0},
    {"ChargeCardAccountsHeld", "J", 0},
    {"ChargeCardAccountsHeld", "0", 0},
    {"ChargeCardAccountsHeld", "1-5", 0},
    {"ChargeCardAccountsHeld", "6-99", -30},
};

}  // namespace

TCCScore::TCCScore() {
  ReserveBands(std::size(kTable));
  for (const Band& row : kTable) {
    AddBand(row.characteristic, row.band, row.points);
  }
  BaseScore = 819;
  CutOff = 821;
  ResultNames.push_back("MonthlyNetIncome");
  ResultValues.push_back("");
  ResultNames.push_back("CurrentAccountGrade");
  ResultValues.push_back("");
}

int32_t TCCScore::CreditLimit(int32_t MonthlyNetIncome) const {
  return CreditLimitFor(TotalScore, MonthlyNetIncome);
}

int32_t TCCScore::CreditLimitFor(int32_t TotalScore, int32_t MonthlyNetIncome) {
  if (MonthlyNetIncome < 0 || TotalScore < 821) {
    return 0;
  }
  // Columns: 821-860, 861-900, 901 and above.
  static const int32_t kGrid[4][3] = {
      {1000, 1250, 2000}, {1250, 1750, 2500}, {2000, 3000, 3000}, {2500, 3000, 3000}};
  const int column = TotalScore <= 860 ? 0 : TotalScore <= 900 ? 1 : 2;
  const int row = MonthlyNetIncome <= 750    ? 0
                  : MonthlyNetIncome <= 1300 ? 1
                  : MonthlyNetIncome <= 2000 ? 2
                                             : 3;
  return kGrid[row][column];
}

}  // namespace solvara
