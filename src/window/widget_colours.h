#pragma once

#include "window_model.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

// Sets one colour role of a widget for every colour group.
inline void setRoleColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::All, role, colour);
    widget->setPalette(palette);
}

// The colour a colour role of the window stands for.
QColor widgetColour(Colour colour);
