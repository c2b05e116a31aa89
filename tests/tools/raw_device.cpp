#include "raw_device.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

bool RawDevice::open(const QString& path, QByteArray* error)
{
    close();
    m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        *error = "open " + path.toLocal8Bit() + ": " + std::strerror(errno);
        return false;
    }
    termios settings = {};
    if (::tcgetattr(m_fd, &settings) != 0) {
        *error = QByteArray("tcgetattr: ") + std::strerror(errno);
        close();
        return false;
    }
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B19200);
    ::cfsetospeed(&settings, B19200);
    if (::tcsetattr(m_fd, TCSANOW, &settings) != 0) {
        *error = QByteArray("tcsetattr: ") + std::strerror(errno);
        close();
        return false;
    }
    ::tcflush(m_fd, TCIFLUSH);
    return true;
}

void RawDevice::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool RawDevice::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, bytes.size() - done);
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EAGAIN) {
            pollfd pfd = {m_fd, POLLOUT, 0};
            ::poll(&pfd, 1, 100);
        } else if (!(n < 0 && errno == EINTR)) {
            return false;
        }
    }
    return true;
}

QList<RawDevice::Piece> RawDevice::readPieces(int lineCount, int timeoutMs)
{
    QList<Piece> pieces;
    int linesSeen = 0;
    QElapsedTimer timer;
    timer.start();
    while (linesSeen < lineCount && timer.elapsed() < timeoutMs) {
        pollfd pfd = {m_fd, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(timeoutMs - timer.elapsed())) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            break; // end of file or a failed line
        }
        const QByteArray bytes(buffer, n);
        pieces.append({timer.elapsed(), bytes});
        linesSeen += static_cast<int>(bytes.count('\n'));
    }
    return pieces;
}

QByteArray RawDevice::readLines(int count, int timeoutMs)
{
    QByteArray all;
    for (const Piece& piece : readPieces(count, timeoutMs))
        all += piece.bytes;
    return all;
}

QByteArray RawDevice::readFor(int ms)
{
    // No line ever holds this many LFs: reads until the time is up.
    return readLines(1 << 30, ms);
}

double wallClockSeconds()
{
    return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}
