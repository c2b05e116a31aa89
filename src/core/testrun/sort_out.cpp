#include "sort_out.h"

#include "conversions.h"
#include "evaluation_steps.h"

#include <algorithm>
#include <array>
#include <climits>

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

int firstFieldNotANumber(const ParsedReply& reply)
{
    for (int field = 1; field <= reply.fieldsFound; ++field) {
        if (field > 5 && field < kFirstHarmonicField)
            continue;
        if (!isNumberText(reply.fields[field - 1]))
            return field;
    }
    return 0;
}

QString fieldNotANumberMessage(const ParsedReply& reply, int field)
{
    return evaluation::inputProblem(fieldName(field), reply.fields[field - 1],
                                    QStringLiteral("a number")) +
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
    const int notANumber = firstFieldNotANumber(reply);
    const int negative = firstNegativeField(reply);
    if (notANumber && (!negative || notANumber < negative))
        return fieldNotANumberMessage(reply, notANumber);
    if (negative)
        return QStringLiteral("%1 \"%2\" is negative; it must be a magnitude, 0 or more.")
                   .arg(fieldName(negative), evaluation::shownText(reply.fields[negative - 1])) +
               kNotJudged;
    return {};
}

MeasuredValues measuredValues(const ParsedReply& reply)
{
    MeasuredValues measured;
    measured.harmonics = reply.harmonics;
    measured.amps = reply.amps;
    measured.powerFactor = reply.powerFactor;
    measured.powerFactorSent = reply.fieldsFound >= 4 ? reply.fields[3] : QString();
    measured.fundAmp = reply.fundAmp;
    return measured;
}
