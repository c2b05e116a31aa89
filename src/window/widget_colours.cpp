#include "widget_colours.h"

#include "verdict_palette.h"

#include <QApplication>
#include <QToolTip>

namespace {

QColor qColour(const Rgb& rgb)
{
    return QColor(rgb.red, rgb.green, rgb.blue);
}

} // namespace

QColor widgetColour(Colour colour)
{
    switch (colour) {
    case Colour::Neutral:
        return QToolTip::palette().color(QPalette::Inactive, QPalette::ToolTipBase);
    case Colour::LimitCell:
        return qColour(VerdictPalette::kLimitCell);
    case Colour::Fail:
        return qColour(VerdictPalette::kFail);
    case Colour::NotTested:
        return qColour(VerdictPalette::kNotTested);
    case Colour::Pass:
        return qColour(VerdictPalette::kPass);
    case Colour::Black:
        return qColour(VerdictPalette::kBlack);
    case Colour::White:
        return qColour(VerdictPalette::kWhite);
    case Colour::WindowText:
        break;
    }
    return QApplication::palette().color(QPalette::Active, QPalette::Text);
}
