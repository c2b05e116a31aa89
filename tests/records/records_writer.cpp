// Adds the sample records to the store named on the command line, over and
// over, printing "<id>" once each is written, until it is killed.
#include "record_samples.h"
#include "record_store.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    RecordStore store;
    if (Outcome o = store.open(QString::fromLocal8Bit(argv[1])); !o.succeeded()) {
        std::fprintf(stderr, "%s\n", qPrintable(o.reason()));
        return 1;
    }
    const QList<MeasurementRecord> samples = sampleRecords();
    for (qsizetype n = 0;; ++n) {
        MeasurementRecord record = samples[n % samples.size()];
        if (Outcome o = store.add(record); !o.succeeded()) {
            std::fprintf(stderr, "%s\n", qPrintable(o.reason()));
            return 1;
        }
        std::printf("%lld\n", static_cast<long long>(record.id));
        std::fflush(stdout);
    }
}
