// Times the lab's view (`iec1000 serve`) on a temporary SQLite store: the
// server's time for a history page of a 100,000-record store (first page,
// filtered pages and a late page), for the page of an observation of
// 10,000 samples, and the peak resident memory while 100 clients at once
// fetch pages over the loopback, each printed beside its goal.
#include "analyzer_lines.h"
#include "http_front.h"
#include "peak_memory.h"
#include "record_columns.h"
#include "record_store.h"
#include "rejudge.h"
#include "site.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kRecords = 100000;
constexpr int kSamples = 10000;
constexpr double kHistoryGoalMs = 100;
constexpr double kObservationGoalMs = 300;
constexpr double kMemoryGoalMb = 100;
constexpr int kRuns = 7;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(const char* what, double value, const char* unit, double goal)
{
    std::printf("%-58s %8.1f %s   goal < %.0f %s   %s\n", what, value, unit, goal, unit,
                value < goal ? "met" : "MISSED");
}

CycleResult judged(const QByteArray& reply, const QDateTime& at)
{
    CycleResult stored;
    stored.reply.line = QString::fromLatin1(reply);
    stored.measuredAt = at;
    return judgeAgain(stored, ClassChoice{ProductClass::A, {}});
}

// Fills the store: `records` measurements (copies of a few, at other times
// and with other serials), then one observation of `samples` samples.
QString fill(const QString& name, qint64* observationId, int records = kRecords,
             int samples = kSamples)
{
    {
        RecordStore store;
        if (Outcome o = store.open(name); !o.succeeded())
            return o.reason();
        const QDateTime start(QDate(2026, 1, 1), QTime(8, 0), Qt::OffsetFromUTC, 3600);
        for (int n = 0; n < 4; ++n) {
            MeasurementRecord m =
                newRecord(judged(n % 4 == 3 ? failingReply() : kPassingReply, start.addSecs(n)),
                          QStringLiteral("Com 1"), {});
            m.product = {QStringLiteral("Hand mixer HM-%1").arg(n), QStringLiteral("SN%1").arg(n),
                         QStringLiteral("R. Keller"), QStringLiteral("bench record")};
            if (Outcome o = store.add(m); !o.succeeded())
                return o.reason();
        }
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "fill");
        db.setDatabaseName(name);
        if (!db.open())
            return QStringLiteral("cannot open the store to fill it");
        QStringList columns;
        for (const RecordColumn& column : recordColumns())
            if (QLatin1String(column.name) != QLatin1String("id"))
                columns << QLatin1String(column.name);
        const QString list = columns.join(QLatin1Char(','));
        QString copied = list;
        copied.replace(QLatin1String("measured_ms"), QLatin1String("measured_ms + 60000 * id"))
            .replace(QLatin1String("serial"), QLatin1String("serial || '-' || id"));
        QSqlQuery query(db);
        query.exec(QStringLiteral("BEGIN"));
        for (int count = 4; count < records;) {
            const int more = std::min(count, records - count);
            if (!query.exec(QStringLiteral("INSERT INTO measurements (%1) SELECT %2 FROM "
                                           "measurements ORDER BY id LIMIT %3")
                                .arg(list, copied)
                                .arg(more)))
                return QStringLiteral("cannot fill the store");
            count += more;
        }
        query.exec(QStringLiteral("COMMIT"));
        db.close();
    }
    QSqlDatabase::removeDatabase("fill");
    RecordStore store;
    if (Outcome o = store.open(name); !o.succeeded())
        return o.reason();
    ObservationRecord observation =
        newObservationRecord(QStringLiteral("Com 2"), {}, {ProductClass::A, {}}, 80000,
                             QDateTime(QDate(2026, 6, 1), QTime(8, 0)));
    if (Outcome o = store.beginObservation(observation); !o.succeeded())
        return o.reason();
    ObservationResult& r = observation.result;
    for (int n = 0; n < samples; ++n)
        r.samples.append(
            observedSample(n * 8.0, judged(n % 50 == 0 ? failingReply() : kPassingReply,
                                           observation.startedAt.addSecs(n * 8))));
    r.verdict = ObservationVerdict::Pass;
    r.elapsedS = samples * 8.0;
    r.sampleIntervalS = 8;
    if (Outcome o = store.finishObservation(observation); !o.succeeded())
        return o.reason();
    *observationId = observation.id;
    return {};
}

double timed(web::Site& site, const QString& path, const QString& query, qsizetype* bytes)
{
    web::Request request;
    request.path = path;
    request.query = QUrlQuery(query);
    QElapsedTimer timer;
    timer.start();
    const web::Reply reply = site.answer(request);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (reply.status != 200) {
        std::fprintf(stderr, "%s?%s: status %d\n", qPrintable(path), qPrintable(query),
                     reply.status);
        std::exit(1);
    }
    *bytes = reply.body.size();
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // --fill RECORDS SAMPLES FILE: only fills a store of RECORDS measurements
    // (4 at least) and one observation of SAMPLES samples, and prints the
    // observation's id, for timing `iec1000 serve` and `iec1000 history`
    // themselves on it (their memory with /usr/bin/time -v).
    if (const QStringList args = app.arguments();
        args.size() == 5 && args.at(1) == QLatin1String("--fill")) {
        qint64 id = 0;
        if (const QString failed = fill(args.at(4), &id, args.at(2).toInt(), args.at(3).toInt());
            !failed.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(failed));
            return 1;
        }
        std::printf("%lld\n", static_cast<long long>(id));
        return 0;
    }
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("bench.sqlite"));
    qint64 observationId = 0;
    QElapsedTimer filling;
    filling.start();
    if (const QString failed = fill(name, &observationId); !failed.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(failed));
        return 1;
    }
    std::printf("filled %d records and an observation of %d samples in %.1f s\n", kRecords,
                kSamples, filling.elapsed() / 1000.0);

    web::Site site(name, web::Access());
    if (const QString failed = site.open(); !failed.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(failed));
        return 1;
    }
    const struct
    {
        const char* what;
        QString path;
        QString query;
        double goal;
    } pages[] = {
        {"history page of 100,000 records (median of 7)", "/", "", kHistoryGoalMs},
        {"the same filtered by text and verdict", "/", "q=hm-3&verdict=Fail", kHistoryGoalMs},
        {"the same filtered by a text no record holds", "/", "q=no-such-product", kHistoryGoalMs},
        {"the same, page 1000", "/", "page=1000", kHistoryGoalMs},
        {"the same as JSON", "/api/records", "", kHistoryGoalMs},
        {"observation page of 10,000 samples (median of 7)",
         QStringLiteral("/records/%1").arg(observationId), "", kObservationGoalMs},
    };
    for (const auto& page : pages) {
        std::vector<double> times;
        qsizetype bytes = 0;
        for (int run = 0; run < kRuns; ++run)
            times.push_back(timed(site, page.path, page.query, &bytes));
        report(page.what, median(times), "ms", page.goal);
        std::printf("    (%lld bytes)\n", static_cast<long long>(bytes));
    }

    // What of the observation page is the store's reading (its samples
    // judged again from their reply lines).
    {
        RecordStore store;
        store.open(name, StoreAccess::Read);
        std::vector<double> times;
        for (int run = 0; run < 3; ++run) {
            QElapsedTimer timer;
            timer.start();
            if (!store.observation(observationId))
                return 1;
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
        std::printf("%-58s %8.1f ms\n",
                    "    of which the store reads the observation (median of 3)", median(times));
    }

    // 100 clients at once over the loopback, ten rounds; in a lab each has
    // an address of its own, here they share one.
    web::FrontLimits limits;
    limits.connectionsPerClient = 100;
    web::HttpFront front([&site](const web::Request& r) { return site.answer(r); }, limits);
    QString error;
    if (!front.listenOn(QHostAddress::LocalHost, 0, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    int served = 0;
    for (int round = 0; round < 10; ++round) {
        std::vector<std::unique_ptr<QTcpSocket>> clients;
        for (int n = 0; n < 100; ++n) {
            clients.push_back(std::make_unique<QTcpSocket>());
            QTcpSocket* socket = clients.back().get();
            const QByteArray path =
                n % 10 == 0 ? QStringLiteral("/records/%1").arg(observationId).toLatin1()
                            : QByteArray("/?page=") + QByteArray::number(n + 1);
            QObject::connect(socket, &QTcpSocket::connected, socket, [socket, path] {
                socket->write("GET " + path + " HTTP/1.1\r\nHost: bench\r\n\r\n");
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, [&served] { ++served; });
            socket->connectToHost(QHostAddress::LocalHost, front.port());
        }
        QElapsedTimer timer;
        timer.start();
        while (served < (round + 1) * 100 && timer.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    std::printf("served %d requests from 100 clients at once, 10 rounds\n", served);
    report("peak resident memory while serving", peakMegabytes(), "MB", kMemoryGoalMb);
    return served == 1000 ? 0 : 1;
}
