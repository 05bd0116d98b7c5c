// The language code of the news file name, from a locale.
#include <QSet>
#include <QtTest>

#include "shell/CodePageU.h"
#include "tests/gui/support/Watchdog.h"

using namespace solvara;

class TestCodePage : public QObject {
  Q_OBJECT

 private slots:
  void knownListHoldsEachIdentifierOnce() {
    const QStringList& list = KnownLanguageList();
    QCOMPARE(list.size(), 107);
    QCOMPARE(QSet<QString>(list.begin(), list.end()).size(), 107);
    for (const QString& code : list) {
      QVERIFY2(code.size() == 4 && code == code.toLower(), qPrintable(code));
    }
  }

  void appendsTheCodeOfTheLocale() {
    const struct {
      const char* locale;
      const char* prefix;
      const char* expected;
    } cases[] = {
        {"en_GB", "news", "news0809"},      {"es_ES", "news", "news0c0a"},
        {"de_CH", "news", "news0807"},      {"zh_TW", "news", "news0404"},
        {"sr_Latn_RS", "news", "news081a"}, {"sr_Cyrl_RS", "news", "news0c1a"},
        {"en_BS", "news", "news2409"},      {"en_GB", "NEWS", "NEWS0809"},
        {"en_IN", "news", "newsopt"},       {"C", "NEWS", "NEWSopt"},
    };
    for (const auto& c : cases) {
      QCOMPARE(
          AppendLanguageCode(QString::fromLatin1(c.prefix), QLocale(QString::fromLatin1(c.locale))),
          QString::fromLatin1(c.expected));
    }
  }

  // Each row must name a locale Qt really has (else no system could ever match it),
  // must not be hidden behind an earlier row, and together the rows must give every
  // known identifier but the four that no locale here stands for.
  void everyKnownIdentifierComesFromSomeLocale() {
    QSet<QString> produced;
    for (const LanguageIdEntry& entry : LanguageIdTable()) {
      const QLocale locale(entry.language, entry.script, entry.territory);
      const QString name = locale.name();
      QVERIFY2(locale.language() == entry.language && locale.territory() == entry.territory,
               qPrintable(QStringLiteral("no such locale for row %1").arg(entry.id, 4, 16)));
      QVERIFY2(LanguageIdFor(locale) == entry.id, qPrintable(name));
      const QString code = AppendLanguageCode(QString(), locale);
      QVERIFY2(code != QLatin1String("opt"), qPrintable(name));
      produced.insert(code);
    }
    QSet<QString> expected(KnownLanguageList().begin(), KnownLanguageList().end());
    for (const char* unreachable : {"0000", "0400", "040a", "0812"}) {
      expected.remove(QString::fromLatin1(unreachable));
    }
    QCOMPARE(produced, expected);
  }

 private:
  Watchdog watchdog_{"tst_codepage", std::chrono::seconds(60)};
};

QTEST_GUILESS_MAIN(TestCodePage)
#include "tst_codepage.moc"
