#include "class_evaluation.h"
#include "conversions.h"
#include "limit_text.h"
#include "sort_out.h"

#include <QtTest>

#include <clocale>

Q_DECLARE_METATYPE(ProductClass)

// Every conversion and every text written is the same under a desktop whose
// numbers use a decimal comma.
class DecimalComma : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void conversions();
    void limitColumns_data();
    void limitColumns();
    void parse();
};

void DecimalComma::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(QLocale().toString(1.5), QStringLiteral("1,5"));
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
        QWARN("The C locale de_DE.UTF-8 is not installed: checking the Qt locale only");
        return;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%.1f", 1.5);
    QCOMPARE(buffer, "1,5");
}

void DecimalComma::cleanupTestCase()
{
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(QLocale::c());
}

void DecimalComma::conversions()
{
    QCOMPARE(NumericValue("1080.5mA"), 1080.5);
    QCOMPARE(NumericValue("1,5"), 1.0);
    QCOMPARE(StrictNumber("77.7"), std::optional<double>(77.7));
    QCOMPARE(StrictNumber("77,7"), std::optional<double>());
    QCOMPARE(NumberText(0.0457 * 1000), QStringLiteral("45.7"));
    QCOMPARE(LimitText(153.333333333333), QStringLiteral("153.3mA"));
    QCOMPARE(LimitText(1.23456789e-5), QStringLiteral("1.234E-05mA"));
}

void DecimalComma::limitColumns_data()
{
    QTest::addColumn<ProductClass>("productClass");
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("text");

    QTest::newRow("A 12th") << ProductClass::A << 10 << "153.3mA";
    QTest::newRow("A 22nd") << ProductClass::A << 20 << "83.63mA";
    QTest::newRow("A 37th") << ProductClass::A << 35 << "60.81mA";
    QTest::newRow("B 16th") << ProductClass::B << 14 << "172.5mA";
    QTest::newRow("B 28th") << ProductClass::B << 26 << "98.57mA";
    QTest::newRow("C 3rd") << ProductClass::C << 1 << "33.33mA";
    QTest::newRow("C 5th") << ProductClass::C << 3 << "12.34mA";
    QTest::newRow("D 3rd") << ProductClass::D << 1 << "264.18mA";
    QTest::newRow("D 11th") << ProductClass::D << 9 << "27.195mA";
    QTest::newRow("D 13th") << ProductClass::D << 11 << "23.01mA";
    QTest::newRow("D 23rd") << ProductClass::D << 21 << "13mA";
}

void DecimalComma::limitColumns()
{
    QFETCH(ProductClass, productClass);
    QFETCH(int, cell);
    QFETCH(QString, text);

    MeasuredValues measured;
    measured.powerFactor = QStringLiteral("0.9");
    measured.fundAmp = QStringLiteral("0.123456");
    const Judgement judgement = Limits(ClassChoice{productClass, QStringLiteral("77.7")}, measured);
    QCOMPARE(judgement.evaluation.status, Evaluation::Judged);
    QCOMPARE(judgement.limits[cell], text);
}

void DecimalComma::parse()
{
    QStringList fields{"1.5E+02", "2.3010E+02", "0.5", "0.98", "49.95", "x", "y", "1.234"};
    for (int k = 0; k < kHarmonicCells; ++k)
        fields << "0.0457";
    const ParsedReply parsed = SortOut(fields.join(',') + "\r\n");

    QCOMPARE(parsed.fieldsFound, kReplyFields);
    QCOMPARE(parsed.watts, QStringLiteral("150"));
    QCOMPARE(parsed.volts, QStringLiteral("230.1"));
    QCOMPARE(parsed.powerFactor, QStringLiteral("0.98"));
    QCOMPARE(parsed.frequency, QStringLiteral("49.95"));
    QCOMPARE(parsed.harmonics[38], QStringLiteral("45.7"));
    QCOMPARE(parsed.fundAmp, QStringLiteral("1.234"));
}

QTEST_GUILESS_MAIN(DecimalComma)
#include "tst_decimal_comma.moc"
