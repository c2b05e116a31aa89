#include "sort_out.h"

#include "conversions.h"
#include "evaluation_steps.h"
#include "zento_measurement.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace {

constexpr int kFundamentalField = 8;

// The reply without one line end (CR LF, LF or CR) at its end, nothing
// else: a reply read without its terminator keeps its last digit.
QStringView withoutLineEnd(const QString& reply)
{
    QStringView line(reply);
    if (line.endsWith(u"\r\n"))
        line.chop(2);
    else if (line.endsWith(u'\n') || line.endsWith(u'\r'))
        line.chop(1);
    return line;
}

QString* shownValue(ParsedReply& reply, int field)
{
    switch (field) {
    case 1:
        return &reply.watts;
    case 2:
        return &reply.volts;
    case 3:
        return &reply.amps;
    case 4:
        return &reply.powerFactor;
    case 5:
        return &reply.frequency;
    default:
        return nullptr;
    }
}

const std::array<const char*, 5> kValueNames{"true power", "rms voltage", "rms current",
                                             "power factor", "frequency"};

const QString kNotJudged =
    QStringLiteral(" The measurement was not judged; check the analyzer and the line, "
                   "then start the test again.");

// "Field 3 of the result reply (the rms current)".
QString fieldName(int field)
{
    if (field <= 5)
        return QStringLiteral("Field %1 of the result reply (the %2)")
            .arg(field)
            .arg(QLatin1String(kValueNames[field - 1]));
    if (field == kFundamentalField)
        return QStringLiteral("Field %1 of the result reply (the fundamental current)").arg(field);
    return QStringLiteral("Field %1 of the result reply (harmonic %2)")
        .arg(field)
        .arg(field - kFirstHarmonicField + 2);
}

} // namespace

bool isNumberText(const QString& text)
{
    const QChar* c = text.constData();
    const QChar* end = c + text.size();
    // One line feed may close the text.
    if (c != end && end[-1] == QLatin1Char('\n'))
        --end;
    auto skip = [&](auto&& accepted) {
        const QChar* from = c;
        while (c != end && accepted(*c))
            ++c;
        return c - from;
    };
    auto digit = [](QChar d) { return d >= QLatin1Char('0') && d <= QLatin1Char('9'); };
    auto blank = [](QChar b) { return b == QLatin1Char(' '); };
    auto is = [&](char a, char b = 0) {
        if (c != end && (*c == QLatin1Char(a) || (b && *c == QLatin1Char(b)))) {
            ++c;
            return true;
        }
        return false;
    };
    skip(blank);
    is('+', '-');
    const auto whole = skip(digit);
    const auto fraction = is('.') ? skip(digit) : 0;
    if (whole == 0 && fraction == 0)
        return false;
    if (is('e', 'E')) {
        is('+', '-');
        if (skip(digit) == 0)
            return false;
    }
    skip(blank);
    return c == end;
}

ParsedReply SortOut(const QString& reply)
{
    ParsedReply parsed;
    parsed.line = reply;
    const QStringView working = withoutLineEnd(reply);
    if (working.isEmpty())
        return parsed;

    // Every field, the last one included, ends at a comma or at the end.
    qsizetype fieldStart = 0;
    while (parsed.fieldsFound < kReplyFields && fieldStart <= working.size()) {
        qsizetype comma = working.indexOf(u',', fieldStart);
        if (comma < 0)
            comma = working.size();
        const QString field = working.sliced(fieldStart, comma - fieldStart).toString();
        fieldStart = comma + 1;
        const int number = ++parsed.fieldsFound;
        parsed.fields[number - 1] = field;

        if (QString* value = shownValue(parsed, number))
            *value = NumberText(NumericValue(field));
        else if (number == kFundamentalField)
            parsed.fundAmp = field; // as received; Class C converts it itself
        else if (number >= kFirstHarmonicField)
            parsed.harmonics[number - kFirstHarmonicField] = NumberText(NumericValue(field) * 1000);
        // Fields 6 and 7 are not used.
    }
    return parsed;
}

namespace {

// An analyzer sends 9.91E+37 for a value it cannot represent (the SCPI
// over-range code); from that magnitude up a field is no measured value.
constexpr double kOverRange = 9.9e37;
// No current the standard covers comes near this (it covers equipment of at
// most 16 A per phase): an rms, fundamental or harmonic current above it is
// no measurement.
constexpr double kMostAmps = 1000;

// Whether a field that is number text is out of any measurement's range: at
// or beyond the over-range code, or beyond the range of a double (which
// NumericValue reads as the largest double). A number too small for a double
// reads as 0 and is in range.
bool overRange(const QString& text)
{
    return std::abs(NumericValue(text)) >= kOverRange;
}

bool isCurrentField(int field)
{
    return field == 3 || field == kFundamentalField || field >= kFirstHarmonicField;
}

// Fields 6 and 7 are not used; field 8 (the fundamental) counts only as a
// number text: Class C tells about one that is none.
bool isCheckedValue(const ParsedReply& reply, int field)
{
    if (field == 6 || field == 7)
        return false;
    return field != kFundamentalField || isNumberText(reply.fields[field - 1]);
}

} // namespace

int firstFieldNotANumber(const ParsedReply& reply)
{
    for (int field = 1; field <= reply.fieldsFound; ++field) {
        if (!isCheckedValue(reply, field))
            continue;
        const QString& text = reply.fields[field - 1];
        if (!isNumberText(text) || overRange(text))
            return field;
    }
    return 0;
}

int firstCurrentAboveLimit(const ParsedReply& reply)
{
    for (int field = 1; field <= reply.fieldsFound; ++field) {
        const QString& text = reply.fields[field - 1];
        if (isCurrentField(field) && isNumberText(text) && !overRange(text) &&
            NumericValue(text) > kMostAmps)
            return field;
    }
    return 0;
}

QString fieldNotANumberMessage(const ParsedReply& reply, int field)
{
    const QString& text = reply.fields[field - 1];
    if (isNumberText(text) && overRange(text)) {
        const QString why =
            StrictNumber(text)
                ? QStringLiteral("9.9E+37 and more is the code an analyzer sends for a value "
                                 "it cannot represent")
                : QStringLiteral("it is beyond the range of any number");
        return QStringLiteral("%1 \"%2\" is not a number: %3.")
                   .arg(fieldName(field), evaluation::shownText(text), why) +
               kNotJudged;
    }
    return evaluation::inputProblem(fieldName(field), text, QStringLiteral("a number")) +
           kNotJudged;
}

int fieldsReceived(const ParsedReply& reply)
{
    const QStringView line = withoutLineEnd(reply.line);
    if (line.isEmpty())
        return 0;
    return int(std::min<qsizetype>(line.count(u',') + 1, INT_MAX));
}

int firstNegativeField(const ParsedReply& reply)
{
    for (int field = 1; field <= reply.fieldsFound; ++field) {
        if (field == 4 || field == 6 || field == 7)
            continue;
        const QString& text = reply.fields[field - 1];
        // -0 < 0 is false: a zero with a sign is no negative magnitude.
        if (isNumberText(text) && NumericValue(text) < 0)
            return field;
    }
    return 0;
}

QString invalidReplyProblem(const ParsedReply& reply)
{
    const int received = fieldsReceived(reply);
    if (received > kReplyFields)
        return QStringLiteral("%1 fields expected, %2 received.").arg(kReplyFields).arg(received) +
               kNotJudged;
    // The first field with a problem, whichever problem it is (as
    // firstFieldNotANumber, firstNegativeField and firstCurrentAboveLimit
    // find them, each field read once): not a number before negative before
    // too large.
    enum class Problem { None, NotANumber, Negative, TooLarge } problem = Problem::None;
    int field = 1;
    for (; field <= reply.fieldsFound; ++field) {
        const QString& text = reply.fields[field - 1];
        const bool number = isNumberText(text);
        const double value = number ? NumericValue(text) : 0;
        const bool outOfRange = number && std::abs(value) >= kOverRange;
        if (isCheckedValue(reply, field) && (!number || outOfRange))
            problem = Problem::NotANumber;
        else if (field != 4 && field != 6 && field != 7 && number && value < 0)
            problem = Problem::Negative;
        else if (isCurrentField(field) && number && !outOfRange && value > kMostAmps)
            problem = Problem::TooLarge;
        if (problem != Problem::None)
            break;
    }
    if (problem == Problem::None)
        return {};
    const QString shown = evaluation::shownText(reply.fields[field - 1]);
    if (problem == Problem::NotANumber)
        return fieldNotANumberMessage(reply, field);
    if (problem == Problem::Negative)
        return QStringLiteral("%1 \"%2\" is negative; it must be a magnitude, 0 or more.")
                   .arg(fieldName(field), shown) +
               kNotJudged;
    return QStringLiteral("%1 \"%2\" is above %3 A: the standard covers equipment of at most "
                          "16 A per phase, so it is no measured current.")
               .arg(fieldName(field), shown, NumberText(kMostAmps)) +
           kNotJudged;
}

QString savedReplyLine(const QByteArray& content)
{
    QString line = QString::fromLatin1(content);
    if (!content.isEmpty() && !content.endsWith('\n') && !content.endsWith('\r') &&
        content.count(',') + 1 >= kReplyFields)
        line += QStringLiteral("\r\n");
    return line;
}

MeasuredValues measuredValues(const ParsedReply& reply)
{
    return measuredValues(zentoMeasurement(reply));
}
