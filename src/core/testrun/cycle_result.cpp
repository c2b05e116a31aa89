#include "cycle_result.h"

#include <array>

namespace {
constexpr std::array<const char*, 9> kVerdictTexts{"Pass",
                                                   "Fail",
                                                   "Incomplete result",
                                                   "Invalid result",
                                                   "No result received",
                                                   "No verdict",
                                                   "Analyzer did not answer",
                                                   "Line failed",
                                                   "Stopped"};
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
