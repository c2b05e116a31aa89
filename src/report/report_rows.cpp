#include "report_rows.h"

#include "conversions.h"

QString shownCurrent(const CycleResult& result, int cell)
{
    if (result.judgement.evaluation.status == Evaluation::Judged)
        return result.judgement.currents[std::size_t(cell)];
    return result.reply.harmonics[std::size_t(cell)];
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

QString reportedProblem(const CycleResult& result)
{
    const QString& evaluationProblem = result.judgement.evaluation.problem;
    if (result.problem.isEmpty())
        return evaluationProblem;
    if (evaluationProblem.isEmpty() || result.problem.contains(evaluationProblem))
        return result.problem;
    return result.problem + QStringLiteral("; ") + evaluationProblem;
}

bool isBidiControl(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x202a && u <= 0x202e) || (u >= 0x2066 && u <= 0x2069) || u == 0x200e ||
           u == 0x200f || u == 0x061c;
}

QString escapedText(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (QChar c : text) {
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
        else if (isBidiControl(c))
            escaped += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
        else
            escaped += c;
    }
    return escaped;
}
