// iec1000: pre-compliance test of the steady-state harmonic currents of
// IEC 1000-3-2 with a Zento power analyzer.
//
//   iec1000                 the tool, Com 1 to Com 4 on the machine's ports
//   iec1000 --demo          the tool with Com 1 on the built-in simulated analyzer
//   iec1000 measure ...     the command line (see src/cli/command_line.h)

#include "command_line.h"
#include "configuration.h"
#include "serve.h"
#include "window_main.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace {

int runCommandLine(int argc, char* argv[], const QStringList& arguments,
                   const Configuration& configuration)
{
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

// The window lives in a module of its own in ../lib/iec1000 beside the
// executable's folder (in the build tree as when installed); a command never
// loads it, nor Qt Widgets with it.
int runWindow(int argc, char* argv[], const Configuration& configuration)
{
    char executable[PATH_MAX] = {};
    const ssize_t length = ::readlink("/proc/self/exe", executable, sizeof executable - 1);
    std::string folder = length > 0 ? std::string(executable, length) : std::string(argv[0]);
    folder = folder.substr(0, folder.rfind('/') + 1);
    const std::string path = folder + "../lib/iec1000/" + kWindowModule;
    if (void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (const auto run = reinterpret_cast<RunWindow>(::dlsym(module, kWindowEntry)))
            return run(argc, argv, &configuration);
    }
    const char* reason = ::dlerror();
    std::fprintf(stderr,
                 "iec1000: the window cannot be loaded (%s); the commands work without it, "
                 "see 'iec1000 --help'\n",
                 reason ? reason : path.c_str());
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    // IEC1000_COM1 to IEC1000_COM4 and IEC1000_DB are read here, once.
    const Configuration fromEnvironment = Configuration::fromEnvironment();
    QStringList arguments;
    for (int n = 0; n < argc; ++n)
        arguments << QString::fromLocal8Bit(argv[n]);
    if (cli::wanted(arguments) ||
        (arguments.size() > 1 && arguments.at(1) == QLatin1String("serve")))
        return runCommandLine(argc, argv, arguments, fromEnvironment);
    // A first word that is no option is a command mistyped ("mesure"), not
    // the window with options it does not know.
    if (arguments.size() > 1 && !arguments.at(1).startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "iec1000: %s\nTry 'iec1000 --help'.\n",
                     qPrintable(unknownCommandMessage(arguments.at(1))));
        return kUsage;
    }
    return runWindow(argc, argv, fromEnvironment);
}
