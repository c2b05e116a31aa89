// The serial adapter over a real pseudo-terminal, driven as the handlers
// drive it: on the window's thread with no event loop running.

#include "com_ports.h"
#include "command_channel.h"
#include "pty_pair.h"
#include "qt_serial_port.h"
#include "system_clock.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTest>

#include <sys/wait.h>

#include <thread>

namespace {
// Points Com `number` at `device` for the life of the object.
class ComPortOverride
{
public:
    ComPortOverride(qint16 number, const QString& device)
        : m_name(comPortVariable(number).toLatin1())
    {
        qputenv(m_name.constData(), device.toLocal8Bit());
    }
    ~ComPortOverride() { qunsetenv(m_name.constData()); }

private:
    QByteArray m_name;
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
    int ready[2];
    int release[2];
    QVERIFY(::pipe(ready) == 0 && ::pipe(release) == 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        // Another program holds the port the way serial programs do.
        QSerialPort other;
        other.setPortName(pty.slavePath());
        const char opened = other.open(QIODevice::ReadWrite) ? '1' : '0';
        (void)!::write(ready[1], &opened, 1);
        char done;
        (void)!::read(release[0], &done, 1);
        ::_exit(0);
    }
    char opened = 0;
    QCOMPARE(::read(ready[0], &opened, 1), ssize_t(1));
    QCOMPARE(opened, '1');

    QtSerialPort port;
    port.setCommPort(3);
    const Outcome result = port.open();
    (void)!::write(release[1], "x", 1);
    ::waitpid(holder, nullptr, 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        ::close(fd);

    QVERIFY(!result.succeeded());
    QVERIFY(!result.reason().isEmpty());
    QVERIFY(!port.portOpen());
    // Once the other program has let go, the port opens.
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
