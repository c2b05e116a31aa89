#include "class_evaluation.h"

#include "conversions.h"
#include "evaluation_steps.h"
#include "limit_text.h"
#include "verdict_scheme.h"
#include "window_model.h"

#include <QStringList>

Evaluation ClassC(Form& form, const QString& FundAmp, qint16& TestFailed)
{
    // The limits are percentages of the fundamental current the analyzer
    // measured; the 3rd harmonic's grows with the power factor. Both must be
    // whole numbers: a limit is never computed from an invented value.
    const QString powerFactorText = form.text(Field::PfTxt);
    const std::optional<double> fundamental = StrictNumber(FundAmp);
    const std::optional<double> powerFactor = StrictNumber(powerFactorText);
    if (!fundamental || !powerFactor) {
        QStringList problems;
        if (!fundamental)
            problems << evaluation::inputProblem(
                QStringLiteral("The fundamental current of the result reply"), FundAmp,
                QStringLiteral("a number in amperes"));
        if (!powerFactor)
            problems << evaluation::inputProblem(QStringLiteral("The power factor"),
                                                 powerFactorText, QStringLiteral("a number"));
        problems << QStringLiteral("Class C cannot be judged.");
        return {Evaluation::NotJudged, problems.join(QLatin1Char(' '))};
    }

    const double F = *fundamental;
    const double lambda = *powerFactor;
    form.setHrmLim(0, LimitText(F * (2.0 / 100) * 1000));
    form.setHrmLim(1, LimitText(F * (lambda * 30 / 100) * 1000));
    form.setHrmLim(3, LimitText(F * (10.0 / 100) * 1000));
    form.setHrmLim(5, LimitText(F * (7.0 / 100) * 1000));
    form.setHrmLim(7, LimitText(F * (5.0 / 100) * 1000));
    for (int cell = 9; cell <= 37; cell += 2)
        form.setHrmLim(cell, LimitText(F * (3.0 / 100) * 1000));

    // The odd harmonics 3 to 39, then the 2nd.
    for (int cell = 1; cell <= 37; cell += 2)
        judgeHarmonic(form, cell, TestFailed);
    judgeHarmonic(form, 0, TestFailed);

    // Class C does not judge the even harmonics 4 to 40.
    evaluation::blankEveryOtherCell(form, 2);
    return {Evaluation::Judged, {}};
}
