#include "class_evaluation.h"

#include "conversions.h"
#include "evaluation_steps.h"
#include "limit_text.h"
#include "verdict_scheme.h"

#include <QStringList>

#include <cmath>

Judgement ClassC(const MeasuredValues& measured)
{
    // The limits are percentages of the fundamental current the analyzer
    // measured; the 3rd harmonic's grows with the power factor. Both must be
    // whole numbers: a limit is never computed from an invented value.
    Judgement judgement = evaluation::startJudgement(ProductClass::C, measured);
    const std::optional<double> fundamental = StrictNumber(measured.fundAmp);
    const std::optional<double> powerFactor = StrictNumber(measured.powerFactor);
    if (!fundamental || !powerFactor) {
        QStringList problems;
        if (!fundamental)
            problems << evaluation::inputProblem(
                QStringLiteral("The fundamental current of the result reply"), measured.fundAmp,
                QStringLiteral("a number in amperes"));
        if (!powerFactor) {
            // Quote what the analyzer sent, not what the field made of it.
            const QString sent =
                measured.powerFactorSent.isNull() ? measured.powerFactor : measured.powerFactorSent;
            problems << evaluation::inputProblem(QStringLiteral("The power factor"), sent,
                                                 QStringLiteral("a number"));
        }
        problems << QStringLiteral("Class C cannot be judged.");
        judgement.evaluation = {Evaluation::NotJudged, problems.join(QLatin1Char(' '))};
        return judgement;
    }

    // The power factor's sign tells the direction of the power, not its
    // quality: the limits take its magnitude. A magnitude above 1 is no power
    // factor at all.
    if (std::abs(*powerFactor) > 1) {
        const QString sent =
            measured.powerFactorSent.isNull() ? measured.powerFactor : measured.powerFactorSent;
        judgement.evaluation = {
            Evaluation::NotJudged,
            QStringLiteral("The power factor (field 4 of the result reply) is %1: its magnitude "
                           "is above 1, so it is no power factor. Class C cannot be judged.")
                .arg(evaluation::shownText(sent.trimmed()))};
        return judgement;
    }

    // The fundamental is part of the rms current: one above it by more than
    // the instrument's tolerance (1 % + 5 mA) tells that one of the two is
    // not what was measured, and the limits would rest on it.
    if (const std::optional<double> rms = StrictNumber(measured.amps);
        rms && *fundamental > evaluation::asShown(*rms * 1.01 + 0.005)) {
        judgement.evaluation = {
            Evaluation::NotJudged,
            QStringLiteral("The fundamental current (field 8 of the result reply, %1 A) is above "
                           "the rms current (field 3, %2 A) by more than 1 % + 5 mA; a "
                           "fundamental cannot exceed the current it is part of. Class C cannot "
                           "be judged.")
                .arg(evaluation::shownText(measured.fundAmp.trimmed()),
                     evaluation::shownText(measured.amps))};
        return judgement;
    }

    const double F = *fundamental;
    const double lambda = std::abs(*powerFactor);
    judgement.limits[0] = LimitText(F * (2.0 / 100) * 1000);
    judgement.limits[1] = LimitText(F * (lambda * 30 / 100) * 1000);
    judgement.limits[3] = LimitText(F * (10.0 / 100) * 1000);
    judgement.limits[5] = LimitText(F * (7.0 / 100) * 1000);
    judgement.limits[7] = LimitText(F * (5.0 / 100) * 1000);
    for (int cell = 9; cell <= 37; cell += 2)
        judgement.limits[cell] = LimitText(F * (3.0 / 100) * 1000);

    // The odd harmonics 3 to 39, then the 2nd.
    const double notTestedBelow = evaluation::notTestedBelowMa(measured.amps);
    for (int cell = 1; cell <= 37; cell += 2)
        evaluation::judgeCell(judgement, cell, notTestedBelow);
    evaluation::judgeCell(judgement, 0, notTestedBelow);

    // Class C does not judge the even harmonics 4 to 40.
    evaluation::blankEveryOtherCell(judgement, 2);
    return judgement;
}
