#pragma once

class Form;

#include <QtGlobal>

// The per-harmonic verdict scheme shared by all classes, for cell `cell`:
// the limit test (measured above the limit read back from HrmLim: fail
// colours, TestFailed = -1), then the not-tested rule (measured below 5 mA or
// below 0.6 % of the rms current of AmpTxt: not-tested colours, replacing the
// fail colours but not TestFailed). A cell neither applies to keeps its
// neutral colours: passed.
void judgeHarmonic(Form& form, int cell, qint16& TestFailed);
