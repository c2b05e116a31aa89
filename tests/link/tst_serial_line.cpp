// The serial adapter over a real pseudo-terminal, driven as the handlers
// drive it: on the window's thread with no event loop running.

#include "com_ports.h"
#include "command_channel.h"
#include "device_holder.h"
#include "pty_pair.h"
#include "qt_serial_port.h"
#include "simulator.h"
#include "system_clock.h"

#include <QElapsedTimer>
#include <QTest>

#include <thread>

namespace {
// A pseudo-terminal, the adapter on it, and the channel over the adapter.
struct Line
{
    Line() { port.setDevice(pty.slavePath()); }

    PtyPair pty;
    QtSerialPort port;
    SystemClock clock;
    CommandChannel channel{port, clock};
};
} // namespace

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
    QByteArray why;
    QVERIFY2(ptsUsable(&why), why.constData());
}

void TestSerialLine::comOptionsNameDevices()
{
    qunsetenv("IEC1000_COM3");
    QCOMPARE(ComDevices::fromEnvironment().device(1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(ComDevices::fromEnvironment().device(4), QStringLiteral("/dev/ttyS3"));
    QCOMPARE(ComDevices().device(0), QString());
    QCOMPARE(ComDevices().device(5), QString());
    qputenv("IEC1000_COM3", "/dev/ttyUSB0");
    const ComDevices usb = ComDevices::fromEnvironment();
    QCOMPARE(usb.device(3), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(usb.device(2), QStringLiteral("/dev/ttyS1"));
    // Read once: a later change of the environment leaves the value as it is.
    qputenv("IEC1000_COM3", "");
    QCOMPARE(usb.device(3), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(ComDevices::fromEnvironment().device(3), QStringLiteral("/dev/ttyS2"));
    qunsetenv("IEC1000_COM3");
    // The adapter opens the device the face resolved the option to.
    QtSerialPort port;
    port.setDevice(usb.device(3));
    QCOMPARE(port.deviceName(), QStringLiteral("/dev/ttyUSB0"));
}

void TestSerialLine::outPutsTheBytesOnTheLineAtOnce()
{
    Line line;
    QCOMPARE(line.port.deviceName(), line.pty.slavePath());
    const Outcome opened = line.port.open();
    QVERIFY2(opened.succeeded(), qPrintable(opened.reason()));
    QVERIFY(line.port.portOpen());

    line.channel.Out(QStringLiteral(":SEL:CLR"));
    // No event loop has run: the bytes must already be at the device.
    QCOMPARE(line.pty.read(0), QByteArray(":SEL:CLR\r\n"));
    line.channel.Out(QString());
    QCOMPARE(line.pty.read(0), QByteArray("\r\n"));
    QVERIFY(line.channel.fault().isEmpty());
    line.port.close();
    QVERIFY(!line.port.portOpen());
}

void TestSerialLine::incomingReturnsWhatArrivedDuringADelay()
{
    Line line;
    QVERIFY(line.port.open().succeeded());

    // The analyzer answers while the window's thread sleeps in Delay.
    std::thread analyzer([&line] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        line.pty.write("1\r\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        line.pty.write("75.0,230.1\r\n");
    });
    QElapsedTimer waited;
    waited.start();
    line.channel.Delay(QStringLiteral("2"));
    analyzer.join();
    QVERIFY(waited.elapsed() >= 1000 - 20 && waited.elapsed() <= 2000 + 100);
    line.channel.Incoming();
    QCOMPARE(line.channel.result(), QStringLiteral("1\r\n75.0,230.1\r\n"));
    line.channel.Incoming();
    QCOMPARE(line.channel.result(), QString());
}

void TestSerialLine::openDiscardsLeftovers()
{
    Line line;
    QVERIFY(line.port.open().succeeded());
    line.port.close();
    // An answer that comes after the port closed waits in the device.
    line.pty.write("1\r\nleft over\r\n");
    QTest::qWait(50);
    QVERIFY(line.port.open().succeeded());
    QCOMPARE(line.port.input(), QByteArray());
    line.pty.write("fresh\r\n");
    QVERIFY(line.port.waitForInput(2000));
    QCOMPARE(line.port.input(), QByteArray("fresh\r\n"));
}

void TestSerialLine::closeLetsTheLastCommandOut()
{
    Line line;
    QVERIFY(line.port.open().succeeded());
    line.channel.Out(QStringLiteral("*RST"));
    line.port.close();
    QCOMPARE(line.pty.read(500), QByteArray("*RST\r\n"));
}

void TestSerialLine::missingDeviceIsAnError()
{
    QtSerialPort port;
    port.setDevice(QStringLiteral("/dev/iec1000-no-such-device"));
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
    Line line;
    DeviceHolder other(line.pty.slavePath());
    QVERIFY(other.holding());

    const Outcome result = line.port.open();
    QVERIFY(!result.succeeded());
    QVERIFY2(result.reason().startsWith(QLatin1String("it is in use by another program (")),
             qPrintable(result.reason()));
    QVERIFY(!line.port.portOpen());

    // Once the other program has let go, the port opens.
    other.release();
    QVERIFY(line.port.open().succeeded());
}

void TestSerialLine::lineThatDiesIsReported()
{
    Line line;
    QVERIFY(line.port.open().succeeded());

    line.pty.releaseSlave();
    line.pty.closeMaster();
    line.channel.Incoming();
    line.channel.Out(QStringLiteral("*TRG"));
    QVERIFY2(!line.channel.fault().isEmpty(), "a line without its device must be reported");
    QVERIFY(!line.port.fault().isEmpty());
    QVERIFY(!line.port.waitForInput(100));
    line.port.close();
    QVERIFY(!line.port.portOpen());
}

QTEST_GUILESS_MAIN(TestSerialLine)
#include "tst_serial_line.moc"
