// A measurement as values, without a window: the parse, the judgement, the
// result reply's line and one cycle's result.

#include "class_evaluation.h"
#include "command_channel.h"
#include "fake_serial_port.h"
#include "measurement_cycle.h"
#include "sort_out.h"
#include "virtual_clock.h"

#include <QRegularExpression>
#include <QTest>

Q_DECLARE_METATYPE(Verdict)

namespace {

QString reply(const QString& harmonic3)
{
    QStringList fields{"75", "230.1", "0.343", "0.95", "50", "x", "y", "0.33"};
    for (int order = 2; order <= 40; ++order)
        fields << (order == 3 ? harmonic3 : QStringLiteral("0.0031"));
    return fields.join(',') + "\r\n";
}

class Recorder : public CycleObserver
{
public:
    void progress(int) override {}
    void cycleStarted() override {}
    void resultsCleared() override {}
    void cycleEnded(const CycleResult& result) override { ended << result.verdict; }
    QList<Verdict> ended;
};

} // namespace

class MeasurementData : public QObject
{
    Q_OBJECT

private slots:
    void parseKeepsWhatWasSent();
    void classDJudgementAsValues();
    void numberFieldsAsTheRegularExpressionReadsThem();
    void replyLine_data();
    void replyLine();
    void cycleResult();
    void guardBandKeptHoweverTheCycleEnds_data();
    void guardBandKeptHoweverTheCycleEnds();
};

void MeasurementData::parseKeepsWhatWasSent()
{
    const ParsedReply parsed = SortOut(reply(QStringLiteral("3.5E+00")));
    QCOMPARE(parsed.line, reply(QStringLiteral("3.5E+00")));
    QCOMPARE(parsed.fieldsFound, kReplyFields);
    QCOMPARE(parsed.fields[5], QStringLiteral("x"));
    QCOMPARE(parsed.fields[9], QStringLiteral("3.5E+00"));
    QCOMPARE(parsed.volts, QStringLiteral("230.1"));
    QCOMPARE(parsed.fundAmp, QStringLiteral("0.33"));
    QCOMPARE(parsed.harmonics[1], QStringLiteral("3500"));
    QCOMPARE(firstFieldNotANumber(parsed), 0);
    // Fields not found stay null; a field that is no number is named.
    const ParsedReply shortOne = SortOut(QStringLiteral("75,nan\r\n"));
    QCOMPARE(shortOne.fieldsFound, 2);
    QVERIFY(shortOne.amps.isNull() && shortOne.harmonics[0].isNull());
    QCOMPARE(firstFieldNotANumber(shortOne), 2);
}

// A field is a number exactly when this expression matches it; the reading
// written out by hand must agree on every shape, line ends included.
void MeasurementData::numberFieldsAsTheRegularExpressionReadsThem()
{
    const QRegularExpression number(
        QStringLiteral("^ *[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)? *$"));
    const QStringList pieces{"",  " ",  "+", "-", "1", "23", ".", "e", "E", "4",
                             "\n", "\r", "\t", "x", "٣", ","};
    // Every text of up to four pieces.
    QStringList texts{QString()};
    for (int length = 1; length <= 4; ++length) {
        const QStringList shorter = texts;
        for (const QString& text : shorter)
            for (const QString& piece : pieces)
                texts << text + piece;
    }
    texts.removeDuplicates();
    QVERIFY(texts.size() > 20000);
    for (const QString& text : texts)
        QVERIFY2(isNumberText(text) == number.match(text).hasMatch(), qPrintable(text));
}

void MeasurementData::classDJudgementAsValues()
{
    const Judgement judgement =
        Limits(ClassChoice{ProductClass::D, "75"}, measuredValues(SortOut(reply(QStringLiteral("0.3")))));
    QCOMPARE(judgement.evaluation.status, Evaluation::Judged);
    QCOMPARE(judgement.power, QStringLiteral("75"));
    // The 2nd harmonic is not judged in Class D: no limit, no current shown.
    QCOMPARE(judgement.states[0], CellState::NotJudged);
    QVERIFY(judgement.limits[0].isEmpty() && judgement.currents[0].isEmpty());
    // 300 mA against 255 mA (75 W * 3.4 mA/W).
    QCOMPARE(judgement.limits[1], QStringLiteral("255mA"));
    QCOMPARE(judgement.currents[1], QStringLiteral("300"));
    QCOMPARE(judgement.states[1], CellState::Fail);
    QCOMPARE(judgement.states[3], CellState::NotTested); // 3.1 mA
    QVERIFY(judgement.anyFailed);
}

void MeasurementData::replyLine_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("cut");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ended");
    QTest::addColumn<bool>("whole");
    QTest::newRow("one line") << "1,2\r\n" << false << "1,2\r\n" << true << true;
    QTest::newRow("stray line in front") << "1,\r\n1,2\r\n" << false << "1,2\r\n" << true << true;
    QTest::newRow("empty lines around") << "\r\n1,2\r\n\r\n" << false << "1,2\r\n" << true << true;
    QTest::newRow("not ended") << "1,\r\n1,2,0." << false << "1,2,0." << false << true;
    QTest::newRow("nothing") << "\r\n" << false << "" << false << true;
    QTest::newRow("front cut") << "5,6\r\n" << true << "5,6\r\n" << true << false;
}

void MeasurementData::replyLine()
{
    QFETCH(QString, input);
    QFETCH(bool, cut);
    const MeasurementCycle::ReplyLine line = MeasurementCycle::replyLine(input, cut);
    QTEST(line.text, "text");
    QTEST(line.ended, "ended");
    QTEST(line.whole, "whole");
}

void MeasurementData::cycleResult()
{
    VirtualClock clock;
    FakeSerialPort port(clock);
    port.setDevice(fakeComDevice(1));
    QVERIFY(port.open().succeeded());
    bool wantedWhileRead = false;
    port.responder = [&](const QByteArray& line) {
        if (line == "*STB?")
            port.deliver("1\r\n", 100);
        if (line == ":FRD?") {
            wantedWhileRead = port.inputWanted;
            port.deliver(reply(QStringLiteral("0.3")).toLatin1(), 50);
        }
    };
    CommandChannel channel(port, clock);
    MeasurementCycle cycle(port, channel, clock);
    Recorder recorder;
    NoInterruption goesOn;
    const std::optional<CycleResult> result =
        cycle.run({ProductClass::D, QStringLiteral("75")}, recorder, goesOn);

    QVERIFY(result && cycle.triggered());
    QCOMPARE(result->verdict, Verdict::Fail);
    QCOMPARE(recorder.ended, QList<Verdict>{Verdict::Fail});
    QCOMPARE(result->reply.line, reply(QStringLiteral("0.3")));
    QCOMPARE(result->judgement.productClass, ProductClass::D);
    QCOMPARE(result->judgement.states[1], CellState::Fail);
    QCOMPARE(result->measuredAt.toSecsSinceEpoch(), clock.wholeSeconds());
    QVERIFY(wantedWhileRead);
    QVERIFY(!port.inputWanted);
}

void MeasurementData::guardBandKeptHoweverTheCycleEnds_data()
{
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<int>("productClass");
    QTest::addColumn<Verdict>("verdict");
    QTest::newRow("No verdict") << QByteArray("1\r\n") << int(ProductClass::None)
                                << Verdict::NoVerdict;
    QTest::newRow("Analyzer did not answer")
        << QByteArray("0\r\n") << int(ProductClass::A) << Verdict::AnalyzerDidNotAnswer;
}

// The judgement a record takes its guard band from (judgedChoice) keeps the
// one chosen, whether or not the cycle judged anything.
void MeasurementData::guardBandKeptHoweverTheCycleEnds()
{
    QFETCH(QByteArray, status);
    QFETCH(int, productClass);
    VirtualClock clock;
    FakeSerialPort port(clock);
    port.setDevice(fakeComDevice(1));
    QVERIFY(port.open().succeeded());
    port.responder = [&](const QByteArray& line) {
        if (line == "*STB?")
            port.deliver(status, 100);
        if (line == ":FRD?")
            port.deliver(reply(QStringLiteral("0.3")).toLatin1(), 50);
    };
    CommandChannel channel(port, clock);
    MeasurementCycle cycle(port, channel, clock);
    Recorder recorder;
    NoInterruption goesOn;
    const std::optional<CycleResult> result =
        cycle.run({ProductClass(productClass), {}, 10, Edition::Iec2018, true}, recorder, goesOn);

    QVERIFY(result);
    QTEST(result->verdict, "verdict");
    // Whatever way the cycle ended, its record keeps the whole choice.
    QCOMPARE(result->judgement.guardBandPct, 10.0);
    QCOMPARE(result->judgement.edition, Edition::Iec2018);
    QVERIFY(result->judgement.professional);
}

QTEST_GUILESS_MAIN(MeasurementData)
#include "tst_measurement_data.moc"
