// Run_Click, the measurement cycle, against a scripted analyzer on the
// virtual clock: the commands and their timing, the status poll, the verdict,
// and every way a cycle can end without one.

#include "analyzer_lines.h"
#include "command_channel.h"
#include "fake_form.h"
#include "fake_serial_port.h"
#include "fake_toolkit.h"
#include "test_run.h"
#include "virtual_clock.h"

#include <QTest>

namespace {

QByteArray withField(const QByteArray& reply, int field, const QByteArray& text)
{
    QList<QByteArray> fields = reply.trimmed().split(',');
    fields[field - 1] = text;
    return fields.join(',') + "\r\n";
}

QByteArray firstFields(const QByteArray& reply, int count)
{
    return reply.trimmed().split(',').mid(0, count).join(',') + "\r\n";
}

struct Bench
{
    explicit Bench(Option productClass = Option::Aopt) : port(clock)
    {
        port.setDevice(fakeComDevice(1));
        (void)port.open();
        form.select(productClass);
        form.setCaption(Button::Log, QStringLiteral("Log Off"));
        form.setEnabled(Button::Log, true);
        for (Option option : kClassOptions)
            form.setEnabled(option, true);
        form.setEnabled(Button::Run, true);
        form.setText(Field::Reslbl, QStringLiteral("Connected & Configured"));
        answer(QList<QByteArray>{"1\r\n"}, kPassingReply);
    }

    // The analyzer answers "*STB?" with `status` (pieces 100 ms apart) and
    // ":FRD?" with `reply` 50 ms after the query.
    void answer(const QList<QByteArray>& status, const QByteArray& reply)
    {
        port.responder = [this, status, reply](const QByteArray& line) {
            if (line == "*STB?") {
                for (const QByteArray& piece : status)
                    port.deliver(piece, 100);
            } else if (line == ":FRD?" && !reply.isNull()) {
                port.deliver(reply, 50);
            }
        };
    }

    qint64 writtenAt(const QByteArray& command) const
    {
        for (const auto& w : port.written)
            if (w.bytes == command + "\r\n")
                return w.atMs;
        return -1;
    }

    void verifyControlsBack() const
    {
        QCOMPARE(form.caption(Button::Run), QStringLiteral("Start Test"));
        QVERIFY(form.enabled(Button::Log));
        for (Option option : kClassOptions)
            QVERIFY(form.enabled(option));
        QVERIFY(form.enabled(Button::Run));
        QVERIFY(!form.progressVisible);
        QVERIFY(!activity.testRun);
    }

    VirtualClock clock;
    FakeSerialPort port;
    FakeForm form;
    FakeToolkit toolkit;
    WindowMembers members;
    Activity activity;
    CommandChannel channel{port, clock};
    MeasurementCycle cycle{port, channel, clock};
    TestRun testRun{form, toolkit, cycle, clock, members, activity};
};

} // namespace

class TestTestRun : public QObject
{
    Q_OBJECT

private slots:
    void passingCycle();
    void waitsFollowTheWholeSecondClock_data();
    void waitsFollowTheWholeSecondClock();
    void classDNeedsAPowerInRange_data();
    void classDNeedsAPowerInRange();
    void classDPowerChangedDuringTheCycleIsNeverJudged();
    void statusReadsOne_data();
    void statusReadsOne();
    void statusThatNeverReadsOneEndsThePoll_data();
    void statusThatNeverReadsOneEndsThePoll();
    void lateStatusLineEndNeverReachesTheResult();
    void replyThatIsNotWhole_data();
    void replyThatIsNotWhole();
    void runClickDuringACycleStopsIt_data();
    void runClickDuringACycleStopsIt();
    void clickDuringAWaitIsHandledAtTheNextDispatchPoint();
    void stopClickDeliveredAfterTheVerdictStartsNothing();
    void staleStatusOfAStoppedCycleIsNotTaken();
    void exitAtADispatchPointEndsTheCycle();
    void doubleClickOnStartTestIsNoStop_data();
    void doubleClickOnStartTestIsNoStop();
    void lineThatFailsMidCycle_data();
    void lineThatFailsMidCycle();
    void refusedTriggerEndsAtOnce();
    void previousResultsStayUntilTheCycleEmptiesThem();
    void fieldThatIsNotANumberIsNeverJudged_data();
    void fieldThatIsNotANumberIsNeverJudged();
    void replyWithoutLineEndIsIncomplete();
    void onlyTheLastLineAfterTheQueryIsTheReply_data();
    void onlyTheLastLineAfterTheQueryIsTheReply();
    void statusStreamedWithoutLineEndEndsThePollAtItsBound();
    void classCMessageQuotesThePowerFactorAsSent();
    void completeClassDResultCountsAsShown();
    void refusedResultQueryEndsAtOnce();
    void cycleWithoutAVerdictKeepsTheClass_data();
    void cycleWithoutAVerdictKeepsTheClass();
};

void TestTestRun::passingCycle()
{
    Bench bench;
    bench.members.TestFailed = -1; // from an earlier run
    bench.testRun.Run_Click();

    QCOMPARE(bench.port.wire, QByteArray("*TRG\r\n*STB?\r\n:FRD?\r\n"));
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Pass"));
    QCOMPARE(bench.form.field(Field::Reslbl).back, Colour::Pass);
    QCOMPARE(bench.members.TestFailed, qint16(0));
    QCOMPARE(bench.form.text(Field::Wattxt), QStringLiteral("75"));
    QCOMPARE(bench.form.text(Field::Vlttxt), QStringLiteral("230.1"));
    QCOMPARE(bench.form.hrmNo(1), QStringLiteral("80.2"));
    QCOMPARE(bench.form.hrmLim(0), QStringLiteral("1080mA"));
    QCOMPARE(bench.form.progressLog, (QList<int>{-1, 10, 20, 35, 50, 75, 90, 95, 100, -2}));
    bench.verifyControlsBack();
    QVERIFY(bench.toolkit.messages.isEmpty());
    // Three dispatch points, one at the end of the cycle while the controls
    // are still disabled, and one after the verdict for late stop clicks.
    QCOMPARE(bench.toolkit.dispatches, 5);
}

void TestTestRun::waitsFollowTheWholeSecondClock_data()
{
    QTest::addColumn<int>("msIntoSecond");
    QTest::newRow("early in a second") << 20;
    QTest::newRow("late in a second") << 980;
}

void TestTestRun::waitsFollowTheWholeSecondClock()
{
    QFETCH(int, msIntoSecond);
    Bench bench(Option::Aopt);
    bench.clock = VirtualClock(msIntoSecond);
    qint64 parsedAt = -1;
    bench.toolkit.onDispatch = [&](int n) {
        if (n == 4)
            parsedAt = bench.clock.nowMs();
    };
    bench.testRun.Run_Click();
    const qint64 trigger = bench.writtenAt("*TRG");
    const qint64 status = bench.writtenAt("*STB?");
    const qint64 read = bench.writtenAt(":FRD?");
    QVERIFY2(status - trigger > 4000 && status - trigger <= 5001,
             qPrintable(QString::number(status - trigger)));
    QVERIFY2(parsedAt - read > 2000 && parsedAt - read <= 3001,
             qPrintable(QString::number(parsedAt - read)));
}

void TestTestRun::classDNeedsAPowerInRange_data()
{
    QTest::addColumn<QString>("power");
    QTest::newRow("empty") << "";
    QTest::newRow("blank") << " ";
    QTest::newRow("1e6") << "1e6";
    QTest::newRow("-75") << "-75";
}

void TestTestRun::classDNeedsAPowerInRange()
{
    QFETCH(QString, power);
    Bench bench(Option::Dopt);
    bench.form.setText(Field::PowerD, power);
    bench.form.setText(Field::Reslbl, QStringLiteral("Fail"));
    bench.members.TestFailed = -1;
    bench.testRun.Run_Click();
    QCOMPARE(bench.toolkit.messages,
             QStringList{"You need to enter a value  from 50 to 600 for Class D Power"});
    QVERIFY(bench.port.wire.isEmpty());
    QCOMPARE(bench.members.TestFailed, qint16(-1));
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Fail"));
    QCOMPARE(bench.toolkit.dispatches, 0);

    // Another class runs whatever the power field holds.
    bench.form.select(Option::Aopt);
    bench.testRun.Run_Click();
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Pass"));
}

void TestTestRun::classDPowerChangedDuringTheCycleIsNeverJudged()
{
    // The power field stays editable: 1e6 typed at a dispatch point would
    // make every limit huge and the failing reply a "Pass".
    Bench bench(Option::Dopt);
    bench.answer({"1\r\n"}, failingReply());
    bench.toolkit.onDispatch = [&bench](int) {
        bench.form.setText(Field::PowerD, QStringLiteral("1e6"));
    };
    bench.testRun.Run_Click();
    QCOMPARE(bench.port.wire, QByteArray("*TRG\r\n*STB?\r\n:FRD?\r\n"));
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("No verdict"));
    QCOMPARE(bench.toolkit.messages.size(), 1);
    QVERIFY2(bench.toolkit.messages.first().contains(QLatin1String("from 50 to 600")),
             qPrintable(bench.toolkit.messages.first()));
    bench.verifyControlsBack();
}

void TestTestRun::statusReadsOne_data()
{
    QTest::addColumn<QList<QByteArray>>("status");
    QTest::newRow("one read") << QList<QByteArray>{"1\r\n"};
    QTest::newRow("spread over reads") << QList<QByteArray>{" ", "1", "\r", "\n"};
    QTest::newRow("blanks around") << QList<QByteArray>{"  1  \r\n"};
    QTest::newRow("empty line first") << QList<QByteArray>{"\r\n", "1\r\n"};
    QTest::newRow("line feed only") << QList<QByteArray>{"1\n"};
}

void TestTestRun::statusReadsOne()
{
    QFETCH(QList<QByteArray>, status);
    Bench bench;
    bench.answer(status, kPassingReply);
    bench.testRun.Run_Click();
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Pass"));
    QCOMPARE(bench.form.text(Field::Wattxt), QStringLiteral("75"));
    // No spinning: the poll sleeps until bytes arrive.
    QVERIFY2(bench.port.reads < 20, qPrintable(QString::number(bench.port.reads)));
}

void TestTestRun::statusThatNeverReadsOneEndsThePoll_data()
{
    QTest::addColumn<QList<QByteArray>>("status");
    QTest::addColumn<QString>("inMessage");
    QTest::newRow("silent analyzer") << QList<QByteArray>{} << "did not answer";
    QTest::newRow("status 0") << QList<QByteArray>{"0\r\n"} << "status read 0";
    QTest::newRow("other bits set") << QList<QByteArray>{"3\r\n"} << "status read 3";
    QTest::newRow("status 17") << QList<QByteArray>{"17\r\n"} << "status read 17";
    QTest::newRow("1 followed by digits") << QList<QByteArray>{"1", "0\r\n"} << "status read 10";
}

void TestTestRun::statusThatNeverReadsOneEndsThePoll()
{
    QFETCH(QList<QByteArray>, status);
    QFETCH(QString, inMessage);
    Bench bench;
    bench.answer(status, kPassingReply);
    bench.testRun.Run_Click();

    // Nothing is sent after the status query.
    QCOMPARE(bench.port.wire, QByteArray("*TRG\r\n*STB?\r\n"));
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Analyzer did not answer"));
    QCOMPARE(bench.form.field(Field::Reslbl).back, Colour::Fail);
    QCOMPARE(bench.toolkit.messages.size(), 1);
    QVERIFY2(bench.toolkit.messages.first().contains(inMessage),
             qPrintable(bench.toolkit.messages.first()));
    bench.verifyControlsBack();
    // The poll gave up 20 s after it began, sleeping meanwhile.
    const qint64 polled = bench.clock.nowMs() - bench.writtenAt("*STB?");
    QVERIFY2(polled >= 20000 && polled < 20500, qPrintable(QString::number(polled)));
    QVERIFY2(bench.port.reads < 20, qPrintable(QString::number(bench.port.reads)));
}

void TestTestRun::lateStatusLineEndNeverReachesTheResult()
{
    Bench bench;
    // The "1" comes, its CR LF only 400 ms later.
    bench.port.responder = [&](const QByteArray& line) {
        if (line == "*STB?") {
            bench.port.deliver("1", 50);
            bench.port.deliver("\r\n", 400);
        } else if (line == ":FRD?") {
            bench.port.deliver(kPassingReply, 50);
        }
    };
    bench.testRun.Run_Click();
    QCOMPARE(bench.form.text(Field::Wattxt), QStringLiteral("75"));
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Pass"));
    QVERIFY(bench.writtenAt(":FRD?") >= bench.writtenAt("*STB?") + 400);
}

void TestTestRun::replyThatIsNotWhole_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("wattxt");
    QTest::newRow("no reply") << QByteArray() << "No result received"
                              << "";
    QTest::newRow("line end only") << QByteArray("\r\n") << "No result received"
                                   << "";
    QTest::newRow("20 fields") << firstFields(kPassingReply, 20) << "Incomplete result"
                               << "75";
    QTest::newRow("46 fields") << firstFields(kPassingReply, 46) << "Incomplete result"
                               << "75";
    QTest::newRow("46 failing fields") << firstFields(failingReply(), 46) << "Incomplete result"
                                       << "75";
    // Longer than a reply can be: its front is dropped, so it is not whole.
    QTest::newRow("over 8 kB") << withField(kPassingReply, 7, QByteArray(9000, '7'))
                               << "Incomplete result"
                               << "";
}

void TestTestRun::replyThatIsNotWhole()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, status);
    QFETCH(QString, wattxt);
    Bench bench;
    bench.answer({"1\r\n"}, reply);
    bench.testRun.Run_Click();
    QCOMPARE(bench.form.text(Field::Reslbl), status);
    QCOMPARE(bench.form.field(Field::Reslbl).back, Colour::Fail);
    // Whatever did arrive is shown.
    QCOMPARE(bench.form.text(Field::Wattxt), wattxt);
    bench.verifyControlsBack();
}

void TestTestRun::runClickDuringACycleStopsIt_data()
{
    QTest::addColumn<int>("dispatch");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("A: before anything changed") << 1 << QByteArray();
    QTest::newRow("B: controls disabled") << 2 << QByteArray();
    QTest::newRow("C: status queried") << 3 << QByteArray("*TRG\r\n*STB?\r\n");
}

void TestTestRun::runClickDuringACycleStopsIt()
{
    QFETCH(int, dispatch);
    QFETCH(QByteArray, sent);
    Bench bench;
    bench.toolkit.onDispatch = [&](int n) {
        if (n == dispatch)
            bench.testRun.Run_Click();
    };
    bench.testRun.Run_Click();
    QCOMPARE(bench.port.wire, sent);
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Stopped"));
    QCOMPARE(bench.form.field(Field::Reslbl).back, Colour::Neutral);
    bench.verifyControlsBack();
    QVERIFY(!bench.activity.stopRequested);
    // The next click starts a whole new cycle.
    bench.toolkit.onDispatch = nullptr;
    bench.port.wire.clear();
    bench.testRun.Run_Click();
    QCOMPARE(bench.port.wire, QByteArray("*TRG\r\n*STB?\r\n:FRD?\r\n"));
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Pass"));
}

void TestTestRun::clickDuringAWaitIsHandledAtTheNextDispatchPoint()
{
    Bench bench;
    // The operator clicks "Stop Test" two seconds into the 5-second wait.
    bench.port.responder = [&](const QByteArray& line) {
        if (line == "*TRG")
            bench.clock.at(bench.clock.nowMs() + 2000,
                           [&] { bench.toolkit.queueClick([&] { bench.testRun.Run_Click(); }); });
    };
    bench.testRun.Run_Click();
    QCOMPARE(bench.port.wire, QByteArray("*TRG\r\n*STB?\r\n"));
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Stopped"));
}

void TestTestRun::stopClickDeliveredAfterTheVerdictStartsNothing()
{
    Bench bench;
    // Clicked during the 3-second wait: the window system delivers it only
    // once the verdict is shown.
    bench.port.responder = [&](const QByteArray& line) {
        if (line == "*STB?")
            bench.port.deliver("1\r\n", 20);
        if (line == ":FRD?") {
            bench.port.deliver(kPassingReply, 50);
            bench.toolkit.queueClick([&] { bench.testRun.Run_Click(); });
        }
    };
    bench.testRun.Run_Click();
    QCOMPARE(bench.port.wire, QByteArray("*TRG\r\n*STB?\r\n:FRD?\r\n"));
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Pass"));
    QVERIFY(!bench.toolkit.hasQueuedClicks());
    QVERIFY(!bench.activity.stopRequested);
}

void TestTestRun::staleStatusOfAStoppedCycleIsNotTaken()
{
    Bench bench;
    bench.toolkit.onDispatch = [&](int n) {
        if (n == 3)
            bench.testRun.Run_Click();
    };
    bench.testRun.Run_Click();
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Stopped"));
    // The status of the stopped cycle arrives; then the analyzer falls silent.
    bench.clock.advance(1000);
    bench.toolkit.onDispatch = nullptr;
    bench.answer({}, QByteArray());
    bench.testRun.Run_Click();
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Analyzer did not answer"));
}

void TestTestRun::exitAtADispatchPointEndsTheCycle()
{
    // 4: EXIT made during the wait after ":FRD?", handled as the cycle ends.
    for (int dispatch = 1; dispatch <= 4; ++dispatch) {
        Bench bench;
        QList<Verdict> recorded;
        bench.testRun.setResultListener(
            [&](const CycleResult& result) { recorded << result.verdict; });
        bench.toolkit.onDispatch = [&](int n) {
            if (n == dispatch) {
                // What EXIT does with the port open.
                bench.channel.Out(QStringLiteral(":DVC"));
                bench.channel.Delay(QStringLiteral("2"));
                bench.port.close();
                bench.activity.ending = true;
            }
        };
        bench.testRun.Run_Click();
        QVERIFY2(bench.port.wire.endsWith(":DVC\r\n"), qPrintable(QString::number(dispatch)));
        QCOMPARE(bench.port.events.last(), QStringLiteral("close"));
        QCOMPARE(bench.toolkit.dispatches, dispatch);
        QVERIFY(bench.toolkit.messages.isEmpty());
        // Once "*TRG" has gone the cycle is a measurement: recorded, as
        // stopped, before the tool ends.
        QCOMPARE(recorded, dispatch >= 3 ? QList<Verdict>{Verdict::Stopped} : QList<Verdict>{});
    }
}

void TestTestRun::doubleClickOnStartTestIsNoStop_data()
{
    QTest::addColumn<int>("secondClickAfterMs");
    QTest::addColumn<QString>("verdict");
    // Within the desktop's double-click interval of 400 ms, or not.
    QTest::newRow("double click") << 250 << "Pass";
    QTest::newRow("a later click stops") << 450 << "Stopped";
}

void TestTestRun::doubleClickOnStartTestIsNoStop()
{
    QFETCH(int, secondClickAfterMs);
    QFETCH(QString, verdict);
    Bench bench;
    bench.toolkit.clickAtMs = 1000;
    // The second click, made during the wait after "*TRG", is handled seconds later.
    bench.toolkit.onDispatch = [&](int n) {
        bench.toolkit.clickAtMs = 1000 + secondClickAfterMs;
        if (n == 3)
            bench.testRun.Run_Click();
    };
    bench.testRun.Run_Click();
    QCOMPARE(bench.form.text(Field::Reslbl), verdict);
}

void TestTestRun::lineThatFailsMidCycle_data()
{
    QTest::addColumn<QByteArray>("breaksAfter");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("after the trigger") << QByteArray("*TRG") << QByteArray("*TRG\r\n");
    QTest::newRow("during the status poll")
        << QByteArray("*STB?") << QByteArray("*TRG\r\n*STB?\r\n");
    QTest::newRow("during the result read")
        << QByteArray(":FRD?") << QByteArray("*TRG\r\n*STB?\r\n:FRD?\r\n");
}

void TestTestRun::lineThatFailsMidCycle()
{
    QFETCH(QByteArray, breaksAfter);
    QFETCH(QByteArray, sent);
    Bench bench;
    bench.port.responder = [&](const QByteArray& line) {
        if (line == "*STB?")
            bench.port.deliver("1\r\n", 20);
        if (line == breaksAfter)
            bench.port.breakLine(QStringLiteral("the device was removed"));
    };
    bench.testRun.Run_Click();
    QCOMPARE(bench.port.wire, sent);
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Line failed"));
    QCOMPARE(bench.form.field(Field::Reslbl).back, Colour::Fail);
    QCOMPARE(bench.toolkit.messages.size(), 1);
    QVERIFY(bench.toolkit.messages.first().contains(QLatin1String("the device was removed")));
    bench.verifyControlsBack();
}

void TestTestRun::refusedTriggerEndsAtOnce()
{
    Bench bench;
    bench.port.writesBeforeFailure = 0;
    const qint64 start = bench.clock.nowMs();
    bench.testRun.Run_Click();
    QVERIFY(bench.port.wire.isEmpty());
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Line failed"));
    // No 5-second wait for an analyzer that was never asked.
    QCOMPARE(bench.clock.nowMs(), start);
    bench.verifyControlsBack();
}

void TestTestRun::previousResultsStayUntilTheCycleEmptiesThem()
{
    Bench bench;
    bench.answer({"1\r\n"}, failingReply());
    bench.testRun.Run_Click();
    QCOMPARE(bench.form.no[1].back, Colour::Fail);
    // At point A nothing has changed yet; at point B the verdict is replaced
    // but the cells still hold the previous result; at C they are empty.
    QStringList seen;
    const int before = bench.toolkit.dispatches;
    bench.toolkit.onDispatch = [&](int n) {
        seen << QStringLiteral("%1|%2|%3")
                    .arg(n - before)
                    .arg(bench.form.text(Field::Reslbl), bench.form.hrmNo(1));
    };
    bench.answer({"1\r\n"}, kPassingReply);
    bench.testRun.Run_Click();
    // Clicks held during the last waits are handled once the new result is
    // shown.
    QCOMPARE(seen, (QStringList{"1|Fail|3500", "2|Retrieving results....|3500",
                                "3|Retrieving results....|", "4|Pass|80.2", "5|Pass|80.2"}));
    QCOMPARE(bench.form.no[1].back, Colour::Neutral);
    QCOMPARE(bench.form.no[1].fore, Colour::Black);
}

void TestTestRun::fieldThatIsNotANumberIsNeverJudged_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("named");
    QTest::newRow("nan") << withField(kPassingReply, 20, "nan") << "Field 20";
    QTest::newRow("inf") << withField(kPassingReply, 47, "inf") << "Field 47";
    QTest::newRow("blanks") << withField(kPassingReply, 9, "   ") << "Field 9";
    QTest::newRow("empty") << withField(kPassingReply, 30, "") << "Field 30";
    QTest::newRow("0xFF") << withField(kPassingReply, 12, "\xff") << "Field 12";
    QTest::newRow("voltage") << withField(kPassingReply, 2, "2x30") << "Field 2";
    // A NUL in front of the failing "0.5" of the 8th harmonic.
    QTest::newRow("NUL before a failing value") << withField(kPassingReply, 15,
                                                             QByteArray("\0"
                                                                        "0.5",
                                                                        4))
                                                << "Field 15";
}

void TestTestRun::fieldThatIsNotANumberIsNeverJudged()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, named);
    Bench bench;
    bench.answer({"1\r\n"}, reply);
    bench.testRun.Run_Click();
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Invalid result"));
    QCOMPARE(bench.form.field(Field::Reslbl).back, Colour::Fail);
    QCOMPARE(bench.toolkit.messages.size(), 1);
    const QString message = bench.toolkit.messages.first();
    QVERIFY2(message.startsWith(named + QLatin1String(" of the result reply")),
             qPrintable(message));
    QVERIFY(!message.contains(QChar(0)));
    bench.verifyControlsBack();
}

void TestTestRun::replyWithoutLineEndIsIncomplete()
{
    // The last field, a failing 0.5 A, is cut inside its number.
    Bench bench;
    QByteArray cut = withField(kPassingReply, 47, "0.5").trimmed();
    cut.chop(1);
    bench.answer({"1\r\n"}, cut);
    bench.testRun.Run_Click();
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Incomplete result"));
    QCOMPARE(bench.form.field(Field::Reslbl).back, Colour::Fail);
}

void TestTestRun::onlyTheLastLineAfterTheQueryIsTheReply_data()
{
    QTest::addColumn<QList<QByteArray>>("status");
    QTest::addColumn<QByteArray>("beforeReply");
    // A stray line 100 ms after the status, once ":FRD?" has gone.
    QTest::newRow("stray line") << QList<QByteArray>{"1\r\n", "1,\r\n"} << QByteArray();
    // The status line end comes more than 1 s after its "1".
    QTest::newRow("late line end") << QList<QByteArray>{"1"} << QByteArray("\r\n");
    QTest::newRow("empty lines") << QList<QByteArray>{"1\r\n"} << QByteArray("\r\n\r\n");
}

void TestTestRun::onlyTheLastLineAfterTheQueryIsTheReply()
{
    QFETCH(QList<QByteArray>, status);
    QFETCH(QByteArray, beforeReply);
    Bench bench;
    bench.answer(status, beforeReply + failingReply());
    bench.testRun.Run_Click();
    QCOMPARE(bench.form.text(Field::Wattxt), QStringLiteral("75"));
    QCOMPARE(bench.form.hrmNo(1), QStringLiteral("3500"));
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Fail"));
}

void TestTestRun::statusStreamedWithoutLineEndEndsThePollAtItsBound()
{
    Bench bench;
    bench.port.responder = [&](const QByteArray& line) {
        if (line == "*STB?")
            for (int n = 0; n < 300; ++n)
                bench.port.deliver(QByteArray(100000, '0'), 100);
    };
    bench.testRun.Run_Click();
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Analyzer did not answer"));
    const qint64 polled = bench.clock.nowMs() - bench.writtenAt("*STB?");
    QVERIFY2(polled >= 20000 && polled < 20500, qPrintable(QString::number(polled)));
    QCOMPARE(bench.toolkit.messages.size(), 1);
    QVERIFY(bench.toolkit.messages.first().contains(QString(40, QLatin1Char('0')) + "..."));
    QVERIFY(bench.toolkit.messages.first().size() < 400);
}

void TestTestRun::classCMessageQuotesThePowerFactorAsSent()
{
    Bench bench(Option::Copt);
    bench.answer({"1\r\n"}, withField(kPassingReply, 4, "1.50E+00"));
    bench.testRun.Run_Click();
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("No verdict"));
    QCOMPARE(bench.toolkit.messages.size(), 1);
    QVERIFY2(bench.toolkit.messages.first().contains(QLatin1String("is 1.50E+00: its magnitude")),
             qPrintable(bench.toolkit.messages.first()));
}

void TestTestRun::completeClassDResultCountsAsShown()
{
    Bench bench(Option::Dopt);
    QVERIFY(!measurementShown(bench.form));
    bench.testRun.Run_Click();
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Pass"));
    QVERIFY(bench.form.hrmNo(0).isEmpty());
    QVERIFY(measurementShown(bench.form));
    // A cycle that empties the cells and gets no answer leaves nothing shown.
    bench.answer({}, QByteArray());
    bench.testRun.Run_Click();
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Analyzer did not answer"));
    QVERIFY(!measurementShown(bench.form));
}

void TestTestRun::refusedResultQueryEndsAtOnce()
{
    Bench bench;
    bench.port.writesBeforeFailure = 2; // "*TRG" and "*STB?" go, ":FRD?" is refused
    bench.testRun.Run_Click();
    QCOMPARE(bench.form.text(Field::Reslbl), QStringLiteral("Line failed"));
    // No 3-second wait for a reply that was never asked for.
    QVERIFY(bench.clock.nowMs() - bench.writtenAt("*STB?") < 1000);
    bench.verifyControlsBack();
}

QTEST_GUILESS_MAIN(TestTestRun)
#include "tst_test_run.moc"

void TestTestRun::cycleWithoutAVerdictKeepsTheClass_data()
{
    QTest::addColumn<QByteArray>("status"); // the answer to *STB?; empty: none
    QTest::addColumn<bool>("lineFails");    // after *TRG
    QTest::addColumn<bool>("stopClick");    // once the status was queried
    QTest::addColumn<QString>("verdict");
    QTest::newRow("stopped") << QByteArray("1\r\n") << false << true << "Stopped";
    QTest::newRow("no answer") << QByteArray() << false << false << "Analyzer did not answer";
    QTest::newRow("line failed") << QByteArray("1\r\n") << true << false << "Line failed";
}

// The record of the cycle keeps the class and the Class D power it ran under.
void TestTestRun::cycleWithoutAVerdictKeepsTheClass()
{
    QFETCH(QByteArray, status);
    QFETCH(bool, lineFails);
    QFETCH(bool, stopClick);
    QFETCH(QString, verdict);
    Bench bench(Option::Dopt);
    bench.form.setText(Field::PowerD, QStringLiteral("75"));
    bench.answer(status.isEmpty() ? QList<QByteArray>{} : QList<QByteArray>{status}, kPassingReply);
    if (lineFails)
        bench.port.responder = [&](const QByteArray&) {
            bench.port.breakLine(QStringLiteral("the device was removed"));
        };
    if (stopClick)
        bench.toolkit.onDispatch = [&](int n) {
            if (n == 3)
                bench.testRun.Run_Click();
        };
    QList<CycleResult> kept;
    bench.testRun.setResultListener([&](const CycleResult& result) { kept.append(result); });
    bench.testRun.Run_Click();
    QCOMPARE(kept.size(), 1);
    QCOMPARE(verdictText(kept.first().verdict), verdict);
    QCOMPARE(kept.first().judgement.productClass, ProductClass::D);
    QCOMPARE(kept.first().judgement.power, QStringLiteral("75"));
}
