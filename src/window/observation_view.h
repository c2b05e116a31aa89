#pragma once

#include "observation_chart.h"
#include "observation_record.h"
#include "window_model.h"

#include <QString>

#include <vector>

// What the timed observation's window shows of an observation, as values:
// the chart's points, the notes beside the verdict, the line saying what it
// judges by and the verdict's colour.

// The chart's view of the running judgement after `latest`: every order 2 to
// 40 with its latest, average and maximum values in % of its limit and its
// state; an order the class sets no limit shows as NotJudged.
std::vector<OrderPoint> chartPoints(const ObservationJudgement& running,
                                    const ObservedSample& latest);

// What the operator reads beside the verdict, one note a line: how the
// samples were taken, the guard band, POHC and whether its allowance applied
// (Class A and D), the highest measured against the typed power and the
// power the limits come from (Class D), the samples whose fundamental is
// over 10 % from the median (Class C), what the edition adds (the
// judgement's notes), and why there is no verdict or why it is not limited.
QString observationNotes(const ObservationResult& result);

// What the observation judges by, as its window says it: "Judges by Class D
// at 75 W on Com 1 (/dev/ttyS0)". `port`: the port logged on with its
// device; empty when none is ("not logged on").
QString judgingBasisText(const ClassChoice& choice, const QString& port);

// The colour role the verdict of an observation is shown on: Pass on green,
// "Stopped" and "Not limited" on the neutral colour, every other verdict on
// red.
Colour observationVerdictColour(ObservationVerdict verdict);
