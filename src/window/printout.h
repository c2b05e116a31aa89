#pragma once

#include <QImage>

#include <functional>

class Form;
class Printer;
class Toolkit;

// The window is printed from an image rendered at this many times its pixel
// size, so that it stays sharp when scaled to a page.
inline constexpr qreal kPrintPixelRatio = 4;

// PrntFrm_Click. When a measurement is shown (measurementShown), the window, as it shows, is
// printed on the default printer in landscape; otherwise the operator is told "No results available
// for printing". A printer that is missing or fails is reported in a message box; nothing else
// changes.
void PrintResult(Form& form, Toolkit& toolkit, Printer& printer,
                 const std::function<QImage()>& windowImage);
