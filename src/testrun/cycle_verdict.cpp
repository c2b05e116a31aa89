#include "cycle_verdict.h"

#include "sort_out.h"

CycleVerdict cycleVerdict(int fieldsFound, const Evaluation& evaluation, qint16 TestFailed)
{
    if (fieldsFound < kReplyFields)
        return CycleVerdict::Incomplete;
    if (evaluation.status != Evaluation::Judged)
        return CycleVerdict::NotJudged;
    return TestFailed != 0 ? CycleVerdict::Fail : CycleVerdict::Pass;
}
