#pragma once

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

// The device side of a pseudo-terminal: the code under test opens slavePath()
// as its serial port; the test reads and writes the master as the analyzer
// would.
class PtyPair
{
public:
    PtyPair()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0) {
            m_error = QStringLiteral("posix_openpt: %1")
                          .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
            m_error = QStringLiteral("grantpt/unlockpt: %1")
                          .arg(QString::fromLocal8Bit(std::strerror(errno)));
            closeMaster();
            return;
        }
        m_slavePath = QString::fromLocal8Bit(::ptsname(m_master));
        // Raw mode on the slave, so nothing is echoed or translated before
        // the code under test configures the port itself.
        const int slave = ::open(m_slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        if (slave >= 0) {
            termios settings{};
            if (::tcgetattr(slave, &settings) == 0) {
                ::cfmakeraw(&settings);
                ::tcsetattr(slave, TCSANOW, &settings);
            }
            m_slave = slave;
        }
    }
    ~PtyPair()
    {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    // Empty when the pseudo-terminal works; otherwise why it does not.
    QString error() const { return m_error; }
    QString slavePath() const { return m_slavePath; }

    void write(const QByteArray& bytes)
    {
        (void)!::write(m_master, bytes.constData(), bytes.size());
    }

    // What arrived at the device within timeoutMs (everything that is there
    // once the first byte came and the line fell quiet for quietMs).
    QByteArray read(int timeoutMs, int quietMs = 50)
    {
        QByteArray got;
        int wait = timeoutMs;
        for (;;) {
            pollfd fd{m_master, POLLIN, 0};
            if (::poll(&fd, 1, wait) <= 0 || !(fd.revents & POLLIN))
                return got;
            char buffer[4096];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0)
                return got;
            got.append(buffer, n);
            wait = quietMs;
        }
    }

    // The analyzer goes away: the line dies under the code under test.
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }
    // Drop the test's own hold on the slave, so that closing the master
    // hangs the line up.
    void releaseSlave()
    {
        if (m_slave >= 0)
            ::close(m_slave);
        m_slave = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_error;
};
