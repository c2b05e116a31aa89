#pragma once

#include "cycle_result.h"

#include <QString>

// The optional product fields an operator gives a measurement, with what a
// lab writes on its test report. All free text.
struct ProductInfo
{
    QString product;
    QString serial;
    QString operatorName;
    QString notes;
    // The lab's name, the analyzer's model and serial number, and the test
    // conditions (supply, temperature, load, ...).
    QString lab = {};
    QString instrument = {};
    QString conditions = {};
};

// One stored measurement: the cycle result with where and by what it was
// taken.
struct MeasurementRecord
{
    // Assigned by the store; 0 until the record is saved.
    qint64 id = 0;
    CycleResult result;
    // The port as the operator chose it ("Com 1" to "Com 4", or a device
    // path given on the command line) and the device it stood for.
    QString port;
    QString device;
    ProductInfo product;
    // The tool's version that took the measurement.
    QString toolVersion;
    // The store the record was written to or read from, as reports name it
    // (storeOrigin()); empty while it is in none. Not kept in the store.
    QString store = {};
};

// The device a record names when it was made on the built-in simulated
// analyzer (`iec1000 --demo`): "simulated analyzer at /dev/pts/3".
inline QString simulatedDevice(const QString& device)
{
    return QStringLiteral("simulated analyzer at %1").arg(device);
}

// True when a record's device names the built-in simulated analyzer.
inline bool isSimulatedDevice(const QString& device)
{
    return device.startsWith(QLatin1String("simulated analyzer at "));
}
