// iec1000-bench: one scripted measurement cycle against the simulated
// analyzer, and the start-up of the window, measured.
//
//   iec1000-bench [--runs N] [--stream-bytes N]
//
// Reports, with the goals they are held to:
//   cycle CPU        CPU time of the tool from "Start Test" to the verdict (< 0.05 s:
//                    the waits sleep, the status poll blocks in the kernel)
//   after last wait  wall time from the end of the last wait (Delay "3") until the
//                    verdict is shown (< 50 ms)
//   start-up         process start to a shown window, median of warm runs (< 150 ms)
//   peak memory      peak resident set size of a tool that has run a cycle (< 45 MB)
//   stream memory    peak resident set size after a logged-on idle window took a
//                    stream of 1 GB (--stream-bytes) from the analyzer (< 60 MB)
//   stream CPU       CPU time of the tool while the stream lasted (< 10 % of its
//                    wall time: the idle tool must not burn a core)
//
// Runs on the current Qt platform (set QT_QPA_PLATFORM=offscreen when there is
// no display). zento-sim is taken from beside this program.

#include "configuration.h"
#include "peak_memory.h"
#include "window_assembly.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

namespace {

double steadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The clock the tool uses, noting when each of its sleeps ended.
class WatchedClock : public SystemClock
{
public:
    void sleepMs(int ms) override
    {
        SystemClock::sleepMs(ms);
        lastWakeAt = steadySeconds();
    }
    double lastWakeAt = 0;
};

// The toolkit the tool uses, noting when each dispatch of events ended: the
// last one follows the verdict, so when it returns the verdict is painted.
class WatchedToolkit : public QtToolkit
{
public:
    void messageBox(const QString& text) override { messages << text; }
    void dispatchEvents() override
    {
        QtToolkit::dispatchEvents();
        lastDispatchEndedAt = steadySeconds();
    }
    double lastDispatchEndedAt = 0;
    QStringList messages;
};

void click(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
}

// Started as a child: shows the window as iec1000 does, says "shown" when it
// has been painted, and ends.
int startupProbe(QApplication& app)
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    WindowAssembly<> tool(Configuration::fromEnvironment());
    IEC1000& window = tool.window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    window.repaint();
    std::printf("shown %.1f\n", peakMegabytes());
    std::fflush(stdout);
    return app.exec() * 0;
}

struct StreamFigures
{
    bool done = false;
    double wallSeconds = 0;
    double cpuSeconds = 0;
    double peakMegabytes = 0;
    QString shown; // what the window says afterwards
};

// Starts a simulated analyzer that streams `bytes` from the first line it
// receives, logging to `log`; its device, or nothing when it did not start.
std::optional<QString> startStream(QProcess& simulator, const QString& log, qulonglong bytes)
{
    simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    simulator.start(QDir(QCoreApplication::applicationDirPath()).filePath("zento-sim"),
                    {QStringLiteral("--scenario"), QStringLiteral("stream"),
                     QStringLiteral("--stream-bytes"), QString::number(bytes),
                     QStringLiteral("--log"), log, QStringLiteral("--exit-on-stdin-eof")});
    if (!simulator.waitForStarted(5000) || !simulator.waitForReadyRead(5000))
        return std::nullopt;
    return QString::fromLocal8Bit(simulator.readLine().trimmed());
}

// Logs the window on at Com 2, where the streaming analyzer `simulator`
// (startStream, logging to `log`) is, and keeps the window's event loop
// running until the analyzer has sent all it streams.
StreamFigures measureStream(IEC1000& window, QProcess& simulator, const QString& log)
{
    StreamFigures figures;
    const double cpuBefore = cpuSeconds();
    const double wallBefore = steadySeconds();
    click(window.com2);
    click(window.Log);
    QFile logFile(log);
    while (!figures.done) {
        QTest::qWait(200);
        if (logFile.open(QIODevice::ReadOnly)) {
            figures.done = logFile.readAll().contains(" EV stream end");
            logFile.close();
        }
        if (steadySeconds() - wallBefore > 1800)
            break;
    }
    figures.wallSeconds = steadySeconds() - wallBefore;
    figures.cpuSeconds = cpuSeconds() - cpuBefore;
    figures.peakMegabytes = peakMegabytes();
    figures.shown = window.Reslbl->text();
    click(window.Log);
    simulator.closeWriteChannel();
    simulator.waitForFinished(2000);
    return figures;
}

struct Startup
{
    double medianMs = 0;
    double firstMs = 0;
};

Startup measureStartup(int runs)
{
    QList<double> times;
    for (int run = 0; run < runs + 1; ++run) {
        QProcess probe;
        QElapsedTimer took;
        took.start();
        probe.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--startup-probe")});
        if (!probe.waitForStarted(5000))
            return {};
        while (!probe.canReadLine() && probe.waitForReadyRead(5000)) {
        }
        times << took.nsecsElapsed() / 1e6;
        probe.kill();
        probe.waitForFinished(2000);
    }
    Startup result;
    result.firstMs = times.takeFirst();
    std::sort(times.begin(), times.end());
    result.medianMs = times.at(times.size() / 2);
    return result;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.contains(QStringLiteral("--startup-probe")))
        return startupProbe(app);
    int runs = 5;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--runs"));
        at > 0 && at + 1 < arguments.size())
        runs = std::max(1, arguments.at(at + 1).toInt());
    qulonglong streamBytes = 1000ull * 1000 * 1000;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--stream-bytes"));
        at > 0 && at + 1 < arguments.size())
        streamBytes = arguments.at(at + 1).toULongLong();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The measured cycle is recorded, as the tool records it, but into a
    // store of the benchmark's own.
    QTemporaryDir store;
    Configuration configuration = Configuration::fromEnvironment();
    if (qEnvironmentVariableIsEmpty("IEC1000_DB"))
        configuration.storeName = store.filePath(QStringLiteral("records.sqlite"));

    // The simulated analyzer, answering as a passing product.
    QProcess simulator;
    simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    simulator.start(QDir(QCoreApplication::applicationDirPath()).filePath("zento-sim"),
                    {QStringLiteral("--scenario"), QStringLiteral("pass"), QStringLiteral("--log"),
                     QStringLiteral("/dev/null"), QStringLiteral("--exit-on-stdin-eof")});
    if (!simulator.waitForStarted(5000) || !simulator.waitForReadyRead(5000)) {
        std::fprintf(stderr, "iec1000-bench: zento-sim did not start\n");
        return 1;
    }
    configuration.devices.setDevice(1, QString::fromLocal8Bit(simulator.readLine().trimmed()));
    // The streaming analyzer on Com 2, idle until the window logs on there.
    const QString streamLog = store.filePath(QStringLiteral("stream.log"));
    QProcess streamer;
    const std::optional<QString> streamDevice = startStream(streamer, streamLog, streamBytes);
    if (!streamDevice) {
        std::fprintf(stderr, "iec1000-bench: the streaming zento-sim did not start\n");
        return 1;
    }
    configuration.devices.setDevice(2, *streamDevice);

    WindowAssembly<QtSerialPort, WatchedClock, WatchedToolkit> tool(configuration);
    IEC1000& window = tool.window;
    WatchedClock& clock = tool.clock;
    WatchedToolkit& toolkit = tool.toolkit;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "iec1000-bench: the window was not shown\n");
        return 1;
    }

    click(window.com1);
    click(window.Log);
    click(window.Aopt);
    if (window.Reslbl->text() != QStringLiteral("Connected & Configured")) {
        std::fprintf(stderr, "iec1000-bench: log on failed: %s\n",
                     qPrintable(window.Reslbl->text()));
        return 1;
    }

    const double cpuBefore = cpuSeconds();
    const double wallBefore = steadySeconds();
    click(window.Run);
    const double cycleCpu = cpuSeconds() - cpuBefore;
    const double cycleWall = steadySeconds() - wallBefore;
    const double afterLastWaitMs = (toolkit.lastDispatchEndedAt - clock.lastWakeAt) * 1000;
    const QString verdict = window.Reslbl->text();
    const double peak = peakMegabytes();

    click(window.Log);
    simulator.closeWriteChannel();
    simulator.waitForFinished(2000);

    const StreamFigures stream = measureStream(window, streamer, streamLog);
    const Startup startup = measureStartup(runs);

    std::printf("iec1000-bench on Qt platform \"%s\"\n",
                qPrintable(QGuiApplication::platformName()));
    std::printf("  cycle verdict      %s (cycle took %.2f s of wall time)\n", qPrintable(verdict),
                cycleWall);
    std::printf("  cycle CPU          %.4f s     goal < 0.05 s   %s\n", cycleCpu,
                cycleCpu < 0.05 ? "met" : "MISSED");
    std::printf("  after last wait    %.1f ms     goal < 50 ms    %s\n", afterLastWaitMs,
                afterLastWaitMs < 50 ? "met" : "MISSED");
    std::printf(
        "  start-up (warm)    %.1f ms     goal < 150 ms   %s   (median of %d; first run %.1f ms)\n",
        startup.medianMs, startup.medianMs < 150 ? "met" : "MISSED", runs, startup.firstMs);
    std::printf("  peak memory        %.1f MB     goal < 45 MB    %s\n", peak,
                peak < 45 ? "met" : "MISSED");
    const double streamCpuShare = stream.cpuSeconds / std::max(stream.wallSeconds, 1e-9);
    std::printf("  stream of %.0f MB  %s in %.1f s; the window then said \"%s\"\n",
                double(streamBytes) / 1e6, stream.done ? "taken" : "NOT taken", stream.wallSeconds,
                qPrintable(stream.shown));
    std::printf("  stream memory      %.1f MB     goal < 60 MB    %s\n", stream.peakMegabytes,
                stream.peakMegabytes < 60 ? "met" : "MISSED");
    std::printf("  stream CPU         %.2f s (%.1f %% of its wall time)   goal < 10 %%   %s\n",
                stream.cpuSeconds, 100 * streamCpuShare, streamCpuShare < 0.1 ? "met" : "MISSED");
    return verdict == QStringLiteral("Pass") && stream.done ? 0 : 1;
}
