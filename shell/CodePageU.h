// The language part of the news file name, taken from the system's locale.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace solvara {

// One row of the table from a locale to its Windows language identifier, the
// number the web site names its news files by. Script is QLocale::AnyScript
// unless the language is written in more than one script on the same territory.
struct LanguageIdEntry {
  QLocale::Language language;
  QLocale::Script script;
  QLocale::Territory territory;
  quint16 id;
};

// Every row of the table, in the order it is searched.
const std::vector<LanguageIdEntry>& LanguageIdTable();

// The identifiers the web site has news files for, as four lower-case hex digits.
const QStringList& KnownLanguageList();

// The Windows language identifier of a locale, or none when the table has no row
// for it (the C locale among them).
std::optional<quint16> LanguageIdFor(const QLocale& locale);

// prefix + the locale's identifier as four lower-case hex digits when that is in
// the known list, else prefix + "opt". The prefix keeps its case.
QString AppendLanguageCode(const QString& prefix, const QLocale& locale = QLocale::system());

}  // namespace solvara
