#pragma once

#include <QSettings>

// What the window remembers between runs (the report's operator, lab,
// analyzer, conditions and folder): QSettings "iec1000", "iec1000".
inline QSettings windowSettings()
{
    return QSettings(QStringLiteral("iec1000"), QStringLiteral("iec1000"));
}
