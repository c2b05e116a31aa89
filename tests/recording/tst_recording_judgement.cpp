// A recording judged as an observation of its smoothed windows: the
// verdicts of steady currents worked out by hand against the Class A
// limits, the edition's scope, and a clipping channel.

#include "record_store.h"
#include "observation_formats.h"
#include "recording_intake.h"
#include "recording_judgement.h"
#include "waveform_synth.h"

#include <QDateTime>

#include <QTemporaryDir>
#include <QTest>

class TestRecordingJudgement : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // A 10 s recording at 230 V of a product whose current is `amps` A with
    // a 3rd harmonic of `third` A; the file's scales in *options.
    QString written(const char* name, double amps, double third, RecordingOptions* options,
                    double ampsFullScale = 0)
    {
        WaveformDescription d;
        d.seconds = 10;
        d.rate = 12800;
        d.amps = amps;
        d.currents = {{3, third, 0}};
        d.ampsFullScale = ampsFullScale;
        const QString path = m_dir.filePath(QLatin1String(name));
        if (const auto error = writeWaveform(d, path.toStdString()))
            qFatal("write: %s", error->c_str());
        *options = {voltsFullScale(d), ampsFullScale > 0 ? ampsFullScale : ::ampsFullScale(d), {}};
        return path;
    }

    // The record of a recording judged under `choice`, kept in a new store
    // and read back.
    std::optional<ObservationRecord> keptAndReadBack(const QString& path,
                                                     const RecordingOptions& options,
                                                     const ClassChoice& choice, RecordStore& store)
    {
        const auto outcome = judgeRecording(path, options, choice, true);
        if (!std::holds_alternative<JudgedRecording>(outcome))
            return std::nullopt;
        const JudgedRecording& judged = std::get<JudgedRecording>(outcome);
        ObservationRecord record{newRecordHeader(RecordKind::Waveform, QString(), judged.file,
                                                 choice, QDateTime::currentDateTime())};
        record.result = recordingObservation(judged, choice, record.startedAt);
        if (!store.open(m_dir.filePath(QStringLiteral("records-%1.sqlite").arg(++m_stores)))
                 .succeeded() ||
            !store.saveRecording(record).succeeded())
            return std::nullopt;
        return store.observation(record.id);
    }
    int m_stores = 0;

private slots:
    void steadyCurrentsAgainstClassA_data()
    {
        // Class A's 3rd: 2300 mA; 2.0 A averages 87 %, 2.5 A 108.7 %.
        QTest::addColumn<double>("third");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("2.0 A") << 2.0 << "Pass";
        QTest::newRow("2.5 A") << 2.5 << "Fail";
    }
    void steadyCurrentsAgainstClassA()
    {
        QFETCH(double, third);
        RecordingOptions options;
        const QString path = written("steady.wav", 4.0, third, &options);
        const auto outcome = judgeRecording(path, options, ClassChoice{ProductClass::A, {}});
        QVERIFY(std::holds_alternative<JudgedRecording>(outcome));
        const JudgedRecording& judged = std::get<JudgedRecording>(outcome);
        QTEST(recordingVerdictText(judged), "verdict");
        // 10 s of 200 ms windows, from the first rising zero crossing on.
        QCOMPARE(judged.judgement.samplesJudged, 49);
        QVERIFY(qAbs(judged.windowSeconds - 0.2) < 1e-3);
        QVERIFY(qAbs(judged.judgement.orders[1].averageMa - third * 1000) < third * 1000 * 1e-3 + 1);
        QCOMPARE(judged.sha256.size(), 64);
    }

    void scopeOfTheEdition()
    {
        // 0.2 A at 230 V: 46 W, not limited under 2018 whatever its 3rd.
        RecordingOptions options;
        const QString path = written("small.wav", 0.2, 0.15, &options);
        ClassChoice choice{ProductClass::A, {}};
        choice.edition = Edition::Iec2018;
        const auto outcome = judgeRecording(path, options, choice);
        QCOMPARE(recordingVerdictText(std::get<JudgedRecording>(outcome)), "Not limited");
    }

    void clippingChannelIsAnInvalidResult()
    {
        // A current full scale below its peak: the channel clips.
        RecordingOptions options;
        const QString path = written("clipped.wav", 4.0, 1.0, &options, 4.0);
        const auto outcome = judgeRecording(path, options, ClassChoice{ProductClass::A, {}});
        QVERIFY(std::holds_alternative<JudgedRecording>(outcome));
        const JudgedRecording& judged = std::get<JudgedRecording>(outcome);
        QCOMPARE(recordingVerdictText(judged), "Invalid result");
        QVERIFY2(judged.clipped->message.contains("channel \"channel 2\" clips"), qPrintable(judged.clipped->message));
    }

    void keptRecordingIsReadBackAndJudgedAgain()
    {
        // 2.5 A of 3rd: above Class A's 2300 mA in every window, within
        // Class B's 3450 mA.
        RecordingOptions options;
        const QString path = written("kept.wav", 4.0, 2.5, &options);
        RecordStore store;
        const std::optional<ObservationRecord> kept =
            keptAndReadBack(path, options, ClassChoice{ProductClass::A, {}}, store);
        QVERIFY(kept);
        QCOMPARE(kept->kind, RecordKind::Waveform);
        QCOMPARE(kept->result.verdict, ObservationVerdict::Fail);
        QCOMPARE(kept->result.samples.size(), 49);
        QCOMPARE(kept->result.recording->file, path);
        QCOMPARE(kept->result.recording->sha256.size(), 64);
        QVERIFY(qAbs(kept->result.recording->frequencyHz - 50) < 0.01);
        const ObservedSample& window = kept->result.samples.at(20);
        QCOMPARE(window.verdict, Verdict::Fail);
        QVERIFY(qAbs(window.values->currentsMa[1] - 2500) < 2.5 + 1);
        QVERIFY(qAbs(*window.shown[ShownValues::Volts] - 230) < 0.3);
        QVERIFY(kept->result.judgement.notes.last().contains("shorter than the observation"));
        const QList<RecordSummary> listed = store.history(0);
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed.first().kind, "waveform");
        QCOMPARE(listed.first().observationVerdict, "Fail");

        // Judged again under Class B: the same windows, each within its limit.
        const ObservationResult again = judgedAgain(kept->result, ClassChoice{ProductClass::B, {}});
        QCOMPARE(again.verdict, ObservationVerdict::Pass);
        QCOMPARE(again.samples.at(20).verdict, Verdict::Pass);
        QCOMPARE(again.samples.at(20).values->currentsMa[1], window.values->currentsMa[1]);
    }

    void recordingKeptAsJudgedHoldsFewWindows()
    {
        // 49 windows, at most about 2 x 10 held: the same judgement and
        // electrical values as the recording held whole, every window kept.
        RecordingOptions options;
        const QString path = written("streamed.wav", 4.0, 2.5, &options);
        const ClassChoice choice{ProductClass::A, {}};
        const QDateTime now = QDateTime::currentDateTime();
        RecordStore store;
        QVERIFY(store.open(m_dir.filePath(QStringLiteral("streamed.sqlite"))).succeeded());
        const RecordingIntake streamed =
            keepRecordingAsJudged(path, options, choice, {}, now, store, 10);
        const RecordingIntake whole = takeRecording(path, options, choice, {}, now);
        const ObservationResult& r = streamed.record.result;
        QVERIFY(streamed.record.id > 0 && streamed.record.recordProblem.isEmpty());
        QVERIFY(r.samples.size() >= 10 && r.samples.size() < 20);
        QCOMPARE(r.samples.at(1).startS, whole.record.result.samples.at(4).startS);
        QCOMPARE(r.verdict, whole.record.result.verdict);
        QCOMPARE(r.judgement.orders[1].averageMa, whole.record.result.judgement.orders[1].averageMa);
        const ObservationRecord wholeRecord = whole.record;
        const ObservationRecord streamedRecord = streamed.record;
        QCOMPARE(observationText(streamedRecord).section("Voltage:", 1, 1).left(200),
                 observationText(wholeRecord).section("Voltage:", 1, 1).left(200));
        const std::optional<ObservationRecord> kept = store.observation(streamed.record.id);
        QVERIFY(kept);
        QCOMPARE(kept->result.samples.size(), 49);
        QCOMPARE(kept->result.verdict, ObservationVerdict::Fail);
        QCOMPARE(kept->result.recording->sha256, whole.record.result.recording->sha256);

        // A clipping channel: judged, nothing left in the store.
        const QString clipped = written("streamed-clipped.wav", 4.0, 1.0, &options, 4.0);
        const RecordingIntake refused =
            keepRecordingAsJudged(clipped, options, choice, {}, now, store, 10);
        QVERIFY(refused.shownOnly);
        QCOMPARE(store.history(0).size(), 1);
        // Shown as judged so far, no verdict, the channel named.
        const QString shown = observationText(refused.record);
        QVERIFY2(shown.contains("Verdict: Invalid result") &&
                     shown.contains("channel \"channel 2\" clips"),
                 qPrintable(shown));
    }

    void notLimitedRecordIsReadBack()
    {
        // 46 W under 2018: "Not limited", kept and read back as such.
        RecordingOptions options;
        const QString path = written("small-kept.wav", 0.2, 0.15, &options);
        ClassChoice choice{ProductClass::A, {}};
        choice.edition = Edition::Iec2018;
        RecordStore store;
        const std::optional<ObservationRecord> kept = keptAndReadBack(path, options, choice, store);
        QVERIFY(kept);
        QCOMPARE(kept->result.verdict, ObservationVerdict::NotLimited);
        QCOMPARE(kept->result.choice.edition, Edition::Iec2018);
    }

    void unreadableFileIsRefused()
    {
        const auto outcome = judgeRecording(m_dir.filePath("missing.wav"), {},
                                            ClassChoice{ProductClass::A, {}});
        QVERIFY(std::holds_alternative<RecordingError>(outcome));
    }
};

QTEST_GUILESS_MAIN(TestRecordingJudgement)
#include "tst_recording_judgement.moc"
