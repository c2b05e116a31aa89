#pragma once

#include <QString>

class Form;

// The equipment class, as the options Aopt to Dopt select it.
enum class ProductClass { None, A, B, C, D };

// The first selected class option, tested in the order Aopt, Bopt, Copt, Dopt.
ProductClass selectedClass(const Form& form);

// What an evaluation came to. `Judged`: the limit column, the verdict colours
// and TestFailed are final. `NotJudged`: an input of the class could not be
// converted (a Class C fundamental current or power factor, a Class D power);
// no limit was written, no cell coloured, and `problem` tells the operator
// which input is wrong and why. `NoClass`: no class was selected.
struct Evaluation
{
    enum Status { Judged, NotJudged, NoClass };
    Status status = NoClass;
    QString problem;
};

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
