#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The simulator's device opened with plain POSIX calls in raw mode, as a test
// client independent of the tool's serial adapter.
class RawDevice
{
public:
    RawDevice() = default;
    ~RawDevice() { close(); }
    RawDevice(const RawDevice&) = delete;
    RawDevice& operator=(const RawDevice&) = delete;

    // Opens the device in raw mode and drops any bytes waiting from earlier.
    bool open(const QString& path, QByteArray* error);
    void close();

    bool write(const QByteArray& bytes);

    // Everything that arrives within the time.
    QByteArray readFor(int ms);
    // Reads until the bytes read contain `count` LFs or the time is up.
    QByteArray readLines(int count, int timeoutMs);

    struct Piece
    {
        qint64 atMs = 0; // since the call
        QByteArray bytes;
    };
    // Like readLines, but keeps each read() apart with the time it returned.
    QList<Piece> readPieces(int lineCount, int timeoutMs);

private:
    int m_fd = -1;
};

// Seconds since the epoch on the wall clock, the time base of the simulator's log.
double wallClockSeconds();
