#pragma once

#include "window_model.h"

class Toolkit;

// Aopt_Click to Dopt_Click: a click on a class option enables Run. A click on
// Dopt while PowerD is empty also shows "Please enter the Power for Class D".
void classOptionClicked(Option option, Form& form, Toolkit& toolkit);
