#include "measurement_cycle.h"

#include "clock.h"
#include "command_channel.h"
#include "command_set.h"
#include "conversions.h"
#include "evaluation_steps.h"
#include "serial_port.h"
#include "sort_out.h"

#include <algorithm>

namespace {

// How long the poll waits for the line end of a status that has read 1
// without it.
constexpr int kLineEndGraceMs = 1000;
// The same when a carriage return has already come: only its line feed can
// still follow.
constexpr int kLineFeedGraceMs = 200;
// How often an interruptible wait asks whether to end early.
constexpr int kInterruptCheckMs = 200;

// The status reads 1: the whole number 1 with the blanks and line ends
// around it ignored. Another status (3, 17: other bits set) is not 1.
bool statusReadsOne(const QByteArray& status)
{
    const std::optional<double> value = StrictNumber(QString::fromLatin1(status));
    return value && *value == 1.0;
}

// Keeps input of the analyzer wanted for the life of a scope.
class InputWanted
{
public:
    explicit InputWanted(SerialPort& port) : m_port(port) { m_port.setInputWanted(true); }
    ~InputWanted() { m_port.setInputWanted(false); }
    InputWanted(const InputWanted&) = delete;
    InputWanted& operator=(const InputWanted&) = delete;

private:
    SerialPort& m_port;
};

bool isLineEnd(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

} // namespace

MeasurementCycle::MeasurementCycle(SerialPort& port, CommandChannel& channel, Clock& clock)
    : m_port(port), m_channel(channel), m_clock(clock)
{}

std::optional<CycleResult> MeasurementCycle::run(ClassChoice choice, CycleObserver& observer,
                                                 Interruption& interruption)
{
    m_triggered = false;
    m_choice = std::move(choice);
    m_interruption = &interruption;
    if (const auto ended = afterDispatchPoint(observer))
        return *ended;
    observer.cycleStarted();
    if (const auto ended = afterDispatchPoint(observer))
        return *ended;

    observer.progress(10);
    observer.resultsCleared();
    observer.progress(20);
    observer.progress(35);

    InputWanted wanted(m_port);
    m_channel.clearFault();
    m_channel.Out(QString::fromLatin1(zento::kTrigger));
    m_triggered = true;
    if (const auto failure = lineFailure(observer))
        return endWithout(observer, Verdict::LineFailed, *failure);
    observer.step(CycleObserver::Step::Triggered);
    if (!delay(observer, QStringLiteral("5")))
        return endWithout(observer, Verdict::Stopped, {});
    // Whatever arrived before the status query (a reply to an earlier,
    // stopped cycle) is not its answer.
    m_port.input();
    m_channel.Out(QString::fromLatin1(zento::kStatusQuery));
    if (const auto failure = lineFailure(observer))
        return endWithout(observer, Verdict::LineFailed, *failure);
    observer.step(CycleObserver::Step::Waiting);
    if (const auto ended = afterDispatchPoint(observer))
        return *ended;
    observer.progress(50);

    switch (pollStatus()) {
    case Status::Ready:
        break;
    case Status::Interrupted:
        return endWithout(observer, Verdict::Stopped, {});
    case Status::NoAnswer:
        return endWithout(
            observer, Verdict::AnalyzerDidNotAnswer,
            m_lastStatus.trimmed().isEmpty()
                ? QStringLiteral("The analyzer did not answer the status query within %1 "
                                 "seconds. Nothing more was sent.\n\nCheck that the analyzer is "
                                 "on and connected, then start the test again.")
                      .arg(kStatusPollLimitMs / 1000)
                : QStringLiteral("The analyzer did not report a finished measurement within %1 "
                                 "seconds (its status read %2, not 1). Nothing more was "
                                 "sent.\n\nCheck the analyzer, then start the test again.")
                      .arg(kStatusPollLimitMs / 1000)
                      .arg(evaluation::shownText(QString::fromLatin1(m_lastStatus.trimmed()))));
    case Status::LineFailed:
        return endWithout(observer, Verdict::LineFailed, lineFailure(observer).value_or(QString()));
    }

    // What follows the status line (a stray line, a late line end) is not
    // the result reply.
    m_port.input();
    m_channel.Out(QString::fromLatin1(zento::kReadResults));
    if (const auto failure = lineFailure(observer))
        return endWithout(observer, Verdict::LineFailed, *failure);
    observer.step(CycleObserver::Step::Retrieving);
    if (!delay(observer, QStringLiteral("3")))
        return endWithout(observer, Verdict::Stopped, {});
    m_channel.Incoming();
    if (const auto failure = lineFailure(observer))
        return endWithout(observer, Verdict::LineFailed, *failure);
    observer.progress(75);

    CycleResult result;
    const ReplyLine line = replyLine(m_channel.result(), m_channel.incomingCut());
    // A reply whose front was dropped has no field at its place: nothing
    // of it is shown, but the line is kept.
    if (line.whole)
        result.reply = SortOut(line.text);
    else
        result.reply.line = line.text;
    result.judgement = Limits(m_choice, measuredValues(result.reply));
    result.verdict = replyVerdict(line, result.reply, result.judgement, &result.problem);
    result.measuredAt = m_clock.currentDateTime();
    observer.progress(90);
    observer.cycleEnded(result);
    return result;
}

std::optional<std::optional<CycleResult>>
MeasurementCycle::afterDispatchPoint(CycleObserver& observer)
{
    switch (m_interruption->poll()) {
    case Interruption::Go::Abandon:
        return std::optional<CycleResult>();
    case Interruption::Go::Stop:
        return std::optional<CycleResult>(endWithout(observer, Verdict::Stopped, {}));
    case Interruption::Go::On:
        break;
    }
    return std::nullopt;
}

MeasurementCycle::ReplyLine MeasurementCycle::replyLine(const QString& input, bool cut)
{
    ReplyLine line;
    // Characters after the last line end: a reply still arriving.
    qsizetype end = input.size();
    while (end > 0 && !isLineEnd(input[end - 1]))
        --end;
    if (end < input.size()) {
        line.text = input.mid(end);
        line.ended = false;
        line.whole = !(cut && end == 0);
        return line;
    }
    // The last line that is not empty.
    qsizetype lineEnd = input.size();
    while (lineEnd > 0) {
        qsizetype textEnd = lineEnd;
        while (textEnd > 0 && isLineEnd(input[textEnd - 1]))
            --textEnd;
        if (textEnd == 0)
            break;
        qsizetype start = textEnd;
        while (start > 0 && !isLineEnd(input[start - 1]))
            --start;
        // Its own line end (CR LF, LF or CR) belongs to it.
        qsizetype terminator = textEnd;
        if (terminator < lineEnd && input[terminator] == QLatin1Char('\r'))
            ++terminator;
        if (terminator < lineEnd && input[terminator] == QLatin1Char('\n'))
            ++terminator;
        line.text = input.mid(start, terminator - start);
        line.ended = true;
        line.whole = !(cut && start == 0);
        return line;
    }
    return line;
}

Verdict MeasurementCycle::replyVerdict(const ReplyLine& line, const ParsedReply& reply,
                                       const Judgement& judgement, QString* problem)
{
    problem->clear();
    if (reply.fieldsFound == 0 && line.text.trimmed().isEmpty())
        return Verdict::NoResultReceived;
    if (!line.ended || !line.whole || !reply.complete()) {
        *problem = !line.whole ? QStringLiteral("The result reply was longer than %1 characters "
                                                "and was cut; the measurement was not judged.")
                                     .arg(CommandChannel::kInputLimit)
                   : !line.ended && !reply.complete()
                       ? QStringLiteral("The result reply had %1 of its %2 fields and no line "
                                        "end: it was cut, its last field too; the measurement "
                                        "was not judged.")
                             .arg(reply.fieldsFound)
                             .arg(kReplyFields)
                   : !line.ended
                       ? QStringLiteral("The result reply had not ended (no line end) when it "
                                        "was read; the measurement was not judged.")
                       : QStringLiteral("The result reply had %1 of its %2 fields; the "
                                        "measurement was not judged.")
                             .arg(reply.fieldsFound)
                             .arg(kReplyFields);
        return Verdict::IncompleteResult;
    }
    *problem = invalidReplyProblem(reply);
    if (!problem->isEmpty())
        return Verdict::InvalidResult;
    switch (judgement.evaluation.status) {
    case Evaluation::NoClass:
        *problem = QStringLiteral("No equipment class is selected, so the measurement was not "
                                  "judged.");
        return Verdict::NoVerdict;
    case Evaluation::NotJudged:
        *problem = judgement.evaluation.problem;
        return Verdict::NoVerdict;
    case Evaluation::NotLimited:
        *problem = judgement.evaluation.problem + QStringLiteral(": nothing was judged against a "
                                                                 "limit.");
        return Verdict::NotLimited;
    case Evaluation::Judged:
        break;
    }
    return judgement.anyFailed ? Verdict::Fail : Verdict::Pass;
}

MeasurementCycle::Status MeasurementCycle::pollStatus()
{
    // Lines of the status reply are gathered across reads: a status can
    // arrive in pieces. A line that does not read 1 is passed over; the
    // query is not sent again. Neither the gathered input nor the last
    // status kept grows past kStatusLimit, whatever the analyzer sends.
    m_lastStatus.clear();
    QByteArray pending;
    const qint64 deadline = m_clock.steadyMs() + kStatusPollLimitMs;
    qint64 lineEndDeadline = -1;
    const auto waitAtMost = [&](qint64 ms) {
        if (m_interruption->interruptible())
            ms = std::min<qint64>(ms, kInterruptCheckMs);
        m_port.waitForInput(int(std::max<qint64>(ms, 0)));
    };
    for (;;) {
        if (m_interruption->interruptible() && m_interruption->interruptRequested())
            return Status::Interrupted;
        pending += m_port.input();
        if (!m_port.fault().isEmpty())
            return Status::LineFailed;

        qsizetype lineFeed;
        while ((lineFeed = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(lineFeed);
            pending.remove(0, lineFeed + 1);
            if (line.trimmed().isEmpty())
                continue;
            if (statusReadsOne(line))
                return Status::Ready;
            m_lastStatus = line.right(kStatusLimit);
        }
        if (pending.size() > kStatusLimit)
            pending.remove(0, pending.size() - kStatusLimit);

        const qint64 now = m_clock.steadyMs();
        if (statusReadsOne(pending)) {
            // A 1 whose line end has not come yet: wait a little for it, so
            // that it cannot arrive in front of the result reply.
            if (lineEndDeadline < 0)
                lineEndDeadline =
                    now + (pending.endsWith('\r') ? kLineFeedGraceMs : kLineEndGraceMs);
            if (now >= lineEndDeadline || now >= deadline)
                return Status::Ready;
            waitAtMost(std::min(lineEndDeadline, deadline) - now);
            continue;
        }
        lineEndDeadline = -1;
        if (now >= deadline) {
            if (!pending.trimmed().isEmpty())
                m_lastStatus = pending;
            return Status::NoAnswer;
        }
        waitAtMost(deadline - now);
    }
}

CycleResult MeasurementCycle::endWithout(CycleObserver& observer, Verdict verdict,
                                         const QString& problem)
{
    CycleResult result;
    result.verdict = verdict;
    result.problem = problem;
    // Not judged, but taken under the chosen class: the record keeps it.
    result.judgement.productClass = m_choice.productClass;
    result.judgement.power = m_choice.classDPower().text();
    result.judgement.guardBandPct = m_choice.guardBandPct;
    result.judgement.edition = m_choice.edition;
    result.judgement.professional = m_choice.professional;
    result.measuredAt = m_clock.currentDateTime();
    observer.cycleEnded(result);
    return result;
}

std::optional<QString> MeasurementCycle::lineFailure(const CycleObserver& observer) const
{
    const QString reason = m_channel.fault();
    if (reason.isEmpty())
        return std::nullopt;
    return QStringLiteral("The line to the analyzer failed during the test: %1.\n\n%2")
        .arg(reason, observer.lineFailureAdvice());
}

bool MeasurementCycle::delay(CycleObserver& observer, const QString& seconds)
{
    const qint64 length = qint64(NumericValue(seconds));
    qint64 start = m_clock.wholeSeconds();
    qint64 shown = length;
    observer.waiting(int(length));
    const bool interruptible = m_interruption->interruptible();
    // Called by Delay after each of its sleeps, which alone set the timing.
    const bool waited = m_channel.Delay(seconds, [&] {
        const qint64 now = m_clock.wholeSeconds();
        if (now < start)
            start = now; // the clock was set back: count from here, as Delay does
        const qint64 left = std::max<qint64>(length - (now - start), 0);
        if (left != shown) {
            shown = left;
            observer.waiting(int(left));
        }
        return interruptible && m_interruption->interruptRequested();
    });
    if (shown != 0)
        observer.waiting(0);
    return waited;
}
