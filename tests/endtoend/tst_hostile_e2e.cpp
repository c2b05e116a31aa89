// The window against analyzers that misbehave on the wire: one that never
// stops sending, one that hangs up, and input the window system holds while
// a measurement cycle blocks.

#include "e2e_bench.h"

#include <QFile>
#include <QMouseEvent>
#include <QTimer>

#include <sys/resource.h>

namespace {

// A field of /proc/self/status ("VmRSS", "VmHWM") in MB; -1 if missing.
double statusMegabytes(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void logOnWithClassA(E2EBench& bench)
{
    bench.logOn();
    QCOMPARE(bench.reslbl(), QStringLiteral("Connected & Configured"));
    bench.click(bench.window->Aopt);
}

} // namespace

class TestHostileAnalyzer : public QObject
{
    Q_OBJECT

private slots:
    void idleWindowTakesAStreamInBoundedMemory();
    void hungUpLineCostsNoCpu();
    void exitWhileTheStatusPollWaits();
    void classClickDuringTheResultWait();
};

void TestHostileAnalyzer::idleWindowTakesAStreamInBoundedMemory()
{
    E2EBench bench;
    START_BENCH(bench, QStringLiteral("stream"), 1, nullptr,
                {QStringLiteral("--stream-bytes"), QStringLiteral("150000000")});
    const double residentBefore = statusMegabytes("VmRSS");
    logOnWithClassA(bench);

    // The window's event loop runs, as it does while the operator looks.
    bool ended = false;
    for (int waited = 0; !ended && waited < 150000; waited += 200) {
        QTest::qWait(200);
        for (const SimLogEntry& entry : bench.sim.entries("EV"))
            ended = ended || entry.bytes.startsWith("stream end");
    }
    QVERIFY2(ended, "the analyzer could not send its 150 MB within 150 s");
    const double grown = statusMegabytes("VmHWM") - residentBefore;
    QVERIFY2(grown < 50, qPrintable(QStringLiteral("grew by %1 MB").arg(grown)));
    QVERIFY(bench.port().portOpen());
    QCOMPARE(bench.reslbl(), QStringLiteral("Connected & Configured"));
}

void TestHostileAnalyzer::hungUpLineCostsNoCpu()
{
    E2EBench bench;
    START_BENCH(bench, QStringLiteral("hang-up"));
    logOnWithClassA(bench);
    bench.click(bench.window->Run);
    QCOMPARE(bench.reslbl(), QStringLiteral("Line failed"));
    QVERIFY(!bench.port().portOpen());
    QVERIFY(!bench.port().fault().isEmpty());

    const double cpuBefore = cpuSeconds();
    QTest::qWait(2000);
    const double used = cpuSeconds() - cpuBefore;
    QVERIFY2(used < 0.2, qPrintable(QStringLiteral("%1 s of CPU in 2 s idle").arg(used)));

    const QList<QByteArray> writtenBefore = bench.port().written;
    bench.click(bench.window->Log);
    QCOMPARE(bench.reslbl(), QStringLiteral("Disconnected"));
    QCOMPARE(bench.window->Log->text(), QStringLiteral("Log On"));
    QCOMPARE(bench.port().written, writtenBefore);
}

void TestHostileAnalyzer::exitWhileTheStatusPollWaits()
{
    E2EBench bench;
    START_BENCH(bench, QStringLiteral("silent"));
    logOnWithClassA(bench);

    const PostWhenReceived exit(bench.sim, "*STB?", 1000, [&bench] {
        QMetaObject::invokeMethod(bench.window->Exit, "click", Qt::QueuedConnection);
    });
    // The application's own loop, which EXIT ends.
    QTimer::singleShot(0, bench.window, [&bench] { bench.click(bench.window->Run); });
    QTimer::singleShot(60000, [] { QCoreApplication::exit(2); });
    QCOMPARE(QCoreApplication::exec(), 0);

    QVERIFY(bench.sim.waitForReceived(int(kExpectedConfiguration.size()) + 3, 3000));
    const QList<QByteArray> lines = bench.received().mid(kExpectedConfiguration.size());
    QCOMPARE(lines, (QList<QByteArray>{"*TRG", "*STB?", ":DVC"}));
    const double afterPoll = bench.sim.entries("RX").last().atSeconds - bench.receivedAt("*STB?");
    QVERIFY2(afterPoll >= 19.9, qPrintable(QString::number(afterPoll)));
    QVERIFY(!bench.window->isVisible());
    QCOMPARE(bench.toolkit().messages, QStringList());
}

void TestHostileAnalyzer::classClickDuringTheResultWait()
{
    E2EBench bench;
    START_BENCH(bench, QStringLiteral("pass"));
    logOnWithClassA(bench);

    // A real press and release on the disabled Class B option, held by the
    // window system until the cycle looks at its input again.
    QRadioButton* b = bench.window->Bopt;
    const QPoint at(4, b->height() / 2);
    auto* press = new QMouseEvent(QEvent::MouseButtonPress, at, b->mapToGlobal(at), Qt::LeftButton,
                                  Qt::LeftButton, Qt::NoModifier);
    auto* release = new QMouseEvent(QEvent::MouseButtonRelease, at, b->mapToGlobal(at),
                                    Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    {
        const PostWhenReceived click(bench.sim, ":FRD?", 500, [b, press, release] {
            QCoreApplication::postEvent(b, press);
            QCoreApplication::postEvent(b, release);
        });
        bench.click(bench.window->Run);
    }
    QTest::qWait(200);

    QCOMPARE(bench.reslbl(), QStringLiteral("Pass"));
    QVERIFY(bench.window->Aopt->isChecked());
    QVERIFY(!b->isChecked());
    QCOMPARE(bench.window->HrmLim[1]->text(), QStringLiteral("2300mA")); // Class A, 3rd
}

QTEST_MAIN(TestHostileAnalyzer)
#include "tst_hostile_e2e.moc"
