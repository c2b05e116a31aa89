// NumericValue, StrictNumber and NumberText: the conversions every field and
// reply passes through, also under a desktop locale with a decimal comma.

#include "conversions.h"

#include <QLocale>
#include <QTest>

#include <cfloat>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

class TestConversions : public QObject
{
    Q_OBJECT

private slots:
    void numericValue_data();
    void numericValue();
    void strictNumber_data();
    void strictNumber();
    void numberText_data();
    void numberText();
    void numberTextReadsBack();
    void percentFigure_data();
    void percentFigure();
    void decimalsReadToTheNearestDouble();
    void decimalCommaLocaleChangesNothing();

private:
    static void tables(const char* where);
};

void TestConversions::numericValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("unit after number") << "1080mA" << 1080.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("blanks anywhere") << " 1 0 8 0" << 1080.0;
    QTest::newRow("tab and line feed skipped") << "\t-4.5\n" << -4.5;
    QTest::newRow("line feed before number") << "\n1.5" << 1.5;
    QTest::newRow("carriage return ends the number") << "1.5\r\n" << 1.5;
    QTest::newRow("carriage return first") << "\r1.5" << 0.0;
    QTest::newRow("analyzer notation") << "2.3010E+02" << 230.1;
    QTest::newRow("small exponent") << "4.5700E-02" << 0.0457;
    QTest::newRow("blanks in exponent") << "1 e 3" << 1000.0;
    QTest::newRow("plus sign") << "+7" << 7.0;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("point only") << "." << 0.0;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("exponent without digits") << "1e" << 1.0;
    QTest::newRow("exponent sign without digits") << "1e+" << 1.0;
    QTest::newRow("decimal comma stops") << "1,5" << 1.0;
    QTest::newRow("second point stops") << "3.4.5" << 3.4;
    QTest::newRow("hex is not read") << "0x10" << 0.0;
    QTest::newRow("nan is not a number") << "nan" << 0.0;
    QTest::newRow("inf is not a number") << "inf" << 0.0;
    QTest::newRow("huge exponent saturates") << "1e999" << DBL_MAX;
    QTest::newRow("huge negative saturates") << "-1e999" << -DBL_MAX;
    QTest::newRow("exponent with many digits") << "1e99999999999999999999" << DBL_MAX;
    QTest::newRow("tiny underflows to 0") << "1e-999" << 0.0;
    QTest::newRow("many leading zeros") << "000000000000000000000012.5" << 12.5;
    // Longer than the short texts a reply holds.
    QTest::newRow("100 digits") << QString(QLatin1Char('1')).append(QString(99, QLatin1Char('0')))
                                << 1e99;
    QTest::newRow("1000 digits saturate") << QString(1000, QLatin1Char('9')) << DBL_MAX;
    QTest::newRow("long blanks, long exponent")
        << QString(200, QLatin1Char(' ')) + QStringLiteral("-2.5e") + QString(100, QLatin1Char('0')) +
               QStringLiteral("3")
        << -2500.0;
}

void TestConversions::numericValue()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(NumericValue(text), value);
}

void TestConversions::strictNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<double>("value");
    QTest::newRow("whole number") << "75" << true << 75.0;
    QTest::newRow("blanks around") << "  75 " << true << 75.0;
    QTest::newRow("fraction") << "0.123456" << true << 0.123456;
    QTest::newRow("signs") << "-0.5" << true << -0.5;
    QTest::newRow("plus") << "+2" << true << 2.0;
    QTest::newRow("exponent") << "1.234E+00" << true << 1.234;
    QTest::newRow("trailing point") << "75." << true << 75.0;
    QTest::newRow("leading point") << ".5" << true << 0.5;
    QTest::newRow("zero") << "0" << true << 0.0;
    QTest::newRow("unit") << "75 W" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("blank") << " " << false << 0.0;
    QTest::newRow("blank inside") << "7 5" << false << 0.0;
    QTest::newRow("point only") << "." << false << 0.0;
    QTest::newRow("sign only") << "-" << false << 0.0;
    QTest::newRow("exponent without digits") << "1e" << false << 0.0;
    QTest::newRow("out of range") << "1e999" << false << 0.0;
    QTest::newRow("nan") << "nan" << false << 0.0;
    QTest::newRow("inf") << "inf" << false << 0.0;
    QTest::newRow("hex") << "0x10" << false << 0.0;
    QTest::newRow("decimal comma") << "1,5" << false << 0.0;
    QTest::newRow("two numbers") << "1.5.2" << false << 0.0;
}

void TestConversions::strictNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, converts);
    QFETCH(double, value);
    const std::optional<double> number = StrictNumber(text);
    QCOMPARE(number.has_value(), converts);
    if (converts)
        QCOMPARE(*number, value);
}

void TestConversions::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("fraction") << 0.23 << "0.23";
    QTest::newRow("representation error hidden") << 230.00000000000003 << "230";
    QTest::newRow("mA product") << 0.0457 * 1000 << "45.7";
    QTest::newRow("sum") << 0.1 + 0.2 << "0.3";
    QTest::newRow("15 digits") << 1.0 / 3 << "0.333333333333333";
    QTest::newRow("whole") << 1500.0 << "1500";
    QTest::newRow("negative") << -0.98 << "-0.98";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("smallest plain") << 0.0001 << "0.0001";
    QTest::newRow("below 0.0001") << 0.00001 << "1E-05";
    QTest::newRow("largest plain") << 999999999999999.0 << "999999999999999";
    QTest::newRow("from 10^15") << 1.5e15 << "1.5E+15";
    QTest::newRow("rounded to 15 digits") << 123456789012345678.0 << "1.23456789012346E+17";
    QTest::newRow("largest double") << DBL_MAX << "1.79769313486232E+308";
    QTest::newRow("infinity saturates")
        << std::numeric_limits<double>::infinity() << "1.79769313486232E+308";
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << "0";
}

void TestConversions::numberText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(NumberText(value), text);
}

void TestConversions::percentFigure_data()
{
    QTest::addColumn<double>("percent");
    QTest::addColumn<QString>("text");
    QTest::newRow("above the half") << 31.451 << "31.5";
    // 31.45 is stored a little below itself; it still rounds up.
    QTest::newRow("half, stored below it") << 31.45 << "31.5";
    QTest::newRow("zero from below") << -0.04 << "0.0";
    QTest::newRow("from 10^6") << 1.5e6 << "1.5e+06";
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "inf";
}

void TestConversions::percentFigure()
{
    QFETCH(double, percent);
    QFETCH(QString, text);
    QCOMPARE(::percentFigure(percent), text);
}

void TestConversions::numberTextReadsBack()
{
    // Whatever NumberText writes, NumericValue and StrictNumber read back as
    // the same number to 15 significant digits.
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-12, 20);
    for (int n = 0; n < 20000; ++n) {
        const double value = mantissa(random) * std::pow(10.0, exponent(random));
        const QString text = NumberText(value);
        const double back = NumericValue(text);
        QVERIFY2(std::fabs(back - value) <= std::fabs(value) * 1e-14,
                 qPrintable(QStringLiteral("%1 -> %2").arg(value, 0, 'g', 17).arg(text)));
        QCOMPARE(NumberText(back), text);
        const std::optional<double> strict = StrictNumber(text);
        QVERIFY(strict.has_value());
        QCOMPARE(*strict, back);
    }
}

void TestConversions::decimalsReadToTheNearestDouble()
{
    // Decimals of up to 17 digits with exponents around the exact powers of
    // ten: each reads to the very double from_chars rounds it to.
    std::mt19937_64 random(20261209);
    std::uniform_int_distribution<int> digits(1, 17);
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<int> exponent(-30, 30);
    std::uniform_int_distribution<int> form(0, 3);
    for (int n = 0; n < 200000; ++n) {
        std::string text = form(random) == 0 ? "-" : "";
        const int count = digits(random);
        const int point = std::uniform_int_distribution<int>(0, count)(random);
        for (int d = 0; d < count; ++d) {
            if (d == point && d > 0)
                text += '.';
            text += char('0' + digit(random));
        }
        if (form(random) != 0)
            text += (form(random) == 0 ? "e" : "E") + std::to_string(exponent(random));
        double expected = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), expected);
        QVERIFY(error == std::errc() && end == text.data() + text.size());
        const double read = NumericValue(QString::fromStdString(text));
        QVERIFY2(std::memcmp(&read, &expected, sizeof read) == 0, text.c_str());
    }
}

void TestConversions::tables(const char* where)
{
    QCOMPARE(NumericValue(QStringLiteral("2.3010E+02")), 230.1);
    QCOMPARE(NumericValue(QStringLiteral("12.5A")), 12.5);
    QCOMPARE(NumericValue(QStringLiteral("1,5")), 1.0);
    QCOMPARE(StrictNumber(QStringLiteral("0.95")).value_or(-1), 0.95);
    QVERIFY2(!StrictNumber(QStringLiteral("0,95")).has_value(), where);
    QCOMPARE(NumberText(0.0457 * 1000), QStringLiteral("45.7"));
    QCOMPARE(NumberText(-1234.5), QStringLiteral("-1234.5"));
    QCOMPARE(NumberText(1e-5), QStringLiteral("1E-05"));
}

void TestConversions::decimalCommaLocaleChangesNothing()
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    tables("Qt default locale de_DE");
    const std::string cLocale = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8")) {
        QCOMPARE(std::localeconv()->decimal_point[0], ',');
        tables("C library locale de_DE.UTF-8");
        std::setlocale(LC_ALL, cLocale.c_str());
    } else {
        QWARN("The C library has no de_DE.UTF-8 locale here; only Qt's locale was changed.");
    }
    QLocale::setDefault(previous);
}

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"
