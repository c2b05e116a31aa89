#include "recording_intake.h"

#include "record_store.h"

#include <QFileInfo>

RecordingIntake takeRecording(const QString& path, const RecordingOptions& options,
                              const ClassChoice& choice, const ProductInfo& product,
                              const QDateTime& takenAt)
{
    RecordingIntake intake;
    auto outcome = judgeRecording(path, options, choice, true);
    if (auto* refused = std::get_if<RecordingError>(&outcome)) {
        intake.refused = std::move(*refused);
        return intake;
    }
    JudgedRecording& judged = std::get<JudgedRecording>(outcome);
    if (const std::optional<QString> notKept = notKeptBecause(judged)) {
        intake.notKept = *notKept;
        intake.shownOnly = std::move(judged);
        return intake;
    }
    // A recording has no port: the record names its source and the file.
    ObservationRecord& record = intake.record;
    static_cast<RecordHeader&>(record) = newRecordHeader(
        RecordKind::Waveform, QStringLiteral("recording"), judged.file, choice, takenAt);
    record.product = product;
    record.result = recordingObservation(judged, choice, record.startedAt);
    return intake;
}

RecordingIntake keepRecordingAsJudged(const QString& path, const RecordingOptions& options,
                                      const ClassChoice& choice, const ProductInfo& product,
                                      const QDateTime& takenAt, RecordStore& store,
                                      int chartWindows)
{
    RecordingIntake intake;
    ObservationRecord& record = intake.record;
    static_cast<RecordHeader&>(record) = newRecordHeader(
        RecordKind::Waveform, QStringLiteral("recording"), path, choice, takenAt);
    record.product = product;
    record.result.choice = choice;
    RecordingFacts named;
    named.file = path;
    named.sizeBytes = QFileInfo(path).size();
    record.result.recording = named;

    // Windows are written a thousand at a time; the record is begun with
    // the first.
    constexpr qsizetype kBatch = 1000;
    QList<ObservedSample> batch;
    int written = 0;
    QString failure;
    const auto flush = [&] {
        if (batch.isEmpty() || !failure.isEmpty())
            return;
        Outcome outcome = record.id > 0 ? Outcome::ok() : store.beginObservation(record);
        if (outcome.succeeded())
            outcome = store.addSamples(record.id, written, batch);
        if (!outcome.succeeded())
            failure = outcome.reason();
        written += int(batch.size());
        batch.clear();
    };
    ShownRanges all;
    QList<ObservedSample> selection;
    qint64 index = 0;
    qint64 stride = 1;
    const auto eachWindow = [&](const SmoothedWindow& window) {
        ObservedSample sample =
            windowSampleAt(window.time, takenAt.addMSecs(qint64(window.time * 1000)),
                           windowSample(window), windowShownValues(window));
        all.add(sample.shown);
        if (index++ % stride == 0) {
            selection.append(sample);
            if (selection.size() >= 2 * qsizetype(chartWindows)) {
                // Every other one let go: the rest stay evenly spread.
                for (qsizetype n = 1; n < selection.size() / 2; ++n)
                    selection[n] = std::move(selection[2 * n]);
                selection.resize(selection.size() / 2);
                stride *= 2;
            }
        }
        batch.append(std::move(sample));
        if (batch.size() >= kBatch)
            flush();
    };
    auto outcome = judgeRecording(path, options, choice, false, eachWindow);
    const auto discard = [&] {
        if (record.id > 0)
            store.discardObservation(record.id);
        record.id = 0;
        record.store.clear();
    };
    if (auto* refused = std::get_if<RecordingError>(&outcome)) {
        discard();
        intake.refused = std::move(*refused);
        return intake;
    }
    JudgedRecording& judged = std::get<JudgedRecording>(outcome);
    record.result = streamedRecording(judged, choice, std::move(selection), all);
    if (const std::optional<QString> notKept = notKeptBecause(judged)) {
        discard();
        intake.notKept = *notKept;
        record.recordProblem = *notKept;
        intake.shownOnly = std::move(judged);
        return intake;
    }
    flush();
    if (failure.isEmpty()) {
        if (const Outcome finished = store.finishObservation(record); !finished.succeeded())
            failure = finished.reason();
    }
    if (!failure.isEmpty()) {
        // A record missing some of its windows would judge them wrongly.
        discard();
        record.recordProblem = failure;
    }
    return intake;
}
