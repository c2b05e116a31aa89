#include "analyzer_lines.h"
#include "file_output.h"
#include "guard_band.h"
#include "history_formats.h"
#include "observation_formats.h"
#include "observation_report.h"
#include "rejudge.h"
#include "report_file.h"
#include "report_rows.h"
#include "result_formats.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Class D at 75 W, 3rd harmonic over its limit; the even harmonics and the
// 2nd are not judged by Class D, the 39th is below 5 mA.
MeasurementRecord classDFail()
{
    MeasurementRecord record;
    record.id = 17;
    record.port = QStringLiteral("Com 1");
    record.device = QStringLiteral("/dev/ttyS0");
    record.toolVersion = QStringLiteral("1.0");
    record.product = {QStringLiteral("Lamp, \"Deluxe\" 60W"),
                      QStringLiteral("SN-0042, lot 7"),
                      QStringLiteral("José Müller"),
                      QStringLiteral("first sample\nretest"),
                      QStringLiteral("EMC lab 2"),
                      QStringLiteral("Zento PA-1, SN 4711"),
                      QStringLiteral("230 V 50 Hz supply, 23 °C")};
    CycleResult& r = record.result;
    r.verdict = Verdict::Fail;
    r.measuredAt = QDateTime(QDate(2026, 12, 7), QTime(16, 10, 38), Qt::OffsetFromUTC, 3600);
    r.judgement.productClass = ProductClass::D;
    r.judgement.power = "75";
    r.judgement.evaluation.status = Evaluation::Judged;
    r.judgement.anyFailed = true;
    QStringList fields{"75.2", "230.1", "0.48", "0.68", "50", "0", "0", "0.31"};
    const std::array<double, 5> lowLimits{255, 142.5, 75, 37.5, 26.25}; // orders 3 to 11, mA
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const auto i = std::size_t(cell);
        const int order = cell + 2;
        const double limit =
            order >= 3 && order <= 11 ? lowLimits[std::size_t(order - 3) / 2] : 288.75 / order;
        const double current = order % 2 == 0 ? 1.5
                               : order == 3   ? 306
                               : order == 39  ? 4
                                              : limit / 2;
        fields << QString::number(current / 1000);
        r.reply.harmonics[i] = QString::number(current);
        if (order % 2 == 0) {
            r.judgement.states[i] = CellState::NotJudged;
            continue;
        }
        r.judgement.currents[i] = r.reply.harmonics[i];
        r.judgement.limits[i] = QString::number(limit, 'f', 2) + "mA";
        r.judgement.states[i] = order == 3    ? CellState::Fail
                                : order == 39 ? CellState::NotTested
                                              : CellState::Pass;
    }
    r.reply.line = fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    r.reply.fieldsFound = kReplyFields;
    for (int n = 0; n < kReplyFields; ++n)
        r.reply.fields[std::size_t(n)] = fields[n];
    r.reply.watts = "75.2";
    r.reply.volts = "230.1";
    r.reply.amps = "0.48";
    r.reply.powerFactor = "0.68";
    r.reply.frequency = "50";
    return record;
}

// classDFail's reply judged again under `choice`.
MeasurementRecord classDFailAs(const ClassChoice& choice)
{
    MeasurementRecord record = classDFail();
    record.result = judgeAgain(record.result, choice);
    return record;
}

// Typed 150 W: the 3rd's 306 mA passes its 510 mA limit, but the measured
// 75.2 W is outside 90-110 % of it, and at 75.2 W the limit is 255.68 mA.
MeasurementRecord labBasisFails()
{
    return classDFailAs({ProductClass::D, QStringLiteral("150")});
}

// A reply of 12 fields, ended: no class ran.
MeasurementRecord incomplete()
{
    MeasurementRecord record;
    record.port = QStringLiteral("Com 2");
    CycleResult& r = record.result;
    r.verdict = Verdict::IncompleteResult;
    r.measuredAt = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
    r.problem = QStringLiteral("The result line had 12 of 47 fields.");
    r.reply.line = QStringLiteral("75,230,0.5,0.7,50,0,0,0.3,0.01,0.2,0.003,0.1\r\n");
    r.reply.fieldsFound = 12;
    r.reply.watts = "75";
    r.reply.volts = "230";
    r.reply.amps = "0.5";
    r.reply.powerFactor = "0.7";
    r.reply.frequency = "50";
    for (int cell = 0; cell < 4; ++cell)
        r.reply.harmonics[std::size_t(cell)] = QString::number(10 * (cell + 1));
    r.judgement.states.fill(CellState::NotJudged);
    return record;
}

// One RFC 4180 record per CR LF outside quotes.
QList<QStringList> parseCsv(const QString& text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype n = 0; n < text.size(); ++n) {
        const QChar c = text[n];
        if (quoted) {
            if (c == '"' && n + 1 < text.size() && text[n + 1] == '"')
                field += text[++n];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row << field;
            field.clear();
        } else if (c == '\r' && n + 1 < text.size() && text[n + 1] == '\n') {
            rows << (row << field);
            row.clear();
            field.clear();
            ++n;
        } else {
            field += c;
        }
    }
    if (!row.isEmpty() || !field.isEmpty())
        rows << (row << field);
    return rows;
}

// A Class A observation of 18 samples, 8.3 s apart, the 12th not judged: the
// 3rd averages 2467.6 mA of its 2300 mA limit (107.3 %, fails), the 5th jumps
// to 1600 mA of 1140 mA (140.4 %) once, the 7th stays at 700 mA of 770 mA
// (90.9 %), the 39th at 3 mA (below 5 mA: not tested), the others at 10 mA:
// POHC sqrt(9 * 10² + 3²) = 30.1 mA, within the 251.3 mA of the limits
// 107.1, 97.82, 90, 83.33, 77.58, 72.58, 68.18, 64.28, 60.81 and 57.69 mA.
// Each judged sample measured 1970 W and a fundamental of 9.5 A at a power
// factor of 0.9, the 7th 9.8 A.
ObservationRecord classAObservation()
{
    ObservationRecord record;
    record.id = 42;
    record.port = QStringLiteral("Com 2");
    record.toolVersion = QStringLiteral("1.0");
    record.product = {QStringLiteral("Drive PX-9"), QStringLiteral("SN-77"),
                      QStringLiteral("Ana Lima"),   QStringLiteral("after the fan swap"),
                      QStringLiteral("EMC lab 2"),  QStringLiteral("Zento PA-1"),
                      QStringLiteral("230 V 50 Hz")};
    ObservationResult& r = record.result;
    r.choice = {ProductClass::A, QString()};
    r.durationS = 150;
    r.elapsedS = 149.4 + 8.2;
    r.sampleIntervalS = 8.3;
    record.startedAt = QDateTime(QDate(2026, 12, 7), QTime(9, 30, 0), Qt::UTC);
    const std::array<double, 18> third{2300, 2350, 2400, 2450, 2500, 2550, 2600, 2500, 2450,
                                       2400, 2450, 0,    2350, 2300, 2400, 2500, 2600, 2850};
    for (int k = 0; k < 18; ++k) {
        CycleResult cycle;
        cycle.measuredAt = record.startedAt.addMSecs(qint64(k * 8300 + 8000));
        if (k == 11) {
            cycle.verdict = Verdict::IncompleteResult;
            cycle.problem = QStringLiteral("The result line had 12 of 47 fields.");
            r.samples.append(observedSample(k * 8.3, cycle));
            continue;
        }
        cycle.verdict = Verdict::Fail;
        cycle.reply.fundAmp = k == 6 ? "9.8" : "9.5";
        cycle.reply.powerFactor = "0.9";
        cycle.reply.watts = "1970";
        for (int cell = 0; cell < kHarmonicCells; ++cell) {
            const int order = cell + 2;
            const double current = order == 3    ? third[std::size_t(k)]
                                   : order == 5  ? (k == 4 ? 1600 : 200)
                                   : order == 7  ? 700
                                   : order == 39 ? 3
                                                 : 10;
            cycle.reply.harmonics[std::size_t(cell)] = QString::number(current);
            cycle.judgement.states[std::size_t(cell)] =
                order == 39 ? CellState::NotTested : CellState::Pass;
        }
        r.samples.append(observedSample(k * 8.3, cycle));
    }
    r.judgement = judgeSamples(r.samples, r.choice, ObservationEnd::Completed, r.sampleIntervalS);
    r.verdict = r.judgement.verdict;
    r.samplesNotJudged = r.judgement.samplesNotJudged;
    return record;
}

QByteArray run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        qWarning() << program << process.readAllStandardError();
    return process.readAllStandardOutput();
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void jsonFile_data();
    void jsonFile();
    void csvFile();
    void guardBandAndPowerShown();
    void harmonicNumbers_data();
    void harmonicNumbers();
    void measurementRecordId_data();
    void measurementRecordId();
    void textEndsWithVerdict();
    void textNamesTheClass_data();
    void textNamesTheClass();
    void pdfText();
    void pdfSummary_data();
    void pdfSummary();
    void pdfPageImage();
    void refusedPaths_data();
    void refusedPaths();
    void csvFormulasShowAsText();
    void textEscapesControlCharacters();
    void historyTextEscapesStoredTexts();
    void historyNamesTheGuardBand();
    void historyCsvHasTheJsonKeysAsColumns();
    void historyMarksSimulatedRecords();
    void percentRoundedOnceInEveryFormat();
    void pdfCutsNoText();
    void pdfKeepsTheStoredOrder();
    void reportTargets_data();
    void reportTargets();
    void observationPdf();
    void observationSummary_data();
    void observationSummary();
    void observationVerdictColour_data();
    void observationVerdictColour();
    void observationOfADay();
    void observationReportFiles();

    void observationFormats_data();
    void observationFormats();
    void recordHeaderInEveryFormat_data();
    void recordHeaderInEveryFormat();
    void noValueIsOneStateInEachFormat();
    void cutReplyShowsNoValueForWhatDidNotArrive();
    void incompleteObservationSaysWhy_data();
    void incompleteObservationSaysWhy();
    void observationPageThree();
    void timeChartTellsCoincidingOrdersApart();
    void editionAndLabBasisInEveryFormat();
    void notesInEveryFormat();
    void observationNamesItsEditionAndNotes();

private:
    QTemporaryDir m_dir;
};

void TestReport::jsonFile_data()
{
    QTest::addColumn<MeasurementRecord>("record");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("measuredAt");
    const QStringList common{
        "verdict",    "class",        "fields_found", "volts",        "amps",
        "watts",      "power_factor", "frequency",    "harmonics",    "measured_at",
        "reply",      "id",           "port",         "device",       "tool_version",
        "product",    "serial",       "operator",     "notes",        "lab",
        "instrument", "conditions",   "record_id",    "simulated",    "source", "guard_band_pct",
        "rules",      "closest",      "edition",      "professional", "judgement_notes"};
    QTest::newRow("class D fail") << classDFail()
                                  << (QStringList(common) << "power"
                                                          << "measured_power_w"
                                                          << "power_differs")
                                  << "2026-12-07T16:10:38+01:00";
    MeasurementRecord stored = incomplete();
    stored.id = 3;
    QTest::newRow("incomplete") << stored << (QStringList(common) << "problem")
                                << "2026-01-02T03:04:05+00:00";
}

void TestReport::jsonFile()
{
    QFETCH(MeasurementRecord, record);
    QFETCH(QStringList, keys);
    QFETCH(QString, measuredAt);
    const QString path = m_dir.filePath("record.JSON");
    const Outcome written = writeReport(record, path);
    QVERIFY2(written.succeeded(), qPrintable(written.reason()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();

    QStringList actualKeys = json.keys();
    actualKeys.sort();
    keys.sort();
    QCOMPARE(actualKeys, keys);
    const CycleResult& r = record.result;
    QCOMPARE(json["verdict"].toString(), verdictText(r.verdict));
    QCOMPARE(json["measured_at"].toString(), measuredAt);
    QCOMPARE(json["fields_found"].toInt(), r.reply.fieldsFound);
    QCOMPARE(json["reply"].toString(), r.reply.line);
    QCOMPARE(json["product"].toString(), record.product.product);
    QCOMPARE(json["operator"].toString(), record.product.operatorName);
    QCOMPARE(json["instrument"].toString(), record.product.instrument);
    QCOMPARE(json["rules"].toString(),
             QStringLiteral("IEC 1000-3-2 limits, one analyzer snapshot"));
    const std::optional<ClosestOrder> closest = closestOf(r);
    QCOMPARE(json["closest"].isNull(), !closest);
    if (closest) {
        QCOMPARE(json["closest"]["order"].toInt(), closest->order);
        QCOMPARE(json["closest"]["percent_of_limit"].toDouble(), closest->percentOfLimit);
    }
    const QJsonArray harmonics = json["harmonics"].toArray();
    QCOMPARE(harmonics.size(), kHarmonicCells);
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const auto i = std::size_t(cell);
        const QJsonObject h = harmonics[cell].toObject();
        const QString shown = r.judgement.evaluation.status == Evaluation::Judged
                                  ? r.judgement.currents[i]
                                  : r.reply.harmonics[i];
        QCOMPARE(h["order"].toInt(), cell + 2);
        QCOMPARE(h["current_ma"].toString(), shown);
        QCOMPARE(h["limit"].toString(), r.judgement.limits[i]);
        // An order that never arrived has no state.
        if (kFirstHarmonicField + cell > r.reply.fieldsFound)
            QVERIFY(h["state"].isNull());
        else
            QCOMPARE(h["state"].toString(), cellStateName(r.judgement.states[i]));
    }
}

// A Class D measurement under a 10 % guard band whose measured power is
// 16 % below the typed one: the verdict, the guarded limit and the line.
void TestReport::guardBandAndPowerShown()
{
    MeasurementRecord record = classDFail();
    record.result.judgement.power = QStringLiteral("90");
    record.result.judgement.guardBandPct = 10;
    const QString text = resultText(record.result);
    QVERIFY2(text.contains("\nThe measured power 75.2 W is 16 % below the typed 90 W: the lab "
                           "will judge by the measured power\n"),
             qPrintable(text));
    QVERIFY2(text.contains(QRegularExpression("\n    3 +306 +255.00mA +229.5mA +120\\.0 +fail\n")),
             qPrintable(text));
    QVERIFY(text.endsWith("Verdict: Fail (10 % guard band)\n"));
    const QJsonObject json = resultJson(record.result);
    QCOMPARE(json["verdict"].toString(), "Fail (10 % guard band)");
    QCOMPARE(json["guard_band_pct"].toDouble(), 10.0);
    QCOMPARE(json["power_differs"].toBool(), true);
    QCOMPARE(json["measured_power_w"].toDouble(), 75.2);
    QCOMPARE(json["harmonics"][1]["limit_ma"].toDouble(), 255.0);
    QCOMPARE(json["harmonics"][1]["guarded_limit_ma"].toDouble(), 229.5);

    // Within 10 %: nothing said, and no guard band: the verdict alone.
    record.result.judgement.power = QStringLiteral("75");
    record.result.judgement.guardBandPct = 0;
    QVERIFY(!resultText(record.result).contains("the lab will judge"));
    QCOMPARE(resultJson(record.result)["power_differs"].toBool(), false);
    QCOMPARE(resultJson(record.result)["verdict"].toString(), "Fail");
}

void TestReport::csvFile()
{
    const MeasurementRecord record = classDFail();
    const QString path = m_dir.filePath("record.csv");
    QVERIFY(writeReport(record, path).succeeded());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY(text.endsWith("\r\n"));
    QVERIFY(text.contains("\"Lamp, \"\"Deluxe\"\" 60W\""));

    const QList<QStringList> rows = parseCsv(text);
    QCOMPARE(rows.size(), 1 + kHarmonicCells);
    const QStringList header = rows[0];
    QCOMPARE(header.join(','), "verdict,class,power,measured_at,volts,amps,watts,power_factor,"
                               "frequency,order,current_ma,limit,state,record_id,store,port,"
                               "device,tool_version,simulated,product,serial,operator,notes,lab,"
                               "instrument,"
                               "conditions,limit_ma,percent_of_limit,guard_band_pct,"
                               "guarded_limit_ma,rules,edition,professional,power_basis,basis_w,"
                               "lab_verdict");
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const QStringList& row = rows[cell + 1];
        QCOMPARE(row.size(), header.size());
        QCOMPARE(row[header.indexOf("order")], QString::number(cell + 2));
        QCOMPARE(row[header.indexOf("state")],
                 cellStateName(record.result.judgement.states[std::size_t(cell)]));
        QCOMPARE(row[header.indexOf("product")], record.product.product);
        QCOMPARE(row[header.indexOf("serial")], record.product.serial);
        QCOMPARE(row[header.indexOf("operator")], record.product.operatorName);
        QCOMPARE(row[header.indexOf("notes")], record.product.notes);
        QCOMPARE(row[header.indexOf("conditions")], record.product.conditions);
    }
    // The 3rd harmonic: 306 mA against 255 mA.
    QCOMPARE(rows[2][header.indexOf("limit_ma")], "255");
    QCOMPARE(rows[2][header.indexOf("percent_of_limit")], "120");
    QCOMPARE(rows[1][header.indexOf("percent_of_limit")], ""); // the 2nd: not judged
    QCOMPARE(rows[1][header.indexOf("rules")], "IEC 1000-3-2 limits, one analyzer snapshot");
}

void TestReport::harmonicNumbers_data()
{
    QTest::addColumn<MeasurementRecord>("record");
    QTest::addColumn<int>("order");
    // NaN: null.
    QTest::addColumn<double>("currentMa");
    QTest::addColumn<double>("limitMa");
    QTest::addColumn<double>("percent");
    const double null = qQNaN();
    QTest::newRow("fail") << classDFail() << 3 << 306.0 << 255.0 << 120.0;
    // 4 mA of 7.40 mA: the percentage not rounded
    QTest::newRow("not tested") << classDFail() << 39 << 4.0 << 7.4 << 4.0 / 7.4 * 100;
    QTest::newRow("not judged by the class") << classDFail() << 2 << null << null << null;
    QTest::newRow("no class ran") << incomplete() << 3 << 20.0 << null << null;
}

void TestReport::harmonicNumbers()
{
    QFETCH(MeasurementRecord, record);
    QFETCH(int, order);
    QFETCH(double, currentMa);
    QFETCH(double, limitMa);
    QFETCH(double, percent);
    const QJsonObject harmonic =
        resultJson(record.result)["harmonics"].toArray()[order - 2].toObject();
    QCOMPARE(harmonic["order"].toInt(), order);
    const std::array<std::pair<const char*, double>, 3> expected{
        {{"current_ma_value", currentMa}, {"limit_ma", limitMa}, {"percent_of_limit", percent}}};
    for (const auto& [key, value] : expected) {
        QVERIFY2(harmonic.contains(key), key);
        if (qIsNaN(value))
            QVERIFY2(harmonic[key].isNull(), key);
        else
            QCOMPARE(harmonic[key].toDouble(-1), value);
    }
}

void TestReport::measurementRecordId_data()
{
    QTest::addColumn<qint64>("id");
    QTest::newRow("stored") << qint64(17);
    QTest::newRow("store failed") << qint64(0);
}

// What measure prints carries the record's id once stored, and the product
// fields.
void TestReport::measurementRecordId()
{
    QFETCH(qint64, id);
    MeasurementRecord record = classDFail();
    record.id = id;
    record.product.notes.clear();

    const QJsonObject json = measurementJson(record);
    QCOMPARE(json.contains("record_id"), id > 0);
    QCOMPARE(json["record_id"].toInteger(), id);
    QCOMPARE(json["serial"].toString(), record.product.serial);

    const QStringList text = measurementText(record).split('\n');
    QCOMPARE(text.contains("Record:        17"), id > 0);
    QVERIFY(text.contains("Operator:      José Müller"));

    const QList<QStringList> rows = parseCsv(recordCsv(record));
    const int column = int(rows[0].indexOf("record_id"));
    QVERIFY(column > rows[0].indexOf("state"));
    QCOMPARE(rows[1][column], id > 0 ? QString::number(id) : QString());
    QCOMPARE(rows[1][rows[0].indexOf("product")], record.product.product);
}

void TestReport::textEndsWithVerdict()
{
    const QStringList lines = resultText(incomplete().result).trimmed().split('\n');
    QCOMPARE(lines.last(), "Verdict: Incomplete result");
    QVERIFY(lines.contains("Problem: The result line had 12 of 47 fields."));
}

void TestReport::textNamesTheClass_data()
{
    QTest::addColumn<ProductClass>("productClass");
    QTest::addColumn<QString>("power");
    QTest::addColumn<QString>("shown");
    QTest::newRow("Class D") << ProductClass::D << "75"
                             << "Class:         D (75 W)";
    QTest::newRow("Class D, no power") << ProductClass::D << ""
                                       << "Class:         D (- W)";
    QTest::newRow("Class B") << ProductClass::B << ""
                             << "Class:         B";
    QTest::newRow("no class") << ProductClass::None << ""
                              << "Class:         -";
}

void TestReport::textNamesTheClass()
{
    QFETCH(ProductClass, productClass);
    QFETCH(QString, power);
    QFETCH(QString, shown);
    CycleResult result = classDFail().result;
    result.judgement.productClass = productClass;
    result.judgement.power = power;
    QVERIFY2(resultText(result).split('\n').contains(shown), qPrintable(resultText(result)));
}

void TestReport::pdfText()
{
    const MeasurementRecord record = classDFail();
    const QString path = m_dir.filePath("record.Pdf");
    const Outcome written = writeReport(record, path);
    QVERIFY2(written.succeeded(), qPrintable(written.reason()));
    const QString text = QString::fromUtf8(run("pdftotext", {"-layout", path, "-"}));

    QVERIFY2(text.contains("Verdict: Fail"), qPrintable(text));
    QVERIFY(text.contains(QRegularExpression("Class\\s+D, typed power 75 W")));
    for (const QString& field :
         {record.product.product, record.product.serial, record.product.operatorName,
          QString("first sample"), record.product.lab, record.product.instrument,
          record.product.conditions})
        QVERIFY2(text.contains(field), qPrintable(field));
    QVERIFY(text.contains(
        QRegularExpression("Tested by\\s+José Müller\\s+Checked by\\s+signature\\s+date")));
    QVERIFY(text.contains("complete reply") && !text.contains("reply fields"));
    QVERIFY(text.contains("the analyzer measured 75.2 W.") && !text.contains("typed power (more"));
    // The rules on every page; how close it came beside the verdict.
    QCOMPARE(text.count("Rules: IEC 1000-3-2 limits, one analyzer snapshot"), 2);
    QCOMPARE(text.count("Edition: IEC 1000-3-2 (1995)"), 2);
    QVERIFY(text.contains(closestLine(closestOrder(record.result.judgement))));

    // The chart's scale ends just above the highest bar (120 %); bars over
    // 80 % carry their figure, lower ones none.
    const QString page1 = QString::fromUtf8(run("pdftotext", {"-l", "1", "-layout", path, "-"}));
    QVERIFY2(page1.contains(QRegularExpression("(^|\\n) *140 %")), qPrintable(page1));
    QVERIFY(!page1.contains("200 %"));
    QVERIFY(page1.contains("120.0 %") && !page1.contains("50.0 %"));

    // Page 2 can be matched on its own.
    const QString page2 = QString::fromUtf8(run("pdftotext", {"-f", "2", "-layout", path, "-"}));
    for (const QString& field :
         {QString("Record 17"), record.product.product, record.product.serial,
          QString("2026-12-07 16:10:38"), QString("Class D"), QString("Verdict: Fail")})
        QVERIFY2(page2.contains(field), qPrintable(field));
    const CycleResult& r = record.result;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const auto i = std::size_t(cell);
        const auto cellText = [](const QString& t) { return t.isEmpty() ? QString("-") : t; };
        // A failed harmonic's state in capitals.
        const QString state = r.judgement.states[i] == CellState::Fail        ? "FAIL"
                              : r.judgement.states[i] == CellState::NotTested ? "not tested"
                              : r.judgement.states[i] == CellState::Pass      ? "pass"
                                                                              : "not judged";
        const QRegularExpression row(
            QStringLiteral("(^|\\n)\\s*%1\\s+%2\\s+%3\\s.*\\s%4\\s*(\\n|$)")
                .arg(cell + 2)
                .arg(QRegularExpression::escape(cellText(r.judgement.currents[i])),
                     QRegularExpression::escape(cellText(r.judgement.limits[i])), state));
        QVERIFY2(text.contains(row), qPrintable(row.pattern()));
    }
}

void TestReport::pdfSummary_data()
{
    QTest::addColumn<MeasurementRecord>("record");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("notShown");

    MeasurementRecord above = classDFail();
    above.result.reply.watts = "90";
    QTest::newRow("class D, measured 20 % more")
        << above
        << QStringList{"The measured power is 20 % above the typed power (more than 10 % apart)"}
        << QStringList{};

    QTest::newRow("class D, the lab's basis fails")
        << labBasisFails()
        << QStringList{"Verdict: Pass", "Measured 75.2 W is outside 90-110 % of the typed 150 W: "
                                        "at the lab's basis the product fails (3rd"}
        << QStringList{};
    QTest::newRow("class D, 2018: from the measured power")
        << classDFailAs({ProductClass::D, QStringLiteral("150"), 0, Edition::Iec2018})
        << QStringList{"Class D limits computed from the measured power of 75.2 W (typed 150 W)",
                       "Edition: IEC 61000-3-2:2018+A1:2020"}
        << QStringList{"at the lab's basis", "from the typed power"};
    QTest::newRow("class D, 2018: not limited")
        << classDFailAs({ProductClass::D, QStringLiteral("75"), 0, Edition::Iec2018})
        << QStringList{"Verdict: Not limited",
                       "Not limited under IEC 61000-3-2:2018+A1:2020: equipment other than "
                       "lighting of 75 W or less (typed power 75 W)"}
        << QStringList{"Class D limits computed"};
    QTest::newRow("class C, 2018: the 3rd not judged")
        << classDFailAs({ProductClass::C, {}, 0, Edition::Iec2018})
        << QStringList{"Note: " + classCThirdNotJudgedNote()} << QStringList{};

    MeasurementRecord huge = classDFail();
    huge.result.judgement.currents[1] = "1E+308"; // over 255 mA: beyond any double
    QTest::newRow("class D, a current beyond any scale")
        << huge << QStringList{"3.92e+307 %", "1000000 %"} << QStringList{};

    MeasurementRecord stopped;
    stopped.result.verdict = Verdict::Stopped;
    stopped.result.judgement.productClass = ProductClass::A;
    QTest::newRow("stopped") << stopped
                             << QStringList{"The test was stopped", "no reply received",
                                            "No verdict (Stopped)", "Record not stored"}
                             << QStringList{};
    // Invalid, yet the class judged its numbers: the 3rd at 98 % of its limit.
    MeasurementRecord invalid = classDFail();
    invalid.result.verdict = Verdict::InvalidResult;
    invalid.result.problem = "Field 12 is not a number (\"nan\").";
    invalid.result.judgement.currents[1] = "250";
    invalid.result.judgement.states[1] = CellState::Pass;
    QTest::newRow("invalid result, judged")
        << invalid
        << QStringList{"is not a number (\"nan\")", "No verdict (Invalid result)",
                       "reply with a value that is not a number"}
        << QStringList{"98.0 %"};
}

void TestReport::pdfSummary()
{
    QFETCH(MeasurementRecord, record);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, notShown);
    const QString path = m_dir.filePath("summary.pdf");
    QVERIFY(writeReport(record, path).succeeded());
    const QString page1 = QString::fromUtf8(run("pdftotext", {"-l", "1", path, "-"})).simplified();
    for (const QString& text : shown)
        QVERIFY2(page1.contains(text), qPrintable(text + " in: " + page1));
    for (const QString& text : notShown)
        QVERIFY2(!page1.contains(text), qPrintable(text + " in: " + page1));
}

void TestReport::pdfPageImage()
{
    const QString path = m_dir.filePath("image.pdf");
    QVERIFY(writeReport(classDFail(), path).succeeded());
    const QString prefix = m_dir.filePath("page");
    run("pdftoppm", {"-r", "30", "-png", "-f", "1", "-l", "1", "-singlefile", path, prefix});
    QImage image(prefix + ".png");
    QVERIFY(!image.isNull());
    int dark = 0;
    int coloured = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            dark += c.value() < 80;
            coloured += c.hsvSaturation() > 150 && c.value() > 120;
        }
    QVERIFY2(dark > 200, qPrintable(QString::number(dark)));
    QVERIFY2(coloured > 200, qPrintable(QString::number(coloured)));

    // The table's failing and not-tested rows are light tints, not solid red
    // or blue.
    run("pdftoppm", {"-r", "30", "-png", "-f", "2", "-l", "2", "-singlefile", path, prefix});
    QVERIFY(image.load(prefix + ".png"));
    int solid = 0;
    int tints = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            solid += c == qRgb(255, 0, 0) || c == qRgb(0, 0, 255);
            tints += c == qRgb(255, 222, 222) || c == qRgb(222, 230, 255);
        }
    QVERIFY2(solid < 50 && tints > 300, qPrintable(QStringLiteral("%1 %2").arg(solid).arg(tints)));
}

void TestReport::refusedPaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reasonPart");
    QTest::newRow("unknown extension") << "report.txt"
                                       << ".pdf, .csv or .json";
    QTest::newRow("no extension") << "report"
                                  << ".pdf, .csv or .json";
    QTest::newRow("missing folder, pdf") << "missing/report.pdf"
                                         << "missing/report.pdf";
    QTest::newRow("missing folder, json") << "missing/report.json"
                                          << "missing/report.json";
}

void TestReport::refusedPaths()
{
    QFETCH(QString, path);
    QFETCH(QString, reasonPart);
    const Outcome written = writeReport(classDFail(), m_dir.filePath(path));
    QVERIFY(!written.succeeded());
    QVERIFY2(written.reason().contains(reasonPart), qPrintable(written.reason()));
    QVERIFY(!QFile::exists(m_dir.filePath(path)));
}

void TestReport::csvFormulasShowAsText()
{
    MeasurementRecord record = classDFail();
    record.product = {"=HYPERLINK(\"http://x\")", "\t=1", "-2+3", "@SUM(A1)"};
    record.result.reply.powerFactor = "-0.68";
    const QList<QStringList> rows = parseCsv(recordCsv(record));
    const auto field = [&rows](const char* column) { return rows[1][rows[0].indexOf(column)]; };
    QCOMPARE(field("product"), "'=HYPERLINK(\"http://x\")");
    QCOMPARE(field("serial"), "'\t=1");
    QCOMPARE(field("operator"), "'-2+3");
    QCOMPARE(field("notes"), "'@SUM(A1)");
    QCOMPARE(field("power_factor"), "-0.68");
}

void TestReport::textEscapesControlCharacters()
{
    const QString text = QString("a\r\n\x1b[31m\x7f") + QChar(0x9b) + QChar(0x202e) + "é\\";
    QCOMPARE(escapedText(text), "a\\r\\n\\x1b[31m\\x7f\\x9b\\u202eé\\\\");
    CycleResult result = incomplete().result;
    result.reply.volts = text;
    QVERIFY(resultText(result).contains("Voltage:       " + escapedText(text) + " V\n"));
    // The tool's own message keeps its line ends; what it quotes is escaped.
    QCOMPARE(escapedMessage("Field 9 \"\x1b[2J\".\n\nCheck the cable."),
             "Field 9 \"\\x1b[2J\".\n\nCheck the cable.");
}

// A right-to-left override would show "Lamp RX 90" on the page.
void TestReport::pdfKeepsTheStoredOrder()
{
    MeasurementRecord record = classDFail();
    record.product.product = QString("Lamp ") + QChar(0x202e) + "09 XR";
    record.product.notes = QString("see ") + QChar(0x202e) + "note 12" + QChar(0x202c) + " here";
    const QString path = m_dir.filePath("bidi.pdf");
    QVERIFY(writeReport(record, path).succeeded());
    const QString text = QString::fromUtf8(run("pdftotext", {"-layout", path, "-"}));
    QVERIFY2(text.contains("Lamp 09 XR") && text.contains("see note 12 here"), qPrintable(text));
}

void TestReport::reportTargets_data()
{
    QTest::addColumn<QString>("kind"); // of the target: "fifo", "full" (a device), "file", ""
    QTest::addColumn<bool>("throughLink");
    QTest::addColumn<QString>("failure"); // empty: written
    QTest::newRow("FIFO") << "fifo" << false << "";
    QTest::newRow("link to a FIFO") << "fifo" << true << "";
    QTest::newRow("full device") << "full" << false << "No space left on device";
    QTest::newRow("link to a file") << "file" << true << "";
    QTest::newRow("link to nothing") << "" << true << "does not exist";
}

// Nothing but a regular file is ever replaced, and a link stays a link.
void TestReport::reportTargets()
{
    QFETCH(QString, kind);
    QFETCH(bool, throughLink);
    QFETCH(QString, failure);
    const QString target = m_dir.filePath(QTest::currentDataTag() + QString(".csv"));
    const QByteArray name = QFile::encodeName(target);
    QFile file(target);
    int fifo = -1;
    if (kind == "fifo")
        QVERIFY(::mkfifo(name, 0600) == 0 && (fifo = ::open(name, O_RDONLY | O_NONBLOCK)) >= 0);
    else if (kind == "full" && ::mknod(name, S_IFCHR | 0600, makedev(1, 7)) != 0)
        QVERIFY(QFile::link("/dev/full", target)); // not root: one nobody can replace
    else if (kind == "file")
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("old") == 3 && file.flush());
    const QString path = throughLink ? target + ".link.csv" : target;
    QVERIFY(!throughLink || QFile::link(target, path));

    const Outcome written = writeReport(classDFail(), path);
    QVERIFY2(written.succeeded() == failure.isEmpty() && written.reason().contains(failure),
             qPrintable(written.reason()));
    QVERIFY(!throughLink || QFileInfo(path).isSymLink());
    QCOMPARE(QFileInfo(target).isFile(), kind == "file");
    QCOMPARE(QFileInfo(target).exists(), !kind.isEmpty());
    const QByteArray csv = recordCsv(classDFail()).toUtf8();
    if (kind == "fifo") {
        QByteArray got(csv.size() + 1, '\0');
        got.truncate(::read(fifo, got.data(), std::size_t(got.size())));
        ::close(fifo);
        QCOMPARE(got, csv);
    } else if (kind == "file") {
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), csv);
    }
}

void TestReport::observationPdf()
{
    const ObservationRecord record = classAObservation();
    QCOMPARE(record.result.verdict, ObservationVerdict::Fail);
    const QString path = m_dir.filePath("observation.PDF");
    const Outcome written = writeObservationReport(record, path);
    QVERIFY2(written.succeeded(), qPrintable(written.reason()));

    const QString sampling = "17 samples judged, 1 not judged; sampled every 8.3 s from analyzer "
                             "snapshots, not the standard's 1.5 s smoothing";
    QStringList pages;
    for (int page = 1; page <= 3; ++page)
        pages << QString::fromUtf8(run("pdftotext", {"-f", QString::number(page), "-l",
                                                     QString::number(page), "-layout", path, "-"}));
    for (int page = 1; page <= 3; ++page) {
        const QString simple = pages[page - 1].simplified();
        for (const QString& field :
             {QString("Record 42 Product: Drive PX-9"), QString("Verdict: Fail"),
              QString("Serial: SN-77"), QString("Started 2026-12-07 09:30:00 UTC+00:00 Class A"),
              QString("Page %1 of 3").arg(page), sampling,
              QString("Rules: ") + QLatin1String(kObservationRules),
              QString("Edition: IEC 1000-3-2 (1995)")})
            QVERIFY2(simple.contains(field),
                     qPrintable(QString("page %1: %2 in %3").arg(page).arg(field, simple)));
    }
    const QString page1 = pages[0].simplified();
    for (const QString& field :
         {QString("Rules observation rules, average 100 %, samples 150 % (Class A 200 % "
                  "under 10 % and 10 min), POHC"),
          QString("Closest to its limit: 3rd harmonic, 107.3 %"),
          QString("Duration 150 s asked, 157.6 s elapsed"),
          QString("POHC odd orders 21 to 39: 30.1 mA measured, limit 251.3 mA; allowance "
                  "applied"),
          QString("Lab EMC lab 2"), QString("Tested by Ana Lima")})
        QVERIFY2(page1.contains(field), qPrintable(field + " in " + page1));

    // The failed order stands out; the 39th, below 5 mA throughout, was not
    // tested; the 5th's single excursion to 140 % passes.
    const QString& page2 = pages[1];
    for (const QString& row : {QString("3 2300.00 2467.6 107.3 % 2850.0 123.9 % FAIL"),
                               QString("5 1140.00 282.4 24.8 % 1600.0 140.4 % pass"),
                               QString("39 57.69 3.0 5.2 % 3.0 5.2 % not tested")}) {
        QStringList words = row.split(' ');
        for (QString& word : words)
            word = QRegularExpression::escape(word);
        const QRegularExpression pattern("(^|\\n) *" + words.join("\\s+") + " *\\n");
        QVERIFY2(page2.contains(pattern), qPrintable(row + " in " + page2));
    }

    // The time series draws the three orders of the highest averages.
    QVERIFY2(pages[2].simplified().contains("order 3 (average 107.3 %) order 7 (average 90.9 %) "
                                            "order 5 (average 24.8 %)"),
             qPrintable(pages[2]));

    QVERIFY(!writeObservationReport(record, m_dir.filePath("observation.txt")).succeeded());
}

// The observation under another class, judged again.
ObservationRecord judgedAs(ProductClass productClass, const QString& power)
{
    ObservationRecord record = classAObservation();
    ObservationResult& r = record.result;
    r.choice = {productClass, power};
    r.judgement = judgeSamples(r.samples, r.choice, ObservationEnd::Completed, r.sampleIntervalS);
    r.verdict = r.judgement.verdict;
    return record;
}

void TestReport::observationSummary_data()
{
    QTest::addColumn<ObservationRecord>("record");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("notShown");

    const QString flag = "! The highest measured power is not within 10 % of the typed power: "
                         "the limits come from the measured power, as the lab takes it.";
    QTest::newRow("class D, 1970 W measured of 500 W typed")
        << judgedAs(ProductClass::D, "500")
        << QStringList{"Class D, typed power 500 W",
                       "Power limits from the highest measured power 1970 W (not within 10 % "
                       "of the typed 500 W)",
                       flag,
                       "The highest measured power 1970 W is not within 10 % of the typed power "
                       "500 W, and it is outside Class D's 50 to 600 W: Class D cannot be "
                       "judged."}
        << QStringList{};
    QTest::newRow("class C: the median sample's fundamental")
        << judgedAs(ProductClass::C, QString())
        << QStringList{"Limits from the fundamental current of the samples, median 9.5 A "
                       "(sample 10), power factor 0.9",
                       "POHC not part of the rules of Class C"}
        << QStringList{flag};

    ObservationRecord stopped = classAObservation();
    stopped.result.samples.clear();
    stopped.result.judgement =
        judgeSamples(stopped.result.samples, stopped.result.choice, ObservationEnd::Stopped,
                     stopped.result.sampleIntervalS);
    stopped.result.verdict = stopped.result.judgement.verdict;
    QTest::newRow("stopped before a sample")
        << stopped
        << QStringList{"Verdict: Stopped", "Samples no sample taken",
                       "No sample was judged against a limit."}
        << QStringList{"sampled every"};
}

void TestReport::observationSummary()
{
    QFETCH(ObservationRecord, record);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, notShown);
    const QString path = m_dir.filePath("observation-summary.pdf");
    QVERIFY(writeObservationReport(record, path).succeeded());
    const QString page1 = QString::fromUtf8(run("pdftotext", {"-l", "1", path, "-"})).simplified();
    for (const QString& text : shown)
        QVERIFY2(page1.contains(text), qPrintable(text + " in: " + page1));
    for (const QString& text : notShown)
        QVERIFY2(!page1.contains(text), qPrintable(text + " in: " + page1));
}

namespace {
// A Class D record at 250 W whose product holds a line end, an escape
// sequence and a "%6".
RecordSummary storedSummary()
{
    RecordSummary summary;
    summary.id = 7;
    summary.measuredAt = QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC);
    summary.productClass = ProductClass::D;
    summary.power = QStringLiteral("250");
    summary.verdict = Verdict::Fail;
    summary.product = QStringLiteral("Kettle K2\n\x1b[31m%6");
    summary.serial = QStringLiteral("SN 7");
    summary.port = QStringLiteral("Com 2");
    return summary;
}
} // namespace

void TestReport::observationVerdictColour_data()
{
    QTest::addColumn<ObservationRecord>("record");
    QTest::addColumn<QRgb>("colour");
    QTest::newRow("pass, green") << judgedAs(ProductClass::B, QString()) << qRgb(0, 255, 0);
    QTest::newRow("fail, red") << classAObservation() << qRgb(255, 0, 0);
    ObservationRecord incomplete = classAObservation();
    incomplete.result.verdict = ObservationVerdict::IncompleteObservation;
    QTest::newRow("incomplete, red") << incomplete << qRgb(255, 0, 0);
}

void TestReport::observationVerdictColour()
{
    QFETCH(ObservationRecord, record);
    QFETCH(QRgb, colour);
    const QString path = m_dir.filePath("observation-colour.pdf");
    QVERIFY(writeObservationReport(record, path).succeeded());
    const QString prefix = m_dir.filePath("observation-page");
    run("pdftoppm", {"-r", "30", "-png", "-f", "1", "-l", "1", "-singlefile", path, prefix});
    const QImage image(prefix + ".png");
    QVERIFY(!image.isNull());
    // The verdict box: a band of its colour across the page.
    int rows = 0;
    for (int y = 0; y < image.height(); ++y) {
        int inColour = 0;
        for (int x = 0; x < image.width(); ++x)
            inColour += image.pixel(x, y) == colour;
        rows += inColour > image.width() / 2;
    }
    QVERIFY2(rows >= 8, qPrintable(QString::number(rows)));
}

// A day at 8 s: more samples than the time series can draw one by one.
void TestReport::observationOfADay()
{
    ObservationRecord record = classAObservation();
    ObservationResult& r = record.result;
    QList<ObservedSample> day;
    for (int k = 0; k < 10800; ++k) {
        day.append(r.samples[k % r.samples.size()]);
        day.last().startS = k * 8.0;
    }
    r.samples = day;
    r.durationS = 86400;
    r.elapsedS = 86400;
    r.judgement = judgeSamples(r.samples, r.choice, ObservationEnd::Completed, r.sampleIntervalS);
    const QString path = m_dir.filePath("day.pdf");
    QVERIFY(writeObservationReport(record, path).succeeded());
    const QString page3 =
        QString::fromUtf8(run("pdftotext", {"-f", "3", "-l", "3", path, "-"})).simplified();
    QVERIFY2(page3.contains("time from the start, h") &&
                 page3.contains("order 3 (average 107.3 %)") &&
                 page3.contains(QRegularExpression("Each line: the mean of the samples in a slot "
                                                   "of \\d+ s; its band: their lowest to highest")),
             qPrintable(page3));
}

// A report named .csv or .json is the observation's CSV or JSON.
void TestReport::observationReportFiles()
{
    const ObservationRecord record = classAObservation();
    QFile csv(m_dir.filePath("observation.Csv"));
    QVERIFY(writeObservationReport(record, csv.fileName()).succeeded());
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(csv.readAll(), observationCsv(record).toUtf8());
    QFile json(m_dir.filePath("observation.json"));
    QVERIFY(writeObservationReport(record, json.fileName()).succeeded());
    QVERIFY(json.open(QIODevice::ReadOnly));
    QCOMPARE(QJsonDocument::fromJson(json.readAll()).object(), observationJson(record));
}

void TestReport::historyNamesTheGuardBand()
{
    RecordSummary summary = storedSummary();
    summary.guardBandPct = 10;
    QCOMPARE(historyJson({summary}).first()["verdict"].toString(),
             QStringLiteral("Fail (10 % guard band)"));
    QVERIFY(historyText({summary}).contains(QStringLiteral("Fail (10 % guard band)")));
}

void TestReport::historyTextEscapesStoredTexts()
{
    const QStringList lines = historyText({storedSummary()}).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3); // the heading, the record, the final line end
    QVERIFY(lines[0].startsWith(QStringLiteral("    id  measured at")));
    QVERIFY2(lines[1].contains(QStringLiteral("D 250W")) &&
                 lines[1].contains(QStringLiteral("Kettle K2\\n\\x1b[31m%6  ")) &&
                 lines[1].endsWith(QStringLiteral("SN 7            1995     Com 2")),
             qPrintable(lines[1]));
    QVERIFY(historyText({}).endsWith(QStringLiteral("\nNo measurements recorded.\n")));
}

void TestReport::historyCsvHasTheJsonKeysAsColumns()
{
    const RecordSummary summary = storedSummary();
    const QJsonObject json = historyJson({summary}).first().toObject();
    const QStringList csv = historyCsv({summary}).split(QStringLiteral("\r\n"));
    QCOMPARE(csv.size(), 3);
    QStringList keys;
    for (const QString& column : csv[0].split(QLatin1Char(',')))
        keys << column;
    QCOMPARE(keys.size(), json.size());
    for (const QString& key : keys)
        QVERIFY2(json.contains(key), qPrintable(key));
    QCOMPARE(json.value(QStringLiteral("power")).toString(), QStringLiteral("250"));
    QVERIFY(csv[1].startsWith(QStringLiteral("7,2026-03-01T09:30:00")));
}

// A record made on the simulated analyzer says so in every history format.
void TestReport::historyMarksSimulatedRecords()
{
    RecordSummary simulated = storedSummary();
    simulated.simulated = true;
    QCOMPARE(historyJson({simulated}).first().toObject()["simulated"], QJsonValue(true));
    const QList<QStringList> csv = parseCsv(historyCsv({simulated}));
    QCOMPARE(csv[1][csv[0].indexOf("simulated")], "yes");
    const QString line = historyText({simulated}).split(QLatin1Char('\n'))[1];
    QVERIFY2(line.endsWith("Com 2 (simulated)"), qPrintable(line));
}

// 31.451 % reads 31.5 % in the text and in the PDF; the JSON keeps the
// whole number.
void TestReport::percentRoundedOnceInEveryFormat()
{
    MeasurementRecord record = classDFail();
    CycleResult& r = record.result;
    const std::size_t fifth = 3;
    r.reply.harmonics[fifth] = r.judgement.currents[fifth] = QStringLiteral("31.451");
    r.judgement.limits[fifth] = QStringLiteral("100.00mA");
    const QJsonObject harmonic = resultJson(r)["harmonics"][int(fifth)].toObject();
    QCOMPARE(harmonic["percent_of_limit"].toDouble(), 31.451);
    QVERIFY(resultText(r).contains(QRegularExpression("\n +5 +31.451 +100.00mA +31.5 +pass\n")));
    const QString path = m_dir.filePath("rounding.pdf");
    QVERIFY(writeReport(record, path).succeeded());
    const QString page2 = QString::fromUtf8(run("pdftotext", {"-f", "2", "-layout", path, "-"}));
    QVERIFY2(page2.contains(QRegularExpression("\n *5 +31.451 +100.00mA +31.5 % +pass")),
             qPrintable(page2));
}

// What the pages of a record made on the simulated analyzer name in full: the
// port with its device, the analyzer, and the rules sentence of the table page.
void TestReport::pdfCutsNoText()
{
    ObservationRecord record = classAObservation();
    record.port = QStringLiteral("Com 1");
    record.device = simulatedDevice(QStringLiteral("/dev/pts/3"));
    record.product.instrument = QStringLiteral("Zento PA SN 1234");
    const QString path = m_dir.filePath("simulated.pdf");
    QVERIFY(writeObservationReport(record, path).succeeded());
    const QString page1 =
        QString::fromUtf8(run("pdftotext", {"-l", "1", "-layout", path, "-"})).simplified();
    for (const QString& text : {QString("Com 1 (simulated analyzer at /dev/pts/3)"),
                                QString("Zento PA SN 1234 (simulated analyzer)")})
        QVERIFY2(page1.contains(text), qPrintable(text + " in " + page1));
    const QString page2 =
        QString::fromUtf8(run("pdftotext", {"-f", "2", "-l", "2", path, "-"})).simplified();
    QVERIFY2(page2.contains("or a tested sample is above 150 % of it; Class A samples up to "
                            "200 % pass under 10 % of the time and 10 min at an average under "
                            "90 %; an average below 5 mA or 0.6 % of the rms current is not "
                            "judged, its tested samples are POHC"),
             qPrintable(page2));
}

// Three passing samples and a failing one under `choice`, judged.
ObservationRecord observationOf(const ClassChoice& choice, const QString& problem)
{
    ObservationRecord record;
    record.id = 5;
    record.product.product = QStringLiteral("Hand mixer");
    ObservationResult& r = record.result;
    r.choice = choice;
    r.durationS = 30;
    r.elapsedS = 33.04;
    r.sampleIntervalS = 8.26;
    r.problem = problem;
    record.startedAt = QDateTime(QDate(2026, 12, 7), QTime(16, 10, 38), Qt::OffsetFromUTC, 3600);
    for (int n = 0; n < 4; ++n) {
        CycleResult cycle;
        cycle.reply.line = QString::fromLatin1(n == 2 ? failingReply() : kPassingReply);
        r.samples.append(observedSample(
            8.26 * n, judgeAgain(cycle, ClassChoice{choice.productClass, choice.power})));
    }
    r.judgement = judgeSamples(r.samples, choice, ObservationEnd::Completed, r.sampleIntervalS);
    r.samplesNotJudged = r.judgement.samplesNotJudged;
    r.verdict = r.judgement.verdict;
    return record;
}

void TestReport::observationFormats_data()
{
    QTest::addColumn<ObservationRecord>("record");
    QTest::addColumn<QStringList>("extraKeys");
    QTest::addColumn<bool>("pohc");
    QTest::newRow("class A") << observationOf({ProductClass::A, {}}, {}) << QStringList() << true;
    QTest::newRow("class B, a problem")
        << observationOf({ProductClass::B, {}}, QStringLiteral("The serial line failed."))
        << QStringList{"problem"} << false;
    QTest::newRow("class D") << observationOf({ProductClass::D, QStringLiteral("150")}, {})
                             << QStringList{"highest_power_w", "power_differs", "power_basis",
                                            "basis_w"}
                             << true;
}

// The keys and types of the JSON, the CSV's shape and the text's last line.
void TestReport::observationFormats()
{
    QFETCH(ObservationRecord, record);
    QFETCH(QStringList, extraKeys);
    QFETCH(bool, pohc);
    const QJsonObject json = observationJson(record);
    QStringList keys{"verdict",
                     "class",
                     "power",
                     "duration_s",
                     "elapsed_s",
                     "samples",
                     "samples_not_judged",
                     "not_judged_samples",
                     "sample_interval_s",
                     "sampling",
                     "rules",
                     "harmonics",
                     "pohc",
                     "closest",
                     "measured_at",
                     "electrical",
                     "record_id",
                     "port",
                     "device",
                     "tool_version",
                     "simulated",
                     "source",
                     "product",
                     "serial",
                     "operator",
                     "notes",
                     "lab",
                     "instrument",
                     "conditions",
                     "guard_band_pct",
                     "edition",
                     "professional",
                     "judgement_notes"};
    keys << extraKeys;
    keys.sort();
    QCOMPARE(json.keys(), keys);
    QCOMPARE(json["verdict"].toString(), observationVerdictText(record.result.verdict));
    QCOMPARE(json["source"].toString(), "zento");
    QCOMPARE(json["samples"].toInt(), 4);
    QCOMPARE(json["elapsed_s"].toDouble(), 33.0);
    QCOMPARE(json["measured_at"].toString(), QStringLiteral("2026-12-07T16:10:38+01:00"));
    QCOMPARE(json["rules"].toString(), QLatin1String(kObservationRules));
    const QJsonArray harmonics = json["harmonics"].toArray();
    QCOMPARE(harmonics.size(), kHarmonicCells);
    const QJsonObject third = harmonics.at(1).toObject();
    QCOMPARE(third.keys(),
             QStringList({"average_ma", "average_pct", "guarded_limit_ma", "limit_ma", "maximum_ma",
                          "maximum_pct", "order", "provision_used", "state"}));
    QCOMPARE(third["order"].toInt(), 3);
    QVERIFY(third["limit_ma"].isDouble() && third["average_ma"].isDouble() &&
            third["maximum_pct"].isDouble());
    QCOMPARE(third["maximum_ma"].toDouble(), 3500.0);
    QCOMPARE(third["state"].toString(), cellStateName(record.result.judgement.orders[1].state));
    QCOMPARE(json["pohc"].isObject(), pohc);
    if (pohc)
        QVERIFY(json["pohc"]["allowance_applied"].isBool() &&
                json["pohc"]["measured_ma"].isDouble() && json["pohc"]["limit_ma"].isDouble());

    // The electrical values over the judged samples, each at 75 W and 230.1 V.
    const QJsonObject watts = json["electrical"]["watts"].toObject();
    QCOMPARE(QList<double>({watts["average"].toDouble(), watts["minimum"].toDouble(),
                            watts["maximum"].toDouble()}),
             QList<double>({75.0, 75.0, 75.0}));
    QCOMPARE(json["electrical"]["volts"]["average"].toDouble(), 230.1);

    const QStringList csv = observationCsv(record).split(QStringLiteral("\r\n"));
    QCOMPARE(csv.size(), kHarmonicCells + 2); // the header, the orders, the last line end
    // Every value of the JSON that is not a list or an object is a column.
    const QList<QStringList> rows = parseCsv(observationCsv(record));
    for (const QString& key : json.keys())
        if (!json[key].isObject() && !json[key].isArray() && !json[key].isNull())
            QVERIFY2(rows[0].contains(key), qPrintable(key));
    QVERIFY(csv[0].startsWith(QStringLiteral("verdict,class,power,measured_at,duration_s")));
    QVERIFY2(csv[2].contains(QStringLiteral(",3,")) && csv[2].contains(QStringLiteral("3500.000")),
             qPrintable(csv[2]));

    const QString text = observationText(record);
    QVERIFY(text.contains(samplingSentence(8.26)));
    QVERIFY(text.contains(closestLine(closestOrder(record.result.judgement))));
    QVERIFY(text.endsWith(
        QStringLiteral("\nVerdict: %1\n").arg(observationVerdictText(record.result.verdict))));
    QVERIFY(!text.contains(QStringLiteral("Judged again")));

    // Stored under the earlier rules: judged by the current ones, and said so.
    ObservationRecord earlier = record;
    earlier.rules = QLatin1String(kEarlierObservationRules);
    QCOMPARE(observationJson(earlier)["stored_rules"].toString(),
             QLatin1String(kEarlierObservationRules));
    QVERIFY(observationText(earlier).contains(
        QStringLiteral("Judged again:  stored under \"%1\"").arg(kEarlierObservationRules)));
}

void TestReport::recordHeaderInEveryFormat_data()
{
    QTest::addColumn<bool>("observation");
    QTest::newRow("measurement") << false;
    QTest::newRow("observation") << true;
}

// Both kinds of record say the same of themselves: id and store, port,
// device, tool and every product field, in JSON, CSV and text.
void TestReport::recordHeaderInEveryFormat()
{
    QFETCH(bool, observation);
    const MeasurementRecord measurement = classDFail();
    ObservationRecord timed = observationOf({ProductClass::A, {}}, {});
    timed.id = measurement.id;
    timed.port = measurement.port;
    timed.toolVersion = measurement.toolVersion;
    timed.product = measurement.product;
    const QString store = QStringLiteral("/srv/lab/records.sqlite");
    const QString device = simulatedDevice(QStringLiteral("/dev/pts/3"));
    QJsonObject json;
    QList<QStringList> csv;
    QString text;
    if (observation) {
        timed.store = store;
        timed.device = device;
        json = observationJson(timed);
        csv = parseCsv(observationCsv(timed));
        text = observationText(timed);
    } else {
        MeasurementRecord record = measurement;
        record.store = store;
        record.device = device;
        json = recordJson(record);
        csv = parseCsv(recordCsv(record));
        text = measurementText(record);
    }
    const QStringList expected{"17",
                               store,
                               "Com 1",
                               device,
                               "1.0",
                               measurement.product.product,
                               measurement.product.serial,
                               measurement.product.operatorName,
                               measurement.product.notes,
                               measurement.product.lab,
                               measurement.product.instrument,
                               measurement.product.conditions};
    const QStringList keys{"record_id",    "store",   "port",       "device",
                           "tool_version", "product", "serial",     "operator",
                           "notes",        "lab",     "instrument", "conditions"};
    for (qsizetype n = 0; n < keys.size(); ++n) {
        const QJsonValue value = json[keys[n]];
        QCOMPARE(value.isDouble() ? QString::number(value.toInteger()) : value.toString(),
                 expected[n]);
        QVERIFY2(csv[0].contains(keys[n]), qPrintable(keys[n]));
        QCOMPARE(csv[1][csv[0].indexOf(keys[n])], expected[n]);
    }
    QVERIFY(!csv[0].contains("id"));
    QCOMPARE(json["simulated"].toBool(), true);
    QCOMPARE(csv[1][csv[0].indexOf("simulated")], "yes");
    const QStringList lines = text.split('\n');
    QVERIFY2(lines.contains("Record:        17 (store: /srv/lab/records.sqlite)") &&
                 lines.contains("Device:        simulated analyzer at /dev/pts/3") &&
                 lines.contains("Analyzer:      Zento PA-1, SN 4711"),
             qPrintable(text));
}

// A measurement without a reply: every value is null in JSON and "-" in
// text, which lists no harmonic table of dashes.
void TestReport::noValueIsOneStateInEachFormat()
{
    CycleResult result;
    result.verdict = Verdict::NoResultReceived;
    result.judgement.states.fill(CellState::NotJudged);
    const QJsonObject json = resultJson(result);
    for (const char* key : {"volts", "amps", "watts", "power_factor", "frequency"})
        QVERIFY2(json[key].isNull(), key);
    const QJsonObject third = json["harmonics"].toArray().at(1).toObject();
    for (const char* key : {"current_ma", "current_ma_value", "limit", "limit_ma"})
        QVERIFY2(third[key].isNull(), key);
    const QString text = resultText(result);
    QVERIFY2(!text.contains("Order") && text.contains("\nHarmonics:     -\n") &&
                 text.contains("\nVoltage:       -\n"),
             qPrintable(text));
    // A reply cut after its 4th harmonic still lists the table.
    QVERIFY(resultText(incomplete().result).contains("Order  Current (mA)"));
}

// "head -c" of a reply: its last field is cut ("0.0" of "0.0123"), the orders
// after it never arrived. Neither is a value, a percentage or "not tested".
void TestReport::cutReplyShowsNoValueForWhatDidNotArrive()
{
    CycleResult stored;
    stored.reply.line = QStringLiteral("75,230,0.5,0.7,50,0,0,0.3,0.0123,0.0123,0.0");
    const CycleResult result = judgeAgain(stored, ClassChoice{ProductClass::A, {}});
    QCOMPARE(result.verdict, Verdict::IncompleteResult);

    const QString text = resultText(result);
    const auto row = [&text](int order) {
        const QRegularExpression line(QStringLiteral("\n +%1  .*\n").arg(order));
        return line.match(text).captured().simplified();
    };
    QCOMPARE(row(3), QStringLiteral("3 12.3 2300mA 0.5 pass"));
    QCOMPARE(row(4), QStringLiteral("4 - 430mA - -"));
    QCOMPARE(row(40), QStringLiteral("40 - 46mA - -"));

    const QJsonArray harmonics = resultJson(result)["harmonics"].toArray();
    QCOMPARE(harmonics.at(1).toObject()["state"].toString(), QStringLiteral("pass"));
    for (int cell : {2, 38}) {
        const QJsonObject h = harmonics.at(cell).toObject();
        for (const char* key : {"current_ma", "current_ma_value", "percent_of_limit", "state"})
            QVERIFY2(h[key].isNull(), key);
    }
    const QList<QStringList> csv = parseCsv(resultCsv(result));
    const qsizetype state = csv[0].indexOf(QStringLiteral("state"));
    QCOMPARE(csv[2][state], QStringLiteral("pass"));
    QCOMPARE(csv[3][state], QString());

    // Cut inside the rms current: no current shown, none taken for a value.
    stored.reply.line = QStringLiteral("75,230,0.");
    const QJsonObject cutValue = resultJson(judgeAgain(stored, ClassChoice{ProductClass::A, {}}));
    QVERIFY(cutValue["amps"].isNull());
    QCOMPARE(cutValue["volts"].toString(), QStringLiteral("230"));
}

void TestReport::incompleteObservationSaysWhy_data()
{
    QTest::addColumn<int>("notJudged");
    QTest::addColumn<QString>("problem");
    QTest::newRow("3 of 7 not judged")
        << 3 << "3 of 7 samples could not be judged; more than 10 % gives no verdict.";
    QTest::newRow("1 judged") << 4
                              << "1 of 5 samples could be judged; an observation needs at least 2 "
                                 "to have a verdict.";
}

// An "Incomplete observation" names why in every format.
void TestReport::incompleteObservationSaysWhy()
{
    QFETCH(int, notJudged);
    QFETCH(QString, problem);
    ObservationRecord record = observationOf({ProductClass::A, {}}, {});
    ObservationResult& r = record.result;
    if (notJudged == 4)
        r.samples.resize(1);
    for (int n = 0; n < notJudged; ++n) {
        CycleResult cycle;
        cycle.verdict = Verdict::NoResultReceived;
        r.samples.append(observedSample(40.0 + n, cycle));
    }
    r.judgement = judgeSamples(r.samples, r.choice, ObservationEnd::Completed, r.sampleIntervalS);
    r.samplesNotJudged = r.judgement.samplesNotJudged;
    r.verdict = r.judgement.verdict;
    QCOMPARE(r.verdict, ObservationVerdict::IncompleteObservation);
    QCOMPARE(observationJson(record)["problem"].toString(), problem);
    QVERIFY(observationText(record).contains("\nProblem: " + problem + "\n"));
    const QList<QStringList> csv = parseCsv(observationCsv(record));
    QCOMPARE(csv[1][csv[0].indexOf("problem")], problem);
    // The samples not judged are named, the first at 40 s after the start.
    const qsizetype first = r.samples.size() - notJudged + 1;
    QVERIFY(observationText(record).contains(
        QStringLiteral("\nNot judged:    samples %1 (No result received), ").arg(first)));
    QCOMPARE(observationJson(record)["not_judged_samples"].toArray().first().toInt(), first);
}

// The time page of a failing observation: the electrical values beside the
// chart, the store and the simulated analyzer in the header.
void TestReport::observationPageThree()
{
    ObservationRecord record = observationOf({ProductClass::A, {}}, {});
    record.store = QStringLiteral("records.sqlite");
    record.device = simulatedDevice(QStringLiteral("/dev/pts/3"));
    const QString path = m_dir.filePath("page3.pdf");
    QVERIFY(writeObservationReport(record, path).succeeded());
    const QString page1 =
        QString::fromUtf8(run("pdftotext", {"-f", "1", "-l", "1", path, "-"})).simplified();
    QVERIFY2(page1.contains("Record 5 (store: records.sqlite)") &&
                 page1.contains("simulated analyzer"),
             qPrintable(page1));
    const QString page3 =
        QString::fromUtf8(run("pdftotext", {"-layout", "-f", "3", "-l", "3", path, "-"}));
    QVERIFY2(page3.contains("Electrical values over the 4 judged samples") &&
                 page3.contains(QRegularExpression("Power\\s+75.0 W\\s+75.0 W\\s+75.0 W")) &&
                 page3.contains(QRegularExpression("Voltage\\s+230.1 V")),
             qPrintable(page3));
}

// Orders 3 and 5 at 90 % of their limits in every sample: the 5th's line
// (purple, the second worst) shows where it lies on the 3rd's, and the
// page's lower half holds the electrical values.
void TestReport::timeChartTellsCoincidingOrdersApart()
{
    ObservationRecord record = classAObservation();
    for (ObservedSample& sample : record.result.samples)
        if (sample.values) {
            sample.values->currentsMa[1] = 2070; // 90 % of 2300 mA
            sample.values->currentsMa[3] = 1026; // 90 % of 1140 mA
            sample.values->currentsMa[5] = 350;  // the 7th well below
        }
    record.result.judgement =
        judgeSamples(record.result.samples, record.result.choice, ObservationEnd::Completed,
                     record.result.sampleIntervalS);
    const QString path = m_dir.filePath("coinciding.pdf");
    QVERIFY(writeObservationReport(record, path).succeeded());
    const QString prefix = m_dir.filePath("coinciding-page");
    run("pdftoppm", {"-r", "80", "-png", "-f", "3", "-l", "3", "-singlefile", path, prefix});
    const QImage image(prefix + ".png");
    QVERIFY(!image.isNull());
    // Pixels near the 5th's purple (120, 40, 170) in the plot's band, and
    // anything drawn in the page's lower half above the footer.
    const auto count = [&image](double from, double to, const std::function<bool(QRgb)>& is) {
        int n = 0;
        for (int y = int(image.height() * from); y < int(image.height() * to); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += is(image.pixel(x, y));
        return n;
    };
    const int purple = count(0.2, 0.5, [](QRgb p) {
        return std::abs(qRed(p) - 120) < 40 && std::abs(qGreen(p) - 40) < 40 &&
               std::abs(qBlue(p) - 170) < 40;
    });
    QVERIFY2(purple > 50, qPrintable(QString::number(purple)));
    const int inked = count(0.6, 0.9, [](QRgb p) { return qGray(p) < 128; });
    QVERIFY2(inked > 500, qPrintable(QString::number(inked)));
}

// The edition, the Class D power basis and the lab's verdict in the JSON,
// the CSV and the text of a measurement.
void TestReport::editionAndLabBasisInEveryFormat()
{
    const MeasurementRecord record = labBasisFails();
    const QJsonObject json = recordJson(record);
    QCOMPARE(json["edition"].toString(), "1995");
    QCOMPARE(json["professional"].toBool(), false);
    QCOMPARE(json["power_basis"].toString(), "typed");
    QCOMPARE(json["basis_w"].toDouble(), 150.0);
    const QJsonObject lab = json["lab_basis"].toObject();
    QCOMPARE(lab["power_basis"].toString(), "measured");
    QCOMPARE(lab["basis_w"].toDouble(), 75.2);
    QCOMPARE(lab["verdict"].toString(), "Fail");
    QCOMPARE(lab["closest"]["order"].toInt(), 3);
    QVERIFY(!resultJson(classDFailAs({ProductClass::D, QStringLiteral("75")}).result)
                 .contains("lab_basis"));

    const QList<QStringList> rows = parseCsv(recordCsv(record));
    const QStringList& header = rows[0];
    QCOMPARE(rows[1][header.indexOf("edition")], "1995");
    QCOMPARE(rows[1][header.indexOf("power_basis")], "typed");
    QCOMPARE(rows[1][header.indexOf("basis_w")], "150");
    QCOMPARE(rows[1][header.indexOf("lab_verdict")], "Fail");

    const QString text = resultText(record.result);
    for (const QString& line : {QString("\nEdition:       IEC 1000-3-2 (1995)\n"),
                                QString("\nPower basis:   typed 150 W\n"),
                                "\nLab basis: " + labBasisLine(record.result.judgement) + "\n"})
        QVERIFY2(text.contains(line), qPrintable(line + " in " + text));
}

// The rules an edition leaves unjudged, in the JSON and the text, and the
// rules named by the edition.
void TestReport::notesInEveryFormat()
{
    const MeasurementRecord record = classDFailAs({ProductClass::C, {}, 0, Edition::Iec2018});
    const QJsonObject json = recordJson(record);
    QCOMPARE(json["edition"].toString(), "2018");
    QCOMPARE(json["rules"].toString(), "IEC 61000-3-2:2018+A1:2020 limits, one analyzer snapshot");
    QCOMPARE(json["judgement_notes"].toArray(), QJsonArray{classCThirdNotJudgedNote()});
    QVERIFY(resultText(record.result).contains("\nNote: " + classCThirdNotJudgedNote() + "\n"));
}

void TestReport::observationNamesItsEditionAndNotes()
{
    const ObservationRecord record = observationOf({ProductClass::C, {}, 0, Edition::Iec2018}, {});
    const QJsonObject json = observationJson(record);
    QCOMPARE(json["edition"].toString(), "2018");
    QCOMPARE(json["judgement_notes"].toArray(), QJsonArray{classCThirdNotJudgedNote()});
    const QString text = observationText(record);
    QVERIFY2(text.contains("\nEdition:       IEC 61000-3-2:2018+A1:2020\n") &&
                 text.contains("\nNote: " + classCThirdNotJudgedNote() + "\n"),
             qPrintable(text));
    const QList<QStringList> rows = parseCsv(observationCsv(record));
    QCOMPARE(rows[1][rows[0].indexOf("edition")], "2018");
}

QTEST_MAIN(TestReport)
#include "tst_report.moc"
