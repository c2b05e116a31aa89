#include "class_selection.h"

#include "toolkit.h"

#include <algorithm>

void classOptionClicked(Option option, Form& form, Toolkit& toolkit)
{
    // Only the class options Aopt to Dopt have this handler.
    if (std::find(kClassOptions.begin(), kClassOptions.end(), option) == kClassOptions.end())
        return;

    form.setEnabled(Button::Run, true);

    // A text of blanks is not empty: the test run and ClassD deal with it.
    if (option == Option::Dopt && form.text(Field::PowerD).isEmpty())
        toolkit.messageBox(QStringLiteral("Please enter the Power for Class D"));
}
