#include "port_list.h"

#include "com_ports.h"

#include <QFileInfo>
#include <QJsonObject>

#include <algorithm>

namespace {

// comDevice may name the system's device by its path, by its short name
// (ttyUSB0, COM3) or through a link (/dev/serial/by-id/...).
bool sameDevice(const QString& comDevice, const QString& systemDevice)
{
    if (comDevice == systemDevice || comDevice == QFileInfo(systemDevice).fileName())
        return true;
    const QString canonical = QFileInfo(comDevice).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(systemDevice).canonicalFilePath();
}

QString hexId(const std::optional<quint16>& id)
{
    return id ? QStringLiteral("%1").arg(*id, 4, 16, QLatin1Char('0')) : QString();
}

QString details(const PortEntry& entry)
{
    if (!entry.present)
        return QStringLiteral("missing: no such device");
    if (!entry.listedBySystem)
        return QStringLiteral("not listed by the system (a pseudo-terminal or other device)");
    QStringList parts;
    if (!entry.description.isEmpty())
        parts << entry.description;
    if (!entry.manufacturer.isEmpty())
        parts << entry.manufacturer;
    if (entry.vendorId || entry.productId)
        parts << QStringLiteral("USB %1:%2").arg(hexId(entry.vendorId), hexId(entry.productId));
    return parts.isEmpty() ? QStringLiteral("serial port") : parts.join(QStringLiteral(", "));
}

} // namespace

QList<PortEntry> listPorts(const QList<QSerialPortInfo>& system,
                           const std::function<QString(int)>& comDevice)
{
    QList<PortEntry> entries;
    for (const QSerialPortInfo& info : system) {
        PortEntry entry;
        entry.device = info.systemLocation();
        entry.description = info.description();
        entry.manufacturer = info.manufacturer();
        if (info.hasVendorIdentifier())
            entry.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            entry.productId = info.productIdentifier();
        entries << entry;
    }
    return listPorts(entries, comDevice);
}

QList<PortEntry> listPorts(QList<PortEntry> entries, const std::function<QString(int)>& comDevice)
{
    for (PortEntry& entry : entries) {
        entry.listedBySystem = true;
        entry.present = true;
        entry.comOptions.clear();
    }
    const qsizetype listed = entries.size();
    for (int number = 1; number <= 4; ++number) {
        const QString device = comDevice(number);
        if (device.isEmpty())
            continue;
        const QString option = QStringLiteral("Com %1").arg(number);
        qsizetype index = 0;
        while (index < entries.size() &&
               !(index < listed ? sameDevice(device, entries[index].device)
                                : device == entries[index].device))
            ++index;
        if (index == entries.size()) {
            PortEntry entry;
            entry.device = device;
            entry.present = QFileInfo::exists(device);
            entries << entry;
        }
        entries[index].comOptions << option;
    }
    return entries;
}

QList<PortEntry> listPorts(const ComDevices& devices)
{
    return listPorts(QSerialPortInfo::availablePorts(),
                     [&devices](int number) { return devices.device(qint16(number)); });
}

QString portsText(const QList<PortEntry>& entries)
{
    const QString deviceHeading = QStringLiteral("Device");
    const QString comHeading = QStringLiteral("Com option");
    qsizetype deviceWidth = deviceHeading.size();
    qsizetype comWidth = comHeading.size();
    for (const PortEntry& entry : entries) {
        deviceWidth = std::max(deviceWidth, entry.device.size());
        comWidth = std::max(comWidth, entry.comOptions.join(QStringLiteral(", ")).size());
    }
    QString text;
    if (!entries.isEmpty()) {
        text += QStringLiteral("%1  %2  %3\n")
                    .arg(deviceHeading.leftJustified(deviceWidth),
                         comHeading.leftJustified(comWidth), QStringLiteral("Details"));
        for (const PortEntry& entry : entries) {
            const QString com = entry.comOptions.isEmpty()
                                    ? QStringLiteral("-")
                                    : entry.comOptions.join(QStringLiteral(", "));
            text += QStringLiteral("%1  %2  %3")
                        .arg(entry.device.leftJustified(deviceWidth), com.leftJustified(comWidth),
                             details(entry))
                        .trimmed() +
                    QLatin1Char('\n');
        }
    }
    if (std::none_of(entries.begin(), entries.end(), [](const PortEntry& e) { return e.present; }))
        text += QStringLiteral("No serial ports found.\n");
    return text;
}

QJsonArray portsJson(const QList<PortEntry>& entries)
{
    QJsonArray array;
    for (const PortEntry& entry : entries) {
        const auto id = [](const std::optional<quint16>& value) {
            return value ? QJsonValue(hexId(value)) : QJsonValue(QJsonValue::Null);
        };
        array.append(QJsonObject{
            {QStringLiteral("device"), entry.device},
            {QStringLiteral("description"), entry.description},
            {QStringLiteral("manufacturer"), entry.manufacturer},
            {QStringLiteral("vendor_id"), id(entry.vendorId)},
            {QStringLiteral("product_id"), id(entry.productId)},
            {QStringLiteral("com_options"), QJsonArray::fromStringList(entry.comOptions)},
            {QStringLiteral("listed_by_system"), entry.listedBySystem},
            {QStringLiteral("present"), entry.present},
        });
    }
    return array;
}
