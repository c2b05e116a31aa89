#include "form_adapters.h"

#include "sort_out.h"
#include "test_run.h"
#include "verdict_scheme.h"

namespace {

Evaluation onForm(Form& form, const Judgement& judgement, qint16& TestFailed)
{
    showJudgement(form, judgement);
    if (judgement.anyFailed)
        TestFailed = -1;
    return judgement.evaluation;
}

} // namespace

int SortOut(QString& result, Form& form, QString& FundAmp)
{
    const ParsedReply reply = SortOut(result);
    showReply(form, reply);
    if (reply.fieldsFound >= 8)
        FundAmp = reply.fundAmp;
    if (result.endsWith(QLatin1String("\r\n")))
        result.chop(2);
    else if (result.endsWith(QLatin1Char('\n')) || result.endsWith(QLatin1Char('\r')))
        result.chop(1);
    result += QLatin1Char(',');
    return reply.fieldsFound;
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
    const ClassChoice choice = selectedClassChoice(form);
    return onForm(form, Limits(choice.productClass, measuredValues(form, FundAmp), choice.power),
                  TestFailed);
}

void judgeHarmonic(Form& form, int cell, qint16& TestFailed)
{
    bool failed = false;
    const CellState state =
        judgeHarmonic(form.hrmNo(cell), form.hrmLim(cell), form.text(Field::AmpTxt), failed);
    if (failed)
        TestFailed = -1;
    showCellState(form, cell, state);
}
