#pragma once

#include <QPalette>
#include <QWidget>

// Sets one colour role of a widget for every colour group.
inline void setRoleColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::All, role, colour);
    widget->setPalette(palette);
}
