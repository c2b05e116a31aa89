#include "simulator.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

bool ptsUsable(QByteArray* why)
{
    const auto fail = [why](const char* step) {
        if (why) {
            *why = QByteArray("this test needs a pseudo-terminal (/dev/ptmx and /dev/pts), but ") +
                   step + " failed: " + std::strerror(errno);
        }
        return false;
    };
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0)
        return fail("posix_openpt");
    bool usable = ::grantpt(master) == 0 && ::unlockpt(master) == 0;
    if (!usable) {
        fail("grantpt/unlockpt");
    } else if (const char* name = ::ptsname(master); !name) {
        usable = fail("ptsname");
    } else {
        const int slave = ::open(name, O_RDWR | O_NOCTTY);
        if (slave < 0)
            usable = fail("opening the slave side in /dev/pts");
        else
            ::close(slave);
    }
    ::close(master);
    if (usable && why)
        why->clear();
    return usable;
}

Simulator::Simulator() = default;

Simulator::~Simulator()
{
    stop();
}

QString Simulator::binaryPath()
{
    const QByteArray fromEnvironment = qgetenv("ZENTO_SIM");
    if (!fromEnvironment.isEmpty())
        return QString::fromLocal8Bit(fromEnvironment);
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zento-sim"));
}

QString Simulator::logPath() const
{
    return m_dir.filePath(QStringLiteral("zento-sim.log"));
}

bool Simulator::start(const QString& scenario, const QStringList& extraArguments,
                      int startTimeoutMs)
{
    m_error.clear();
    m_devicePath.clear();
    if (m_process.state() != QProcess::NotRunning) {
        m_error = QStringLiteral("the simulator is already running");
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory for the log: ") + m_dir.errorString();
        return false;
    }
    const QString program = binaryPath();
    if (!QFileInfo(program).isExecutable()) {
        m_error = QStringLiteral("no simulator binary at %1 (set ZENTO_SIM)").arg(program);
        return false;
    }
    QFile::remove(logPath());

    QStringList arguments = {QStringLiteral("--scenario"), scenario, QStringLiteral("--log"),
                             logPath()};
    // The simulator goes when this process does, even without the destructor.
    arguments << QStringLiteral("--exit-on-stdin-eof");
    arguments << extraArguments;
    m_process.setProgram(program);
    m_process.setArguments(arguments);
    m_process.start();
    if (!m_process.waitForStarted(startTimeoutMs)) {
        m_error = QStringLiteral("cannot start %1: %2").arg(program, m_process.errorString());
        return false;
    }

    const QDeadlineTimer deadline(startTimeoutMs);
    while (!m_process.canReadLine()) {
        if (m_process.state() == QProcess::NotRunning || deadline.hasExpired())
            break;
        m_process.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
    }
    if (!m_process.canReadLine()) {
        const bool running = m_process.state() != QProcess::NotRunning;
        m_error = running ? QStringLiteral("the simulator printed no device path within %1 ms")
                                .arg(startTimeoutMs)
                          : QStringLiteral("the simulator ended before printing a device path");
        const QByteArray errors = m_process.readAllStandardError().trimmed();
        if (!errors.isEmpty())
            m_error += QStringLiteral(": ") + QString::fromLocal8Bit(errors);
        stop();
        return false;
    }
    m_devicePath = QString::fromLocal8Bit(m_process.readLine().trimmed());
    return true;
}

void Simulator::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

QByteArray Simulator::rawLog() const
{
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QList<SimLogEntry> Simulator::log() const
{
    return parseLog(rawLog());
}

QList<SimLogEntry> Simulator::entries(const QByteArray& direction) const
{
    QList<SimLogEntry> result;
    for (const SimLogEntry& entry : log()) {
        if (entry.direction == direction)
            result.append(entry);
    }
    return result;
}

QList<QByteArray> Simulator::received() const
{
    QList<QByteArray> lines;
    for (const SimLogEntry& entry : entries("RX"))
        lines.append(entry.bytes);
    return lines;
}

QByteArray Simulator::sent() const
{
    QByteArray bytes;
    for (const SimLogEntry& entry : entries("TX"))
        bytes += entry.bytes;
    return bytes;
}

bool Simulator::waitForEntries(const QByteArray& direction, int count, int timeoutMs) const
{
    return waitForLog(
        [&](const QList<SimLogEntry>& entries) {
            int found = 0;
            for (const SimLogEntry& entry : entries)
                found += entry.direction == direction ? 1 : 0;
            return found >= count;
        },
        timeoutMs);
}

bool Simulator::waitForLog(const std::function<bool(const QList<SimLogEntry>&)>& condition,
                           int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (condition(log()))
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(5);
    }
}

bool Simulator::unescape(const QByteArray& escaped, QByteArray* bytes)
{
    bytes->clear();
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        const char c = escaped[i];
        if (c != '\\') {
            bytes->append(c);
            continue;
        }
        if (++i >= escaped.size())
            return false;
        switch (escaped[i]) {
        case 'r':
            bytes->append('\r');
            break;
        case 'n':
            bytes->append('\n');
            break;
        case 't':
            bytes->append('\t');
            break;
        case '\\':
            bytes->append('\\');
            break;
        case '"':
            bytes->append('"');
            break;
        case 'x': {
            if (i + 2 >= escaped.size() || !std::isxdigit(static_cast<uchar>(escaped[i + 1])) ||
                !std::isxdigit(static_cast<uchar>(escaped[i + 2])))
                return false;
            bytes->append(static_cast<char>(escaped.mid(i + 1, 2).toInt(nullptr, 16)));
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

QList<SimLogEntry> Simulator::parseLog(const QByteArray& text, QString* error)
{
    QList<SimLogEntry> entries;
    const auto reject = [error](const QByteArray& line) {
        if (error && error->isEmpty())
            *error = QStringLiteral("malformed log line: ") + QString::fromLatin1(line);
    };
    // A last line without its LF is still being written: leave it for later.
    const QByteArray complete = text.left(text.lastIndexOf('\n') + 1);
    for (const QByteArray& line : complete.split('\n')) {
        if (line.isEmpty())
            continue;
        const qsizetype firstBlank = line.indexOf(' ');
        const qsizetype secondBlank = line.indexOf(' ', firstBlank + 1);
        if (firstBlank <= 0 || secondBlank != firstBlank + 3) {
            reject(line);
            continue;
        }
        SimLogEntry entry;
        bool ok = false;
        entry.atSeconds = line.left(firstBlank).toDouble(&ok);
        entry.direction = line.mid(firstBlank + 1, 2);
        const QByteArray payload = line.mid(secondBlank + 1);
        if (!ok) {
            reject(line);
            continue;
        }
        if (entry.direction == "EV") {
            entry.bytes = payload;
        } else if (entry.direction == "RX" || entry.direction == "TX") {
            if (payload.size() < 2 || !payload.startsWith('"') || !payload.endsWith('"') ||
                !unescape(payload.mid(1, payload.size() - 2), &entry.bytes)) {
                reject(line);
                continue;
            }
        } else {
            reject(line);
            continue;
        }
        entries.append(entry);
    }
    return entries;
}
