#include "class_evaluation.h"

#include "conversions.h"
#include "evaluation_steps.h"
#include "limit_text.h"

Judgement ClassD(const MeasuredValues& measured, const QString& power)
{
    // The limits are milliamperes per watt of the power the operator typed,
    // not of the measured true power.
    Judgement judgement = evaluation::startJudgement(ProductClass::D, measured);
    judgement.power = power;
    const std::optional<double> watts = StrictNumber(power);
    if (!watts) {
        judgement.evaluation = {
            Evaluation::NotJudged,
            evaluation::inputProblem(QStringLiteral("The Class D power"), power,
                                     QStringLiteral("a number in watts")) +
                QStringLiteral(" Class D cannot be judged: enter the power in watts as a "
                               "number only, such as 75.")};
        return judgement;
    }

    // Harmonics 3 to 11 are written in full, 13 to 39 through the cut.
    const double P = *watts;
    const auto fullText = [](double limitMa) { return NumberText(limitMa) + QStringLiteral("mA"); };
    judgement.limits[1] = fullText(P * 3.4);
    judgement.limits[3] = fullText(P * 1.9);
    judgement.limits[5] = fullText(P);
    judgement.limits[7] = fullText(P * 0.5);
    judgement.limits[9] = fullText(P * 0.35);
    for (int cell = 11; cell <= 37; cell += 2) {
        const double n = harmonicOrder(cell);
        judgement.limits[cell] = LimitText(P * (3.85 / n));
    }

    for (int cell = 1; cell <= 37; cell += 2)
        evaluation::judgeCell(judgement, cell, measured);

    // Class D does not judge the 2nd harmonic nor the even ones 4 to 40.
    evaluation::blankEveryOtherCell(judgement, 0);
    return judgement;
}
