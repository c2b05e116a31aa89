#include "class_evaluation.h"

#include "conversions.h"
#include "evaluation_steps.h"
#include "limit_text.h"
#include "verdict_scheme.h"
#include "window_model.h"

Evaluation ClassD(Form& form, qint16& TestFailed)
{
    // The limits are milliamperes per watt of the power the operator typed,
    // not of the measured true power.
    const QString powerText = form.text(Field::PowerD);
    const std::optional<double> power = StrictNumber(powerText);
    if (!power) {
        return {Evaluation::NotJudged,
                evaluation::inputProblem(QStringLiteral("The Class D power"), powerText,
                                         QStringLiteral("a number in watts")) +
                    QStringLiteral(" Class D cannot be judged: enter the power in watts as a "
                                   "number only, such as 75.")};
    }

    // Harmonics 3 to 11 are written in full, 13 to 39 through the cut.
    const double P = *power;
    const auto fullText = [](double limitMa) { return NumberText(limitMa) + QStringLiteral("mA"); };
    form.setHrmLim(1, fullText(P * 3.4));
    form.setHrmLim(3, fullText(P * 1.9));
    form.setHrmLim(5, fullText(P));
    form.setHrmLim(7, fullText(P * 0.5));
    form.setHrmLim(9, fullText(P * 0.35));
    for (int cell = 11; cell <= 37; cell += 2) {
        const double n = harmonicOrder(cell);
        form.setHrmLim(cell, LimitText(P * (3.85 / n)));
    }

    for (int cell = 1; cell <= 37; cell += 2)
        judgeHarmonic(form, cell, TestFailed);

    // Class D does not judge the 2nd harmonic nor the even ones 4 to 40.
    evaluation::blankEveryOtherCell(form, 0);
    return {Evaluation::Judged, {}};
}
