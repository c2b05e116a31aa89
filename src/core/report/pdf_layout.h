#pragma once

#include "verdict_palette.h"

#include <QColor>
#include <QFontMetricsF>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <QTextOption>

#include <functional>

// Text layout on a report page: fonts, a line elided to its box, text wrapped
// into a number of lines. Lengths are in device pixels at kResolution; mm()
// converts from millimetres.

inline constexpr int kResolution = 300; // dots per inch
inline constexpr double kFooterMm = 9;

// The verdict and the chart keep the window's meaning of red, green and blue;
// the table tints them, with dark text.
inline QColor reportColour(const Rgb& rgb)
{
    return QColor(rgb.red, rgb.green, rgb.blue);
}
inline const QColor kFailColour = reportColour(VerdictPalette::kFail);
inline const QColor kNotTestedColour = reportColour(VerdictPalette::kNotTested);
inline const QColor kPassColour = reportColour(VerdictPalette::kPass);
inline const QColor kFailTint(255, 222, 222);
inline const QColor kFailText(170, 0, 0);
inline const QColor kNotTestedTint(222, 230, 255);
inline const QColor kNotTestedText(0, 0, 150);
inline const QColor kWithinLimitColour(110, 110, 110);
inline const QColor kRuleColour(150, 150, 150);
inline const QColor kCaptionColour(90, 90, 90);
inline const QColor kHeaderFill(225, 225, 225);

// "-" for an empty text.
QString dashIfEmpty(const QString& text);

// A mark of a % of limit scale: "150 %".
QString percentScaleText(double percent);

// A page's printable area, drawn on through `painter`, which it does not own.
class PdfCanvas
{
public:
    PdfCanvas(QPainter& painter, QSizeF area) : m_painter(painter), m_area(area) {}

protected:
    double mm(double length) const { return length * kResolution / 25.4; }
    double width() const { return m_area.width(); }
    double bodyBottom() const { return m_area.height() - mm(kFooterMm); }

    // DejaVu Sans (mono: DejaVu Sans Mono), without ligatures.
    void setFont(double points, bool bold = false, bool mono = false);
    QFontMetricsF metrics() const { return QFontMetricsF(m_painter.font(), m_painter.device()); }
    // Draws `text` (without its bidi controls) in one line within the
    // rectangle, elided at the right.
    void line(const QRectF& rect, const QString& text, Qt::Alignment align = Qt::AlignLeft);
    // Draws `text` (without its bidi controls) wrapped into at most `maxLines`
    // lines from the top of the rectangle, the last one elided; returns the
    // height used.
    double wrapped(const QRectF& rect, const QString& text, int maxLines,
                   QTextOption::WrapMode mode = QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Draws `text` whole within the rectangle: wrapped at the current font
    // when its lines fit the rectangle's height, else at the largest size, in
    // steps of 0.5 points down to `smallestPoints`, at which they do. Only
    // at `smallestPoints` are the lines that still do not fit left off, the
    // last one elided. With Qt::AlignVCenter a single line is drawn as line()
    // draws it and several are centred as a block; otherwise they start at
    // the top. The font is left as it was. Returns the height used.
    double fitted(const QRectF& rect, const QString& text, double smallestPoints,
                  Qt::Alignment align = Qt::AlignTop);

    // The grid of a % of limit scale: a line across `plot` every `step` from 0
    // to `top`, each marked (percentScaleText) right-aligned in the axis
    // `axisWidth` wide at `axisLeft`; `yOf` gives the height of a percent.
    void paintPercentGrid(const QRectF& plot, double axisLeft, double axisWidth, double top,
                          double step, const std::function<double(double)>& yOf);

    QPainter& m_painter;
    QSizeF m_area;
};
