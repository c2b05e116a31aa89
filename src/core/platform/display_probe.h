#pragma once

#include <QString>

// Whether the X display `name` (as DISPLAY names it: ":0", "host:1.0")
// accepts a connection, asked as the window toolkit's X platform asks it
// first, through libxcb, loaded only for the question. True when libxcb
// cannot be loaded: the toolkit then says itself what is missing.
bool xDisplayAnswers(const QString& name);
