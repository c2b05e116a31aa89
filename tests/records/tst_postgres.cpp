#include "record_samples.h"
#include "record_store.h"

#include <QCollator>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <pwd.h>
#include <unistd.h>

namespace {

// The newest /usr/lib/postgresql/<version>/bin holding initdb; empty when
// the server is not installed.
QString serverBin()
{
    QStringList versions =
        QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(versions.begin(), versions.end(), numeric);
    for (auto v = versions.crbegin(); v != versions.crend(); ++v) {
        const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(*v);
        if (QFile::exists(bin + QStringLiteral("/initdb")))
            return bin;
    }
    return {};
}

// A throw-away cluster in a temporary folder, listening only on a Unix
// socket there; run as the user postgres when the test runs as root. Stopped
// and removed when it goes, also when a check failed.
class Cluster
{
public:
    // Empty on success, else what went wrong.
    QString start()
    {
        m_bin = serverBin();
        if (m_bin.isEmpty())
            return QStringLiteral("no PostgreSQL server in /usr/lib/postgresql (scripts/setup "
                                  "installs it)");
        if (!m_dir.isValid())
            return QStringLiteral("no temporary folder");
        if (geteuid() == 0) {
            const passwd* postgres = getpwnam("postgres");
            if (!postgres ||
                chown(qPrintable(m_dir.path()), postgres->pw_uid, postgres->pw_gid) != 0)
                return QStringLiteral("cannot hand the folder to the user postgres");
        }
        const QString data = m_dir.filePath(QStringLiteral("data"));
        QString failed = run(QStringLiteral("initdb"), {"-D", data, "-A", "trust", "-U", "postgres",
                                                        "-E", "UTF8", "--locale=C", "--no-sync"});
        if (!failed.isEmpty())
            return failed;
        failed =
            run(QStringLiteral("pg_ctl"),
                {"-D", data, "-l", m_dir.filePath(QStringLiteral("log")), "-w", "-t", "60", "-o",
                 QStringLiteral("-c listen_addresses='' -F -k ") + m_dir.path(), "start"});
        if (!failed.isEmpty())
            return failed;
        m_started = true;
        return run(QStringLiteral("createdb"), {"-h", m_dir.path(), "-U", "postgres", "records"});
    }

    QString stop()
    {
        if (!m_started)
            return {};
        m_started = false;
        return run(QStringLiteral("pg_ctl"),
                   {"-D", m_dir.filePath(QStringLiteral("data")), "-m", "fast", "-w", "stop"});
    }

    ~Cluster() { stop(); }

    QString spec() const
    {
        return QStringLiteral("postgresql://postgres@localhost/records?host=") + m_dir.path();
    }

private:
    QString run(const QString& tool, const QStringList& arguments)
    {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.setProcessChannelMode(QProcess::MergedChannels);
        const QString program = m_bin + QLatin1Char('/') + tool;
        if (geteuid() == 0)
            process.start(QStringLiteral("runuser"),
                          QStringList{"-u", "postgres", "--", program} + arguments);
        else
            process.start(program, arguments);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0)
            return tool + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll());
        return {};
    }

    QTemporaryDir m_dir;
    QString m_bin;
    bool m_started = false;
};

} // namespace

class PostgresTest : public QObject
{
    Q_OBJECT

private slots:
    void roundTripAndServerGone();
};

void PostgresTest::roundTripAndServerGone()
{
    Cluster cluster;
    const QString started = cluster.start();
    QVERIFY2(started.isEmpty(), qPrintable(started));

    RecordStore store;
    const Outcome opened = store.open(cluster.spec());
    QVERIFY2(opened.succeeded(), qPrintable(opened.reason()));
    QList<MeasurementRecord> added = sampleRecords();
    for (MeasurementRecord& record : added) {
        const Outcome outcome = store.add(record);
        QVERIFY2(outcome.succeeded(), qPrintable(outcome.reason()));
    }
    // A second store on the same database, open at the same time, reads them.
    RecordStore reader;
    QVERIFY(reader.open(cluster.spec()).succeeded());
    for (const MeasurementRecord& record : added) {
        QString error;
        const std::optional<MeasurementRecord> loaded = reader.record(record.id, &error);
        QVERIFY2(loaded, qPrintable(error));
        const QString difference = recordDifference(*loaded, record);
        QVERIFY2(difference.isEmpty(),
                 qPrintable(verdictText(record.result.verdict) + ": " + difference));
    }
    QCOMPARE(reader.history(0, QStringLiteral("MIXER")).size(), 1);

    const QString stopped = cluster.stop();
    QVERIFY2(stopped.isEmpty(), qPrintable(stopped));
    MeasurementRecord late = added[0];
    late.id = 0;
    const Outcome outcome = store.add(late);
    QVERIFY(!outcome.succeeded());
    QCOMPARE(late.id, 0);
    QVERIFY2(outcome.reason().startsWith(QStringLiteral("the record store ") + cluster.spec() +
                                         QStringLiteral(" could not be written: ")),
             qPrintable(outcome.reason()));
}

QTEST_GUILESS_MAIN(PostgresTest)
#include "tst_postgres.moc"
