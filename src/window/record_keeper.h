#pragma once

#include "measurement_record.h"
#include "outcome.h"
#include "record_store.h"

#include <QString>

#include <optional>

class ComDevices;
class Toolkit;

// The device a record names for `device`, opened through one of `devices`'
// options: the device, or simulatedDevice() of it for the built-in simulated
// analyzer.
QString recordedDevice(const ComDevices& devices, const QString& device);

// Keeps every measurement the window takes in the record store, and the last
// one for its report. The store is opened on first use and kept open; after
// a failure it is opened again on the next use. A store that cannot be
// opened or written never stops a measurement: the operator is told once per
// measurement, in a message box, that it was not recorded and why. Keeping a
// measurement blocks the window (handling no input) for at most
// kStoreDeadline, opening the store included.
class RecordKeeper
{
public:
    explicit RecordKeeper(Toolkit& toolkit);

    // A store name as RecordStore::open takes it; closes the store open until now.
    void setStoreName(const QString& storeName);

    // `port`: "Com N" as the operator chose it; `device`: the device it
    // stood for.
    void keep(const CycleResult& result, const QString& port, const QString& device);

    // The last measurement kept, with the id the store gave it (0 when it
    // was not recorded); nothing before the first.
    const std::optional<MeasurementRecord>& last() const { return m_last; }
    void setLastProduct(const ProductInfo& product);

    // The open store; nullptr, and *error says why, when it cannot be opened.
    RecordStore* store(QString* error = nullptr);

private:
    RecordStore* store(QString* error, QDeadlineTimer deadline);

    Toolkit& m_toolkit;
    QString m_storeName;
    RecordStore m_store;
    std::optional<MeasurementRecord> m_last;
};
