#include "conversions.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <array>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Converts a well-formed ASCII number (no leading '+') without overflow to
// infinity: too large gives the largest double, too small gives 0.
double parseDecimal(std::string_view number)
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
        if (ePos != std::string_view::npos)
            exponent = std::strtol(std::string(number.substr(ePos + 1)).c_str(), nullptr, 10);
        const std::string_view mantissa = number.substr(0, ePos);
        const auto point = mantissa.find('.');
        const std::string_view whole =
            mantissa.substr(negative ? 1 : 0, point - (negative ? 1 : 0));
        const auto firstNonZero = whole.find_first_not_of('0');
        const bool large = firstNonZero != std::string_view::npos
                               ? exponent + long(whole.size() - firstNonZero) > 0
                               : exponent > 0;
        const double magnitude = large ? std::numeric_limits<double>::max() : 0.0;
        return negative ? -magnitude : magnitude;
    }
    if (error != std::errc() || end != last)
        return 0;
    return value;
}

// The characters of a number as they are gathered: on the stack for the
// short texts a reply holds, on the heap for a longer one.
class NumberChars
{
public:
    explicit NumberChars(qsizetype most)
    {
        if (std::size_t(most) > m_local.size())
            m_heap = std::make_unique<char[]>(std::size_t(most));
        m_chars = m_heap ? m_heap.get() : m_local.data();
    }
    void add(char c) { m_chars[m_size++] = c; }
    void add(std::string_view text)
    {
        for (char c : text)
            add(c);
    }
    void dropLast() { --m_size; }
    bool empty() const { return m_size == 0; }
    char last() const { return m_chars[m_size - 1]; }
    std::string_view view() const { return {m_chars, m_size}; }

private:
    std::array<char, 64> m_local;
    std::unique_ptr<char[]> m_heap;
    char* m_chars = nullptr;
    std::size_t m_size = 0;
};

// A short decimal ("-12.5", "3.2E-03") read without from_chars: at most 15
// digits make an integer a double holds exactly, and a power of ten up to
// 1E+22 is exact too, so one multiplication or division rounds once, to the
// very double from_chars gives. Any other text, none.
std::optional<double> shortDecimal(std::string_view text)
{
    constexpr std::array<double, 23> kPowers{1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    std::size_t i = 0;
    const bool negative = i < text.size() && text[i] == '-';
    if (negative)
        ++i;
    std::int64_t mantissa = 0;
    int digits = 0;
    int fraction = 0;
    const auto digit = [&] { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    while (digit()) {
        mantissa = mantissa * 10 + (text[i++] - '0');
        ++digits;
    }
    const int whole = digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (digit()) {
            mantissa = mantissa * 10 + (text[i++] - '0');
            ++digits;
            ++fraction;
        }
        // "5." and ".5" are left to from_chars.
        if (whole == 0 || fraction == 0)
            return std::nullopt;
    }
    if (digits == 0 || digits > 15)
        return std::nullopt;
    int exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool below = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            ++i;
        int exponentDigits = 0;
        while (digit() && exponentDigits < 3) {
            exponent = exponent * 10 + (text[i++] - '0');
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
        if (below)
            exponent = -exponent;
    }
    if (i != text.size())
        return std::nullopt;
    const int scale = exponent - fraction;
    if (scale < -22 || scale > 22)
        return std::nullopt;
    double value = double(mantissa);
    value = scale < 0 ? value / kPowers[std::size_t(-scale)] : value * kPowers[std::size_t(scale)];
    return negative ? -value : value;
}

// A text that is one plain number and nothing else ("230.1", "2.3010E+02"),
// read at once: most of the texts a reply and its cells hold. Anything else
// (blanks, a unit after the number, a leading '+', a value out of range) is
// left to the full reading.
std::optional<double> plainNumber(const QString& text)
{
    constexpr qsizetype kLongest = 32;
    const qsizetype size = text.size();
    if (size == 0 || size > kLongest)
        return std::nullopt;
    char chars[kLongest];
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (!((c >= u'0' && c <= u'9') || c == u'.' || c == u'e' || c == u'E' || c == u'-' ||
              c == u'+'))
            return std::nullopt;
        chars[i] = char(c);
    }
    if (const std::optional<double> exact =
            shortDecimal(std::string_view(chars, std::size_t(size))))
        return exact;
    double value = 0;
    const auto [end, error] = std::from_chars(chars, chars + size, value, std::chars_format::general);
    if (error != std::errc() || end != chars + size)
        return std::nullopt;
    return value;
}

} // namespace

double NumericValue(const QString& text)
{
    if (const std::optional<double> plain = plainNumber(text))
        return *plain;

    // Gather the leading number, skipping blanks, tabs and line feeds.
    // The number, and its exponent written with at most four digits after it.
    NumberChars number(text.size() + 6);
    enum class Stage { Sign, Whole, Fraction, ExponentSign, Exponent } stage = Stage::Sign;
    bool digitsSeen = false;
    NumberChars exponent(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n'))
            continue;
        if (stage == Stage::Sign) {
            stage = Stage::Whole;
            if (c == QLatin1Char('+'))
                continue;
            if (c == QLatin1Char('-')) {
                number.add('-');
                continue;
            }
        }
        if (stage == Stage::Whole || stage == Stage::Fraction) {
            if (isDigit(c)) {
                number.add(char(c.unicode()));
                digitsSeen = true;
                continue;
            }
            if (stage == Stage::Whole && c == QLatin1Char('.')) {
                number.add('.');
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
                exponent.add(char(c.unicode()));
                continue;
            }
        }
        if (isDigit(c)) {
            exponent.add(char(c.unicode()));
            continue;
        }
        break;
    }
    if (!digitsSeen)
        return 0;
    if (!number.empty() && number.last() == '.')
        number.dropLast();
    if (number.empty() || number.view() == "-")
        return 0;
    if (!exponent.empty() && isDigit(QLatin1Char(exponent.last()))) {
        // Keep huge exponents from overflowing the parse: beyond 10^400 or
        // 10^-400 the value is already out of any double's range.
        std::string_view digits = exponent.view();
        const bool negativeExponent = digits.front() == '-';
        if (digits.front() == '+' || digits.front() == '-')
            digits.remove_prefix(1);
        digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
        if (digits.empty())
            digits = "0";
        if (digits.size() > 4)
            digits = "9999";
        number.add('e');
        if (negativeExponent)
            number.add('-');
        number.add(digits);
    }
    return parseDecimal(number.view());
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

QString percentFigure(double percent)
{
    constexpr double kLargest = 1e6;
    if (!(std::abs(percent) < kLargest))
        return QString::number(percent, 'g', 3);
    // + 0.0: a value that rounds to zero from below reads "0.0", not "-0.0".
    return QString::number(std::round(percent * 10) / 10 + 0.0, 'f', 1);
}
