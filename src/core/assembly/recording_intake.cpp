#include "recording_intake.h"

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
