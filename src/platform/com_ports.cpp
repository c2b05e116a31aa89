#include "com_ports.h"

#include <QtGlobal>

QString comPortVariable(qint16 number)
{
    return QStringLiteral("IEC1000_COM%1").arg(number);
}

QString comPortDevice(qint16 number)
{
    if (number < 1 || number > 4)
        return QString();
    const QString configured = qEnvironmentVariable(comPortVariable(number).toLatin1().constData());
    if (!configured.isEmpty())
        return configured;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}
