#pragma once

#include <QString>

// The optional product fields an operator gives a record, with what a lab
// writes on its test report. All free text.
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

// What a stored record says about itself, the same for a measurement and a
// timed observation: its id and the store it is in, where and by what it was
// taken, and the product fields. The start, the class and the verdict are the
// result's.
struct RecordHeader
{
    // Assigned by the store; 0 until the record is saved there.
    qint64 id = 0;
    // The store the record was written to or read from, as reports name it
    // (storeOrigin()); empty while it is in none. Not kept in the store.
    QString store = {};
    // The port as the operator chose it ("Com 1" to "Com 4", or a device
    // path given on the command line) and the device it stood for.
    QString port = {};
    QString device = {};
    // The tool's version that took the record.
    QString toolVersion = {};
    ProductInfo product = {};

    // Made on the built-in simulated analyzer (isSimulatedDevice()).
    bool simulated() const;
};

// The header of a record being taken now on `port` (the device `device`) by
// this tool: no id, no store and no product fields yet.
RecordHeader newRecordHeader(const QString& port, const QString& device);

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
