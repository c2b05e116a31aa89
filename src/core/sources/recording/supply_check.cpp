#include "supply_check.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

double supplyHarmonicLimitPercent(int order)
{
    switch (order) {
    case 3:
        return 0.9;
    case 5:
        return 0.4;
    case 7:
        return 0.3;
    case 9:
        return 0.2;
    default:
        return order <= 10 && order % 2 == 0 ? 0.2 : 0.1;
    }
}

void SupplyTracker::add(double volts, double hz, double crest,
                        const std::array<double, kRecordedHarmonics>& harmonicsPercent)
{
    if (!m_started) {
        m_started = true;
        m_worst.lowestVolts = m_worst.highestVolts = volts;
        m_worst.lowestHz = m_worst.highestHz = hz;
        m_worst.lowestCrest = m_worst.highestCrest = crest;
    }
    m_worst.lowestVolts = std::min(m_worst.lowestVolts, volts);
    m_worst.highestVolts = std::max(m_worst.highestVolts, volts);
    m_worst.lowestHz = std::min(m_worst.lowestHz, hz);
    m_worst.highestHz = std::max(m_worst.highestHz, hz);
    m_worst.lowestCrest = std::min(m_worst.lowestCrest, crest);
    m_worst.highestCrest = std::max(m_worst.highestCrest, crest);
    for (int cell = 0; cell < kRecordedHarmonics; ++cell)
        m_worst.harmonicsPercent[cell] =
            std::max(m_worst.harmonicsPercent[cell], harmonicsPercent[cell]);
    m_voltsSum += volts;
    m_hzSum += hz;
    ++m_count;
}

SupplyCheck SupplyTracker::result() const
{
    SupplyCheck check = m_worst;
    if (m_count == 0)
        return check;
    // The rated voltage the supply stands for: the nearest of the usual ones.
    const double meanVolts = m_voltsSum / double(m_count);
    const double rated[] = {100, 110, 115, 120, 127, 200, 208, 220, 230, 240};
    check.nominalVolts = rated[0];
    for (double r : rated)
        if (std::fabs(r - meanVolts) < std::fabs(check.nominalVolts - meanVolts))
            check.nominalVolts = r;
    check.nominalHz = m_hzSum / double(m_count) < 55 ? 50 : 60;

    QStringList outside;
    const double voltsBand = check.nominalVolts * kSupplyVoltsTolerancePercent / 100;
    for (double v : {check.lowestVolts, check.highestVolts})
        if (std::fabs(v - check.nominalVolts) > voltsBand) {
            outside << QStringLiteral("voltage %1 V is more than 2 % from %2 V")
                           .arg(v, 0, 'f', 1)
                           .arg(check.nominalVolts);
            break;
        }
    const double hzBand = check.nominalHz * kSupplyHzTolerancePercent / 100;
    for (double f : {check.lowestHz, check.highestHz})
        if (std::fabs(f - check.nominalHz) > hzBand) {
            outside << QStringLiteral("frequency %1 Hz is more than 0.5 % from %2 Hz")
                           .arg(f, 0, 'f', 2)
                           .arg(check.nominalHz);
            break;
        }
    if (check.lowestCrest < kSupplyCrestLowest)
        outside
            << QStringLiteral("crest factor %1 is below 1.40").arg(check.lowestCrest, 0, 'f', 3);
    if (check.highestCrest > kSupplyCrestHighest)
        outside
            << QStringLiteral("crest factor %1 is above 1.42").arg(check.highestCrest, 0, 'f', 3);
    for (int cell = 0; cell < kRecordedHarmonics; ++cell) {
        const int order = cell + 2;
        if (check.harmonicsPercent[cell] > supplyHarmonicLimitPercent(order))
            outside << QStringLiteral("harmonic %1 is %2 % (at most %3 %)")
                           .arg(order)
                           .arg(check.harmonicsPercent[cell], 0, 'f', 2)
                           .arg(supplyHarmonicLimitPercent(order));
    }
    if (!outside.isEmpty())
        check.warning = QStringLiteral("The test supply is outside IEC 61000-3-2 Annex A: ") +
                        outside.join(QStringLiteral("; "));
    return check;
}
