#include "com_ports.h"

#include <QtGlobal>

QString comPortVariable(qint16 number)
{
    return QStringLiteral("IEC1000_COM%1").arg(number);
}

ComDevices::ComDevices()
{
    for (qint16 number = 1; number <= 4; ++number)
#ifdef Q_OS_WIN
        m_devices[number - 1] = QStringLiteral("COM%1").arg(number);
#else
        m_devices[number - 1] = QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

ComDevices ComDevices::fromEnvironment()
{
    ComDevices devices;
    for (qint16 number = 1; number <= 4; ++number)
        devices.setDevice(number,
                          qEnvironmentVariable(comPortVariable(number).toLatin1().constData()));
    return devices;
}

QString ComDevices::device(qint16 number) const
{
    if (number < 1 || number > 4)
        return QString();
    return m_devices[number - 1];
}

void ComDevices::setDevice(qint16 number, const QString& device)
{
    if (number >= 1 && number <= 4 && !device.isEmpty())
        m_devices[number - 1] = device;
}
