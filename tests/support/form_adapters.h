#pragma once

#include "class_evaluation.h"
#include "window_model.h"

#include <QString>

// The parse and the class evaluations on the window's elements, as the
// window's cycle shows their values (showReply, showJudgement): the tests of
// the parse and of the limit tables read what a window would show.

// Reworks `result` in place into its working form (a trailing line end
// removed and one "," appended), writes the fields found into the form and
// FundAmp, and returns how many fields were found. Fields not found keep what
// they held.
int SortOut(QString& result, Form& form, QString& FundAmp);

// What the form holds for an evaluation: HrmNo, AmpTxt, PfTxt and FundAmp.
MeasuredValues measuredValues(const Form& form, const QString& FundAmp);

// Each reads HrmNo, AmpTxt, PfTxt (and PowerD for Class D) from the form,
// writes the judgement into it and sets TestFailed to -1 (never back to 0)
// when a harmonic is above its limit.
Evaluation ClassA(Form& form, qint16& TestFailed);
Evaluation ClassB(Form& form, qint16& TestFailed);
Evaluation ClassC(Form& form, const QString& FundAmp, qint16& TestFailed);
Evaluation ClassD(Form& form, qint16& TestFailed);
// The evaluation of the selected class, none when no class is selected.
Evaluation Limits(Form& form, const QString& FundAmp, qint16& TestFailed);

// The verdict scheme on cell `cell`: fail colours and TestFailed = -1, then
// not-tested colours replacing the fail colours but not TestFailed.
void judgeHarmonic(Form& form, int cell, qint16& TestFailed);
