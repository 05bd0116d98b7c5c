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

  void appendsTheCodeOfTheLocale_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("expected");
    QTest::newRow("British English") << "en_GB"
                                     << "news"
                                     << "news0809";
    QTest::newRow("American English") << "en_US"
                                      << "news"
                                      << "news0409";
    QTest::newRow("Spanish of Spain") << "es_ES"
                                      << "news"
                                      << "news0c0a";
    QTest::newRow("Swiss German") << "de_CH"
                                  << "news"
                                  << "news0807";
    QTest::newRow("Brazilian Portuguese") << "pt_BR"
                                          << "news"
                                          << "news0416";
    QTest::newRow("Chinese of Taiwan") << "zh_TW"
                                       << "news"
                                       << "news0404";
    QTest::newRow("Serbian, Latin script") << "sr_Latn_RS"
                                           << "news"
                                           << "news081a";
    QTest::newRow("Serbian, Cyrillic script") << "sr_Cyrl_RS"
                                              << "news"
                                              << "news0c1a";
    QTest::newRow("Nynorsk") << "nn_NO"
                             << "news"
                             << "news0814";
    QTest::newRow("English of the Bahamas") << "en_BS"
                                            << "news"
                                            << "news2409";
    QTest::newRow("prefix keeps its case") << "en_GB"
                                           << "NEWS"
                                           << "NEWS0809";
    QTest::newRow("English of India: no identifier") << "en_IN"
                                                     << "news"
                                                     << "newsopt";
    QTest::newRow("Swahili: no identifier") << "sw_KE"
                                            << "NEWS"
                                            << "NEWSopt";
    QTest::newRow("the C locale") << "C"
                                  << "news"
                                  << "newsopt";
  }
  void appendsTheCodeOfTheLocale() {
    QFETCH(QString, locale);
    QFETCH(QString, prefix);
    QFETCH(QString, expected);
    QCOMPARE(AppendLanguageCode(prefix, QLocale(locale)), expected);
  }

  void theCLocaleHasNoIdentifier() { QVERIFY(!LanguageIdFor(QLocale::c()).has_value()); }

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
