#include "judgement.h"

#include "conversions.h"

namespace {
constexpr std::array<const char*, 4> kStateNames{"pass", "fail", "not_tested", "not_judged"};
} // namespace

QString classLetter(ProductClass productClass)
{
    switch (productClass) {
    case ProductClass::A:
        return QStringLiteral("A");
    case ProductClass::B:
        return QStringLiteral("B");
    case ProductClass::C:
        return QStringLiteral("C");
    case ProductClass::D:
        return QStringLiteral("D");
    case ProductClass::None:
        break;
    }
    return QString();
}

QString classWithPower(ProductClass productClass, const QString& power)
{
    if (productClass == ProductClass::D && !power.isEmpty())
        return QStringLiteral("D (%1 W)").arg(power);
    return classLetter(productClass);
}

std::optional<ProductClass> classFromLetter(const QString& letter)
{
    for (ProductClass c : {ProductClass::A, ProductClass::B, ProductClass::C, ProductClass::D})
        if (letter.compare(classLetter(c), Qt::CaseInsensitive) == 0)
            return c;
    return std::nullopt;
}

QString cellStateName(CellState state)
{
    return QString::fromLatin1(kStateNames[std::size_t(state)]);
}

QString cellStateWords(CellState state)
{
    return cellStateName(state).replace(QLatin1Char('_'), QLatin1Char(' '));
}

std::optional<CellState> cellStateFromName(const QString& name)
{
    for (std::size_t n = 0; n < kStateNames.size(); ++n)
        if (name == QLatin1String(kStateNames[n]))
            return CellState(n);
    return std::nullopt;
}

QString measurementRules(Edition edition)
{
    if (edition == Edition::Iec1995)
        return QLatin1String(kMeasurementRules);
    return editionTitle(edition) + QStringLiteral(" limits, one analyzer snapshot");
}

QString harmonicName(int order)
{
    const int lastTwo = order % 100;
    const char* suffix = "th";
    if (lastTwo < 11 || lastTwo > 13) {
        if (order % 10 == 1)
            suffix = "st";
        else if (order % 10 == 2)
            suffix = "nd";
        else if (order % 10 == 3)
            suffix = "rd";
    }
    return QStringLiteral("%1%2 harmonic").arg(order).arg(QLatin1String(suffix));
}

QString closestLine(const std::optional<ClosestOrder>& closest)
{
    if (!closest)
        return QStringLiteral("Closest to its limit: no order judged");
    return QStringLiteral("Closest to its %1limit: %2, %3 %")
        .arg(closest->guarded ? QStringLiteral("guarded ") : QString(),
             harmonicName(closest->order), percentFigure(closest->percentOfLimit));
}
