#include "platform/HomePage.h"

#include "SolvaraConfig.h"

namespace solvara {

namespace {
QString& Override() {
  static QString address;
  return address;
}
}  // namespace

QString HomePageAddress() {
  return Override().isEmpty() ? QStringLiteral(SOLVARA_HOME_PAGE) : Override();
}

void SetHomePageAddressForTesting(const QString& address) {
  Override() = address;
}

}  // namespace solvara
