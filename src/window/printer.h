#pragma once

#include "outcome.h"

#include <QImage>

// The default printer. The orientation is the one page setting written
// before a printout; its values are those of the original design (1 portrait,
// 2 landscape).
class Printer
{
public:
    enum Orientation { Portrait = 1, Landscape = 2 };

    virtual ~Printer() = default;

    virtual void setOrientation(int orientation) = 0;
    // Prints the image on one page, scaled to fit the printable area with its
    // proportions kept. Fails with a reason when there is no default printer
    // or the job fails.
    virtual Outcome print(const QImage& image) = 0;
};
