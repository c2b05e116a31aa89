#include "file_output.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

Outcome cannotWrite(const QString& path, const QString& reason)
{
    return Outcome::failed(QStringLiteral("cannot write %1: %2").arg(path, reason));
}

Outcome replaceRegularFile(const QString& path, const QString& shownPath,
                           const QByteArray& contents)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() ||
        !file.commit())
        return cannotWrite(shownPath, file.errorString());
    return Outcome::ok();
}

// Unbuffered, so that the device's own answer to each write (ENOSPC, EPIPE)
// is the outcome.
Outcome writeDirectly(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        file.write(contents) != contents.size())
        return cannotWrite(path, file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        return cannotWrite(path, file.errorString());
    return Outcome::ok();
}

} // namespace

Outcome writeReportFile(const QString& path, const QByteArray& contents)
{
    // QFileInfo follows links for everything but isSymLink().
    const QFileInfo target(path);
    if (target.isSymLink() && !target.exists())
        return cannotWrite(path, QStringLiteral("it is a symbolic link to %1, which does not exist")
                                     .arg(target.symLinkTarget()));
    if (!target.exists())
        return replaceRegularFile(path, path, contents);
    if (target.isFile())
        return replaceRegularFile(target.isSymLink() ? target.canonicalFilePath() : path, path,
                                  contents);
    if (target.isDir())
        return cannotWrite(path, QStringLiteral("it is a folder"));
#ifdef Q_OS_UNIX
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISFIFO(status.st_mode) &&
        !S_ISCHR(status.st_mode))
        return cannotWrite(path, QStringLiteral("it is not a file, a FIFO or a character device"));
#endif
    return writeDirectly(path, contents);
}

QString reportFolderProblem(const QString& path)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return {};
    // A regular file is replaced through a temporary file beside it, where
    // a link to it points.
    const QFileInfo folder(
        QFileInfo(target.exists() ? target.canonicalFilePath() : target.absoluteFilePath())
            .absolutePath());
    const QString shown = QDir::toNativeSeparators(folder.filePath());
    if (!folder.isDir())
        return QStringLiteral("the folder %1 does not exist").arg(shown);
    if (!folder.isWritable())
        return QStringLiteral("you may not write to the folder %1").arg(shown);
    return {};
}
