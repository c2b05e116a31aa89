#pragma once

#include "judgement.h"

#include <QString>

class Form;

// The first selected class option, tested in the order Aopt, Bopt, Copt, Dopt.
ProductClass selectedClass(const Form& form);

// Each writes its limit texts into HrmLim, judges the measured cells HrmNo by
// the verdict scheme and sets TestFailed to -1 (never back to 0) when a
// harmonic is above its limit; cells the class does not judge are blanked.
Evaluation ClassA(Form& form, qint16& TestFailed);
Evaluation ClassB(Form& form, qint16& TestFailed);
// FundAmp: the fundamental current in A as the result reply gave it.
Evaluation ClassC(Form& form, const QString& FundAmp, qint16& TestFailed);
// The power is the operator's text of PowerD, in W.
Evaluation ClassD(Form& form, qint16& TestFailed);

// Limits: runs the evaluation of the selected class, none when no class is
// selected.
Evaluation Limits(Form& form, const QString& FundAmp, qint16& TestFailed);
