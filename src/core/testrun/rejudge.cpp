#include "rejudge.h"

#include "measurement_cycle.h"
#include "sort_out.h"

CycleResult judgeAgain(const CycleResult& stored, const ClassChoice& choice)
{
    const QString& text = stored.reply.line;
    MeasurementCycle::ReplyLine line;
    line.text = text;
    line.ended = text.endsWith(QLatin1Char('\r')) || text.endsWith(QLatin1Char('\n'));

    CycleResult result;
    result.measuredAt = stored.measuredAt;
    result.reply = SortOut(text);
    result.judgement = Limits(choice, measuredValues(result.reply));
    result.verdict =
        MeasurementCycle::replyVerdict(line, result.reply, result.judgement, &result.problem);
    return result;
}
