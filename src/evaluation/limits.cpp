#include "class_evaluation.h"

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

Evaluation Limits(Form& form, const QString& FundAmp, qint16& TestFailed)
{
    // The class options form one exclusive group: at most one evaluation runs.
    switch (selectedClass(form)) {
    case ProductClass::A:
        return ClassA(form, TestFailed);
    case ProductClass::B:
        return ClassB(form, TestFailed);
    case ProductClass::C:
        return ClassC(form, FundAmp, TestFailed);
    case ProductClass::D:
        return ClassD(form, TestFailed);
    case ProductClass::None:
        break;
    }
    return {Evaluation::NoClass, {}};
}
