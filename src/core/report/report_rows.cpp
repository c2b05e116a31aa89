#include "report_rows.h"

#include "conversions.h"
#include "guard_band.h"
#include "power_basis.h"

bool receivedWhole(const ParsedReply& reply, int field)
{
    if (field > reply.fieldsFound)
        return false;
    if (field < reply.fieldsFound)
        return true;
    return reply.line.endsWith(QLatin1Char('\n')) || reply.line.endsWith(QLatin1Char('\r'));
}

QString shownValue(const CycleResult& result, int field)
{
    if (!receivedWhole(result.reply, field))
        return QString();
    const Measurement measured = result.measurement();
    switch (field) {
    case 1:
        return measured.watts;
    case 2:
        return measured.volts;
    case 3:
        return measured.amps;
    case 4:
        return measured.powerFactor;
    case 5:
        return measured.frequency;
    default:
        return QString();
    }
}

QString shownCurrent(const CycleResult& result, int cell)
{
    if (!receivedWhole(result.reply, kFirstHarmonicField + cell))
        return QString();
    if (result.judgement.evaluation.status == Evaluation::Judged)
        return result.judgement.currents[std::size_t(cell)];
    return result.measurement().harmonicsMa[std::size_t(cell)];
}

std::optional<CellState> shownState(const CycleResult& result, int cell)
{
    if (result.reply.fieldsFound > 0 && !receivedWhole(result.reply, kFirstHarmonicField + cell))
        return std::nullopt;
    return result.judgement.states[std::size_t(cell)];
}

QString shownStateName(const CycleResult& result, int cell)
{
    const std::optional<CellState> state = shownState(result, cell);
    return state ? cellStateName(*state) : QString();
}

std::optional<double> percentOfLimit(const CycleResult& result, int cell)
{
    const QString current = shownCurrent(result, cell);
    const QString limit = result.judgement.limits[std::size_t(cell)];
    if (current.isEmpty() || limit.isEmpty())
        return std::nullopt;
    const double limitMa = NumericValue(limit);
    if (limitMa <= 0)
        return std::nullopt;
    return NumericValue(current) / limitMa * 100;
}

std::optional<ClosestOrder> closestOf(const CycleResult& result)
{
    if (!isJudged(result.verdict))
        return std::nullopt;
    return closestOrder(result.judgement);
}

QString reportedProblem(const CycleResult& result)
{
    const QString& evaluationProblem = result.judgement.evaluation.problem;
    if (result.problem.isEmpty())
        return evaluationProblem;
    if (evaluationProblem.isEmpty() || result.problem.contains(evaluationProblem))
        return result.problem;
    return result.problem + QStringLiteral("; ") + evaluationProblem;
}

QString verdictReason(const CycleResult& result)
{
    const QString problem = reportedProblem(result);
    if (!problem.isEmpty() || isJudged(result.verdict))
        return problem;
    switch (result.verdict) {
    case Verdict::Stopped:
        return QStringLiteral("The test was stopped before a result was judged; the "
                              "measurement has no verdict.");
    case Verdict::NoResultReceived:
        return QStringLiteral("The analyzer sent no result reply; the measurement was not "
                              "judged.");
    case Verdict::AnalyzerDidNotAnswer:
        return QStringLiteral("The analyzer's status did not read 1 within 20 s; no result was "
                              "read.");
    case Verdict::LineFailed:
        return QStringLiteral("The line to the analyzer failed during the test; the "
                              "measurement was not judged.");
    default:
        return QStringLiteral("The measurement was not judged.");
    }
}

QString replySummary(const CycleResult& result)
{
    const ParsedReply& reply = result.reply;
    if (reply.fieldsFound == 0 && reply.line.trimmed().isEmpty())
        return QStringLiteral("no reply received");
    if (reply.fieldsFound < kReplyFields)
        return QStringLiteral("incomplete reply: %1 of %2 values")
            .arg(reply.fieldsFound)
            .arg(kReplyFields);
    if (result.verdict == Verdict::IncompleteResult)
        return QStringLiteral("incomplete reply: cut or without line end");
    if (result.verdict == Verdict::InvalidResult)
        return QStringLiteral("reply with a value that is not a number");
    return QStringLiteral("complete reply");
}

std::optional<double> powerDeviation(const CycleResult& result)
{
    if (result.judgement.productClass != ProductClass::D)
        return std::nullopt;
    return powerDeviationPct(result.judgement.power, result.measurement().watts);
}

QString editionShown(Edition edition, bool professional)
{
    return editionTitle(edition) +
           (professional ? QStringLiteral(", professional equipment") : QString());
}

QString powerBasisShown(const Judgement& judgement)
{
    if (judgement.productClass != ProductClass::D || !judgement.basisW)
        return QString();
    return QStringLiteral("%1 %2 W").arg(powerBasisName(judgement.powerBasis),
                                         NumberText(*judgement.basisW));
}

bool isBidiControl(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x202a && u <= 0x202e) || (u >= 0x2066 && u <= 0x2069) || u == 0x200e ||
           u == 0x200f || u == 0x061c;
}

bool isInvisibleFormat(char32_t u)
{
    return QChar::category(u) == QChar::Other_Format;
}

QString escapedText(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (u == '\r')
            escaped += QStringLiteral("\\r");
        else if (u == '\n')
            escaped += QStringLiteral("\\n");
        else if (u == '\t')
            escaped += QStringLiteral("\\t");
        else if (u == '\\')
            escaped += QStringLiteral("\\\\");
        else if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            escaped += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else if (isBidiControl(c) || isInvisibleFormat(u))
            escaped += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
        else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() &&
                 isInvisibleFormat(QChar::surrogateToUcs4(c, text.at(i + 1)))) {
            // The tags and the musical format characters beyond U+FFFF.
            escaped += QStringLiteral("\\U%1").arg(uint(QChar::surrogateToUcs4(c, text.at(i + 1))),
                                                   8, 16, QLatin1Char('0'));
            ++i;
        } else
            escaped += c;
    }
    return escaped;
}

QString escapedMessage(const QString& message)
{
    QStringList lines = message.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = escapedText(line);
    return lines.join(QLatin1Char('\n'));
}
