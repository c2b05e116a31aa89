#pragma once

#include <QString>

class Form;

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
QString inputProblem(const QString& what, const QString& text, const QString& expected);

// Empties HrmLim(i), then HrmNo(i), for the cells first, first + 2, ..., 38:
// the harmonics a class does not judge. Their colours are left alone.
void blankEveryOtherCell(Form& form, int first);

} // namespace evaluation
