#pragma once

#include "judgement.h"
#include "window_model.h"

class Toolkit;

// Aopt_Click to Dopt_Click: a click on a class option enables Run. A click on
// Dopt while PowerD is empty also shows "Please enter the Power for Class D".
void classOptionClicked(Option option, Form& form, Toolkit& toolkit);

// The first selected class option, tested in the order Aopt, Bopt, Copt, Dopt.
ProductClass selectedClass(const Form& form);

// Writes a judgement into the window: for a judged class every limit cell,
// the emptied harmonic cells and the fail and not-tested colours (cells that
// pass keep their colours); nothing for a class that was not judged.
void showJudgement(Form& form, const Judgement& judgement);

// The colours of HrmNo(cell) for its state: red or blue with white text for
// Fail and NotTested; the others keep theirs.
void showCellState(Form& form, int cell, CellState state);
