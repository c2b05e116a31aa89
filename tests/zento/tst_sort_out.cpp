#include "measurement_cycle.h"
#include "sort_out.h"
#include "zento_measurement.h"

#include <QtTest>

namespace {

// The fields of a complete reply: 230 W, 230.1 V, 1.5 A, power factor 0.98,
// 50 Hz, two unused fields, 1.234 A fundamental, then harmonic k + 2 as
// (k + 1) mA.
QStringList completeFields()
{
    QStringList fields{"230", "2.3010E+02", "1.5", "0.98", "50", "0", "0", "1.234"};
    for (int k = 0; k < kHarmonicCells; ++k)
        fields << QString::number((k + 1) / 1000.0);
    return fields;
}

// What the parse made of field `field` (1 to 47) for the window: the shown
// text of a value or harmonic field, field 8 as received; null when the
// field was not found or is not used (6 and 7).
QString shownField(const ParsedReply& reply, int field)
{
    const std::array<const QString*, 5> values{&reply.watts, &reply.volts, &reply.amps,
                                               &reply.powerFactor, &reply.frequency};
    if (field <= 5)
        return *values[field - 1];
    if (field == 8)
        return reply.fundAmp;
    if (field >= kFirstHarmonicField)
        return reply.harmonics[field - kFirstHarmonicField];
    return QString();
}

} // namespace

class ParseReply : public QObject
{
    Q_OBJECT

private slots:
    void fieldText_data();
    void fieldText();
    void completeReply();
    void shortReply_data();
    void shortReply();
    void replyLongerThan16BitPositions();
    void invalidReply_data();
    void invalidReply();
    void measurementOfReply();
};

void ParseReply::fieldText_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("received");
    QTest::addColumn<QString>("terminator");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("fieldCount");

    const QString crlf = "\r\n";
    QTest::newRow("47th before CR LF") << 47 << "0.0123" << crlf << "12.3" << 47;
    QTest::newRow("47th without line end") << 47 << "0.0123"
                                           << ""
                                           << "12.3" << 47;
    QTest::newRow("47th before LF") << 47 << "0.0123"
                                    << "\n"
                                    << "12.3" << 47;
    QTest::newRow("47th before CR") << 47 << "0.0123"
                                    << "\r"
                                    << "12.3" << 47;
    QTest::newRow("47th before two line ends") << 47 << "0.0123"
                                               << "\r\n\r\n"
                                               << "12.3" << 47;
    QTest::newRow("voltage exponent form") << 2 << "2.3010E+02" << crlf << "230.1" << 47;
    QTest::newRow("power factor") << 4 << "0.98" << crlf << "0.98" << 47;
    QTest::newRow("negative power") << 1 << "-12.50" << crlf << "-12.5" << 47;
    QTest::newRow("harmonic 0.0457 A") << 9 << "0.0457" << crlf << "45.7" << 47;
    QTest::newRow("harmonic 1.5 A") << 30 << "1.5" << crlf << "1500" << 47;
    QTest::newRow("empty measurement") << 3 << "" << crlf << "0" << 47;
    QTest::newRow("empty harmonic") << 20 << "" << crlf << "0" << 47;
    QTest::newRow("letters only") << 5 << "abc" << crlf << "0" << 47;
    QTest::newRow("number with unit") << 5 << "12.5A" << crlf << "12.5" << 47;
    QTest::newRow("fundamental as received") << 8 << " 1.234E+00" << crlf << " 1.234E+00" << 47;
    QTest::newRow("fundamental last of 8 fields") << 8 << "1.5" << crlf << "1.5" << 8;
}

void ParseReply::fieldText()
{
    QFETCH(int, field);
    QFETCH(QString, received);
    QFETCH(QString, terminator);
    QFETCH(QString, shown);
    QFETCH(int, fieldCount);

    QStringList fields = completeFields().mid(0, fieldCount);
    fields[field - 1] = received;
    const ParsedReply parsed = SortOut(fields.join(',') + terminator);

    QCOMPARE(parsed.fieldsFound, int(fields.size()));
    QCOMPARE(shownField(parsed, field), shown);
}

void ParseReply::completeReply()
{
    // Fields 6 and 7 may hold anything; fields after the 47th are ignored.
    QStringList fields = completeFields();
    fields[5] = "text";
    fields[6] = "1e999";
    for (int extra = 48; extra <= 60; ++extra)
        fields << "9";
    const QString line = fields.join(',') + "\r\n";
    const ParsedReply parsed = SortOut(line);

    QCOMPARE(parsed.fieldsFound, 47);
    QVERIFY(parsed.complete());
    QCOMPARE(parsed.line, line);
    QCOMPARE(parsed.fields[5], QStringLiteral("text"));
    const QStringList measured{"230", "230.1", "1.5", "0.98", "50"};
    for (int f = 1; f <= 5; ++f)
        QCOMPARE(shownField(parsed, f), measured[f - 1]);
    QCOMPARE(parsed.fundAmp, QStringLiteral("1.234"));
    for (int k = 0; k < kHarmonicCells; ++k)
        QCOMPARE(parsed.harmonics[k], QString::number(k + 1));
}

void ParseReply::shortReply_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("found");

    const QStringList all = completeFields();
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("line end only") << "\r\n" << 0;
    QTest::newRow("one comma") << ",\r\n" << 2;
    for (int n : {1, 4, 5, 7, 8, 9, 30, 46})
        QTest::addRow("%d fields", n) << all.mid(0, n).join(',') + "\r\n" << n;
}

void ParseReply::shortReply()
{
    QFETCH(QString, reply);
    QFETCH(int, found);

    const ParsedReply parsed = SortOut(reply);
    QCOMPARE(parsed.fieldsFound, found);
    QVERIFY(!parsed.complete());

    // Every field before the first missing one is there, the later ones are
    // not.
    for (int f = 1; f <= kReplyFields; ++f) {
        if (f == 6 || f == 7)
            continue;
        const QString text = shownField(parsed, f);
        QVERIFY2(text.isNull() == (f > found), qPrintable(QString::number(f) + ": " + text));
    }
}

void ParseReply::replyLongerThan16BitPositions()
{
    // Positions beyond 32767 and 65535: an unused field of 100000 characters.
    QStringList fields = completeFields();
    fields[6] = QString(100000, QLatin1Char('7'));
    fields[46] = "0.0399";
    const ParsedReply parsed = SortOut(fields.join(',') + "\r\n");

    QCOMPARE(parsed.fieldsFound, 47);
    QCOMPARE(parsed.fundAmp, QStringLiteral("1.234"));
    QCOMPARE(parsed.harmonics[0], QStringLiteral("1"));
    QCOMPARE(parsed.harmonics[38], QStringLiteral("39.9"));
}

void ParseReply::invalidReply_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("problem"); // the start of the message; empty: judged

    const QStringList all = completeFields();
    const auto with = [&all](std::initializer_list<std::pair<int, const char*>> changes) {
        QStringList fields = all;
        for (const auto& [field, text] : changes)
            fields[field - 1] = QString::fromLatin1(text);
        return fields.join(',') + "\r\n";
    };
    QTest::newRow("harmonic -3.5")
        << with({{9, "-3.5"}}) << "Field 9 of the result reply (harmonic 2) \"-3.5\" is negative";
    QTest::newRow("every field -1") << QStringList(kReplyFields, "-1").join(',') + "\r\n"
                                    << "Field 1 of the result reply (the true power)";
    QTest::newRow("volts") << with({{2, "-2.3E+02"}}) << "Field 2 of the result reply (the rms";
    QTest::newRow("frequency") << with({{5, "-50"}}) << "Field 5 of the result reply (the freq";
    QTest::newRow("fundamental") << with({{8, "-1.2"}}) << "Field 8 of the result reply (the fund";
    QTest::newRow("harmonic 40") << with({{47, "-1e999"}}) << "Field 47 of the result reply";
    QTest::newRow("not a number before negative") << with({{3, "x"}, {9, "-1"}}) << "Field 3";
    QTest::newRow("negative before not a number") << with({{2, "-1"}, {9, "x"}}) << "Field 2";
    QTest::newRow("power factor may be negative") << with({{4, "-0.98"}}) << "";
    QTest::newRow("minus zero") << with({{3, "-0"}, {9, "-0.000"}, {10, "-1e-999"}}) << "";
    // Out of range: the over-range code an analyzer sends, a number no double
    // holds, a current no equipment under the standard draws.
    QTest::newRow("rms current at the over-range code")
        << with({{3, "9.9100E+37"}, {10, "3.5"}})
        << "Field 3 of the result reply (the rms current) \"9.9100E+37\" is not a number: 9.9E+37";
    QTest::newRow("rms current beyond a double")
        << with({{3, "1E999"}, {10, "3.5"}})
        << "Field 3 of the result reply (the rms current) \"1E999\" is not a number: it is "
           "beyond";
    QTest::newRow("fundamental at the over-range code")
        << with({{8, "9.91E+37"}}) << "Field 8 of the result reply (the fundamental current) ";
    QTest::newRow("harmonic beyond a double") << with({{10, "1E999"}}) << "Field 10 ";
    QTest::newRow("frequency at the over-range code") << with({{5, " 9.9E37"}}) << "Field 5 ";
    QTest::newRow("voltage just below the code") << with({{2, "9.89E+37"}}) << "";
    QTest::newRow("rms current above 1000 A")
        << with({{3, "1000.001"}})
        << "Field 3 of the result reply (the rms current) \"1000.001\" is above 1000 A";
    QTest::newRow("harmonic above 1000 A") << with({{11, "1500"}}) << "Field 11 ";
    QTest::newRow("harmonic of 1000 A") << with({{11, "1000"}}) << "";
    QTest::newRow("fundamental above 1000 A") << with({{8, "2E3"}}) << "Field 8 ";
    QTest::newRow("a power above 1000 is no current") << with({{1, "2500"}}) << "";
    QTest::newRow("fundamental text is Class C's") << with({{8, "abc"}}) << "";
    QTest::newRow("94 fields") << all.join(',') + "," + all.join(',') + "\r\n"
                               << "47 fields expected, 94 received.";
    QTest::newRow("48 fields, a trailing comma") << all.join(',') + ",\r\n"
                                                 << "47 fields expected, 48 received.";
}

void ParseReply::invalidReply()
{
    QFETCH(QString, reply);
    QFETCH(QString, problem);

    const ParsedReply parsed = SortOut(reply);
    const Judgement judgement = Limits(ClassChoice{ProductClass::A, QString()}, measuredValues(parsed));
    QString told;
    const Verdict verdict =
        MeasurementCycle::replyVerdict({reply, true, true}, parsed, judgement, &told);
    if (problem.isEmpty()) {
        QVERIFY2(isJudged(verdict), qPrintable(told));
        return;
    }
    QCOMPARE(verdict, Verdict::InvalidResult);
    QVERIFY2(told.startsWith(problem), qPrintable(told));
}

// A reply's values arrive in the neutral measurement as the window shows
// them, named as the Zento analyzer's; a field not found gives none.
void ParseReply::measurementOfReply()
{
    const QDateTime at(QDate(2026, 3, 4), QTime(10, 20, 30));
    const Measurement whole = zentoMeasurement(SortOut(completeFields().join(',') + "\r\n"), at);
    QCOMPARE(whole.source, QStringLiteral("zento"));
    QCOMPARE(whole.takenAt, at);
    const QStringList values{whole.watts,       whole.volts,     whole.amps,
                             whole.powerFactor, whole.frequency, whole.fundamentalA};
    QCOMPARE(values, QStringList({"230", "230.1", "1.5", "0.98", "50", "1.234"}));
    QCOMPARE(whole.powerFactorGiven, QStringLiteral("0.98"));
    for (int k = 0; k < kHarmonicCells; ++k)
        QCOMPARE(whole.harmonicsMa[k], QString::number(k + 1));

    const Measurement shortOne = zentoMeasurement(SortOut("230,230.1,1.5\r\n"));
    QCOMPARE(shortOne.amps, QStringLiteral("1.5"));
    QVERIFY(shortOne.powerFactor.isNull());
    QVERIFY(shortOne.frequency.isNull());
    QVERIFY(shortOne.harmonicsMa[0].isNull());
}

QTEST_GUILESS_MAIN(ParseReply)
#include "tst_sort_out.moc"
