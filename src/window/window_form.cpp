// The window as the Form the logic reads and writes, and its colour roles.

#include "main_window.h"
#include "widget_colours.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

QColor IEC1000::colourOf(Colour colour)
{
    return widgetColour(colour);
}

QLineEdit* IEC1000::field(Field which) const
{
    switch (which) {
    case Field::Reslbl:
        return Reslbl;
    case Field::Vlttxt:
        return Vlttxt;
    case Field::AmpTxt:
        return AmpTxt;
    case Field::FreqTxt:
        return FreqTxt;
    case Field::Wattxt:
        return Wattxt;
    case Field::PfTxt:
        return PfTxt;
    case Field::PowerD:
        break;
    }
    return PowerD;
}

QPushButton* IEC1000::button(Button which) const
{
    switch (which) {
    case Button::Run:
        return Run;
    case Button::Log:
        return Log;
    case Button::PrntFrm:
        return PrntFrm;
    case Button::Exit:
        break;
    }
    return Exit;
}

QRadioButton* IEC1000::option(Option which) const
{
    const std::array<QRadioButton*, 8> options{com1, com2, com3, com4, Aopt, Bopt, Copt, Dopt};
    return options[std::size_t(which)];
}

QString IEC1000::text(Field which) const
{
    return field(which)->text();
}

void IEC1000::setText(Field which, const QString& text)
{
    field(which)->setText(text);
}

void IEC1000::setBackColor(Field which, Colour colour)
{
    setRoleColour(field(which), QPalette::Base, colourOf(colour));
}

QString IEC1000::hrmNo(int cell) const
{
    return HrmNo.at(cell)->text();
}

void IEC1000::setHrmNo(int cell, const QString& text)
{
    HrmNo.at(cell)->setText(text);
}

void IEC1000::setHrmNoBackColor(int cell, Colour colour)
{
    setRoleColour(HrmNo.at(cell), QPalette::Base, colourOf(colour));
}

void IEC1000::setHrmNoForeColor(int cell, Colour colour)
{
    setRoleColour(HrmNo.at(cell), QPalette::Text, colourOf(colour));
}

QString IEC1000::hrmLim(int cell) const
{
    return HrmLim.at(cell)->text();
}

void IEC1000::setHrmLim(int cell, const QString& text)
{
    HrmLim.at(cell)->setText(text);
}

QString IEC1000::caption(Button which) const
{
    return button(which)->text();
}

void IEC1000::setCaption(Button which, const QString& caption)
{
    button(which)->setText(caption);
}

void IEC1000::setEnabled(Button which, bool enabled)
{
    button(which)->setEnabled(enabled);
}

bool IEC1000::selected(Option which) const
{
    return option(which)->isChecked();
}

void IEC1000::setEnabled(Option which, bool enabled)
{
    option(which)->setEnabled(enabled);
}

void IEC1000::setProgressVisible(bool visible)
{
    ProgressBar1->setVisible(visible);
}

void IEC1000::setProgress(int value)
{
    ProgressBar1->setValue(value);
}

void IEC1000::setJudgementNote(const QString& text)
{
    // One line: a longer text ends in an ellipsis, whole in the tooltip.
    judgementNote->setText(judgementNote->fontMetrics().elidedText(
        QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')), Qt::ElideRight,
        judgementNote->width()));
    judgementNote->setToolTip(text);
    judgementNote->setVisible(!text.isEmpty());
}
