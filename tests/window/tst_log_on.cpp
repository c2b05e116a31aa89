// Log on, the configuration of the analyzer and log off, on a scripted port
// and the virtual clock.

#include "analyzer_lines.h"
#include "analyzer_session.h"
#include "fake_form.h"
#include "fake_serial_port.h"
#include "fake_toolkit.h"
#include "log_on.h"
#include "virtual_clock.h"

#include <QTest>

namespace {

struct Bench
{
    explicit Bench(int msIntoSecond = 300) : clock(msIntoSecond), port(clock) {}

    void choosePort(Option option)
    {
        form.select(option);
        logOn.portOptionClicked(option);
    }

    VirtualClock clock;
    FakeSerialPort port;
    FakeForm form;
    FakeToolkit toolkit;
    WindowMembers members;
    Activity activity;
    AnalyzerSession session{port, clock};
    LogOn logOn{form, toolkit, session, fakeComDevices(), members, activity};
};

QByteArray configurationWire()
{
    QByteArray wire;
    for (const QByteArray& line : kExpectedConfiguration)
        wire += line + "\r\n";
    return wire;
}

void verifyLoggedOff(const Bench& bench)
{
    QCOMPARE(bench.form.caption(Button::Log), QStringLiteral("Log On"));
    QVERIFY(bench.form.enabled(Button::Log));
    for (Option option : kPortOptions)
        QVERIFY(bench.form.enabled(option));
    for (Option option : kClassOptions)
        QVERIFY(!bench.form.enabled(option));
    QVERIFY(!bench.form.enabled(Button::Run));
    QVERIFY(!bench.port.portOpen());
    QVERIFY(!bench.form.progressVisible);
    QCOMPARE(bench.toolkit.pointer, MousePointer::Default);
    QCOMPARE(bench.form.field(Field::Reslbl).back, Colour::Neutral);
}

} // namespace

class TestLogOn : public QObject
{
    Q_OBJECT

private slots:
    void portOptionOnlyEnablesLog();
    void logOnConfiguresTheAnalyzer();
    void configurationWaitsFollowTheWholeSecondClock_data();
    void configurationWaitsFollowTheWholeSecondClock();
    void operatorSeesEachStageAtTheDispatchPoints();
    void logOffResetsTheAnalyzerAndClosesThePort();
    void anotherPortAfterLogOff();
    void portThatCannotOpenLeavesTheWindowLoggedOff();
    void logClicksHandledDuringLogOnAreIgnored();
    void logClickDuringAMeasurementIsIgnored();
    void endingAtADispatchPointStopsLogOn_data();
    void endingAtADispatchPointStopsLogOn();
    void lineThatFailsDuringConfiguration();
    void logClickFollowsTheSessionNotTheCaption();
};

void TestLogOn::portOptionOnlyEnablesLog()
{
    Bench bench;
    QVERIFY(!bench.form.enabled(Button::Log));
    bench.choosePort(Option::com2);
    QVERIFY(bench.form.enabled(Button::Log));
    QCOMPARE(bench.members.PortNumber, qint16(0));
    QVERIFY(bench.port.events.isEmpty());
    QVERIFY(!bench.form.enabled(Button::Run));
}

void TestLogOn::logOnConfiguresTheAnalyzer()
{
    Bench bench;
    bench.choosePort(Option::com3);
    bench.logOn.Log_Click();

    QCOMPARE(bench.members.PortNumber, qint16(3));
    QCOMPARE(bench.port.events.first(), QStringLiteral("open 3"));
    QCOMPARE(bench.port.wire, configurationWire());
    QCOMPARE(bench.port.reads, 0);
    QVERIFY(bench.port.portOpen());

    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Connected & Configured"));
    QCOMPARE(bench.form.caption(Button::Log), QStringLiteral("Log Off"));
    QVERIFY(bench.form.enabled(Button::Log));
    for (Option option : kPortOptions)
        QVERIFY(!bench.form.enabled(option));
    for (Option option : kClassOptions)
        QVERIFY(bench.form.enabled(option));
    QVERIFY(!bench.form.enabled(Button::Run));

    // Shown at 10, then 25, 35, 60, 70, 85; the finish sets 100 and hides it.
    QCOMPARE(bench.form.progressLog, (QList<int>{-1, 10, 25, 35, 60, 70, 85, 100, -2}));
    QCOMPARE(bench.toolkit.pointerHistory,
             (QList<MousePointer>{MousePointer::Hourglass, MousePointer::Default}));
    QCOMPARE(bench.toolkit.dispatches, 3);
    QVERIFY(bench.toolkit.messages.isEmpty());
}

void TestLogOn::configurationWaitsFollowTheWholeSecondClock_data()
{
    QTest::addColumn<int>("msIntoSecond");
    QTest::newRow("early in a second") << 10;
    QTest::newRow("late in a second") << 990;
}

void TestLogOn::configurationWaitsFollowTheWholeSecondClock()
{
    QFETCH(int, msIntoSecond);
    Bench bench(msIntoSecond);
    bench.choosePort(Option::com1);
    bench.logOn.Log_Click();
    const auto& written = bench.port.written;
    QCOMPARE(written.size(), 12);
    // Each wait ends on the next change of the clock's seconds.
    for (int after : {0, 5, 10}) {
        const qint64 gap = written[after + 1].atMs - written[after].atMs;
        QVERIFY2(gap > 0 && gap <= 1001, qPrintable(QString::number(gap)));
        QCOMPARE(written[after + 1].atMs / 1000, written[after].atMs / 1000 + 1);
    }
    // No wait anywhere else.
    for (int line = 1; line < 12; ++line) {
        if (line - 1 != 0 && line - 1 != 5 && line - 1 != 10)
            QCOMPARE(written[line].atMs, written[line - 1].atMs);
    }
    QVERIFY(written.last().atMs - written.first().atMs <= 3000);
}

void TestLogOn::operatorSeesEachStageAtTheDispatchPoints()
{
    Bench bench;
    bench.choosePort(Option::com1);
    QStringList seen;
    bench.toolkit.onDispatch = [&](int n) {
        seen << QStringLiteral("%1:%2:%3:%4:%5")
                    .arg(n)
                    .arg(bench.form.text(Field::Reslbl))
                    .arg(bench.form.progressValue)
                    .arg(bench.port.portOpen() ? "open" : "closed")
                    .arg(bench.toolkit.pointer == MousePointer::Hourglass ? "hourglass"
                                                                          : "default");
    };
    bench.logOn.Log_Click();
    QCOMPARE(seen, (QStringList{"1::0:closed:default", "2:Connecting:35:open:default",
                                "3:Configuring:35:open:hourglass"}));
}

void TestLogOn::logOffResetsTheAnalyzerAndClosesThePort()
{
    Bench bench;
    bench.choosePort(Option::com1);
    bench.logOn.Log_Click();
    // A test ended red and enabled Run.
    bench.form.setText(Field::Reslbl, QStringLiteral("Fail"));
    bench.form.setBackColor(Field::Reslbl, Colour::Fail);
    bench.form.setEnabled(Button::Run, true);
    bench.port.events.clear();
    bench.form.progressLog.clear();

    bench.logOn.Log_Click();
    QCOMPARE(bench.port.events, (QStringList{"out *RST\r\n", "close"}));
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Disconnected"));
    verifyLoggedOff(bench);
    // Log off does not show the progress bar.
    QCOMPARE(bench.form.progressLog, (QList<int>{100, -2}));
    QCOMPARE(bench.toolkit.dispatches, 4);
}

void TestLogOn::anotherPortAfterLogOff()
{
    Bench bench;
    bench.choosePort(Option::com1);
    bench.logOn.Log_Click();
    bench.logOn.Log_Click();
    bench.choosePort(Option::com4);
    bench.logOn.Log_Click();
    QCOMPARE(bench.members.PortNumber, qint16(4));
    QCOMPARE(bench.port.events.filter(QStringLiteral("open")), (QStringList{"open 1", "open 4"}));
    QCOMPARE(bench.port.deviceName(), fakeComDevice(4));
}

void TestLogOn::portThatCannotOpenLeavesTheWindowLoggedOff()
{
    Bench bench;
    bench.port.openFailure = QStringLiteral("Permission error while locking the device");
    bench.choosePort(Option::com2);
    bench.logOn.Log_Click();

    QCOMPARE(bench.toolkit.messages.size(), 1);
    const QString message = bench.toolkit.messages.first();
    QVERIFY2(message.contains(QLatin1String("Com 2")) &&
                 message.contains(QLatin1String("/dev/fake2")) &&
                 message.contains(QLatin1String("Permission error while locking the device")),
             qPrintable(message));
    QCOMPARE(message, QStringLiteral("Com 2 (/dev/fake2) could not be opened: Permission error "
                                     "while locking the device.\n\nCheck that the analyzer is "
                                     "connected to this port and that no other program is using "
                                     "it, then choose the port and log on again."));
    QVERIFY(bench.port.wire.isEmpty());
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Com 2 could not be opened"));
    verifyLoggedOff(bench);

    // The operator picks another port and logs on.
    bench.port.openFailure.clear();
    bench.choosePort(Option::com1);
    bench.logOn.Log_Click();
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Connected & Configured"));
    QCOMPARE(bench.port.wire, configurationWire());
}

void TestLogOn::logClicksHandledDuringLogOnAreIgnored()
{
    Bench bench;
    bench.choosePort(Option::com1);
    bench.toolkit.queueClick([&] { bench.logOn.Log_Click(); });
    bench.toolkit.onDispatch = [&](int n) {
        if (n < 3)
            bench.toolkit.queueClick([&] { bench.logOn.Log_Click(); });
    };
    bench.logOn.Log_Click();
    QCOMPARE(bench.port.events.filter(QStringLiteral("open")).size(), 1);
    QCOMPARE(bench.port.wire, configurationWire());
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Connected & Configured"));
    QCOMPARE(bench.form.caption(Button::Log), QStringLiteral("Log Off"));
    QVERIFY(!bench.activity.logOn);
}

void TestLogOn::logClickDuringAMeasurementIsIgnored()
{
    Bench bench;
    bench.choosePort(Option::com1);
    bench.logOn.Log_Click();
    bench.port.events.clear();
    bench.activity.testRun = true;
    bench.logOn.Log_Click();
    QVERIFY(bench.port.events.isEmpty());
    QCOMPARE(bench.form.caption(Button::Log), QStringLiteral("Log Off"));
}

void TestLogOn::endingAtADispatchPointStopsLogOn_data()
{
    QTest::addColumn<int>("dispatch");
    QTest::addColumn<int>("linesSent");
    QTest::newRow("start of Log_Click") << 1 << 0;
    QTest::newRow("after the port opened") << 2 << 0;
    QTest::newRow("start of the configuration") << 3 << 0;
}

void TestLogOn::endingAtADispatchPointStopsLogOn()
{
    QFETCH(int, dispatch);
    QFETCH(int, linesSent);
    Bench bench;
    bench.choosePort(Option::com1);
    bench.toolkit.onDispatch = [&](int n) {
        if (n == dispatch)
            bench.activity.ending = true;
    };
    bench.logOn.Log_Click();
    QCOMPARE(bench.port.written.size(), linesSent);
    QCOMPARE(bench.toolkit.dispatches, dispatch);
}

void TestLogOn::lineThatFailsDuringConfiguration()
{
    Bench bench;
    bench.port.writesBeforeFailure = 3;
    bench.choosePort(Option::com1);
    bench.logOn.Log_Click();
    // Three lines went out; the fourth was refused and nothing followed.
    QCOMPARE(bench.port.written.size(), 3);
    QCOMPARE(bench.toolkit.messages.size(), 1);
    QVERIFY(bench.toolkit.messages.first().startsWith(
        QLatin1String("The analyzer on Com 1 (/dev/fake1) could not be configured: ")));
    QVERIFY(bench.toolkit.messages.first().endsWith(
        QLatin1String("the device refused the data.\n\nThe port has been closed. Check the "
                      "connection, then log on again.")));
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Configuration failed"));
    verifyLoggedOff(bench);
}

void TestLogOn::logClickFollowsTheSessionNotTheCaption()
{
    Bench bench;
    bench.choosePort(Option::com2);
    bench.logOn.Log_Click();
    QVERIFY(bench.session.isLoggedOn());
    // Whatever Log reads, a click while logged on logs off.
    bench.form.setCaption(Button::Log, QStringLiteral("Log On"));
    bench.logOn.Log_Click();
    QVERIFY(!bench.session.isLoggedOn());
    QVERIFY(bench.port.wire.endsWith("*RST\r\n"));
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Disconnected"));
    // And while logged off, a click logs on.
    bench.form.setCaption(Button::Log, QStringLiteral("Log Off"));
    bench.logOn.Log_Click();
    QVERIFY(bench.session.isLoggedOn());
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Connected & Configured"));
}

QTEST_GUILESS_MAIN(TestLogOn)
#include "tst_log_on.moc"
