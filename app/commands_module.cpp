#include "commands_module.h"

#include "command_line.h"
#include "serve.h"

#include <QGuiApplication>
#include <QTemporaryDir>

extern "C" int iec1000RunCommands(int argc, char* argv[], const Configuration* fromEnvironment)
{
    QStringList arguments;
    for (int n = 0; n < argc; ++n)
        arguments << QString::fromLocal8Bit(argv[n]);
    const Configuration& configuration = *fromEnvironment;
    // iec1000 serve: the web face (src/web), which may write PDF reports.
    const bool serving = arguments.size() > 1 && arguments.at(1) == QLatin1String("serve");
    if (!serving && !cli::needsGui(arguments)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("iec1000"));
        return cli::run(arguments, configuration);
    }
    // A PDF report paints text: that takes a QGuiApplication, but never a
    // display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's platform wants a private runtime folder; a shell without a session
    // (a production line's script, ssh as root) may have none.
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("iec1000"));
    if (serving) {
        // "iec1000 serve" as its own parser sees it.
        QStringList rest = arguments;
        rest.removeAt(1);
        rest[0] = arguments.at(0) + QStringLiteral(" serve");
        return web::serve(rest, configuration);
    }
    return cli::run(arguments, configuration);
}
