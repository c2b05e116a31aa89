#include "analyzer_lines.h"
#include "html.h"
#include "observation_samples.h"
#include "pages.h"
#include "record_store.h"
#include "rejudge.h"
#include "site.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

using namespace web;

namespace {

const QDateTime kAt(QDate(2026, 12, 7), QTime(16, 10, 38), QTimeZone(3600));

CycleResult judged(const QByteArray& reply, const ClassChoice& choice)
{
    CycleResult stored;
    stored.reply.line = QString::fromLatin1(reply);
    stored.measuredAt = kAt;
    return judgeAgain(stored, choice);
}

CycleResult judged(const QByteArray& reply, double guardBandPct)
{
    return judged(reply, ClassChoice{ProductClass::A, ClassDPower(), guardBandPct});
}

// A finished Class A observation of three failing samples under a 10 %
// guard band.
ObservationRecord failedObservation()
{
    ObservationRecord record =
        newObservationRecord(QStringLiteral("Com 3"), {}, {ProductClass::A, {}, 10}, 16, kAt);
    record.id = 7;
    for (int n = 0; n < 3; ++n)
        record.result.samples << observedSample(n * 8.0, judged(failingReply(), 10));
    record.result.sampleIntervalS = 8;
    record.result.judgement =
        judgeSamples(record.result.samples, record.result.choice, ObservationEnd::Completed,
                     record.result.sampleIntervalS);
    record.result.verdict = record.result.judgement.verdict;
    return record;
}

// A Class A recording of three windows, 0.2 s apart, the 3rd at 1000,
// 2530 and 1200 mA: the second 110 % of its 2300 mA limit.
ObservationRecord recording()
{
    ObservationRecord record =
        newObservationRecord(QString(), QStringLiteral("x.csv"), {ProductClass::A, {}}, 0, kAt);
    record.id = 9;
    record.kind = RecordKind::Waveform;
    RecordingFacts facts;
    facts.file = QStringLiteral("bench <3>.csv");
    facts.sizeBytes = 7760035;
    facts.sha256 = QStringLiteral("a1c11e96");
    facts.voltageChannel = QStringLiteral("u");
    facts.currentChannel = QStringLiteral("i");
    facts.sampleRate = 10000;
    facts.frequencyHz = 50;
    facts.thdPct = 42.5;
    facts.crestFactor = 1.63;
    facts.supplyWarning = QStringLiteral("The voltage varies by more than 2 %.");
    record.result.recording = facts;
    record.result.sampleIntervalS = 0.2;
    record.result.elapsedS = 0.6;
    const double thirds[] = {1000, 2530, 1200};
    for (int n = 0; n < 3; ++n) {
        std::array<double, kHarmonicCells> currents{};
        currents[1] = thirds[n];
        record.result.samples << windowSampleAt(n * 0.2, kAt,
                                                windowRuleSample(currents, 3, 2.5, 0.9, 600), {});
    }
    record.result = judgedRecordingAgain(record.result, record.result.choice);
    return record;
}

Request get(const QString& path)
{
    Request request;
    request.path = path;
    return request;
}

} // namespace

// What the record and history pages show of a guard band, a failed
// observation and a long stored text, and the samples' downloads.
class WebPages : public QObject
{
    Q_OBJECT

private slots:
    void historySaysTheGuardBand();
    void measurementShowsItsGuardedLimits();
    void failedObservationSaysWhyAndShowsMaxima();
    void longStoredTextIsCutOnThePageOnly();
    void measurementShowsItsEditionAndTheLabBasis();
    void observationShowsItsEditionAndNotes();
    void samplesDownload();
    void recordingShowsItsFactsAndWorstWindow();
};

void WebPages::historySaysTheGuardBand()
{
    RecordSummary fail;
    fail.id = 4;
    fail.verdict = Verdict::Fail;
    fail.guardBandPct = 10;
    QVERIFY(historyPage({fail}, {}, 1, false)
                .contains("<td class=\"verdict-fail\">Fail (10 % guard band)</td>"));
    // A 1995 Pass the lab's Class D basis fails, and the edition of a 2018 one.
    RecordSummary lab;
    lab.verdict = Verdict::Pass;
    lab.labVerdict = QStringLiteral("Fail");
    QVERIFY(historyPage({lab}, {}, 1, false).contains(">Pass (lab: Fail)</td>"));
    RecordSummary later;
    later.edition = Edition::Iec2018;
    QVERIFY(historyPage({later}, {}, 1, false).contains("<td>2018</td></tr>"));
}

void WebPages::measurementShowsItsGuardedLimits()
{
    MeasurementRecord record = newRecord(judged(kPassingReply, 10), QStringLiteral("Com 1"), {});
    record.id = 1;
    const QString page = measurementPage(record);
    // The 3rd: 2300 mA, guarded 2070 mA.
    for (const char* shown :
         {"<th>Guarded limit (10 % less)</th>",
          "<td class=\"limit\">2300mA</td><td class=\"limit guarded\">2070mA</td>",
          "order 19, 4.9 % of its guarded limit"})
        QVERIFY2(page.contains(shown), shown);
}

void WebPages::failedObservationSaysWhyAndShowsMaxima()
{
    const ObservationRecord record = failedObservation();
    QCOMPARE(record.result.verdict, ObservationVerdict::Fail);
    const QString page = observationPage(record, false, 1);
    // Each order's maximum beside its average; the 100 % and 150 % lines and
    // where the guard band puts them.
    QCOMPARE(page.count("class=\"maximum\""), page.count("class=\"average\""));
    QVERIFY(page.count("class=\"maximum\"") > 0);
    for (const char* shown :
         {"Fail (10 % guard band)", "<tr id=\"why\"><th>Why it failed</th><td>3rd: average at ",
          "of its guarded limit", "<title>100 % of the limit</title>",
          "<title>150 % of the limit</title>", "<title>150 % of the guarded limit</title>",
          "<th>Guarded limit (10 % less)</th>"})
        QVERIFY2(page.contains(shown), shown);
}

void WebPages::measurementShowsItsEditionAndTheLabBasis()
{
    // Typed 150 W, measured 75 W: the 3rd's 300 mA passes its 510 mA limit,
    // not the 255 mA of the measured power, which the lab takes.
    QList<QByteArray> fields = kPassingReply.trimmed().split(',');
    fields[9] = "3.0000E-01";
    MeasurementRecord record =
        newRecord(judged(fields.join(',') + "\r\n", {ProductClass::D, QStringLiteral("150")}),
                  QStringLiteral("Com 1"), {});
    record.id = 2;
    const QString page = measurementPage(record);
    for (const char* shown :
         {"<tr><th>Edition</th><td>IEC 1000-3-2 (1995)</td></tr>",
          "<tr><th>Power basis</th><td>typed 150 W</td></tr>",
          "<tr id=\"lab\"><th>Lab basis</th><td class=\"verdict-fail\">Measured 75 W is outside "
          "90-110 % of the typed 150 W: at the lab&#39;s basis the product fails (3rd"})
        QVERIFY2(page.contains(shown), shown);
}

void WebPages::observationShowsItsEditionAndNotes()
{
    const ClassChoice choice{ProductClass::C, {}, 0, Edition::Iec2018};
    ObservationRecord record = newObservationRecord(QStringLiteral("Com 3"), {}, choice, 16, kAt);
    record.id = 8;
    for (int n = 0; n < 3; ++n)
        record.result.samples << observedSample(n * 8.0, judged(kPassingReply, choice));
    record.result.judgement =
        judgeSamples(record.result.samples, choice, ObservationEnd::Completed, 8);
    record.result.verdict = record.result.judgement.verdict;
    const QString page = observationPage(record, false, 1);
    for (const QString& shown :
         {QStringLiteral("<tr><th>Edition</th><td>IEC 61000-3-2:2018+A1:2020</td></tr>"),
          "<tr><th>Note</th><td>" + text(classCThirdNotJudgedNote()) + "</td></tr>"})
        QVERIFY2(page.contains(shown), qPrintable(shown));
}

void WebPages::longStoredTextIsCutOnThePageOnly()
{
    QTemporaryDir dir;
    const QString name = dir.filePath("records.sqlite");
    const QString word(131072, QLatin1Char('w'));
    {
        RecordStore store;
        QVERIFY(store.open(name).succeeded());
        MeasurementRecord record = newRecord(judged(kPassingReply, 0), QStringLiteral("Com 1"), {});
        record.product.product = word;
        record.product.notes = QStringLiteral("\u200Bhidden");
        QVERIFY(store.add(record).succeeded());
    }
    Site site(name, Access());
    for (const QString& path : {QStringLiteral("/records/1"), QStringLiteral("/")}) {
        const QString page = QString::fromUtf8(site.answer(get(path)).body);
        QVERIFY2(page.size() < 40000, qPrintable(path));
        QVERIFY2(page.contains(QString(kShownStoredChars, QLatin1Char('w')) +
                               "<span class=\"cut\">&hellip; (131072 characters in all"),
                 qPrintable(path));
    }
    QVERIFY(QString::fromUtf8(site.answer(get("/records/1")).body).contains("\\u200bhidden"));
    QVERIFY(site.answer(get("/records/1/report.csv")).body.contains(word.toUtf8()));
}

void WebPages::samplesDownload()
{
    QTemporaryDir dir;
    const QString name = dir.filePath("records.sqlite");
    {
        RecordStore store;
        QVERIFY(store.open(name).succeeded());
        MeasurementRecord measurement = newRecord(judged(kPassingReply, 0), {}, {});
        QVERIFY(store.add(measurement).succeeded());
        ObservationRecord observation = failedObservation();
        QVERIFY(store.beginObservation(observation).succeeded());
        for (int n = 0; n < 3; ++n)
            QVERIFY(store.addSample(observation.id, n, observation.result.samples[n]).succeeded());
        QVERIFY(store.finishObservation(observation).succeeded());
    }
    Site site(name, Access());
    RecordStore records;
    QVERIFY(records.open(name, StoreAccess::Read).succeeded());
    const Reply csv = site.answer(get("/records/2/samples.csv"));
    QCOMPARE(csv.status, 200);
    QVERIFY(csv.contentType.startsWith("text/csv"));
    QCOMPARE(csv.body, observationSamplesCsv(*records.observation(2)).toUtf8());
    const Reply json = site.answer(get("/records/2/samples.json"));
    QCOMPARE(QJsonDocument::fromJson(json.body).array(),
             observationSamplesJson(*records.observation(2)));
    QVERIFY(QString::fromUtf8(site.answer(get("/records/2")).body)
                .contains("href=\"/records/2/samples.csv\""));
    QCOMPARE(site.answer(get("/records/1/samples.csv")).status, 404);
}

void WebPages::recordingShowsItsFactsAndWorstWindow()
{
    const QString page = observationPage(recording(), false, 1);
    for (const char* shown :
         {"<small>waveform recording</small>", "<h2>Recording</h2>",
          "<span class=\"stored\" id=\"file\">bench &lt;3&gt;.csv</span>",
          "<tr><th>Size</th><td>7760035 bytes</td></tr>", "<code>a1c11e96</code>",
          "<tr><th>Sample rate</th><td>10000 samples/s</td></tr>",
          "of 10 periods, 0.2000 s each: 0.6 s; 1.5 s smoothed DFT windows of 10 periods",
          "<tr><th>Highest THD</th><td>42.5 %</td></tr>",
          "<tr><th>Crest factor</th><td>1.63</td></tr>",
          "<td class=\"verdict-fail\">The voltage varies by more than 2 %.</td>",
          "<p id=\"worst-window\">Worst window: 2 at 0.2 s, 3rd at 110.0 % of its limit</p>",
          "<title>3rd: 2530.0 mA</title>", "<title>3rd limit 2300.0 mA</title>"})
        QVERIFY2(page.contains(shown), shown);
    // Its bar red, above its limit; no analyzer's power basis, no sampling
    // interval.
    QVERIFY(page.contains("fill=\"#ff0000\" stroke=\"#333\" stroke-width=\"0.5\" "
                          "class=\"current\"><title>3rd"));
    QVERIFY(!page.contains("Power basis"));
    QVERIFY(!page.contains("analyzer snapshots"));
    // An analyzer's observation has no worst window.
    QVERIFY(!observationPage(failedObservation(), false, 1).contains("worst-window"));
}

QTEST_GUILESS_MAIN(WebPages)
#include "tst_web_pages.moc"
