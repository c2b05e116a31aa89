#pragma once

#include <QLabel>
#include <QWidget>

// Every label of `dialog` shows its text as the characters it is, never read
// as markup: store errors, file names and analyzer text stay plain.
inline void plainTextLabels(QWidget* dialog)
{
    for (QLabel* text : dialog->findChildren<QLabel*>())
        text->setTextFormat(Qt::PlainText);
}
