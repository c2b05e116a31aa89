// Analyses ten minutes of two channels at 25.6 kS/s (a 61 MB WAV written into
// a temporary folder first) and prints the time and the peak memory of the
// process beside their goals.
#include "peak_memory.h"
#include "recording_analysis.h"
#include "waveform_synth.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

#include <sys/resource.h>

namespace {

constexpr double kTimeGoalSeconds = 3;
constexpr double kMemoryGoalMb = 100;

void report(const char* what, double value, const char* unit, double goal)
{
    std::printf("%-56s %8.2f %s   goal < %.0f %s   %s\n", what, value, unit, goal, unit,
                value < goal ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    WaveformDescription d;
    parseDescription("volts=230 amps=4@-15 i3=2.1@30 i5=1.1@60 i7=0.6 i9=0.3 i11=0.2 i13=0.1 "
                     "switch=15:0.05:0.1:5 noise=0.002 vnoise=0.05 seconds=600 rate=25600 bits=16",
                     d);
    const QString path = dir.filePath(QStringLiteral("ten-minutes.wav"));
    if (auto error = writeWaveform(d, path.toStdString())) {
        std::fprintf(stderr, "%s\n", error->c_str());
        return 1;
    }
    std::printf("%s: %.1f MB\n", qPrintable(QFileInfo(path).fileName()),
                double(QFileInfo(path).size()) / 1e6);

    QElapsedTimer timer;
    timer.start();
    OpenedRecording opened = openRecording(path, {voltsFullScale(d), ampsFullScale(d), QString()});
    auto* reader = std::get_if<std::unique_ptr<WaveformReader>>(&opened);
    if (!reader) {
        std::fprintf(stderr, "%s\n", qPrintable(std::get<RecordingError>(opened).message));
        return 1;
    }
    const AnalysisOutcome outcome = analyzeRecording(**reader);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (auto* error = std::get_if<RecordingError>(&outcome)) {
        std::fprintf(stderr, "%s\n", qPrintable(error->message));
        return 1;
    }
    const RecordingAnalysis& a = std::get<RecordingAnalysis>(outcome);
    std::printf("%lld windows, 3rd harmonic at most %.1f mA, highest power %.1f W\n",
                static_cast<long long>(a.windowCount), a.maximumMilliamps[1], a.maximumWatts);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    report("analysing 10 min at 25.6 kS/s (one core)", seconds, "s", kTimeGoalSeconds);
    report("peak memory (getrusage maxrss)", double(usage.ru_maxrss) / 1024.0, "MB", kMemoryGoalMb);
    std::printf("(VmHWM %.1f MB)\n", peakMegabytes());
    return 0;
}
