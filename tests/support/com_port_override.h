#pragma once

#include "com_ports.h"

#include <QByteArray>
#include <QString>

// Points the option "Com n" at `device` for the life of the object, as an
// operator does with IEC1000_COMn.
class ComPortOverride
{
public:
    ComPortOverride(qint16 number, const QString& device)
        : m_name(comPortVariable(number).toLatin1())
    {
        qputenv(m_name.constData(), device.toLocal8Bit());
    }
    ~ComPortOverride() { qunsetenv(m_name.constData()); }
    ComPortOverride(const ComPortOverride&) = delete;
    ComPortOverride& operator=(const ComPortOverride&) = delete;

private:
    QByteArray m_name;
};
