#include "analyzer_lines.h"
#include "observation_samples.h"
#include "rejudge.h"
#include "report_rows.h"
#include "result_formats.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QtTest>

namespace {

CycleResult judged(const QByteArray& reply, double guardBandPct = 0)
{
    CycleResult stored;
    stored.reply.line = QString::fromLatin1(reply);
    stored.measuredAt = QDateTime(QDate(2026, 12, 7), QTime(16, 10, 38), QTimeZone(3600));
    return judgeAgain(stored, ClassChoice{ProductClass::A, ClassDPower(), guardBandPct});
}

} // namespace

// The escapes every face shows stored texts with, the closest order's
// percentage under a guard band, the sampling sentence and the export of an
// observation's samples.
class ObservationExports : public QObject
{
    Q_OBJECT

private slots:
    void invisibleFormatCharactersAreEscaped();
    void closestIsOfTheLimitTheVerdictUsed();
    void oneSampleNamesNoInterval();
    void everySampleIsARow();
};

void ObservationExports::invisibleFormatCharactersAreEscaped()
{
    const QString stored = QStringLiteral("a\u200Bb\u2060c\uFEFFd\u00AD") +
                           QString::fromUcs4(U"\U000E0041") + QStringLiteral("é😀");
    QCOMPARE(escapedText(stored), "a\\u200bb\\u2060c\\ufeffd\\u00ad\\U000e0041é😀");
}

void ObservationExports::closestIsOfTheLimitTheVerdictUsed()
{
    // The passing reply's 19th: 5.2 mA of 118.4 mA, 4.4 %; of the 10 %
    // guarded limit 106.56 mA, 4.9 %.
    const CycleResult plain = judged(kPassingReply);
    const CycleResult guarded = judged(kPassingReply, 10);
    QCOMPARE(closestLine(closestOf(plain)), "Closest to its limit: 19th harmonic, 4.4 %");
    QCOMPARE(closestLine(closestOf(guarded)), "Closest to its guarded limit: 19th harmonic, 4.9 %");
    QCOMPARE(resultJson(guarded)["closest"].toObject()["guarded"].toBool(), true);

    QList<ObservedSample> samples;
    for (int n = 0; n < 3; ++n)
        samples << observedSample(n * 8.0, judged(kPassingReply, 10));
    const std::optional<ClosestOrder> observed = closestOrder(
        judgeSamples(samples, {ProductClass::A, {}, 10}, ObservationEnd::Completed, 8));
    QVERIFY(observed);
    QCOMPARE(observed->order, 19);
    QCOMPARE(QString::number(observed->percentOfLimit, 'f', 2), "4.88");
    QVERIFY(observed->guarded);
}

void ObservationExports::oneSampleNamesNoInterval()
{
    // A running observation read after its first sample has no interval yet.
    QVERIFY(!samplingSentence(0).contains("every"));
    QVERIFY(samplingSentence(0).contains("not the standard's 1.5 s smoothing"));
}

void ObservationExports::everySampleIsARow()
{
    ObservationRecord record;
    record.result.samples << observedSample(0, judged(kPassingReply))
                          << observedSample(8.04, judged(failingReply()));
    CycleResult stopped;
    stopped.verdict = Verdict::Stopped;
    record.result.samples << observedSample(16.1, stopped);

    const QStringList csv = observationSamplesCsv(record).split("\r\n");
    QCOMPARE(csv.size(), 5); // header, three rows, the end
    const QStringList columns = csv.first().split(',');
    QCOMPARE(columns.size(), 10 + 39);
    QCOMPARE(columns.mid(0, 11),
             (QStringList{"sample", "start_s", "measured_at", "state", "volts", "amps", "watts",
                          "power_factor", "frequency", "fundamental_a", "h2_ma"}));
    QCOMPARE(columns.last(), "h40_ma");
    QCOMPARE(csv[2].split(',').mid(0, 12),
             (QStringList{"2", "8.0", "2026-12-07T16:10:38+01:00", "Fail", "230.1", "0.343", "75",
                          "0.95", "50", "0.33", "3.1", "3500"}));
    QCOMPARE(csv[3].split(','), (QStringList{"3", "16.1", "", "Stopped"} + QStringList(45, "")));

    const QJsonArray json = observationSamplesJson(record);
    QCOMPARE(json.size(), 3);
    QCOMPARE(json[1]["h3_ma"].toDouble(), 3500);
    QCOMPARE(json[1]["fundamental_a"].toDouble(), 0.33);
    QCOMPARE(json[0]["state"].toString(), "Pass");
    QVERIFY(json[2]["volts"].isNull());
    QCOMPARE(json[2].toObject().keys().size(), 49);
}

QTEST_GUILESS_MAIN(ObservationExports)
#include "tst_observation_exports.moc"
