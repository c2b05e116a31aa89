#include "observation_keeper.h"

#include "record_keeper.h"
#include "toolkit.h"

ObservationKeeper::ObservationKeeper(RecordKeeper& records, Toolkit& toolkit)
    : m_records(records), m_toolkit(toolkit)
{}

void ObservationKeeper::begin(ObservationRecord& record)
{
    m_failure.clear();
    QString reason;
    RecordStore* store = m_records.store(&reason);
    failed(store ? store->beginObservation(record) : Outcome::failed(reason), store);
}

void ObservationKeeper::addSample(qint64 id, int index, const ObservedSample& sample)
{
    if (!m_failure.isEmpty())
        return;
    QString reason;
    RecordStore* store = m_records.store(&reason);
    failed(store ? store->addSample(id, index, sample) : Outcome::failed(reason), store);
}

void ObservationKeeper::finish(const ObservationRecord& record)
{
    if (record.id > 0) {
        QString reason;
        RecordStore* store = m_records.store(&reason);
        // Writes the samples an earlier failure left out, too.
        const Outcome finished = store ? store->finishObservation(record) : Outcome::failed(reason);
        if (finished.succeeded())
            m_failure.clear();
        else
            failed(finished, store);
    }
    if (m_failure.isEmpty())
        return;
    m_toolkit.messageBox(
        record.id > 0
            ? QStringLiteral("The observation was not completely recorded: %1").arg(m_failure)
            : QStringLiteral("The observation was not recorded: %1").arg(m_failure));
    m_failure.clear();
}

void ObservationKeeper::keepRecording(ObservationRecord& record)
{
    QString reason;
    RecordStore* store = m_records.store(&reason);
    const Outcome saved = store ? store->saveRecording(record) : Outcome::failed(reason);
    if (saved.succeeded())
        return;
    if (store)
        store->close();
    record.recordProblem = saved.reason();
    m_toolkit.messageBox(
        QStringLiteral("The recording's result was not recorded: %1").arg(saved.reason()));
}

void ObservationKeeper::failed(const Outcome& outcome, RecordStore* store)
{
    if (outcome.succeeded())
        return;
    if (m_failure.isEmpty())
        m_failure = outcome.reason();
    if (store)
        store->close();
}
