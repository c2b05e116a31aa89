// The serial adapter over a real pseudo-terminal, driven as the handlers
// drive it: on the window's thread with no event loop running.

#include "com_port_override.h"
#include "com_ports.h"
#include "command_channel.h"
#include "device_holder.h"
#include "pty_pair.h"
#include "qt_serial_port.h"
#include "system_clock.h"

#include <QElapsedTimer>
#include <QTest>

#include <thread>

class TestSerialLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void comOptionsNameDevices();
    void outPutsTheBytesOnTheLineAtOnce();
    void incomingReturnsWhatArrivedDuringADelay();
    void openDiscardsLeftovers();
    void closeLetsTheLastCommandOut();
    void missingDeviceIsAnError();
    void deviceHeldByAnotherProcessIsAnError();
    void lineThatDiesIsReported();
};

void TestSerialLine::initTestCase()
{
    REQUIRE_PTY();
}

void TestSerialLine::comOptionsNameDevices()
{
    qunsetenv("IEC1000_COM3");
    QCOMPARE(comPortDevice(1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(comPortDevice(4), QStringLiteral("/dev/ttyS3"));
    QCOMPARE(comPortDevice(0), QString());
    QCOMPARE(comPortDevice(5), QString());
    {
        ComPortOverride usb(3, QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(comPortDevice(3), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(comPortDevice(2), QStringLiteral("/dev/ttyS1"));
    }
    qputenv("IEC1000_COM3", "");
    QCOMPARE(comPortDevice(3), QStringLiteral("/dev/ttyS2"));
    qunsetenv("IEC1000_COM3");
}

void TestSerialLine::outPutsTheBytesOnTheLineAtOnce()
{
    PtyPair pty;
    ComPortOverride com(2, pty.slavePath());
    QtSerialPort port;
    port.setCommPort(2);
    QCOMPARE(port.deviceName(), pty.slavePath());
    const Outcome opened = port.open();
    QVERIFY2(opened.succeeded(), qPrintable(opened.reason()));
    QVERIFY(port.portOpen());

    SystemClock clock;
    QString result;
    CommandChannel channel(port, clock, result);
    channel.Out(QStringLiteral(":SEL:CLR"));
    // No event loop has run: the bytes must already be at the device.
    QCOMPARE(pty.read(0), QByteArray(":SEL:CLR\r\n"));
    channel.Out(QString());
    QCOMPARE(pty.read(0), QByteArray("\r\n"));
    QVERIFY(channel.fault().isEmpty());
    port.close();
    QVERIFY(!port.portOpen());
}

void TestSerialLine::incomingReturnsWhatArrivedDuringADelay()
{
    PtyPair pty;
    ComPortOverride com(1, pty.slavePath());
    QtSerialPort port;
    port.setCommPort(1);
    QVERIFY(port.open().succeeded());
    SystemClock clock;
    QString result = QStringLiteral("stale");
    CommandChannel channel(port, clock, result);

    // The analyzer answers while the window's thread sleeps in Delay.
    std::thread analyzer([&pty] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        pty.write("1\r\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pty.write("75.0,230.1\r\n");
    });
    QElapsedTimer waited;
    waited.start();
    channel.Delay(QStringLiteral("2"));
    analyzer.join();
    QVERIFY(waited.elapsed() >= 1000 - 20 && waited.elapsed() <= 2000 + 100);
    channel.Incoming();
    QCOMPARE(result, QStringLiteral("1\r\n75.0,230.1\r\n"));
    channel.Incoming();
    QCOMPARE(result, QString());
}

void TestSerialLine::openDiscardsLeftovers()
{
    PtyPair pty;
    ComPortOverride com(1, pty.slavePath());
    QtSerialPort port;
    port.setCommPort(1);
    QVERIFY(port.open().succeeded());
    port.close();
    // An answer that comes after the port closed waits in the device.
    pty.write("1\r\nleft over\r\n");
    QTest::qWait(50);
    QVERIFY(port.open().succeeded());
    QCOMPARE(port.input(), QByteArray());
    pty.write("fresh\r\n");
    QVERIFY(port.waitForInput(2000));
    QCOMPARE(port.input(), QByteArray("fresh\r\n"));
}

void TestSerialLine::closeLetsTheLastCommandOut()
{
    PtyPair pty;
    ComPortOverride com(1, pty.slavePath());
    QtSerialPort port;
    port.setCommPort(1);
    QVERIFY(port.open().succeeded());
    SystemClock clock;
    QString result;
    CommandChannel channel(port, clock, result);
    channel.Out(QStringLiteral("*RST"));
    port.close();
    QCOMPARE(pty.read(500), QByteArray("*RST\r\n"));
}

void TestSerialLine::missingDeviceIsAnError()
{
    ComPortOverride com(2, QStringLiteral("/dev/iec1000-no-such-device"));
    QtSerialPort port;
    port.setCommPort(2);
    const Outcome opened = port.open();
    QVERIFY(!opened.succeeded());
    QVERIFY2(opened.reason().contains(QLatin1String("No such file"), Qt::CaseInsensitive) ||
                 opened.reason().contains(QLatin1String("no such device"), Qt::CaseInsensitive),
             qPrintable(opened.reason()));
    QVERIFY(!port.portOpen());
    // Writing to the port that did not open is refused, not a crash.
    QVERIFY(!port.output("*RST\r\n").succeeded());
    QCOMPARE(port.input(), QByteArray());
    port.close();

    QtSerialPort unchosen;
    QVERIFY(!unchosen.open().succeeded());
}

void TestSerialLine::deviceHeldByAnotherProcessIsAnError()
{
    PtyPair pty;
    ComPortOverride com(3, pty.slavePath());
    DeviceHolder other(pty.slavePath());
    QVERIFY(other.holding());

    QtSerialPort port;
    port.setCommPort(3);
    const Outcome result = port.open();
    QVERIFY(!result.succeeded());
    QVERIFY(!result.reason().isEmpty());
    QVERIFY(!port.portOpen());

    // Once the other program has let go, the port opens.
    other.release();
    QVERIFY(port.open().succeeded());
}

void TestSerialLine::lineThatDiesIsReported()
{
    PtyPair pty;
    ComPortOverride com(1, pty.slavePath());
    QtSerialPort port;
    port.setCommPort(1);
    QVERIFY(port.open().succeeded());
    SystemClock clock;
    QString result;
    CommandChannel channel(port, clock, result);

    pty.releaseSlave();
    pty.closeMaster();
    channel.Incoming();
    channel.Out(QStringLiteral("*TRG"));
    QVERIFY2(!channel.fault().isEmpty(), "a line without its device must be reported");
    QVERIFY(!port.fault().isEmpty());
    QVERIFY(!port.waitForInput(100));
    port.close();
    QVERIFY(!port.portOpen());
}

QTEST_GUILESS_MAIN(TestSerialLine)
#include "tst_serial_line.moc"
