#pragma once

#include "class_evaluation.h"

#include <QString>

// Steps the class evaluations share.
namespace evaluation {

// A computed value as a field would hold it: written with NumberText and read
// back, i.e. rounded to 15 significant digits, so that the last bits of a
// double product do not count.
double asShown(double value);

// What the operator is told about a class input that is not one whole number:
// names the input (`what`, e.g. "The Class D power"), quotes the text received
// (shortened when long) and says what it should be (`expected`, e.g. "a number
// in watts").
// A text received from the analyzer as a message may quote it: at most 40
// characters, anything not printable shown as "?", "..." when cut.
QString shownText(const QString& text);

QString inputProblem(const QString& what, const QString& text, const QString& expected);

// A judgement of `productClass` about to be made: status Judged, the
// measured currents, every cell NotJudged and no limit yet.
Judgement startJudgement(ProductClass productClass, const MeasuredValues& measured);

// Empties the limit and the current of the cells first, first + 2, ..., 38:
// the harmonics a class does not judge. They stay NotJudged.
void blankEveryOtherCell(Judgement& judgement, int first);

} // namespace evaluation
