#include "sort_out.h"

#include "conversions.h"
#include "window_model.h"

#include <array>

namespace {

// The measurement fields that receive reply fields 1 to 5, in order.
constexpr std::array<Field, 5> kMeasurementFields{Field::Wattxt, Field::Vlttxt, Field::AmpTxt,
                                                  Field::PfTxt, Field::FreqTxt};
constexpr int kFundamentalField = 8;
constexpr int kFirstHarmonicField = 9;

// Removes one line end (CR LF, LF or CR) from the end of the reply, nothing
// else: a reply read without its terminator keeps its last digit.
void removeTrailingLineEnd(QString& reply)
{
    if (reply.endsWith(QLatin1String("\r\n")))
        reply.chop(2);
    else if (reply.endsWith(QLatin1Char('\n')) || reply.endsWith(QLatin1Char('\r')))
        reply.chop(1);
}

} // namespace

int SortOut(QString& result, Form& form, QString& FundAmp)
{
    // Working form: every field, the last one included, closed by a comma.
    removeTrailingLineEnd(result);
    const bool emptyReply = result.isEmpty();
    result += QLatin1Char(',');
    if (emptyReply)
        return 0;

    // Each field is written before the next one is looked for, so a short
    // reply leaves every field before the first missing one written and the
    // later ones as they were.
    qsizetype fieldStart = 0;
    int fieldsFound = 0;
    while (fieldsFound < kReplyFields) {
        const qsizetype comma = result.indexOf(QLatin1Char(','), fieldStart);
        if (comma < 0)
            break;
        const QString field = result.mid(fieldStart, comma - fieldStart);
        fieldStart = comma + 1;
        const int number = ++fieldsFound;

        if (number <= int(kMeasurementFields.size()))
            form.setText(kMeasurementFields[number - 1], NumberText(NumericValue(field)));
        else if (number == kFundamentalField)
            FundAmp = field; // as received; Class C converts it itself
        else if (number >= kFirstHarmonicField)
            form.setHrmNo(number - kFirstHarmonicField, NumberText(NumericValue(field) * 1000));
        // Fields 6 and 7 are not used.
    }
    return fieldsFound;
}
