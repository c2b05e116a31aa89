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

MeasuredValues measuredValues(const Form& form, const QString& FundAmp)
{
    MeasuredValues measured;
    for (int cell = 0; cell < kHarmonicCells; ++cell)
        measured.harmonics[cell] = form.hrmNo(cell);
    measured.amps = form.text(Field::AmpTxt);
    measured.powerFactor = form.text(Field::PfTxt);
    measured.fundAmp = FundAmp;
    return measured;
}

void showJudgement(Form& form, const Judgement& judgement)
{
    if (judgement.evaluation.status != Evaluation::Judged)
        return;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        form.setHrmLim(cell, judgement.limits[cell]);
        if (judgement.currents[cell] != form.hrmNo(cell))
            form.setHrmNo(cell, judgement.currents[cell]);
        const CellState state = judgement.states[cell];
        if (state == CellState::Fail || state == CellState::NotTested) {
            form.setHrmNoBackColor(cell,
                                   state == CellState::Fail ? Colour::Fail : Colour::NotTested);
            form.setHrmNoForeColor(cell, Colour::White);
        }
    }
}

namespace {

Evaluation onForm(Form& form, const Judgement& judgement, qint16& TestFailed)
{
    showJudgement(form, judgement);
    if (judgement.anyFailed)
        TestFailed = -1;
    return judgement.evaluation;
}

} // namespace

Evaluation ClassA(Form& form, qint16& TestFailed)
{
    return onForm(form, ClassA(measuredValues(form, {})), TestFailed);
}

Evaluation ClassB(Form& form, qint16& TestFailed)
{
    return onForm(form, ClassB(measuredValues(form, {})), TestFailed);
}

Evaluation ClassC(Form& form, const QString& FundAmp, qint16& TestFailed)
{
    return onForm(form, ClassC(measuredValues(form, FundAmp)), TestFailed);
}

Evaluation ClassD(Form& form, qint16& TestFailed)
{
    return onForm(form, ClassD(measuredValues(form, {}), form.text(Field::PowerD)), TestFailed);
}

Evaluation Limits(Form& form, const QString& FundAmp, qint16& TestFailed)
{
    const ProductClass productClass = selectedClass(form);
    return onForm(form,
                  Limits(productClass, measuredValues(form, FundAmp),
                         productClass == ProductClass::D ? form.text(Field::PowerD) : QString()),
                  TestFailed);
}
