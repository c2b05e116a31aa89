// Out, Incoming and Delay on a scripted port and the virtual clock.

#include "command_channel.h"
#include "fake_serial_port.h"
#include "virtual_clock.h"

#include <QTest>

class TestCommandChannel : public QObject
{
    Q_OBJECT

private slots:
    void outFramesOneLine_data();
    void outFramesOneLine();
    void outOnClosedPortIsAFaultNotACrash();
    void incomingReplacesResult();
    void delayEndsOnAChangeOfTheSeconds_data();
    void delayEndsOnAChangeOfTheSeconds();
    void delaySleepsInsteadOfSpinning();
};

void TestCommandChannel::outFramesOneLine_data()
{
    QTest::addColumn<QString>("sendtext");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("command") << ":SEL:CLR" << QByteArray(":SEL:CLR\r\n");
    QTest::newRow("several commands")
        << ":SEL:VLT;:SEL:AMP;:SEL:WAT" << QByteArray(":SEL:VLT;:SEL:AMP;:SEL:WAT\r\n");
    QTest::newRow("empty") << "" << QByteArray("\r\n");
}

void TestCommandChannel::outFramesOneLine()
{
    QFETCH(QString, sendtext);
    QFETCH(QByteArray, wire);
    VirtualClock clock;
    FakeSerialPort port(clock);
    CommandChannel channel(port, clock);
    QVERIFY(port.open().succeeded());
    channel.Out(sendtext);
    QCOMPARE(port.wire, wire);
    QCOMPARE(port.reads, 0);
    QVERIFY(channel.fault().isEmpty());
}

void TestCommandChannel::outOnClosedPortIsAFaultNotACrash()
{
    VirtualClock clock;
    FakeSerialPort port(clock);
    CommandChannel channel(port, clock);
    channel.Out(QStringLiteral(":DVC"));
    QVERIFY(port.wire.isEmpty());
    QCOMPARE(channel.fault(), QStringLiteral("the port is not open"));
    // The first failure is kept until it is cleared.
    QVERIFY(port.open().succeeded());
    channel.Out(QStringLiteral(":DVC"));
    QCOMPARE(channel.fault(), QStringLiteral("the port is not open"));
    channel.clearFault();
    QVERIFY(channel.fault().isEmpty());
}

void TestCommandChannel::incomingReplacesResult()
{
    VirtualClock clock;
    FakeSerialPort port(clock);
    CommandChannel channel(port, clock);
    QVERIFY(port.open().succeeded());
    port.deliver("old reply");
    channel.Incoming();
    QCOMPARE(channel.result(), QStringLiteral("old reply"));

    channel.Incoming();
    QCOMPARE(channel.result(), QString());

    port.deliver("1\r\n");
    port.deliver("230.1,0.5\r\n", 100);
    clock.advance(200);
    channel.Incoming();
    QCOMPARE(channel.result(), QStringLiteral("1\r\n230.1,0.5\r\n"));

    // What was read is gone from the port.
    channel.Incoming();
    QCOMPARE(channel.result(), QString());
}

void TestCommandChannel::delayEndsOnAChangeOfTheSeconds_data()
{
    QTest::addColumn<int>("msIntoSecond");
    QTest::addColumn<QString>("delayTime");
    QTest::addColumn<int>("expectedMs");
    // The whole-second clock: the wait ends just after a change of the seconds.
    QTest::newRow("0.05 early in a second") << 300 << "0.05" << 701;
    QTest::newRow("0.05 just before a change") << 999 << "0.05" << 2;
    QTest::newRow("0.05 right on a change") << 0 << "0.05" << 1001;
    QTest::newRow("1") << 300 << "1" << 701;
    QTest::newRow("2") << 300 << "2" << 1701;
    QTest::newRow("3") << 300 << "3" << 2701;
    QTest::newRow("5 late in a second") << 900 << "5" << 4101;
    QTest::newRow("5 early in a second") << 10 << "5" << 4991;
    QTest::newRow("0 does not wait") << 300 << "0" << 0;
    QTest::newRow("negative does not wait") << 300 << "-1" << 0;
    QTest::newRow("text without number does not wait") << 300 << "" << 0;
}

void TestCommandChannel::delayEndsOnAChangeOfTheSeconds()
{
    QFETCH(int, msIntoSecond);
    QFETCH(QString, delayTime);
    QFETCH(int, expectedMs);
    VirtualClock clock(msIntoSecond);
    FakeSerialPort port(clock);
    CommandChannel channel(port, clock);
    const qint64 start = clock.nowMs();
    const qint64 startSecond = clock.wholeSeconds();
    channel.Delay(delayTime);
    QCOMPARE(clock.nowMs() - start, qint64(expectedMs));
    if (expectedMs > 0)
        QCOMPARE(clock.wholeSeconds() - startSecond, qint64(std::ceil(delayTime.toDouble())));
}

void TestCommandChannel::delaySleepsInsteadOfSpinning()
{
    VirtualClock clock(500);
    FakeSerialPort port(clock);
    CommandChannel channel(port, clock);
    channel.Delay(QStringLiteral("5"));
    // One sleep per change of the seconds, not a busy loop.
    QCOMPARE(clock.sleeps(), 5);
    QCOMPARE(port.reads, 0);
}

QTEST_GUILESS_MAIN(TestCommandChannel)
#include "tst_command_channel.moc"
