#include "limit_text.h"

#include "conversions.h"

#include <algorithm>

QString LimitText(double limitMa)
{
    // Cut the written limit to five characters, digits beyond cut off, not
    // rounded. NumberText writes very small and very large limits with an
    // exponent ("1.23456E-05"): only the mantissa is cut then, the exponent
    // stays, so the magnitude is kept. The cut never reaches into the digits
    // before the decimal point either: 123456.7 keeps 123456.
    const QString full = NumberText(limitMa);
    const qsizetype exponentAt = full.indexOf(QLatin1Char('E'));
    const QString mantissa = exponentAt >= 0 ? full.left(exponentAt) : full;
    const QString exponent = exponentAt >= 0 ? full.mid(exponentAt) : QString();

    const qsizetype point = mantissa.indexOf(QLatin1Char('.'));
    const qsizetype wholeDigits = point >= 0 ? point : mantissa.size();
    const qsizetype keep = std::max<qsizetype>(5, wholeDigits);

    // Read back, which drops a point left standing at the end ("1080." is 1080).
    return NumberText(NumericValue(mantissa.left(keep) + exponent)) + QStringLiteral("mA");
}
