#pragma once

#include <QByteArray>
#include <QFile>

// Peak resident set size of this process (VmHWM), in MB; -1 where
// /proc/self/status cannot be read.
inline double peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}
