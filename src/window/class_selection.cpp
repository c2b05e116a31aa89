#include "class_selection.h"

#include "toolkit.h"

#include <algorithm>

void classOptionClicked(Option option, Form& form, Toolkit& toolkit)
{
    // Only the class options Aopt to Dopt have this handler.
    if (std::find(kClassOptions.begin(), kClassOptions.end(), option) == kClassOptions.end())
        return;

    form.setEnabled(Button::Run, true);

    // A text of blanks is not empty: the test run and ClassD deal with it.
    if (option == Option::Dopt && form.text(Field::PowerD).isEmpty())
        toolkit.messageBox(QStringLiteral("Please enter the Power for Class D"));
}

ProductClass selectedClass(const Form& form)
{
    if (form.selected(Option::Aopt))
        return ProductClass::A;
    if (form.selected(Option::Bopt))
        return ProductClass::B;
    if (form.selected(Option::Copt))
        return ProductClass::C;
    if (form.selected(Option::Dopt))
        return ProductClass::D;
    return ProductClass::None;
}

void showJudgement(Form& form, const Judgement& judgement)
{
    if (judgement.evaluation.status != Evaluation::Judged)
        return;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        form.setHrmLim(cell, judgement.limits[cell]);
        if (judgement.currents[cell] != form.hrmNo(cell))
            form.setHrmNo(cell, judgement.currents[cell]);
        showCellState(form, cell, judgement.states[cell]);
    }
}

void showCellState(Form& form, int cell, CellState state)
{
    if (state == CellState::Fail || state == CellState::NotTested) {
        form.setHrmNoBackColor(cell, state == CellState::Fail ? Colour::Fail : Colour::NotTested);
        form.setHrmNoForeColor(cell, Colour::White);
    }
}
