#include "qt_serial_port.h"

#include "device_access.h"

#include <QElapsedTimer>
#include <QScopedValueRollback>

#ifdef Q_OS_UNIX
#include <QFile>
#include <QLockFile>

#include <termios.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#endif

#include <optional>

namespace {
// Longest time output() and close() wait for written bytes to leave. At
// 19200 baud the longest command line takes about 15 ms.
constexpr int kDrainTimeoutMs = 2000;

// Errors after which the line cannot be used any more.
bool isLineFault(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
    case QSerialPort::UnsupportedOperationError:
    case QSerialPort::NotOpenError:
        return false;
    default:
        return true;
    }
}
// Why `device`, refused with a permission error, cannot be opened when
// another program holds it: "it is in use by another program (minicom,
// process 4242)"; nothing when none does. Serial programs (Qt's own
// included) hold a device by a lock file named after it ("LCK..ttyS0",
// "LCK..pts_3" for /dev/pts/3) that names their process, and by an
// exclusive open, which the system refuses others as busy.
std::optional<QString> inUseReason(const QString& device, const QString& systemReason)
{
#ifdef Q_OS_UNIX
    const QString inUse = QStringLiteral("it is in use by another program");
    QString name = device;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char* folder : {"/var/lock", "/run/lock", "/etc/locks", "/var/spool/locks",
                               "/var/spool/uucp", "/tmp", "/var/tmp"}) {
        const QString path = QStringLiteral("%1/LCK..%2").arg(QLatin1String(folder), name);
        if (!QFile::exists(path))
            continue;
        qint64 pid = 0;
        QString host;
        QString program;
        if (!QLockFile(path).getLockInfo(&pid, &host, &program) || pid <= 0 ||
            (::kill(pid_t(pid), 0) != 0 && errno != EPERM))
            continue;
        return program.isEmpty()
                   ? QStringLiteral("%1 (process %2)").arg(inUse).arg(pid)
                   : QStringLiteral("%1 (%2, process %3)").arg(inUse, program).arg(pid);
    }
    if (systemReason == QString::fromLocal8Bit(std::strerror(EBUSY)))
        return inUse;
#else
    Q_UNUSED(device);
    Q_UNUSED(systemReason);
#endif
    return std::nullopt;
}

} // namespace

QtSerialPort::QtSerialPort()
{
    m_port.setReadBufferSize(kReadBufferBytes);
    QObject::connect(&m_port, &QSerialPort::readyRead, &m_port, [this] {
        if (!m_inputWanted && !m_polling)
            discardInput();
    });
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port,
                     [this](QSerialPort::SerialPortError error) { onError(error); });
}

QtSerialPort::~QtSerialPort()
{
    close();
}

void QtSerialPort::setDevice(const QString& device)
{
    m_device = device;
}

QString QtSerialPort::deviceName() const
{
    return m_device;
}

bool QtSerialPort::portOpen() const
{
    return m_port.isOpen();
}

Outcome QtSerialPort::open()
{
    if (m_port.isOpen())
        return Outcome::ok();
    const QString device = deviceName();
    if (device.isEmpty())
        return Outcome::failed(QStringLiteral("no port has been chosen"));

    m_fault.clear();
    m_port.setPortName(device);
    m_port.setBaudRate(QSerialPort::Baud19200);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        QString reason = describeError();
        if (m_port.error() == QSerialPort::PermissionError) {
            if (const std::optional<QString> inUse = inUseReason(device, reason)) {
                reason = *inUse;
            } else if (const QString hint = permissionHint(device); !hint.isEmpty()) {
                reason += QStringLiteral(". ") + hint;
            }
        }
        m_port.clearError();
        return Outcome::failed(reason);
    }
    // Control lines cannot be set on every device (a pseudo-terminal refuses
    // them); that is no reason to call the open failed.
    m_port.clearError();

    // Bytes left over from an earlier use of the device must not be read as
    // a reply to this session's commands.
    m_port.clear(QSerialPort::AllDirections);
    m_port.waitForReadyRead(0);
    m_port.readAll();
    m_port.clearError();
    m_inputWanted = false;
    return Outcome::ok();
}

void QtSerialPort::close()
{
    if (!m_port.isOpen())
        return;
    QElapsedTimer waited;
    waited.start();
    while (m_port.bytesToWrite() > 0 && waited.elapsed() < kDrainTimeoutMs) {
        if (!m_port.waitForBytesWritten(kDrainTimeoutMs - int(waited.elapsed())))
            break;
    }
#ifdef Q_OS_UNIX
    // The bytes may still sit in the driver's queue; wait until they are sent.
    if (m_port.error() == QSerialPort::NoError)
        ::tcdrain(int(m_port.handle()));
#endif
    m_port.close();
    m_port.clearError();
}

Outcome QtSerialPort::output(const QByteArray& bytes)
{
    if (!m_fault.isEmpty())
        return Outcome::failed(m_fault);
    if (!m_port.isOpen())
        return Outcome::failed(QStringLiteral("the port is not open"));
    if (m_port.write(bytes) != bytes.size()) {
        noteFault();
        if (m_fault.isEmpty()) {
            m_fault = QStringLiteral("the device refused the data");
            releaseFailedLine();
        }
        return Outcome::failed(m_fault);
    }
    QElapsedTimer waited;
    waited.start();
    while (m_port.bytesToWrite() > 0) {
        const int left = kDrainTimeoutMs - int(waited.elapsed());
        if (left <= 0 || !m_port.waitForBytesWritten(left)) {
            noteFault();
            if (m_fault.isEmpty()) {
                m_fault = QStringLiteral("the device did not take the data in time");
                releaseFailedLine();
            }
            return Outcome::failed(m_fault);
        }
    }
    return Outcome::ok();
}

QByteArray QtSerialPort::input()
{
    if (!m_port.isOpen())
        return QByteArray();
    // Without an event loop the device is only read when polled. A few
    // polls take what a burst left in the driver; a device that never stops
    // sending cannot hold the caller here, and the polls stop once
    // QSerialPort's buffer is full.
    const QScopedValueRollback polling(m_polling, true);
    for (int poll = 0; poll < 16 && m_port.waitForReadyRead(0); ++poll) {
    }
    const QByteArray bytes = m_port.read(kReadBufferBytes);
    noteFault();
    return bytes;
}

bool QtSerialPort::waitForInput(int timeoutMs)
{
    if (!m_port.isOpen() || !m_fault.isEmpty())
        return false;
    if (m_port.bytesAvailable() > 0)
        return true;
    const QScopedValueRollback polling(m_polling, true);
    const bool arrived = m_port.waitForReadyRead(timeoutMs);
    noteFault();
    return arrived;
}

void QtSerialPort::setInputWanted(bool wanted)
{
    if (wanted == m_inputWanted)
        return;
    m_inputWanted = wanted;
    // What is waiting arrived while nobody asked for it.
    if (wanted)
        discardInput();
}

void QtSerialPort::discardInput()
{
    if (!m_port.isOpen())
        return;
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
    noteFault();
}

QString QtSerialPort::fault() const
{
    return m_fault;
}

void QtSerialPort::noteFault()
{
    if (m_fault.isEmpty() && isLineFault(m_port.error()))
        m_fault = describeError();
    m_port.clearError();
    if (!m_fault.isEmpty())
        releaseFailedLine();
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    if (!isLineFault(error))
        return;
    if (m_fault.isEmpty())
        m_fault = describeError();
    // QSerialPort reports this from inside its own read or write handling,
    // where closing it is not safe: the line is released once that returns,
    // by the next call of this adapter or the next pass of the event loop.
    QMetaObject::invokeMethod(
        &m_port, [this] { releaseFailedLine(); }, Qt::QueuedConnection);
}

void QtSerialPort::releaseFailedLine()
{
    if (m_fault.isEmpty() || !m_port.isOpen())
        return;
#ifdef Q_OS_UNIX
    // Nothing more can leave; closing must not wait for it.
    ::tcflush(int(m_port.handle()), TCIOFLUSH);
#endif
    m_port.clear(QSerialPort::AllDirections);
    m_port.close();
    m_port.clearError();
}

QString QtSerialPort::describeError() const
{
    QString reason = m_port.errorString();
    if (reason.isEmpty() || reason == QLatin1String("Unknown error")) {
        switch (m_port.error()) {
        case QSerialPort::DeviceNotFoundError:
            return QStringLiteral("no such device");
        case QSerialPort::PermissionError:
            return QStringLiteral("permission denied, or the device is in use");
        case QSerialPort::OpenError:
            return QStringLiteral("the device is already open");
        case QSerialPort::ResourceError:
            return QStringLiteral("the device was removed or stopped working");
        case QSerialPort::WriteError:
            return QStringLiteral("the device refused the data");
        case QSerialPort::ReadError:
            return QStringLiteral("the device could not be read");
        default:
            return QStringLiteral("the serial port failed");
        }
    }
    return reason;
}
