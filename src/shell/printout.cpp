#include "printout.h"

#include "printer.h"
#include "toolkit.h"
#include "window_model.h"

void PrintResult(Form& form, Toolkit& toolkit, Printer& printer,
                 const std::function<QImage()>& windowImage)
{
    if (form.hrmNo(0).isEmpty()) {
        toolkit.messageBox(QStringLiteral("No results available for printing"));
        return;
    }
    printer.setOrientation(Printer::Landscape);
    const Outcome printed = printer.print(windowImage());
    if (!printed.succeeded())
        toolkit.messageBox(
            QStringLiteral("The result could not be printed: %1").arg(printed.reason()));
}
