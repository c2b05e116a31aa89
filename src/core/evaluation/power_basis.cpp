#include "power_basis.h"

#include "conversions.h"

#include <cmath>

namespace {

// Apart by more than this, in %.
constexpr double kTolerancePct = 10;

} // namespace

std::optional<double> powerDeviationPct(const QString& typedW, const QString& measuredW)
{
    const std::optional<double> typed = StrictNumber(typedW);
    const std::optional<double> measured = StrictNumber(measuredW);
    if (!typed || !measured || *typed <= 0)
        return std::nullopt;
    return (*measured - *typed) / *typed * 100;
}

bool powerDiffers(double deviationPct)
{
    // As shown: 99 W against a typed 90 W is 10 %, not 10.000000000000002 %.
    return NumericValue(NumberText(std::abs(deviationPct))) > kTolerancePct;
}

QString powerDiffersLine(const QString& typedW, const QString& measuredW)
{
    const std::optional<double> deviation = powerDeviationPct(typedW, measuredW);
    if (!deviation || !powerDiffers(*deviation))
        return QString();
    // Whole per cent, unless that reads as the tolerance itself.
    QString percent = QString::number(std::abs(*deviation), 'f', 0);
    if (percent.toDouble() <= kTolerancePct)
        percent = QString::number(std::abs(*deviation), 'f', 1);
    return QStringLiteral("The measured power %1 W is %2 % %3 the typed %4 W: the lab will judge "
                          "by the measured power")
        .arg(NumberText(*StrictNumber(measuredW)), percent,
             *deviation > 0 ? QStringLiteral("above") : QStringLiteral("below"),
             NumberText(*StrictNumber(typedW)));
}

bool typedPowerWithin(double typedW, double measuredW)
{
    return typedW > 0 && !powerDiffers((measuredW - typedW) / typedW * 100);
}

QString powerBasisName(PowerBasis basis)
{
    return basis == PowerBasis::Measured ? QStringLiteral("measured") : QStringLiteral("typed");
}

std::optional<PowerBasis> powerBasisFromName(const QString& name)
{
    for (PowerBasis basis : {PowerBasis::Typed, PowerBasis::Measured})
        if (name == powerBasisName(basis))
            return basis;
    return std::nullopt;
}

PowerBasis labPowerBasis(std::optional<double> typedW, std::optional<double> measuredW)
{
    if (!typedW || !measuredW || *typedW <= 0 || typedPowerWithin(*typedW, *measuredW))
        return PowerBasis::Typed;
    return PowerBasis::Measured;
}
