#include "display_probe.h"

#include <QFile>
#include <QLibrary>

namespace {

// The three calls of libxcb the question takes (xcb/xcb.h).
struct XcbConnection;
using XcbConnect = XcbConnection* (*)(const char* displayName, int* screen);
using XcbHasError = int (*)(XcbConnection* connection);
using XcbDisconnect = void (*)(XcbConnection* connection);

} // namespace

bool xDisplayAnswers(const QString& name)
{
    // The library Qt's X platform is linked against; loading it at run time
    // adds no dependency to the build.
    QLibrary xcb(QStringLiteral("xcb"), 1);
    const auto connect = reinterpret_cast<XcbConnect>(xcb.resolve("xcb_connect"));
    const auto hasError = reinterpret_cast<XcbHasError>(xcb.resolve("xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<XcbDisconnect>(xcb.resolve("xcb_disconnect"));
    if (!connect || !hasError || !disconnect)
        return true;
    // Never null: a connection that failed carries its error.
    XcbConnection* connection = connect(QFile::encodeName(name).constData(), nullptr);
    const bool answers = hasError(connection) == 0;
    disconnect(connection);
    return answers;
}
