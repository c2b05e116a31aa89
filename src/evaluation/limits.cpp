#include "class_evaluation.h"

#include "evaluation_steps.h"
#include "window_model.h"

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

Judgement Limits(ProductClass productClass, const MeasuredValues& measured, const QString& power)
{
    switch (productClass) {
    case ProductClass::A:
        return ClassA(measured);
    case ProductClass::B:
        return ClassB(measured);
    case ProductClass::C:
        return ClassC(measured);
    case ProductClass::D:
        return ClassD(measured, power);
    case ProductClass::None:
        break;
    }
    Judgement none = evaluation::startJudgement(ProductClass::None, measured);
    none.evaluation = {Evaluation::NoClass, {}};
    return none;
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
