#include "device_access.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

QString permissionHintText(const QString& device, const QString& group, const QString& user,
                           bool groupMayReadWrite)
{
    if (!groupMayReadWrite)
        return QStringLiteral("%1 may not be read and written by its group \"%2\"; ask the "
                              "administrator for access to it.")
            .arg(device, group);
    return QStringLiteral("%1 belongs to the group \"%2\"; add yourself with \"sudo usermod -aG "
                          "%2 %3\" and log in again.")
        .arg(device, group, user.isEmpty() ? QStringLiteral("$USER") : user);
}

QString permissionHint(const QString& device)
{
#ifdef Q_OS_UNIX
    const QByteArray path = device.toLocal8Bit();
    struct stat status
    {
    };
    if (device.isEmpty() || ::stat(path.constData(), &status) != 0)
        return QString();
    if (::access(path.constData(), R_OK | W_OK) == 0)
        return QString();
    const group* owner = ::getgrgid(status.st_gid);
    const QString groupName =
        owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(status.st_gid);
    const passwd* account = ::getpwuid(::getuid());
    const QString user = account ? QString::fromLocal8Bit(account->pw_name) : QString();
    const bool groupMayReadWrite = (status.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    return permissionHintText(device, groupName, user, groupMayReadWrite);
#else
    Q_UNUSED(device);
    return QString();
#endif
}
