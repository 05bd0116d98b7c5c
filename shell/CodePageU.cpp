#include "shell/CodePageU.h"

namespace solvara {

namespace {

using L = QLocale;

// The sort-order and code-page variants (Spanish traditional sort 040a, Korean
// Johab 0812) and the neutral identifiers 0000 and 0400 have no locale of their
// own on this platform, so no row gives them.
const std::vector<LanguageIdEntry> kTable = {
    {L::Arabic, L::AnyScript, L::SaudiArabia, 0x0401},
    {L::Arabic, L::AnyScript, L::Iraq, 0x0801},
    {L::Arabic, L::AnyScript, L::Egypt, 0x0c01},
    {L::Arabic, L::AnyScript, L::Libya, 0x1001},
    {L::Arabic, L::AnyScript, L::Algeria, 0x1401},
    {L::Arabic, L::AnyScript, L::Morocco, 0x1801},
    {L::Arabic, L::AnyScript, L::Tunisia, 0x1c01},
    {L::Arabic, L::AnyScript, L::Oman, 0x2001},
    {L::Arabic, L::AnyScript, L::Yemen, 0x2401},
    {L::Arabic, L::AnyScript, L::Syria, 0x2801},
    {L::Arabic, L::AnyScript, L::Jordan, 0x2c01},
    {L::Arabic, L::AnyScript, L::Lebanon, 0x3001},
    {L::Arabic, L::AnyScript, L::Kuwait, 0x3401},
    {L::Arabic, L::AnyScript, L::UnitedArabEmirates, 0x3801},
    {L::Arabic, L::AnyScript, L::Bahrain, 0x3c01},
    {L::Arabic, L::AnyScript, L::Qatar, 0x4001},
    {L::Bulgarian, L::AnyScript, L::Bulgaria, 0x0402},
    {L::Catalan, L::AnyScript, L::Spain, 0x0403},
    {L::Chinese, L::AnyScript, L::Taiwan, 0x0404},
    {L::Chinese, L::AnyScript, L::China, 0x0804},
    {L::Chinese, L::AnyScript, L::HongKong, 0x0c04},
    {L::Chinese, L::AnyScript, L::Singapore, 0x1004},
    {L::Czech, L::AnyScript, L::CzechRepublic, 0x0405},
    {L::Danish, L::AnyScript, L::Denmark, 0x0406},
    {L::German, L::AnyScript, L::Germany, 0x0407},
    {L::German, L::AnyScript, L::Switzerland, 0x0807},
    {L::German, L::AnyScript, L::Austria, 0x0c07},
    {L::German, L::AnyScript, L::Luxembourg, 0x1007},
    {L::German, L::AnyScript, L::Liechtenstein, 0x1407},
    {L::Greek, L::AnyScript, L::Greece, 0x0408},
    {L::English, L::AnyScript, L::UnitedStates, 0x0409},
    {L::English, L::AnyScript, L::UnitedKingdom, 0x0809},
    {L::English, L::AnyScript, L::Australia, 0x0c09},
    {L::English, L::AnyScript, L::Canada, 0x1009},
    {L::English, L::AnyScript, L::NewZealand, 0x1409},
    {L::English, L::AnyScript, L::Ireland, 0x1809},
    {L::English, L::AnyScript, L::SouthAfrica, 0x1c09},
    {L::English, L::AnyScript, L::Jamaica, 0x2009},
    // "English (Caribbean)": the English-speaking islands without an identifier of their own.
    {L::English, L::AnyScript, L::Anguilla, 0x2409},
    {L::English, L::AnyScript, L::AntiguaAndBarbuda, 0x2409},
    {L::English, L::AnyScript, L::Bahamas, 0x2409},
    {L::English, L::AnyScript, L::Barbados, 0x2409},
    {L::English, L::AnyScript, L::BritishVirginIslands, 0x2409},
    {L::English, L::AnyScript, L::CaymanIslands, 0x2409},
    {L::English, L::AnyScript, L::Dominica, 0x2409},
    {L::English, L::AnyScript, L::Grenada, 0x2409},
    {L::English, L::AnyScript, L::Montserrat, 0x2409},
    {L::English, L::AnyScript, L::SaintKittsAndNevis, 0x2409},
    {L::English, L::AnyScript, L::SaintLucia, 0x2409},
    {L::English, L::AnyScript, L::SaintVincentAndGrenadines, 0x2409},
    {L::English, L::AnyScript, L::TurksAndCaicosIslands, 0x2409},
    {L::English, L::AnyScript, L::UnitedStatesVirginIslands, 0x2409},
    {L::English, L::AnyScript, L::Belize, 0x2809},
    {L::English, L::AnyScript, L::TrinidadAndTobago, 0x2c09},
    {L::Spanish, L::AnyScript, L::Mexico, 0x080a},
    {L::Spanish, L::AnyScript, L::Spain, 0x0c0a},
    {L::Spanish, L::AnyScript, L::Guatemala, 0x100a},
    {L::Spanish, L::AnyScript, L::CostaRica, 0x140a},
    {L::Spanish, L::AnyScript, L::Panama, 0x180a},
    {L::Spanish, L::AnyScript, L::DominicanRepublic, 0x1c0a},
    {L::Spanish, L::AnyScript, L::Venezuela, 0x200a},
    {L::Spanish, L::AnyScript, L::Colombia, 0x240a},
    {L::Spanish, L::AnyScript, L::Peru, 0x280a},
    {L::Spanish, L::AnyScript, L::Argentina, 0x2c0a},
    {L::Spanish, L::AnyScript, L::Ecuador, 0x300a},
    {L::Spanish, L::AnyScript, L::Chile, 0x340a},
    {L::Spanish, L::AnyScript, L::Uruguay, 0x380a},
    {L::Spanish, L::AnyScript, L::Paraguay, 0x3c0a},
    {L::Spanish, L::AnyScript, L::Bolivia, 0x400a},
    {L::Spanish, L::AnyScript, L::ElSalvador, 0x440a},
    {L::Spanish, L::AnyScript, L::Honduras, 0x480a},
    {L::Spanish, L::AnyScript, L::Nicaragua, 0x4c0a},
    {L::Spanish, L::AnyScript, L::PuertoRico, 0x500a},
    {L::Finnish, L::AnyScript, L::Finland, 0x040b},
    {L::French, L::AnyScript, L::France, 0x040c},
    {L::French, L::AnyScript, L::Belgium, 0x080c},
    {L::French, L::AnyScript, L::Canada, 0x0c0c},
    {L::French, L::AnyScript, L::Switzerland, 0x100c},
    {L::French, L::AnyScript, L::Luxembourg, 0x140c},
    {L::Hebrew, L::AnyScript, L::Israel, 0x040d},
    {L::Hungarian, L::AnyScript, L::Hungary, 0x040e},
    {L::Icelandic, L::AnyScript, L::Iceland, 0x040f},
    {L::Italian, L::AnyScript, L::Italy, 0x0410},
    {L::Italian, L::AnyScript, L::Switzerland, 0x0810},
    {L::Japanese, L::AnyScript, L::Japan, 0x0411},
    {L::Korean, L::AnyScript, L::SouthKorea, 0x0412},
    {L::Dutch, L::AnyScript, L::Netherlands, 0x0413},
    {L::Dutch, L::AnyScript, L::Belgium, 0x0813},
    {L::NorwegianBokmal, L::AnyScript, L::Norway, 0x0414},
    {L::NorwegianNynorsk, L::AnyScript, L::Norway, 0x0814},
    {L::Polish, L::AnyScript, L::Poland, 0x0415},
    {L::Portuguese, L::AnyScript, L::Brazil, 0x0416},
    {L::Portuguese, L::AnyScript, L::Portugal, 0x0816},
    {L::Romanian, L::AnyScript, L::Romania, 0x0418},
    {L::Russian, L::AnyScript, L::Russia, 0x0419},
    {L::Croatian, L::AnyScript, L::Croatia, 0x041a},
    {L::Serbian, L::LatinScript, L::Serbia, 0x081a},
    {L::Serbian, L::CyrillicScript, L::Serbia, 0x0c1a},
    {L::Slovak, L::AnyScript, L::Slovakia, 0x041b},
    {L::Albanian, L::AnyScript, L::Albania, 0x041c},
    {L::Swedish, L::AnyScript, L::Sweden, 0x041d},
    {L::Swedish, L::AnyScript, L::Finland, 0x081d},
    {L::Thai, L::AnyScript, L::Thailand, 0x041e},
    {L::Turkish, L::AnyScript, L::Turkey, 0x041f},
    {L::Indonesian, L::AnyScript, L::Indonesia, 0x0421},
    {L::Ukrainian, L::AnyScript, L::Ukraine, 0x0422},
    {L::Belarusian, L::AnyScript, L::Belarus, 0x0423},
    {L::Slovenian, L::AnyScript, L::Slovenia, 0x0424},
    {L::Estonian, L::AnyScript, L::Estonia, 0x0425},
    {L::Latvian, L::AnyScript, L::Latvia, 0x0426},
    {L::Lithuanian, L::AnyScript, L::Lithuania, 0x0427},
    {L::Persian, L::AnyScript, L::Iran, 0x0429},
    {L::Vietnamese, L::AnyScript, L::Vietnam, 0x042a},
    {L::Basque, L::AnyScript, L::Spain, 0x042d},
    {L::Afrikaans, L::AnyScript, L::SouthAfrica, 0x0436},
    {L::Faroese, L::AnyScript, L::FaroeIslands, 0x0438},
};

}  // namespace

const std::vector<LanguageIdEntry>& LanguageIdTable() {
  return kTable;
}

const QStringList& KnownLanguageList() {
  static const QStringList list =
      QStringLiteral(
          "0400 0000 0401 0801 0c01 1001 1401 1801 1c01 2001 2401 2801 2c01 3001 3401 3801 3c01 "
          "4001 0402 0403 0404 0804 0c04 1004 0405 0406 0407 0807 0c07 1007 1407 0408 0409 0809 "
          "0c09 1009 1409 1809 1c09 2009 2409 2809 2c09 040a 080a 0c0a 100a 140a 180a 1c0a 200a "
          "240a 280a 2c0a 300a 340a 380a 3c0a 400a 440a 480a 4c0a 500a 040b 040c 080c 0c0c 100c "
          "140c 040d 040e 040f 0410 0810 0411 0412 0812 0413 0813 0414 0814 0415 0416 0816 0418 "
          "0419 041a 081a 0c1a 041b 041c 041d 081d 041e 041f 0421 0422 0423 0424 0425 0426 0427 "
          "0429 042a 042d 0436 0438")
          .split(QLatin1Char(' '));
  return list;
}

std::optional<quint16> LanguageIdFor(const QLocale& locale) {
  for (const LanguageIdEntry& entry : kTable) {
    if (entry.language == locale.language() && entry.territory == locale.territory() &&
        (entry.script == QLocale::AnyScript || entry.script == locale.script())) {
      return entry.id;
    }
  }
  return std::nullopt;
}

QString AppendLanguageCode(const QString& prefix, const QLocale& locale) {
  const std::optional<quint16> id = LanguageIdFor(locale);
  if (id) {
    const QString code = QStringLiteral("%1").arg(*id, 4, 16, QLatin1Char('0')).toLower();
    if (KnownLanguageList().contains(code)) {
      return prefix + code;
    }
  }
  return prefix + QStringLiteral("opt");
}

}  // namespace solvara
