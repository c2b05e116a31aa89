// The timed observation against a scripted analyzer on the virtual clock:
// cycles back to back, the one running at the end of the duration, and the
// ways an observation ends early.

#include "command_channel.h"
#include "fake_serial_port.h"
#include "observation.h"
#include "virtual_clock.h"

#include <QTest>

namespace {

// A Class A reply: every harmonic 10 mA, the 3rd `harmonic3` (A), the power
// `watts`.
QByteArray reply(const QByteArray& harmonic3 = "0.01", const QByteArray& watts = "75")
{
    QList<QByteArray> fields{watts, "230.1", "0.343", "0.95", "50", "0", "0", "0.33"};
    for (int order = 2; order <= 40; ++order)
        fields << (order == 3 ? harmonic3 : QByteArray("0.01"));
    return fields.join(',') + "\r\n";
}

const QByteArray kOneCycle = "*TRG\r\n*STB?\r\n:FRD?\r\n";

class Follower : public ObservationObserver
{
public:
    void progress(int) override {}
    Go dispatchPoint() override { return taken.size() >= stopAfter ? Go::Stop : Go::On; }
    void secondsLeft(int seconds) override { left << seconds; }
    void sampleTaken(int index, const ObservedSample& sample,
                     const ObservationJudgement& running) override
    {
        taken << index;
        verdicts << sample.result.verdict;
        judgedSoFar << running.samplesJudged;
    }

    qsizetype stopAfter = 1000;
    QList<int> taken;
    QList<Verdict> verdicts;
    QList<int> judgedSoFar;
    QList<int> left;
};

struct Bench
{
    Bench() : port(clock), channel(port, clock), observation(port, channel, clock)
    {
        port.setCommPort(1);
        (void)port.open();
        port.responder = [this](const QByteArray& line) {
            if (line == "*STB?")
                port.deliver("1\r\n", 100);
            if (line == ":FRD?") {
                port.deliver(replies.isEmpty() ? reply() : replies.takeFirst(), 50);
            }
        };
    }

    ObservationResult run(int durationS = 30)
    {
        startMs = clock.nowMs();
        return observation.run({ProductClass::A, {}}, durationS, follower);
    }

    // When each "*TRG" was written, ms after the start.
    QList<qint64> triggers() const
    {
        QList<qint64> at;
        for (const auto& written : port.written)
            if (written.bytes == "*TRG\r\n")
                at << written.atMs - startMs;
        return at;
    }

    VirtualClock clock;
    FakeSerialPort port;
    CommandChannel channel;
    Observation observation;
    Follower follower;
    // The replies to the next ":FRD?" queries; reply() once they are used.
    QList<QByteArray> replies;
    qint64 startMs = 0;
};

} // namespace

class ObservationRun : public QObject
{
    Q_OBJECT

private slots:
    void cycleAtTheEndCompletesAndCounts();
    void cyclesBackToBack();
    void sampleNotJudgedIsCountedNotUsed();
    void lineFailureKeepsEarlierSamples();
    void stopEndsIt();
    void durationOutOfRangeSendsNothing();
};

void ObservationRun::cycleAtTheEndCompletesAndCounts()
{
    Bench bench;
    const ObservationResult result = bench.run(30);
    const QList<qint64> triggers = bench.triggers();
    // Cycles of about 8 s: the 4th starts at 23.7 s and ends at 31.7 s.
    QCOMPARE(triggers.size(), 4);
    QVERIFY(triggers.last() < 30000);
    QVERIFY(result.elapsedS > 30);
    QCOMPARE(result.samples.size(), 4);
    QCOMPARE(result.samples.last().result.verdict, Verdict::Pass);
    QCOMPARE(result.samples.last().startS, double(triggers.last()) / 1000);
    QCOMPARE(result.verdict, ObservationVerdict::Pass);
    QCOMPARE(result.judgement.samplesJudged, 4);
    QCOMPARE(bench.follower.taken, (QList<int>{0, 1, 2, 3}));
    QCOMPARE(bench.follower.judgedSoFar, (QList<int>{1, 2, 3, 4}));
    QCOMPARE(bench.follower.left.first(), 30);
    QCOMPARE(bench.follower.left.last(), 0);
    QCOMPARE(result.sampleIntervalS, double(triggers[3] - triggers[0]) / 3000);
}

void ObservationRun::cyclesBackToBack()
{
    Bench bench;
    const ObservationResult result = bench.run(30);
    QCOMPARE(bench.port.wire, kOneCycle.repeated(result.samples.size()));
    // The next "*TRG" follows the reply read 2 to 3 s after ":FRD?"
    // (Delay "3"), with no wait of its own.
    QList<qint64> queries;
    for (const auto& written : bench.port.written)
        if (written.bytes == ":FRD?\r\n")
            queries << written.atMs - bench.startMs;
    const QList<qint64> triggers = bench.triggers();
    for (qsizetype n = 1; n < triggers.size(); ++n) {
        QVERIFY2(triggers[n] - queries[n - 1] >= 2000, qPrintable(QString::number(n)));
        QVERIFY2(triggers[n] - queries[n - 1] <= 3000, qPrintable(QString::number(n)));
    }
}

void ObservationRun::sampleNotJudgedIsCountedNotUsed()
{
    Bench bench;
    // The 2nd reply's power is no number, its 3rd harmonic 99 A: invalid.
    bench.replies = {reply(), reply("99", "nan")};
    const ObservationResult result = bench.run(30);
    QCOMPARE(result.samples.size(), 4);
    QCOMPARE(result.samples[1].result.verdict, Verdict::InvalidResult);
    QCOMPARE(result.samplesNotJudged, 1);
    QCOMPARE(result.judgement.samplesJudged, 3);
    QCOMPARE(result.judgement.orders[1].maximumMa, 10.0);
    // 1 of 4 is more than 10 %.
    QCOMPARE(result.verdict, ObservationVerdict::IncompleteObservation);
}

void ObservationRun::lineFailureKeepsEarlierSamples()
{
    Bench bench;
    // Two cycles, then the 3rd cycle's "*STB?" is refused.
    bench.port.writesBeforeFailure = 7;
    const ObservationResult result = bench.run(30);
    QCOMPARE(result.verdict, ObservationVerdict::LineFailed);
    QCOMPARE(result.samples.size(), 2);
    QCOMPARE(result.judgement.samplesJudged, 2);
    QVERIFY(result.problem.contains(QStringLiteral("the device refused the data")));
    QCOMPARE(observationVerdictText(result.verdict), QStringLiteral("Line failed"));
}

void ObservationRun::stopEndsIt()
{
    Bench bench;
    bench.follower.stopAfter = 2;
    const ObservationResult result = bench.run(30);
    QCOMPARE(result.verdict, ObservationVerdict::Stopped);
    QCOMPARE(result.samples.size(), 2);
    // Stopped before the 3rd cycle changed anything.
    QCOMPARE(bench.port.wire, kOneCycle.repeated(2));
    QCOMPARE(observationVerdictText(result.verdict), QStringLiteral("Stopped"));
}

void ObservationRun::durationOutOfRangeSendsNothing()
{
    for (int seconds : {29, 24 * 3600 + 1}) {
        Bench bench;
        const ObservationResult result = bench.run(seconds);
        QVERIFY(bench.port.wire.isEmpty());
        QVERIFY(!result.problem.isEmpty());
        QCOMPARE(observationVerdictText(result.verdict), QStringLiteral("Incomplete observation"));
    }
}

QTEST_GUILESS_MAIN(ObservationRun)
#include "tst_observation.moc"
