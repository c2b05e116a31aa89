#include "recording_error.h"

#include <QFileInfo>

QString atLine(const QString& file, qint64 line, const QString& reason)
{
    return QStringLiteral("%1: line %2: %3").arg(QFileInfo(file).fileName()).arg(line).arg(reason);
}

QString atTime(const QString& file, double seconds, const QString& reason)
{
    return QStringLiteral("%1: at %2 s: %3")
        .arg(QFileInfo(file).fileName())
        .arg(seconds, 0, 'f', 4)
        .arg(reason);
}
