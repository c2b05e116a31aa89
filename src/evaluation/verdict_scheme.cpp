#include "verdict_scheme.h"

#include "conversions.h"
#include "evaluation_steps.h"
#include "window_model.h"

void judgeHarmonic(Form& form, int cell, qint16& TestFailed)
{
    const double limit = NumericValue(form.hrmLim(cell));
    const double measured = NumericValue(form.hrmNo(cell));

    // Limit test: a current equal to its limit passes.
    if (measured > limit) {
        form.setHrmNoBackColor(cell, Colour::Fail);
        form.setHrmNoForeColor(cell, Colour::White);
        TestFailed = -1;
    }

    // Not-tested rule, whatever the limit test gave: below 0.6 % of the rms
    // current (both in mA) or below 5 mA. Exactly 5 mA or exactly 0.6 % is
    // tested, so the threshold is taken as shown, to 15 digits: 0.006 * 0.01 A
    // * 1000 is 0.060000000000000005 in double, meant as 0.06. A failed
    // harmonic turns blue here, but TestFailed stays -1.
    const double rmsAmps = NumericValue(form.text(Field::AmpTxt));
    const double sixPerMille = evaluation::asShown(0.006 * rmsAmps * 1000);
    if (measured < sixPerMille || measured < 5) {
        form.setHrmNoBackColor(cell, Colour::NotTested);
        form.setHrmNoForeColor(cell, Colour::White);
    }
}
