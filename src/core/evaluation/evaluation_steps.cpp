#include "evaluation_steps.h"

#include "conversions.h"

namespace evaluation {

double asShown(double value)
{
    return NumericValue(NumberText(value));
}

QString shownText(const QString& text)
{
    // A garbled reply can be long or hold control characters: show a readable
    // start of it.
    constexpr qsizetype kShown = 40;
    QString shown = text.left(kShown);
    for (QChar& c : shown) {
        if (!c.isPrint())
            c = QLatin1Char('?');
    }
    if (text.size() > kShown)
        shown += QStringLiteral("...");
    return shown;
}

QString inputProblem(const QString& what, const QString& text, const QString& expected)
{
    if (text.isEmpty())
        return QStringLiteral("%1 is empty; it must be %2.").arg(what, expected);
    if (text.trimmed().isEmpty())
        return QStringLiteral("%1 holds only blanks; it must be %2.").arg(what, expected);

    return QStringLiteral("%1 \"%2\" is not %3.").arg(what, shownText(text), expected);
}

Judgement startJudgement(ProductClass productClass, const MeasuredValues& measured)
{
    Judgement judgement;
    judgement.productClass = productClass;
    judgement.evaluation.status = Evaluation::Judged;
    judgement.currents = measured.harmonics;
    return judgement;
}

void blankEveryOtherCell(Judgement& judgement, int first)
{
    for (int cell = first; cell < kHarmonicCells; cell += 2) {
        judgement.limits[cell] = QString();
        judgement.currents[cell] = QString();
        judgement.states[cell] = CellState::NotJudged;
    }
}

} // namespace evaluation
