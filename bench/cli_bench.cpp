// Times the command line as a shell runs it, each figure beside its goal:
//   - the CPU time (user + system, from wait4) of a whole `iec1000 measure`
//     against the simulated analyzer's pass scenario: log on, one cycle, log
//     off (its wall time is the analyzer's waits, about 8 s);
//   - `iec1000 evaluate --class A FILE` on the reply that measure read, process
//     start to exit (median of 20 runs);
//   - `iec1000 --version`, process start to exit (median of 20 runs), its goal
//     the evaluate figure.
// iec1000 and zento-sim are taken from beside this program; the children run
// without a display.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr double kMeasureCpuGoalS = 0.1;
constexpr double kEvaluateGoalMs = 15;
constexpr int kEvaluateRuns = 20;

struct Child
{
    pid_t pid = -1;
    int out = -1; // read end of the child's standard output
};

// The environment without a display or a chosen platform plugin.
std::vector<std::string> headlessEnvironment()
{
    std::vector<std::string> kept;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable = *entry;
        const std::string name = variable.substr(0, variable.find('='));
        if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" && name != "QT_QPA_PLATFORM" &&
            name.rfind("IEC1000_", 0) != 0)
            kept.push_back(variable);
    }
    return kept;
}

// Starts the program with its standard output on a pipe and standard error
// on /dev/null.
Child spawn(const std::string& program, const std::vector<std::string>& arguments)
{
    static const std::vector<std::string> environment = headlessEnvironment();
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& variable : environment)
        envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);

    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    Child child;
    if (posix_spawn(&child.pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    child.out = pipeEnds[0];
    return child;
}

std::string readAll(int fd)
{
    std::string text;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, std::size_t(got));
    close(fd);
    return text;
}

struct Ended
{
    int exitCode = -1;
    double cpuSeconds = 0; // user + system of the child
    std::string out;
};

Ended finish(const Child& child)
{
    Ended ended;
    ended.out = readAll(child.out);
    int status = 0;
    rusage usage{};
    if (wait4(child.pid, &status, 0, &usage) == child.pid && WIFEXITED(status))
        ended.exitCode = WEXITSTATUS(status);
    ended.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return ended;
}

void print(const char* what, double value, const char* unit, double goal)
{
    std::printf("%-62s %8.3f %-2s (goal < %g %s) %s\n", what, value, unit, goal, unit,
                value < goal ? "ok" : "MISSED");
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QDir here(QCoreApplication::applicationDirPath());
    const std::string tool = here.filePath(QStringLiteral("iec1000")).toStdString();
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    const Child simulator = spawn(
        here.filePath(QStringLiteral("zento-sim")).toStdString(),
        {"--scenario", "pass", "--log", dir.filePath(QStringLiteral("sim.log")).toStdString()});
    std::string device;
    char c = 0;
    while (read(simulator.out, &c, 1) == 1 && c != '\n')
        device += c;
    if (simulator.pid < 0 || device.empty()) {
        std::fprintf(stderr, "iec1000-cli-bench: zento-sim did not start\n");
        return 1;
    }

    const Ended measured =
        finish(spawn(tool, {"measure", "--port", device, "--class", "A", "--format", "json", "--db",
                            dir.filePath(QStringLiteral("records.sqlite")).toStdString()}));
    kill(simulator.pid, SIGTERM);
    waitpid(simulator.pid, nullptr, 0);
    close(simulator.out);
    if (measured.exitCode != 0) {
        std::fprintf(stderr, "iec1000-cli-bench: measure ended with %d\n", measured.exitCode);
        return 1;
    }
    print("CPU time of `iec1000 measure` (log on, one cycle, log off)", measured.cpuSeconds, "s",
          kMeasureCpuGoalS);

    const QByteArray reply = QJsonDocument::fromJson(QByteArray::fromStdString(measured.out))
                                 .object()
                                 .value(QStringLiteral("reply"))
                                 .toString()
                                 .toLatin1();
    const QString replyFile = dir.filePath(QStringLiteral("reply.txt"));
    QFile file(replyFile);
    if (reply.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(reply) != reply.size())
        return 1;
    file.close();

    std::vector<double> times;
    for (int run = 0; run < kEvaluateRuns; ++run) {
        const auto started = std::chrono::steady_clock::now();
        const Ended evaluated =
            finish(spawn(tool, {"evaluate", "--class", "A", replyFile.toStdString()}));
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count());
        if (evaluated.exitCode != 0) {
            std::fprintf(stderr, "iec1000-cli-bench: evaluate ended with %d\n", evaluated.exitCode);
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    const double evaluateMs = times[times.size() / 2];
    print("`iec1000 evaluate --class A FILE`, start to exit (median of 20)", evaluateMs, "ms",
          kEvaluateGoalMs);

    // The version loads no module: no slower than judging a reply file.
    times.clear();
    for (int run = 0; run < kEvaluateRuns; ++run) {
        const auto started = std::chrono::steady_clock::now();
        const Ended printed = finish(spawn(tool, {"--version"}));
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count());
        if (printed.exitCode != 0) {
            std::fprintf(stderr, "iec1000-cli-bench: --version ended with %d\n", printed.exitCode);
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    print("`iec1000 --version`, start to exit (median of 20)", times[times.size() / 2], "ms",
          evaluateMs);
    return 0;
}
