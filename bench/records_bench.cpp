// Times the record store on a temporary SQLite file: writing one complete
// record (median of many) and listing the history of 10,000 records (median
// of several), each printed beside its goal.
#include "record_store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr double kWriteGoalMs = 10;
constexpr double kListGoalMs = 100;
constexpr int kListed = 10000;
constexpr int kTimedWrites = 200;
constexpr int kListRuns = 7;

// A judged Class A measurement with every field and product field filled.
MeasurementRecord completeRecord(int n)
{
    MeasurementRecord record;
    record.port = QStringLiteral("Com 1");
    record.device = QStringLiteral("/dev/ttyUSB0");
    record.toolVersion = QStringLiteral("1.0");
    record.product = {QStringLiteral("Hand mixer HM-%1").arg(n % 50),
                      QStringLiteral("SN%1").arg(n, 6, 10, QLatin1Char('0')),
                      QStringLiteral("R. Keller"), QStringLiteral("bench record")};
    CycleResult& r = record.result;
    r.verdict = n % 7 == 0 ? Verdict::Fail : Verdict::Pass;
    r.measuredAt = QDateTime(QDate(2026, 1, 1), QTime(8, 0), Qt::OffsetFromUTC, 3600)
                       .addSecs(qint64(n % 997) * 600 + n);
    r.reply.fieldsFound = kReplyFields;
    QStringList fields;
    for (int f = 0; f < kReplyFields; ++f) {
        r.reply.fields[std::size_t(f)] = QString::number(0.001 * (f + 1) * (n % 13 + 1), 'E', 4);
        fields << r.reply.fields[std::size_t(f)];
    }
    r.reply.line = fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    r.reply.watts = QStringLiteral("581.4");
    r.reply.volts = QStringLiteral("229.8");
    r.reply.amps = QStringLiteral("4.083");
    r.reply.powerFactor = QStringLiteral("0.62");
    r.reply.frequency = QStringLiteral("50.02");
    r.reply.fundAmp = QStringLiteral("2.64");
    Judgement& j = r.judgement;
    j.productClass = ProductClass::A;
    j.evaluation.status = Evaluation::Judged;
    j.anyFailed = r.verdict == Verdict::Fail;
    for (int k = 0; k < kHarmonicCells; ++k) {
        const auto i = std::size_t(k);
        r.reply.harmonics[i] = QString::number(3500.0 / (k + 1), 'f', 1);
        j.currents[i] = r.reply.harmonics[i];
        j.limits[i] = QStringLiteral("%1mA").arg(2300 / (k + 1));
        j.states[i] = k == 1 && j.anyFailed ? CellState::Fail : CellState::Pass;
    }
    MeasurementRecord taken = newRecord(r, record.port, record.device);
    taken.toolVersion = record.toolVersion;
    taken.product = record.product;
    return taken;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(const char* what, double ms, double goalMs)
{
    std::printf("%-52s %8.2f ms   goal < %.0f ms   %s\n", what, ms, goalMs,
                ms < goalMs ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    RecordStore store;
    if (Outcome o = store.open(dir.filePath(QStringLiteral("bench.sqlite"))); !o.succeeded()) {
        std::fprintf(stderr, "%s\n", qPrintable(o.reason()));
        return 1;
    }

    std::vector<double> writes;
    for (int n = 0; n < kListed; ++n) {
        MeasurementRecord record = completeRecord(n);
        QElapsedTimer timer;
        timer.start();
        if (Outcome o = store.add(record); !o.succeeded()) {
            std::fprintf(stderr, "%s\n", qPrintable(o.reason()));
            return 1;
        }
        if (n < kTimedWrites)
            writes.push_back(timer.nsecsElapsed() / 1e6);
    }

    std::vector<double> lists;
    qsizetype listed = 0;
    for (int run = 0; run < kListRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        listed = store.history(0).size();
        lists.push_back(timer.nsecsElapsed() / 1e6);
    }
    if (listed != kListed) {
        std::fprintf(stderr, "listed %lld records, not %d\n", static_cast<long long>(listed),
                     kListed);
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    const qsizetype found = store.history(0, QStringLiteral("hm-7")).size();
    const double filtered = timer.nsecsElapsed() / 1e6;

    report("write one record (median of 200)", median(writes), kWriteGoalMs);
    report("list the history of 10,000 records (median of 7)", median(lists), kListGoalMs);
    std::printf("%-52s %8.2f ms   (%lld found)\n", "the same list filtered by product", filtered,
                static_cast<long long>(found));
    return 0;
}
