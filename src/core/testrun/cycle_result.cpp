#include "cycle_result.h"

#include "zento_measurement.h"

#include <array>

namespace {
constexpr std::array<const char*, 10> kVerdictTexts{"Pass",
                                                   "Fail",
                                                   "Incomplete result",
                                                   "Invalid result",
                                                   "No result received",
                                                   "No verdict",
                                                   "Analyzer did not answer",
                                                   "Line failed",
                                                   "Stopped",
                                                   "Not limited"};
} // namespace

QString verdictText(Verdict verdict)
{
    return QString::fromLatin1(kVerdictTexts[std::size_t(verdict)]);
}

std::optional<Verdict> verdictFromText(const QString& text)
{
    for (std::size_t n = 0; n < kVerdictTexts.size(); ++n)
        if (text == QLatin1String(kVerdictTexts[n]))
            return Verdict(n);
    return std::nullopt;
}

bool isJudged(Verdict verdict)
{
    return verdict == Verdict::Pass || verdict == Verdict::Fail;
}

bool isPassing(Verdict verdict)
{
    return verdict == Verdict::Pass || verdict == Verdict::NotLimited;
}

std::optional<Verdict> labVerdict(const CycleResult& result)
{
    const std::optional<LabBasis>& lab = result.judgement.lab;
    if (!lab || !isJudged(result.verdict))
        return std::nullopt;
    if (lab->evaluation.status != Evaluation::Judged)
        return Verdict::NoVerdict;
    return lab->anyFailed ? Verdict::Fail : Verdict::Pass;
}

Verdict worseOfBoth(const CycleResult& result)
{
    const std::optional<Verdict> lab = labVerdict(result);
    if (lab && *lab == Verdict::Fail)
        return Verdict::Fail;
    return result.verdict;
}

Measurement CycleResult::measurement() const
{
    return zentoMeasurement(reply, measuredAt);
}
