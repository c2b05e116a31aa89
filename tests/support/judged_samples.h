#pragma once

#include "observation_rules.h"

#include <QList>

// The observation rules over `judged` samples and `notJudged` samples that
// were counted but not judged, as an observation tallies them one by one,
// sampled every `sampleIntervalS` seconds.
inline ObservationJudgement judgeObservation(ProductClass productClass, const ClassDPower& power,
                                             const QList<RuleSample>& judged, int notJudged,
                                             ObservationEnd end, double guardBandPct = 0,
                                             double sampleIntervalS = 8)
{
    ObservationTally tally(ClassChoice{productClass, power, guardBandPct});
    for (const RuleSample& sample : judged)
        tally.add(sample);
    for (int n = 0; n < notJudged; ++n)
        tally.addNotJudged();
    return tally.judge(end, sampleIntervalS);
}
