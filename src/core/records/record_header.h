#pragma once

#include "class_choice.h"

#include <QDateTime>
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

// What a record is: one measurement cycle, a timed observation of many, or
// a recording judged window by window as an observation (kind waveform).
enum class RecordKind { Measurement, Observation, Waveform };

// What a record says about itself, the same for a measurement and a timed
// observation: its id and the store it is in, what kind it is, where, when,
// under which class and rules and by what it was taken, and the product
// fields. The verdict is the result's.
struct RecordHeader
{
    // Assigned by the store; 0 until the record is saved there.
    qint64 id = 0;
    // Why a record that was taken is in no store (it could not be written,
    // or the store's file was removed during the measurement); empty
    // otherwise. Not kept in the store.
    QString recordProblem = {};
    // The store the record was written to or read from, as reports name it
    // (storeOrigin()); empty while it is in none. Not kept in the store.
    QString store = {};
    RecordKind kind = RecordKind::Measurement;
    // The port as the operator chose it ("Com 1" to "Com 4", or a device
    // path given on the command line) and the device it stood for.
    QString port = {};
    QString device = {};
    // When it was taken, local time: a measurement when its reply was read
    // (its result's measuredAt), an observation when it began.
    QDateTime startedAt = {};
    // The class, Class D power and guard band it was taken and stored
    // under. A result judged again under another class (a report, never
    // stored) says so in its own judgement; this stays.
    ClassChoice choice = {};
    // The rules it was judged by when stored (kMeasurementRules,
    // kObservationRules). An observation stored under older rules is judged
    // by the current ones when read back (rulesChanged).
    QString rules = {};
    // The tool's version that took the record.
    QString toolVersion = {};
    ProductInfo product = {};

    // Made on the built-in simulated analyzer (isSimulatedDevice()).
    bool simulated() const;
};

// The header of a record being taken now by this tool: `kind` on `port`
// (the device `device`), under `choice`, begun or read at `startedAt`,
// under this tool's rules for that kind. No id, no store and no product
// fields yet. Every record the window or a command takes starts here.
RecordHeader newRecordHeader(RecordKind kind, const QString& port, const QString& device,
                             const ClassChoice& choice, const QDateTime& startedAt);

// How a record's device begins when it was made on the built-in simulated
// analyzer (`iec1000 --demo`): "simulated analyzer at /dev/pts/3".
inline constexpr const char* kSimulatedDevicePrefix = "simulated analyzer at ";
// The word every list marks such a record with, and the history filter finds.
inline constexpr const char* kSimulatedMark = "simulated";

inline QString simulatedDevice(const QString& device)
{
    return QLatin1String(kSimulatedDevicePrefix) + device;
}

// True when a record's device names the built-in simulated analyzer.
inline bool isSimulatedDevice(const QString& device)
{
    return device.startsWith(QLatin1String(kSimulatedDevicePrefix));
}
