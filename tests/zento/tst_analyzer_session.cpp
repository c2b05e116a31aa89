// The analyzer session on a scripted port and the virtual clock: the device
// it opens, the stages it reports and whether it is logged on.

#include "analyzer_session.h"
#include "fake_serial_port.h"
#include "session_observer.h"
#include "virtual_clock.h"

#include <QTest>

namespace {

// What a session reports: its stages by their words, progress as numbers.
class StageRecorder : public SessionObserver
{
public:
    void stageReached(SessionStage stage) override { seen << stageText(stage); }
    void progress(int value) override { seen << QString::number(value); }

    QStringList seen;
};

} // namespace

class TestAnalyzerSession : public QObject
{
    Q_OBJECT

private slots:
    void sessionReportsItsStages_data();
    void sessionReportsItsStages();
    void opensTheDeviceItIsGiven();
    void loggedOnFromOpenUntilLoggedOff_data();
    void loggedOnFromOpenUntilLoggedOff();
    void answersWhenAStatusArrivesInTime_data();
    void answersWhenAStatusArrivesInTime();
};

void TestAnalyzerSession::sessionReportsItsStages_data()
{
    QTest::addColumn<int>("writesBeforeFailure");
    QTest::addColumn<QStringList>("seen");

    QTest::newRow("configured") << -1
                                << QStringList{"Connecting", "Configuring",           "60", "70",
                                               "85",         "Connected & Configured"};
    QTest::newRow("line fails") << 3 << QStringList{"Connecting", "Configuring", "60"};
}

void TestAnalyzerSession::sessionReportsItsStages()
{
    QFETCH(int, writesBeforeFailure);
    QFETCH(QStringList, seen);
    VirtualClock clock;
    FakeSerialPort port(clock);
    port.writesBeforeFailure = writesBeforeFailure;
    AnalyzerSession session(port, clock);
    StageRecorder recorder;
    NoInterruption goesOn;

    QVERIFY(session.open(fakeComDevice(1), recorder).succeeded());
    QCOMPARE(recorder.seen, QStringList{"Connecting"});
    QCOMPARE(session.configure(recorder, goesOn), writesBeforeFailure < 0);
    QCOMPARE(recorder.seen, seen);
}

void TestAnalyzerSession::opensTheDeviceItIsGiven()
{
    VirtualClock clock;
    FakeSerialPort port(clock);
    AnalyzerSession session(port, clock);
    StageRecorder recorder;
    QVERIFY(session.open(QStringLiteral("/dev/ttyUSB0"), recorder).succeeded());
    QCOMPARE(session.deviceName(), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(port.deviceName(), QStringLiteral("/dev/ttyUSB0"));

    // A port that will not open leaves the session logged off.
    session.close();
    port.openFailure = QStringLiteral("Permission denied");
    QVERIFY(!session.open(QStringLiteral("/dev/ttyUSB1"), recorder).succeeded());
    QVERIFY(!session.isLoggedOn());
}

void TestAnalyzerSession::loggedOnFromOpenUntilLoggedOff_data()
{
    QTest::addColumn<QString>("end");
    QTest::addColumn<bool>("loggedOn");
    QTest::addColumn<bool>("lineOpen");

    QTest::newRow("nothing") << "" << true << true;
    // A line that fails stays logged on until the operator logs off.
    QTest::newRow("line fails") << "fail" << true << false;
    QTest::newRow("reset") << "reset" << false << false;
    QTest::newRow("close") << "close" << false << false;
    QTest::newRow("end") << "end" << false << false;
    QTest::newRow("end, line failed") << "fail end" << false << false;
    QTest::newRow("reset and end") << "resetAndEnd" << false << false;
}

void TestAnalyzerSession::loggedOnFromOpenUntilLoggedOff()
{
    QFETCH(QString, end);
    QFETCH(bool, loggedOn);
    QFETCH(bool, lineOpen);
    VirtualClock clock;
    FakeSerialPort port(clock);
    AnalyzerSession session(port, clock);
    StageRecorder recorder;
    QVERIFY(!session.isLoggedOn());
    QVERIFY(session.open(fakeComDevice(1), recorder).succeeded());
    QVERIFY(session.isLoggedOn());

    for (const QString& step : end.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (step == QLatin1String("fail")) {
            // The adapter releases a line that failed.
            port.breakLine(QStringLiteral("the device was removed"));
            port.close();
        } else if (step == QLatin1String("reset")) {
            session.reset();
        } else if (step == QLatin1String("close")) {
            session.close();
        } else if (step == QLatin1String("end")) {
            session.end();
        } else if (step == QLatin1String("resetAndEnd")) {
            session.resetAndEnd();
        }
    }
    QCOMPARE(session.isLoggedOn(), loggedOn);
    QCOMPARE(session.lineOpen(), lineOpen);
}

void TestAnalyzerSession::answersWhenAStatusArrivesInTime_data()
{
    QTest::addColumn<int>("answerAfterMs"); // -1: no answer
    QTest::addColumn<bool>("answers");
    QTest::addColumn<qint64>("waitedMs");
    QTest::newRow("at once") << 0 << true << qint64(0);
    QTest::newRow("within 2 s") << 1900 << true << qint64(1900);
    QTest::newRow("too late") << 2100 << false << qint64(2000);
    QTest::newRow("silent") << -1 << false << qint64(2000);
}

void TestAnalyzerSession::answersWhenAStatusArrivesInTime()
{
    QFETCH(int, answerAfterMs);
    QFETCH(bool, answers);
    QFETCH(qint64, waitedMs);
    VirtualClock clock;
    FakeSerialPort port(clock);
    AnalyzerSession session(port, clock);
    StageRecorder recorder;
    QVERIFY(session.open(fakeComDevice(1), recorder).succeeded());
    // Left over from before: no answer.
    port.deliver("1\r\n");
    port.responder = [&](const QByteArray& line) {
        if (line == "*STB?" && answerAfterMs >= 0)
            port.deliver("0\r\n", answerAfterMs);
    };

    const qint64 start = clock.nowMs();
    QCOMPARE(session.answers(), answers);
    QCOMPARE(clock.nowMs() - start, waitedMs);
    QCOMPARE(port.wire, QByteArray("*STB?\r\n"));
    QVERIFY(!port.inputWanted);
}

QTEST_GUILESS_MAIN(TestAnalyzerSession)
#include "tst_analyzer_session.moc"
