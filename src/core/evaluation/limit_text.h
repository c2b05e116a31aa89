#pragma once

#include <QString>

// The text of a limit cell: the NumberText of the limit in mA cut (not
// rounded) to its first five characters, read back and written again, then
// "mA" ("153.3mA" for 153.333...). The cut never drops a digit before the
// decimal point: 123456.7 gives "123456mA".
QString LimitText(double limitMa);
