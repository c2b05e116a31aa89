#include "record_keeper.h"

#include "com_ports.h"
#include "measurement_record.h"
#include "toolkit.h"

RecordKeeper::RecordKeeper(Toolkit& toolkit) : m_toolkit(toolkit) {}

void RecordKeeper::setStoreName(const QString& storeName)
{
    m_store.close();
    m_storeName = storeName;
}

RecordStore* RecordKeeper::store(QString* error)
{
    return store(error, QDeadlineTimer(kStoreDeadline));
}

RecordStore* RecordKeeper::store(QString* error, QDeadlineTimer deadline)
{
    if (m_store.isOpen())
        return &m_store;
    const Outcome opened = m_store.open(m_storeName, StoreAccess::Write, deadline);
    if (opened.succeeded())
        return &m_store;
    if (error)
        *error = opened.reason();
    return nullptr;
}

void RecordKeeper::keep(const CycleResult& result, const QString& port, const QString& device)
{
    MeasurementRecord record = newRecord(result, port, device);

    // Opening and writing together: the window waits no longer than that.
    const QDeadlineTimer deadline(kStoreDeadline);
    QString reason;
    if (RecordStore* records = store(&reason, deadline)) {
        const Outcome added = records->add(record, deadline);
        if (!added.succeeded()) {
            reason = added.reason();
            // Opened again on the next measurement: the server or the disk
            // may be back by then.
            m_store.close();
        }
    }
    m_last = record;
    if (!reason.isEmpty())
        m_toolkit.messageBox(QStringLiteral("The measurement was not recorded: %1").arg(reason));
}

void RecordKeeper::setLastProduct(const ProductInfo& product)
{
    if (m_last)
        m_last->product = product;
}

QString recordedDevice(const ComDevices& devices, const QString& device)
{
    return devices.simulatedAt(device) ? simulatedDevice(device) : device;
}
