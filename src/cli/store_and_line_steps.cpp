#include "options.h"

#include "exit_codes.h"
#include "record_store.h"
#include "session_stage.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#endif

// The steps of the commands that reach the record store or the analyzer's
// line. Apart from the other options, so that judging a reply file links
// neither Qt SQL nor Qt Serial Port.
namespace cli {
namespace {

bool openStore(RecordStore& store, const Configuration& configuration, StoreAccess access)
{
    warnOfPasswordInStoreName(configuration.storeName);
    const Outcome opened = store.open(configuration.storeName, access);
    if (!opened.succeeded())
        err(QStringLiteral("iec1000: %1").arg(opened.reason()));
    return opened.succeeded();
}

} // namespace

bool openForReading(RecordStore& store, const Configuration& configuration)
{
    return openStore(store, configuration, StoreAccess::Read);
}

bool openForWriting(RecordStore& store, const Configuration& configuration)
{
    return openStore(store, configuration, StoreAccess::Write);
}

void warnOfPasswordInStoreName(const QString& storeName)
{
    static bool warned = false;
    const QString warning = passwordInNameWarning(storeName);
    if (warning.isEmpty() || warned)
        return;
    warned = true;
    err(QStringLiteral("iec1000: warning: %1").arg(warning));
}

// Whether the port failed to open because `device` is no terminal: a file
// that is not a device, or a device (/dev/null) the system refused with
// ENOTTY. Its own reason, "Inappropriate ioctl for device", tells an
// operator nothing. The device is not opened again.
bool isNoTerminal(const QString& device, const QString& reason)
{
#ifdef Q_OS_UNIX
    struct stat info;
    if (::stat(QFile::encodeName(device).constData(), &info) != 0)
        return false;
    return !S_ISCHR(info.st_mode) || reason.contains(QString::fromLocal8Bit(std::strerror(ENOTTY)));
#else
    Q_UNUSED(device);
    Q_UNUSED(reason);
    return false;
#endif
}

std::optional<int> logOn(LineAssembly& line, const PortChoice& port, SessionObserver& observer,
                         Interruption& interruption)
{
    const Outcome opened = line.session.open(port.device, observer);
    if (!opened.succeeded()) {
        err(QStringLiteral("iec1000: %1.")
                .arg(openFailureText(port.label(),
                                     isNoTerminal(port.device, opened.reason())
                                         ? QStringLiteral("it is not a terminal (a serial port)")
                                         : opened.reason())));
        return kLineFailed;
    }
    if (!line.session.configure(observer, interruption)) {
        err(QStringLiteral("iec1000: %1.")
                .arg(configureFailureText(port.label(), line.session.fault())));
        line.session.close();
        return kLineFailed;
    }
    // Nothing is triggered, and nothing recorded, without an analyzer on the
    // line: its status is asked once, and a silent line ends here.
    if (!line.session.answers()) {
        if (const QString fault = line.session.fault(); !fault.isEmpty())
            err(QStringLiteral("iec1000: the line to the analyzer at %1 failed: %2.")
                    .arg(port.deviceLabel(), fault));
        else
            err(QStringLiteral("iec1000: no analyzer answers on %1.").arg(port.deviceLabel()));
        line.session.reset();
        return kLineFailed;
    }
    return std::nullopt;
}

} // namespace cli
