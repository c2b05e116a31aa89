#pragma once

#include <QString>

#include <optional>

// The number conversions every field and reply passes through. "." is always
// the decimal point, whatever the desktop's regional settings.

// The number at the start of a text, read leniently: an optional sign,
// digits, an optional "." with digits and an optional exponent. Blanks, tabs
// and line feeds are skipped wherever they stand ("1 080" is 1080); reading
// stops at any other character, a carriage return included ("1080mA" is
// 1080). An empty or non-numeric text reads 0. A number beyond the range of a
// double reads as the largest double of its sign, never as infinity.
double NumericValue(const QString& text);

// The whole text, blanks around it aside, as one decimal number (optional
// sign, digits with an optional "." fraction, optional exponent). Anything
// else, the empty text and numbers beyond the range of a double included, is a
// conversion error: no value, never 0.
std::optional<double> StrictNumber(const QString& text);

// The text of a number as the fields show it: rounded to 15 significant
// digits, "." as decimal point, "-" for negatives, no trailing zeros and no
// trailing point (230.00000000000003 is "230", 0.0457 * 1000 is "45.7").
// Magnitudes below 0.0001 or from 10^15 up are written with an exponent
// ("1E-05", "1.5E+15"), which NumericValue reads back.
QString NumberText(double value);

// A percentage (of a limit) as every text, page and report writes it, from
// the full value: one decimal, half away from zero (31.451 and 31.45 both
// read "31.5"); from 10^6 up, and for infinity, three significant digits
// ("1.5e+06", "inf"). Without the " %".
QString percentFigure(double percent);
