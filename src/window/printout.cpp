#include "printout.h"

#include "printer.h"
#include "test_run.h"
#include "toolkit.h"
#include "window_model.h"

void PrintResult(Form& form, Toolkit& toolkit, Printer& printer,
                 const std::function<QImage()>& windowImage)
{
    if (!measurementShown(form)) {
        toolkit.messageBox(QStringLiteral("No results available for printing"));
        return;
    }
    printer.setOrientation(Printer::Landscape);
    const Outcome printed = printer.print(windowImage());
    if (!printed.succeeded())
        toolkit.messageBox(
            QStringLiteral("The result could not be printed: %1").arg(printed.reason()));
}
