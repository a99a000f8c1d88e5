#include "AnalysisError.h"
#include "ErrorText.h"
#include "Regional.h"

#include <QLocale>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <limits>

using namespace ezr;

namespace {

QLocale localeNamed(const QString& name) {
    if (name == QLatin1String("C"))
        return QLocale::c();
    if (name == QLatin1String("ru"))
        return QLocale(QLocale::Russian, QLocale::Russia);
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

} // namespace

class TestRegional : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void regionalDefaultsUnderCLocale();
    void decimalSeparatorFollowsLocale_data();
    void decimalSeparatorFollowsLocale();

    void validIntegers_data();
    void validIntegers();
    void invalidIntegers_data();
    void invalidIntegers();

    void validFloats_data();
    void validFloats();
    void invalidFloats_data();
    void invalidFloats();
    void tryParseFloatUsesGivenSeparator();
    void floatsReadToTheNearestDouble();

    void validDates_data();
    void validDates();
    void invalidDates_data();
    void invalidDates();
    void formatShortDate_data();
    void formatShortDate();

    void formatFixed_data();
    void formatFixed();
    void formatSignificant5_data();
    void formatSignificant5();
    void formatInt_data();
    void formatInt();
};

void TestRegional::cleanup() {
    QLocale::setDefault(QLocale::c());
}

void TestRegional::regionalDefaultsUnderCLocale() {
    if (QLocale::system().language() != QLocale::C)
        QSKIP("the system locale is not C");
    QLocale::setDefault(QLocale::c());
    installRegionalDefaults();
    QCOMPARE(QLocale().language(), QLocale::Russian);
    QCOMPARE(decimalSeparator(), QChar(u','));
}

void TestRegional::decimalSeparatorFollowsLocale_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QChar>("separator");
    QTest::newRow("ru") << "ru" << QChar(u',');
    QTest::newRow("en_US") << "en_US" << QChar(u'.');
    QTest::newRow("C") << "C" << QChar(u'.');
}

void TestRegional::decimalSeparatorFollowsLocale() {
    QFETCH(QString, locale);
    QFETCH(QChar, separator);
    QLocale::setDefault(localeNamed(locale));
    QCOMPARE(decimalSeparator(), separator);
}

void TestRegional::validIntegers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("right-aligned") << "    1" << 1;
    QTest::newRow("bare digit") << "0" << 0;
    QTest::newRow("leading zeros") << "00007" << 7;
    QTest::newRow("minus") << "  -12" << -12;
    QTest::newRow("plus") << "+5" << 5;
    QTest::newRow("blank then minus") << " -3" << -3;
    QTest::newRow("int max") << "2147483647" << 2147483647;
    QTest::newRow("int min") << "-2147483648" << (-2147483647 - 1);
}

void TestRegional::validIntegers() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(parseInteger(text), value);
    std::int32_t parsed = 12345;
    QVERIFY(tryParseInteger(text, parsed));
    QCOMPARE(parsed, value);
}

void TestRegional::invalidIntegers_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("blank after digit") << "1    ";
    QTest::newRow("one blank after") << "   1 ";
    QTest::newRow("empty") << "";
    QTest::newRow("blanks only") << "     ";
    QTest::newRow("sign only") << "-";
    QTest::newRow("plus only") << "  +";
    QTest::newRow("two signs") << "--1";
    QTest::newRow("blank inside") << "1 2";
    QTest::newRow("letter") << "12a";
    QTest::newRow("decimal") << "1.0";
    QTest::newRow("tab") << "\t1";
    QTest::newRow("blank after sign") << "- 1";
    QTest::newRow("over int max") << "2147483648";
    QTest::newRow("under int min") << "-2147483649";
    QTest::newRow("far too long") << "99999999999999999999";
    QTest::newRow("fullwidth digit") << QStringLiteral("１");
}

void TestRegional::invalidIntegers() {
    QFETCH(QString, text);
    std::int32_t parsed = 0;
    QVERIFY(!tryParseInteger(text, parsed));
    QCOMPARE(errorOf([&] { parseInteger(text); }),
             QStringLiteral("'%1' is not a valid integer value").arg(quotedInMessage(text)));
}

void TestRegional::validFloats_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("ru comma") << "ru"
                              << "12,5" << 12.5;
    QTest::newRow("ru blanks both sides") << "ru"
                                          << "  12,5  " << 12.5;
    QTest::newRow("ru right-aligned field") << "ru"
                                            << "    12,5" << 12.5;
    QTest::newRow("ru integer") << "ru"
                                << "7" << 7.0;
    QTest::newRow("ru minus") << "ru"
                              << "-3,25" << -3.25;
    QTest::newRow("ru plus") << "ru"
                             << "+2" << 2.0;
    QTest::newRow("ru exponent") << "ru"
                                 << "1,5e3" << 1500.0;
    QTest::newRow("ru negative exponent") << "ru"
                                          << "1,5E-1" << 0.15;
    QTest::newRow("en_US point") << "en_US"
                                 << "12.5" << 12.5;
    QTest::newRow("en_US exponent blanks") << "en_US"
                                           << " 3.0e2 " << 300.0;
    QTest::newRow("C point") << "C"
                             << "    12.5" << 12.5;
    QTest::newRow("C plus exponent") << "C"
                                     << "2e+1" << 20.0;
}

void TestRegional::validFloats() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(double, value);
    QLocale::setDefault(localeNamed(locale));
    QCOMPARE(parseFloat(text), value);
}

void TestRegional::invalidFloats_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::newRow("ru point") << "ru"
                              << "12.5";
    QTest::newRow("ru group blank") << "ru"
                                    << "1 234,5";
    QTest::newRow("ru group no-break blank") << "ru" << QStringLiteral("1\u00A0234,5");
    QTest::newRow("ru two separators") << "ru"
                                       << "1,,5";
    QTest::newRow("ru empty") << "ru"
                              << "";
    QTest::newRow("ru blanks") << "ru"
                               << "        ";
    QTest::newRow("ru exponent without digits") << "ru"
                                                << "1,5e";
    QTest::newRow("ru exponent only") << "ru"
                                      << "e5";
    QTest::newRow("ru text after") << "ru"
                                   << "1,5 c";
    QTest::newRow("ru semicolon") << "ru"
                                  << "    12;5";
    QTest::newRow("ru nan") << "ru"
                            << "nan";
    QTest::newRow("ru inf") << "ru"
                            << "inf";
    QTest::newRow("ru overflow") << "ru"
                                 << "1e400";
    QTest::newRow("en_US comma") << "en_US"
                                 << "1,5";
    QTest::newRow("en_US thousands") << "en_US"
                                     << "1,234.5";
    QTest::newRow("C comma") << "C"
                             << "1,5";
}

void TestRegional::invalidFloats() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QLocale::setDefault(localeNamed(locale));
    QCOMPARE(errorOf([&] { parseFloat(text); }),
             QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

void TestRegional::tryParseFloatUsesGivenSeparator() {
    QLocale::setDefault(QLocale::c());
    double value = 0.0;
    QVERIFY(tryParseFloat(u"    12,5", QChar(u','), value));
    QCOMPARE(value, 12.5);
    QVERIFY(!tryParseFloat(u"12.5", QChar(u','), value));
}

void TestRegional::floatsReadToTheNearestDouble() {
    // Decimal texts of 1 to 19 digits with the point anywhere, against the C library's reading.
    QLocale::setDefault(QLocale::c());
    std::uint64_t state = 88172645463325252ull;
    const auto next = [&] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    for (int n = 0; n < 20000; ++n) {
        const int digits = 1 + static_cast<int>(next() % 19);
        QByteArray text;
        if (next() % 4 == 0)
            text += '-';
        for (int d = 0; d < digits; ++d)
            text += static_cast<char>('0' + next() % 10);
        const int point = static_cast<int>(next() % static_cast<std::uint64_t>(digits + 1));
        if (point < digits)
            text.insert(text.size() - point, '.');
        const double expected = std::strtod(text.constData(), nullptr);
        double parsed = 0.0;
        QVERIFY2(tryParseFloat(QString::fromLatin1(text), QChar(u'.'), parsed), text.constData());
        if (parsed != expected || std::signbit(parsed) != std::signbit(expected))
            QFAIL(qPrintable(QStringLiteral("%1 read as %2")
                                 .arg(QString::fromLatin1(text))
                                 .arg(parsed, 0, 'g', 17)));
    }
}

void TestRegional::validDates_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    QTest::newRow("ru") << "ru"
                        << "06.06.2006" << QDate(2006, 6, 6);
    QTest::newRow("ru single digits") << "ru"
                                      << "6.6.2006" << QDate(2006, 6, 6);
    QTest::newRow("ru leap day") << "ru"
                                 << "29.02.2024" << QDate(2024, 2, 29);
    QTest::newRow("ru blanks around") << "ru"
                                      << " 14.10.2025 " << QDate(2025, 10, 14);
    QTest::newRow("en_US") << "en_US"
                           << "6/6/06" << QDate(2006, 6, 6);
    QTest::newRow("en_US four-digit year") << "en_US"
                                           << "12/31/1999" << QDate(1999, 12, 31);
    // Day.month.year, as the data-entry program writes under Russian settings, reads under
    // any settings; where both readings are dates the regional one wins.
    QTest::newRow("en_US day.month.year") << "en_US"
                                          << "21.11.2025" << QDate(2025, 11, 21);
    QTest::newRow("en_US points") << "en_US"
                                  << "06.06.2006" << QDate(2006, 6, 6);
    QTest::newRow("en_US slashes stay month first") << "en_US"
                                                    << "05/06/2006" << QDate(2006, 5, 6);
    QTest::newRow("C day.month.year") << "C"
                                      << "01.12.1980" << QDate(1980, 12, 1);
}

void TestRegional::validDates() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QLocale::setDefault(localeNamed(locale));
    QCOMPARE(parseShortDate(text), date);
}

void TestRegional::invalidDates_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::newRow("ru empty") << "ru"
                              << "";
    QTest::newRow("ru slashes") << "ru"
                                << "06/06/2006";
    QTest::newRow("ru no such day") << "ru"
                                    << "31.02.2006";
    QTest::newRow("ru month 13") << "ru"
                                 << "06.13.2006";
    QTest::newRow("ru missing year") << "ru"
                                     << "06.06";
    QTest::newRow("ru trailing separator") << "ru"
                                           << "06.06.2006.";
    QTest::newRow("ru letters") << "ru"
                                << "aa.bb.cccc";
    QTest::newRow("ru code instead of date") << "ru"
                                             << "101";
    QTest::newRow("en_US day 31 of February") << "en_US"
                                              << "31.02.2006";
    QTest::newRow("en_US month 13 with points") << "en_US"
                                                << "06.13.2006";
    QTest::newRow("en_US month 13") << "en_US"
                                    << "13/1/2006";
}

void TestRegional::invalidDates() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QLocale::setDefault(localeNamed(locale));
    QCOMPARE(errorOf([&] { parseShortDate(text); }),
             QStringLiteral("'%1' is not a valid date").arg(text));
}

void TestRegional::formatShortDate_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::newRow("ru") << "ru"
                        << "06.06.2006";
    QTest::newRow("en_US") << "en_US"
                           << "6/6/06";
}

void TestRegional::formatShortDate() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QLocale::setDefault(localeNamed(locale));
    QCOMPARE(ezr::formatShortDate(QDate(2006, 6, 6)), text);
    // What the window writes it reads back.
    QCOMPARE(parseShortDate(text), QDate(2006, 6, 6));
}

void TestRegional::formatFixed_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    QTest::newRow("half up") << "C" << 2.25 << 0 << 1 << "2.3";
    QTest::newRow("0.05 to one decimal") << "C" << 0.05 << 0 << 1 << "0.1";
    QTest::newRow("negative half") << "C" << -0.05 << 0 << 1 << "-0.1";
    QTest::newRow("small negative is zero") << "C" << -0.04 << 0 << 1 << "0.0";
    QTest::newRow("carry into integer part") << "C" << 9.96 << 0 << 1 << "10.0";
    QTest::newRow("zero") << "C" << 0.0 << 4 << 1 << " 0.0";
    QTest::newRow("padding") << "C" << 4.5 << 6 << 1 << "   4.5";
    QTest::newRow("wider than width") << "C" << 12345.6 << 4 << 1 << "12345.6";
    QTest::newRow("two decimals") << "C" << 1234.5678 << 5 << 2 << "1234.57";
    QTest::newRow("negative padded") << "C" << -3.14159 << 7 << 2 << "  -3.14";
    QTest::newRow("no decimals") << "C" << 5.0 << 4 << 0 << "   5";
    QTest::newRow("zero padding of fraction") << "C" << 7.0 << 5 << 2 << " 7.00";
    QTest::newRow("ru comma") << "ru" << 2.25 << 5 << 1 << "  2,3";
    QTest::newRow("ru percent") << "ru" << 33.333333333333336 << 6 << 1 << "  33,3";
    QTest::newRow("en_US no grouping") << "en_US" << 1234.5 << 0 << 1 << "1234.5";
}

void TestRegional::formatFixed() {
    QFETCH(QString, locale);
    QFETCH(double, value);
    QFETCH(int, width);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QLocale::setDefault(localeNamed(locale));
    QCOMPARE(ezr::formatFixed(value, width, decimals), text);
}

void TestRegional::formatSignificant5_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("four integer digits") << "C" << 1234.567 << "1234.60";
    QTest::newRow("one integer digit") << "C" << 9.1111 << "9.11";
    QTest::newRow("fraction") << "C" << 0.123456 << "0.12";
    QTest::newRow("six integer digits") << "C" << 123456.7 << "123460.00";
    QTest::newRow("carry") << "C" << 99999.5 << "100000.00";
    QTest::newRow("negative") << "C" << -1234.567 << "-1234.60";
    QTest::newRow("zero") << "C" << 0.0 << "0.00";
    QTest::newRow("ru comma") << "ru" << 9.1111 << "9,11";
}

void TestRegional::formatSignificant5() {
    QFETCH(QString, locale);
    QFETCH(double, value);
    QFETCH(QString, text);
    QLocale::setDefault(localeNamed(locale));
    QCOMPARE(ezr::formatSignificant5(value), text);
}

void TestRegional::formatInt_data() {
    QTest::addColumn<qlonglong>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("text");
    QTest::newRow("padded") << 5LL << 4 << "   5";
    QTest::newRow("negative") << -12LL << 4 << " -12";
    QTest::newRow("wider") << 12345LL << 2 << "12345";
}

void TestRegional::formatInt() {
    QFETCH(qlonglong, value);
    QFETCH(int, width);
    QFETCH(QString, text);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QCOMPARE(ezr::formatInt(value, width), text);
}

QTEST_GUILESS_MAIN(TestRegional)
#include "tst_regional.moc"
