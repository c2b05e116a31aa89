#pragma once

#include "observation_record.h"
#include "outcome.h"

#include <QString>

class RecordKeeper;
class RecordStore;
class Toolkit;

// Where the window records an observation as it goes: begun before the first
// cycle, each sample as it arrives, finished with the verdict. A recorder
// tells the operator itself when the store cannot take it; the observation
// goes on either way.
class ObservationRecorder
{
public:
    virtual ~ObservationRecorder() = default;
    // Sets record.id when the store took the record; leaves it 0 otherwise.
    virtual void begin(ObservationRecord& record) = 0;
    virtual void addSample(qint64 id, int index, const ObservedSample& sample) = 0;
    virtual void finish(const ObservationRecord& record) = 0;
    // Keeps a judged recording whole (a record of kind waveform); sets
    // record.id, or record.recordProblem when the store cannot take it.
    virtual void keepRecording(ObservationRecord& record) = 0;
};

// Records the window's observations in the record store of a RecordKeeper
// (the store the window's measurements go to). A store that cannot be opened
// or written never stops an observation: the operator is told once, when it
// has ended, that it was not (completely) recorded and why.
class ObservationKeeper : public ObservationRecorder
{
public:
    ObservationKeeper(RecordKeeper& records, Toolkit& toolkit);

    void begin(ObservationRecord& record) override;
    void addSample(qint64 id, int index, const ObservedSample& sample) override;
    void finish(const ObservationRecord& record) override;
    // The operator is told when the recording's record was not kept, and why.
    void keepRecording(ObservationRecord& record) override;

private:
    // Keeps the first failure of this observation; a store that failed a
    // write is closed, to be opened again on the next use.
    void failed(const Outcome& outcome, RecordStore* store);

    RecordKeeper& m_records;
    Toolkit& m_toolkit;
    QString m_failure;
};
