#include "reader_support.h"

#include <QFileInfo>

OpenedRecording openRecording(const QString& path, const RecordingOptions& options)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return RecordingError{RecordingFault::Unreadable,
                              QStringLiteral("%1: no such readable file").arg(path)};
    const QString suffix = info.suffix().toLower();
    if (suffix == QLatin1String("csv"))
        return openCsvRecording(path);
    if (suffix == QLatin1String("cfg"))
        return openComtradeRecording(path, options);
    if (suffix == QLatin1String("dat"))
        return openComtradeRecording(info.path() + QLatin1Char('/') + info.completeBaseName() +
                                         QLatin1String(".cfg"),
                                     options);
    return openWavRecording(path, options);
}
