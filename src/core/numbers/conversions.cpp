#include "conversions.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Converts a well-formed ASCII number (no leading '+') without overflow to
// infinity: too large gives the largest double, too small gives 0.
double parseDecimal(const std::string& number)
{
    double value = 0;
    const char* first = number.data();
    const char* last = first + number.size();
    const bool negative = !number.empty() && number.front() == '-';
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // Tell overflow from underflow by the decimal exponent of the number.
        long exponent = 0;
        const auto ePos = number.find_first_of("eE");
        if (ePos != std::string::npos)
            exponent = std::strtol(number.c_str() + ePos + 1, nullptr, 10);
        const std::string mantissa = number.substr(0, ePos);
        const auto point = mantissa.find('.');
        const std::string whole = mantissa.substr(negative ? 1 : 0, point - (negative ? 1 : 0));
        const auto firstNonZero = whole.find_first_not_of('0');
        const bool large = firstNonZero != std::string::npos
                               ? exponent + long(whole.size() - firstNonZero) > 0
                               : exponent > 0;
        const double magnitude = large ? std::numeric_limits<double>::max() : 0.0;
        return negative ? -magnitude : magnitude;
    }
    if (error != std::errc() || end != last)
        return 0;
    return value;
}

} // namespace

double NumericValue(const QString& text)
{
    // Gather the leading number, skipping blanks, tabs and line feeds.
    std::string number;
    enum class Stage { Sign, Whole, Fraction, ExponentSign, Exponent } stage = Stage::Sign;
    bool digitsSeen = false;
    std::string exponent;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n'))
            continue;
        if (stage == Stage::Sign) {
            stage = Stage::Whole;
            if (c == QLatin1Char('+'))
                continue;
            if (c == QLatin1Char('-')) {
                number += '-';
                continue;
            }
        }
        if (stage == Stage::Whole || stage == Stage::Fraction) {
            if (isDigit(c)) {
                number += char(c.unicode());
                digitsSeen = true;
                continue;
            }
            if (stage == Stage::Whole && c == QLatin1Char('.')) {
                number += '.';
                stage = Stage::Fraction;
                continue;
            }
            if (digitsSeen && (c == QLatin1Char('e') || c == QLatin1Char('E'))) {
                stage = Stage::ExponentSign;
                continue;
            }
            break;
        }
        if (stage == Stage::ExponentSign) {
            stage = Stage::Exponent;
            if (c == QLatin1Char('+') || c == QLatin1Char('-')) {
                exponent += char(c.unicode());
                continue;
            }
        }
        if (isDigit(c)) {
            exponent += char(c.unicode());
            continue;
        }
        break;
    }
    if (!digitsSeen)
        return 0;
    if (!number.empty() && number.back() == '.')
        number.pop_back();
    if (number.empty() || number == "-")
        return 0;
    if (!exponent.empty() && isDigit(QLatin1Char(exponent.back()))) {
        // Keep huge exponents from overflowing the parse: beyond 10^400 or
        // 10^-400 the value is already out of any double's range.
        std::string digits = exponent;
        const bool negativeExponent = digits.front() == '-';
        if (digits.front() == '+' || digits.front() == '-')
            digits.erase(0, 1);
        digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
        if (digits.empty())
            digits = "0";
        if (digits.size() > 4)
            digits = "9999";
        number += 'e';
        if (negativeExponent)
            number += '-';
        number += digits;
    }
    return parseDecimal(number);
}

std::optional<double> StrictNumber(const QString& text)
{
    const QString trimmed = text.trimmed();
    std::string number;
    qsizetype i = 0;
    const qsizetype n = trimmed.size();
    auto digitRun = [&] {
        const qsizetype start = i;
        while (i < n && isDigit(trimmed[i]))
            number += char(trimmed[i++].unicode());
        return i - start;
    };
    if (i < n && (trimmed[i] == QLatin1Char('+') || trimmed[i] == QLatin1Char('-'))) {
        if (trimmed[i] == QLatin1Char('-'))
            number += '-';
        ++i;
    }
    qsizetype digits = digitRun();
    if (i < n && trimmed[i] == QLatin1Char('.')) {
        number += '.';
        ++i;
        digits += digitRun();
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (trimmed[i] == QLatin1Char('e') || trimmed[i] == QLatin1Char('E'))) {
        number += 'e';
        ++i;
        if (i < n && (trimmed[i] == QLatin1Char('+') || trimmed[i] == QLatin1Char('-')))
            number += char(trimmed[i++].unicode());
        if (digitRun() == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;
    if (number.back() == '.')
        number.pop_back();

    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString NumberText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("0");
    if (std::isinf(value))
        value =
            value > 0 ? std::numeric_limits<double>::max() : -std::numeric_limits<double>::max();
    if (value == 0)
        return QStringLiteral("0");

    // "%.15g" without the C library's locale: 15 significant digits, trailing
    // zeros dropped, an exponent below 1E-04 and from 1E+15 up.
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    if (error != std::errc())
        return QStringLiteral("0");
    QString text = QString::fromLatin1(buffer, end - buffer);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e >= 0)
        text[e] = QLatin1Char('E');
    return text;
}
