// iec1000: pre-compliance test of the steady-state harmonic currents of
// IEC 1000-3-2 with a Zento power analyzer.
//
//   iec1000                 the tool, Com 1 to Com 4 on the machine's ports
//   iec1000 --demo          the tool with Com 1 on the built-in simulated analyzer
//   iec1000 measure ...     the command line (see src/cli/command_line.h)
//
// The executable itself links Qt Core only: it prints its version and judges
// a reply file (evaluate FILE), and otherwise loads the module of the face
// that is asked for, the commands' or the window's.

#include "command_line.h"
#include "commands_module.h"
#include "configuration.h"
#include "window_main.h"

#include <algorithm>
#include <cstdio>
#include <vector>
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace {

// The entry `entry` of the module `name` in ../lib/iec1000 beside the
// executable's folder (in the build tree as when installed); nothing, the
// reason in *reason, when it cannot be loaded.
void* moduleEntry(const char* argv0, const char* name, const char* entry, std::string* reason)
{
    char executable[PATH_MAX] = {};
    const ssize_t length = ::readlink("/proc/self/exe", executable, sizeof executable - 1);
    std::string folder = length > 0 ? std::string(executable, length) : std::string(argv0);
    folder = folder.substr(0, folder.rfind('/') + 1);
    const std::string path = folder + "../lib/iec1000/" + name;
    if (void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (void* found = ::dlsym(module, entry))
            return found;
    }
    const char* error = ::dlerror();
    *reason = error ? error : path;
    return nullptr;
}

// The window lives in a module of its own; a command never loads it, nor Qt
// Widgets with it.
int runWindow(int argc, char* argv[], const Configuration& configuration)
{
    std::string reason;
    if (const auto run =
            reinterpret_cast<RunWindow>(moduleEntry(argv[0], kWindowModule, kWindowEntry, &reason)))
        return run(argc, argv, &configuration);
    std::fprintf(stderr,
                 "iec1000: the window cannot be loaded (%s); the commands work without it, "
                 "see 'iec1000 --help'\n",
                 reason.c_str());
    return 1;
}

int runCommands(int argc, char* argv[], const Configuration& configuration)
{
    std::string reason;
    if (const auto run = reinterpret_cast<RunCommands>(
            moduleEntry(argv[0], kCommandsModule, kCommandsEntry, &reason)))
        return run(argc, argv, &configuration);
    std::fprintf(stderr, "iec1000: the commands cannot be loaded (%s)\n", reason.c_str());
    return kNoVerdict;
}

} // namespace

int main(int argc, char* argv[])
{
    // IEC1000_COM1 to IEC1000_COM4 and IEC1000_DB are read here, once.
    const Configuration fromEnvironment = Configuration::fromEnvironment();
    QStringList arguments;
    for (int n = 0; n < argc; ++n)
        arguments << QString::fromLocal8Bit(argv[n]);
    // "iec1000 --db lab.sqlite history": the command first, as the modules
    // read it.
    std::vector<char*> ordered(argv, argv + argc + 1);
    if (const qsizetype at = cli::commandPosition(arguments); at > 1) {
        arguments.move(at, 1);
        std::rotate(ordered.begin() + 1, ordered.begin() + at, ordered.begin() + at + 1);
        argv = ordered.data();
    }
    if (cli::wanted(arguments) ||
        (arguments.size() > 1 && arguments.at(1) == QLatin1String("serve"))) {
        // The version and judging a reply file need no application object
        // and no module.
        if (const std::optional<int> code = cli::printedVersion(arguments))
            return *code;
        if (const std::optional<int> code = cli::evaluateReplyFile(arguments, fromEnvironment))
            return *code;
        return runCommands(argc, argv, fromEnvironment);
    }
    // A first word that is no option is a command mistyped ("mesure"), not
    // the window with options it does not know.
    if (arguments.size() > 1 && !arguments.at(1).startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "iec1000: %s\nTry 'iec1000 --help'.\n",
                     qPrintable(unknownCommandMessage(arguments.at(1))));
        return kUsage;
    }
    return runWindow(argc, argv, fromEnvironment);
}
