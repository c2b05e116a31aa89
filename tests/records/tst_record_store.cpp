#include "record_samples.h"
#include "record_store.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Root may write anywhere: while one lives, file access is checked as the
// user nobody (real ids stay root, so it can switch back).
class AsNobody
{
public:
    AsNobody() : m_root(geteuid() == 0)
    {
        if (m_root && (setegid(65534) != 0 || seteuid(65534) != 0))
            qFatal("cannot act as nobody");
    }
    ~AsNobody()
    {
        if (m_root && (seteuid(0) != 0 || setegid(0) != 0))
            qFatal("cannot return to root");
    }

private:
    bool m_root;
};

// A statement through a connection of the test's own, not the store's.
QString querySqlite(const QString& path, const QStringList& statements)
{
    QString last;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "test");
        db.setDatabaseName(path);
        if (!db.open())
            return QStringLiteral("not opened");
        QSqlQuery query(db);
        for (const QString& sql : statements) {
            if (!query.exec(sql))
                return QStringLiteral("failed: ") + sql;
            last = query.next() ? query.value(0).toString() : QString();
        }
    }
    QSqlDatabase::removeDatabase("test");
    return last;
}

MeasurementRecord withId(MeasurementRecord record, qint64 id)
{
    record.id = id;
    return record;
}

template <std::size_t N> QJsonArray texts(const std::array<QString, N>& values)
{
    QJsonArray array;
    for (const QString& v : values)
        array.append(v.isNull() ? QJsonValue() : QJsonValue(v));
    return array;
}

} // namespace

class RecordStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void upgradeFromVersion1();
    void unwritableStore_data();
    void unwritableStore();
    void killedWriterLeavesStoreIntact();
    void historyNewestFirst();
    void historyFilter_data();
    void historyFilter();

private:
    QTemporaryDir m_dir;
};

void RecordStoreTest::roundTrip_data()
{
    QTest::addColumn<MeasurementRecord>("record");
    for (const MeasurementRecord& record : sampleRecords())
        QTest::newRow(qPrintable(verdictText(record.result.verdict))) << record;
}

void RecordStoreTest::roundTrip()
{
    QFETCH(MeasurementRecord, record);
    const QString path = m_dir.filePath(QStringLiteral("round_trip.sqlite"));
    MeasurementRecord added = record;
    {
        RecordStore store;
        QVERIFY2(store.open(path).succeeded(), "open");
        QVERIFY(store.add(added).succeeded());
        QVERIFY(added.id > 0);
    }
    RecordStore store;
    QVERIFY(store.open(QStringLiteral("sqlite:") + path).succeeded());
    QString error;
    const std::optional<MeasurementRecord> loaded = store.record(added.id, &error);
    QVERIFY2(loaded, qPrintable(error));
    const QString difference = recordDifference(*loaded, withId(record, added.id));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void RecordStoreTest::upgradeFromVersion1()
{
    const QString path = m_dir.filePath(QStringLiteral("version1.sqlite"));
    // Version 1 as it was written: no product fields, no tool version.
    MeasurementRecord old = sampleRecords()[1];
    old.product = {};
    old.toolVersion = QString();
    const CycleResult& r = old.result;
    const QJsonObject reply{{"fields", texts(r.reply.fields)},
                            {"watts", r.reply.watts},
                            {"volts", r.reply.volts},
                            {"amps", r.reply.amps},
                            {"powerFactor", r.reply.powerFactor},
                            {"frequency", r.reply.frequency},
                            {"fundAmp", r.reply.fundAmp},
                            {"harmonics", texts(r.reply.harmonics)}};
    QJsonArray states;
    for (CellState state : r.judgement.states)
        states.append(cellStateName(state));
    const QJsonObject judgement{{"limits", texts(r.judgement.limits)},
                                {"currents", texts(r.judgement.currents)},
                                {"states", states}};
    const QString insert =
        QStringLiteral("INSERT INTO measurements (measured_ms, utc_offset, verdict, product_class, "
                       "power, evaluation_status, any_failed, reply_line, fields_found, reply, "
                       "judgement, port, device) VALUES (%1, %2, 'Fail', 'D', '75', 'judged', 1, "
                       "x'%3', 47, '%4', '%5', '%6', '%7')")
            .arg(r.measuredAt.toMSecsSinceEpoch())
            .arg(r.measuredAt.offsetFromUtc())
            .arg(QString::fromLatin1(r.reply.line.toLatin1().toHex()),
                 QString::fromUtf8(QJsonDocument(reply).toJson(QJsonDocument::Compact)),
                 QString::fromUtf8(QJsonDocument(judgement).toJson(QJsonDocument::Compact)),
                 old.port, old.device);
    QCOMPARE(querySqlite(path,
                         {"CREATE TABLE meta (name TEXT PRIMARY KEY, value TEXT NOT NULL)",
                          "INSERT INTO meta (name, value) VALUES ('schema_version', '1')",
                          "CREATE TABLE measurements (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                          "measured_ms BIGINT NOT NULL, utc_offset INTEGER, verdict TEXT NOT NULL, "
                          "problem TEXT, product_class TEXT NOT NULL, power TEXT, "
                          "evaluation_status TEXT NOT NULL, evaluation_problem TEXT, "
                          "any_failed INTEGER NOT NULL, reply_line BLOB, "
                          "fields_found INTEGER NOT NULL, reply TEXT NOT NULL, "
                          "judgement TEXT NOT NULL, port TEXT, device TEXT)",
                          "CREATE INDEX measurements_newest ON measurements "
                          "(measured_ms DESC, id DESC)",
                          insert, "SELECT count(*) FROM measurements"}),
             QStringLiteral("1"));

    {
        RecordStore store;
        const Outcome opened = store.open(path);
        QVERIFY2(opened.succeeded(), qPrintable(opened.reason()));
        QString error;
        const std::optional<MeasurementRecord> loaded = store.record(1, &error);
        QVERIFY2(loaded, qPrintable(error));
        const QString difference = recordDifference(*loaded, withId(old, 1));
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        QCOMPARE(store.history(0, QStringLiteral("FAIL")).size(), 1);
        MeasurementRecord added = sampleRecords()[0];
        QVERIFY(store.add(added).succeeded());
        QCOMPARE(added.id, 2);
    }
    QCOMPARE(querySqlite(path, {"SELECT value FROM meta WHERE name = 'schema_version'"}),
             QStringLiteral("2"));
}

void RecordStoreTest::unwritableStore_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<bool>("existingReadOnlyFile");
    QTest::newRow("missing folder") << "missing" << 0 << false;
    QTest::newRow("read-only folder") << "read_only" << 0555 << false;
    QTest::newRow("read-only store file") << "writable" << 0777 << true;
}

void RecordStoreTest::unwritableStore()
{
    QFETCH(QString, folder);
    QFETCH(int, folderMode);
    QFETCH(bool, existingReadOnlyFile);
    QTemporaryDir dir;
    QVERIFY(chmod(qPrintable(dir.path()), 0755) == 0);
    const QString path = dir.filePath(folder + QStringLiteral("/records.sqlite"));
    if (folderMode != 0) {
        QVERIFY(QDir(dir.path()).mkdir(folder));
        if (existingReadOnlyFile) {
            RecordStore store;
            QVERIFY(store.open(path).succeeded());
        }
        QVERIFY(chmod(qPrintable(dir.filePath(folder)), mode_t(folderMode)) == 0);
    }
    if (existingReadOnlyFile)
        QVERIFY(chmod(qPrintable(path), 0444) == 0);

    Outcome outcome = Outcome::ok();
    MeasurementRecord record = sampleRecords()[0];
    {
        AsNobody nobody;
        RecordStore store;
        outcome = store.open(path);
        if (outcome.succeeded())
            outcome = store.add(record);
    }
    QVERIFY(!outcome.succeeded());
    QCOMPARE(record.id, 0);
    QVERIFY2(outcome.reason().startsWith(QStringLiteral("the record store ") + path +
                                         QStringLiteral(" could not be")),
             qPrintable(outcome.reason()));
    const QString why = outcome.reason().section(QStringLiteral(": "), 1);
    QVERIFY2(why.size() > 10, qPrintable(outcome.reason()));
}

void RecordStoreTest::killedWriterLeavesStoreIntact()
{
    const QString path = m_dir.filePath(QStringLiteral("killed.sqlite"));
    QProcess writer;
    writer.start(QStringLiteral(RECORDS_WRITER), {path});
    QList<qint64> ids;
    QElapsedTimer waited;
    waited.start();
    while (ids.size() < 40 && waited.elapsed() < 30000 && writer.waitForReadyRead(5000))
        while (writer.canReadLine())
            ids.append(writer.readLine().trimmed().toLongLong());
    QVERIFY2(ids.size() >= 40, writer.readAllStandardError().constData());
    ::kill(pid_t(writer.processId()), SIGKILL);
    QVERIFY(writer.waitForFinished(5000));
    QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
    while (writer.canReadLine())
        ids.append(writer.readLine().trimmed().toLongLong());

    QCOMPARE(querySqlite(path, {"PRAGMA integrity_check"}), QStringLiteral("ok"));
    RecordStore store;
    QVERIFY(store.open(path).succeeded());
    const QList<MeasurementRecord> samples = sampleRecords();
    for (qsizetype n = 0; n < ids.size(); ++n) {
        const std::optional<MeasurementRecord> loaded = store.record(ids[n]);
        QVERIFY(loaded);
        const QString difference = recordDifference(*loaded, withId(samples[n % 9], ids[n]));
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }
    MeasurementRecord after = samples[0];
    QVERIFY(store.add(after).succeeded());
    QVERIFY(after.id > ids.last());
}

void RecordStoreTest::historyNewestFirst()
{
    const QString path = m_dir.filePath(QStringLiteral("history.sqlite"));
    RecordStore store;
    QVERIFY(store.open(path).succeeded());
    const QDateTime base(QDate(2024, 5, 1), QTime(8, 0), QTimeZone(7200));
    // Measured at base + these minutes; -1: not known.
    const QList<int> minutes{2, 5, 5, 1, -1, 3};
    QList<qint64> ids;
    for (int m : minutes) {
        MeasurementRecord record = sampleRecords()[0];
        record.result.measuredAt = m < 0 ? QDateTime() : base.addSecs(m * 60);
        QVERIFY(store.add(record).succeeded());
        ids.append(record.id);
    }
    const QList<qint64> expected{ids[2], ids[1], ids[5], ids[0], ids[3], ids[4]};
    QString error;
    const QList<RecordSummary> all = store.history(0, {}, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QList<qint64> order;
    for (const RecordSummary& s : all)
        order.append(s.id);
    QCOMPARE(order, expected);
    QCOMPARE(store.history(2).size(), 2);
    QCOMPARE(store.history(2).last().id, expected[1]);

    const RecordSummary& first = all.first();
    const MeasurementRecord& sample = sampleRecords()[0];
    QCOMPARE(first.measuredAt, base.addSecs(300));
    QCOMPARE(first.measuredAt.offsetFromUtc(), 7200);
    QCOMPARE(first.productClass, ProductClass::A);
    QCOMPARE(first.verdict, Verdict::Pass);
    QCOMPARE(first.product, sample.product.product);
    QCOMPARE(first.serial, sample.product.serial);
    QCOMPARE(first.operatorName, sample.product.operatorName);
    QCOMPARE(first.port, sample.port);
    QVERIFY(first.power.isNull());
}

void RecordStoreTest::historyFilter_data()
{
    QTest::addColumn<QString>("filter");
    // Indexes into sampleRecords().
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("product, other case") << "MIXER" << QList<int>{0};
    QTest::newRow("operator, umlaut") << "JÜRGEN" << QList<int>{0};
    QTest::newRow("serial") << "sn 00" << QList<int>{0};
    QTest::newRow("notes, % is no wildcard") << "50 %" << QList<int>{0};
    QTest::newRow("_ is no wildcard") << "_" << QList<int>{};
    QTest::newRow("verdict text") << "fail" << QList<int>{1, 7};
    QTest::newRow("class letter") << "b" << QList<int>{8};
    QTest::newRow("not across fields") << "fanpass" << QList<int>{};
}

void RecordStoreTest::historyFilter()
{
    QFETCH(QString, filter);
    QFETCH(QList<int>, expected);
    const QString path = m_dir.filePath(QStringLiteral("filter.sqlite"));
    RecordStore store;
    QVERIFY(store.open(path).succeeded());
    if (store.history(0).isEmpty())
        for (MeasurementRecord record : sampleRecords())
            QVERIFY(store.add(record).succeeded());
    QList<int> found;
    for (const RecordSummary& s : store.history(0, filter))
        found.append(int(s.id) - 1);
    std::sort(found.begin(), found.end());
    QCOMPARE(found, expected);
}

QTEST_GUILESS_MAIN(RecordStoreTest)
#include "tst_record_store.moc"
