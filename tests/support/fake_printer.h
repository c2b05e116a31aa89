#pragma once

#include "printer.h"

#include <QList>

// Keeps what would have been printed; can be told to fail like a printer
// that is missing.
class FakePrinter : public Printer
{
public:
    void setOrientation(int value) override { orientation = value; }
    Outcome print(const QImage& image) override
    {
        if (!failure.isEmpty())
            return Outcome::failed(failure);
        printed.append(image);
        return Outcome::ok();
    }

    int orientation = 0;
    QList<QImage> printed;
    QString failure;
};
