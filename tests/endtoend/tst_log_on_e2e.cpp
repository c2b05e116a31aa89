// Log on, log off and EXIT over a pseudo-terminal to the simulated analyzer.

#include "device_holder.h"
#include "e2e_bench.h"

#include <QElapsedTimer>

class TestLogOnEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void logOnSendsTheConfigurationWithItsWaits();
    void logOffResetsTheAnalyzerBeforeTheLineCloses();
    void silentAnalyzerStillEndsConfigured();
    void missingDeviceIsReported();
    void deviceHeldByAnotherProcessIsReported();
    void exitWithThePortOpen();
};

void TestLogOnEndToEnd::logOnSendsTheConfigurationWithItsWaits()
{
    E2EBench bench;
    START_BENCH(bench, QStringLiteral("pass"), 2);
    QElapsedTimer took;
    took.start();
    bench.logOn(2);
    const qint64 elapsed = took.elapsed();

    QCOMPARE(bench.reslbl(), QStringLiteral("Connected & Configured"));
    QVERIFY(bench.sim.waitForReceived(12, 2000));
    QCOMPARE(bench.received(), kExpectedConfiguration);
    // Exactly those bytes and no other: every received line was whole.
    QByteArray everything;
    for (const QByteArray& line : bench.sim.received())
        everything += line;
    QByteArray expected;
    for (const QByteArray& line : kExpectedConfiguration)
        expected += line + "\r\n";
    QCOMPARE(everything, expected);
    QVERIFY(bench.sim.sent().isEmpty());

    // The waits after ":DVC", ":CFG 26,1" and ":SEL:PWF;:SEL:FRQ" each end
    // on the next change of the clock's seconds (0.1 s of slack for the
    // simulator's reading).
    const QList<SimLogEntry> rx = bench.sim.entries("RX");
    for (int after : {0, 5, 10}) {
        const double gap = rx[after + 1].atSeconds - rx[after].atSeconds;
        QVERIFY2(gap >= 0 && gap <= 1.1,
                 qPrintable(QStringLiteral("gap after line %1: %2 s").arg(after + 1).arg(gap)));
    }
    QVERIFY2(elapsed <= 3300, qPrintable(QStringLiteral("log on took %1 ms").arg(elapsed)));
}

void TestLogOnEndToEnd::logOffResetsTheAnalyzerBeforeTheLineCloses()
{
    E2EBench bench;
    START_BENCH(bench, QStringLiteral("pass"));
    bench.logOn();
    QVERIFY(bench.sim.waitForReceived(12, 2000));
    // As if the last test had failed.
    bench.window->setText(Field::Reslbl, QStringLiteral("Fail"));
    bench.window->setBackColor(Field::Reslbl, Colour::Fail);

    bench.click(bench.window->Log);
    QVERIFY(!bench.port().portOpen());
    QVERIFY(bench.sim.waitForReceived(13, 2000));
    QCOMPARE(bench.received().last(), QByteArray("*RST"));
    QCOMPARE(bench.reslbl(), QStringLiteral("Disconnected"));
    QCOMPARE(bench.reslblColour(), IEC1000::colourOf(Colour::Neutral));
    QCOMPARE(bench.window->Log->text(), QStringLiteral("Log On"));
    QVERIFY(bench.window->Log->isEnabled());
    QVERIFY(bench.window->com1->isEnabled() && bench.window->com1->isChecked());
    QVERIFY(!bench.window->Aopt->isEnabled());
    QVERIFY(!bench.window->Run->isEnabled());

    // And on again over the same line.
    bench.click(bench.window->Log);
    QCOMPARE(bench.reslbl(), QStringLiteral("Connected & Configured"));
    QVERIFY(bench.sim.waitForReceived(25, 2000));
}

void TestLogOnEndToEnd::silentAnalyzerStillEndsConfigured()
{
    E2EBench bench;
    START_BENCH(bench, QStringLiteral("silent"));
    bench.logOn();
    QCOMPARE(bench.reslbl(), QStringLiteral("Connected & Configured"));
    QVERIFY(bench.toolkit().messages.isEmpty());
    QVERIFY(bench.window->Aopt->isEnabled());
}

void TestLogOnEndToEnd::missingDeviceIsReported()
{
    E2EBench bench;
    bench.otherComs = {{3, QStringLiteral("/dev/iec1000-test-no-such-device")}};
    START_BENCH(bench, QStringLiteral("pass"));
    bench.logOn(3);

    QCOMPARE(bench.toolkit().messages.size(), 1);
    const QString message = bench.toolkit().messages.first();
    QVERIFY2(message.contains(QLatin1String("Com 3")) &&
                 message.contains(QLatin1String("/dev/iec1000-test-no-such-device")) &&
                 message.contains(QLatin1String("No such file"), Qt::CaseInsensitive),
             qPrintable(message));
    QCOMPARE(bench.reslbl(), QStringLiteral("Com 3 could not be opened"));
    QCOMPARE(bench.window->Log->text(), QStringLiteral("Log On"));
    QVERIFY(bench.window->Log->isEnabled());
    QVERIFY(bench.window->com1->isEnabled() && bench.window->com3->isEnabled());
    QVERIFY(!bench.window->Aopt->isEnabled() && !bench.window->Dopt->isEnabled());
    QVERIFY(!bench.window->Run->isEnabled());
    QVERIFY(bench.window->cursor().shape() != Qt::WaitCursor);
    QVERIFY(bench.window->ProgressBar1->isHidden());

    // Another port: the simulator on Com 1.
    bench.logOn(1);
    QCOMPARE(bench.reslbl(), QStringLiteral("Connected & Configured"));
    QVERIFY(bench.sim.waitForReceived(12, 2000));
}

void TestLogOnEndToEnd::deviceHeldByAnotherProcessIsReported()
{
    E2EBench bench;
    START_BENCH(bench, QStringLiteral("pass"));
    DeviceHolder other(bench.sim.devicePath());
    QVERIFY(other.holding());
    bench.logOn(1);

    QCOMPARE(bench.toolkit().messages.size(), 1);
    QVERIFY2(bench.toolkit().messages.first().contains(bench.sim.devicePath()),
             qPrintable(bench.toolkit().messages.first()));
    QCOMPARE(bench.reslbl(), QStringLiteral("Com 1 could not be opened"));
    QCOMPARE(bench.window->Log->text(), QStringLiteral("Log On"));
    QVERIFY(bench.received().isEmpty());

    other.release();
    bench.click(bench.window->Log);
    QCOMPARE(bench.reslbl(), QStringLiteral("Connected & Configured"));
}

void TestLogOnEndToEnd::exitWithThePortOpen()
{
    E2EBench bench;
    START_BENCH(bench, QStringLiteral("pass"));
    bench.logOn();
    QVERIFY(bench.sim.waitForReceived(12, 2000));

    QElapsedTimer took;
    took.start();
    bench.click(bench.window->Exit);
    const qint64 elapsed = took.elapsed();
    QVERIFY(!bench.port().portOpen());
    QVERIFY(!bench.window->isVisible());
    QVERIFY(bench.sim.waitForReceived(13, 2000));
    QCOMPARE(bench.received().last(), QByteArray(":DVC"));
    // Delay "2": between one and two seconds.
    QVERIFY2(elapsed >= 950 && elapsed <= 2150, qPrintable(QString::number(elapsed)));
}

QTEST_MAIN(TestLogOnEndToEnd)
#include "tst_log_on_e2e.moc"
