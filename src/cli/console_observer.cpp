#include "console_observer.h"

#include "conversions.h"
#include "harmonics.h"
#include "options.h"
#include "result_formats.h"
#include "session_stage.h"

#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <signal.h>
#include <unistd.h>
#endif

namespace cli {
namespace {

volatile std::sig_atomic_t g_signalled = 0;

extern "C" void onSignal(int)
{
    g_signalled = 1;
}

bool stderrIsTerminal()
{
#ifdef Q_OS_UNIX
    return ::isatty(STDERR_FILENO) != 0;
#else
    return false;
#endif
}

// The log-on stage as the progress says it: Connecting names the device.
QString stageLine(SessionStage stage, const QString& port)
{
    return stage == SessionStage::Connecting ? connectingText(port) : stageText(stage);
}

void writeRaw(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace

void stopOnSignals()
{
#ifndef Q_OS_UNIX
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
#else
    struct sigaction stop = {};
    stop.sa_handler = onSignal;
    sigemptyset(&stop.sa_mask);
    stop.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before = {};
        if (signal == SIGHUP && sigaction(SIGHUP, nullptr, &before) == 0 &&
            before.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &stop, nullptr);
    }
#endif
}

Interruption::Go SignalInterruption::poll()
{
    return g_signalled ? Go::Stop : Go::On;
}

bool SignalInterruption::interruptRequested()
{
    return g_signalled != 0;
}

ConsoleObserver::ConsoleObserver(QString port)
    : m_port(std::move(port)), m_countdown(stderrIsTerminal())
{}

void ConsoleObserver::stageReached(SessionStage stage)
{
    err(stageLine(stage, m_port));
}

void ConsoleObserver::step(Step step)
{
    clearCountdown();
    switch (step) {
    case Step::Triggered:
        m_step = QStringLiteral("Triggered");
        break;
    case Step::Waiting:
        m_step = QStringLiteral("Waiting for the analyzer");
        break;
    case Step::Retrieving:
        m_step = QStringLiteral("Retrieving results....");
        break;
    }
    err(m_step);
}

void ConsoleObserver::waiting(int secondsLeft)
{
    if (!m_countdown)
        return;
    if (secondsLeft <= 0) {
        clearCountdown();
        return;
    }
    QString caption = m_step;
    while (caption.endsWith(QLatin1Char('.')))
        caption.chop(1);
    const QString line = QStringLiteral("%1: %2 s left").arg(caption).arg(secondsLeft);
    m_shownWidth = std::max(m_shownWidth, line.size());
    writeRaw(QLatin1Char('\r') + line.leftJustified(m_shownWidth));
}

QString ConsoleObserver::lineFailureAdvice() const
{
    return QStringLiteral("Check the cable and the analyzer, then run the measurement again.");
}

void ConsoleObserver::cycleEnded(const CycleResult& result)
{
    clearCountdown();
    err(shownVerdict(result));
}

void ConsoleObserver::clearCountdown()
{
    if (m_shownWidth == 0)
        return;
    writeRaw(QLatin1Char('\r') + QString(m_shownWidth, QLatin1Char(' ')) + QLatin1Char('\r'));
    m_shownWidth = 0;
}

void ConsoleObservationObserver::stageReached(SessionStage stage)
{
    err(stageLine(stage, m_port));
}

void ConsoleObservationObserver::sampleTaken(int index, const ObservedSample& sample,
                                             const CycleResult&,
                                             const ObservationJudgement& running)
{
    err(sampleProgressLine(index, sample.verdict, m_secondsLeft, running));
}

QString ConsoleObservationObserver::lineFailureAdvice() const
{
    return QStringLiteral("Check the cable and the analyzer, then run the observation again.");
}

QString sampleProgressLine(int index, Verdict verdict, int secondsLeft,
                           const ObservationJudgement& running)
{
    QString line = QStringLiteral("Sample %1: %2; %3 s left")
                       .arg(index + 1)
                       .arg(verdictText(verdict))
                       .arg(secondsLeft);
    // The judged order whose average is highest in % of its limit: a
    // not-tested order is never named.
    const QList<int> ranked = rankedOrderCells(running);
    const int worst = ranked.isEmpty() ? -1 : ranked.first();
    if (worst >= 0) {
        const OrderJudgement& o = running.orders[std::size_t(worst)];
        line += QStringLiteral("; worst order %1: average %2 %, maximum %3 % of its limit")
                    .arg(harmonicOrder(worst))
                    .arg(percentFigure(*o.averagePct), percentFigure(o.maximumPct.value_or(0)));
    }
    return line;
}

} // namespace cli
