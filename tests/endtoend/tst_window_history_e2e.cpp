// A measurement taken in the window against the simulated analyzer is in the
// record store the command line lists.

#include "e2e_bench.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

class TestWindowHistoryEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void windowCycleIsInTheHistory();
};

void TestWindowHistoryEndToEnd::windowCycleIsInTheHistory()
{
    const QString tool = qEnvironmentVariable("IEC1000_BIN");
    QVERIFY2(!tool.isEmpty(), "IEC1000_BIN names no iec1000 binary");
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("records.sqlite"));
    // Read by the window when it is created, and by the command line below.
    qputenv("IEC1000_DB", QFile::encodeName(db));

    E2EBench bench;
    START_BENCH(bench, QStringLiteral("fail"));
    bench.logOn();
    QCOMPARE(bench.reslbl(), QStringLiteral("Connected & Configured"));
    bench.click(bench.window->Bopt);
    bench.click(bench.window->Run);
    QCOMPARE(bench.reslbl(), QStringLiteral("Fail"));
    QVERIFY(bench.toolkit().messages.isEmpty());

    QProcess history;
    history.start(tool,
                  {QStringLiteral("history"), QStringLiteral("--format"), QStringLiteral("json")});
    QVERIFY(history.waitForFinished(30000));
    QCOMPARE(history.exitCode(), 0);
    const QJsonArray records = QJsonDocument::fromJson(history.readAllStandardOutput()).array();
    QCOMPARE(records.size(), 1);
    const QJsonObject record = records.first().toObject();
    QCOMPARE(record[QStringLiteral("verdict")].toString(), QStringLiteral("Fail"));
    QCOMPARE(record[QStringLiteral("class")].toString(), QStringLiteral("B"));
    QCOMPARE(record[QStringLiteral("port")].toString(), QStringLiteral("Com 1"));
}

QTEST_MAIN(TestWindowHistoryEndToEnd)
#include "tst_window_history_e2e.moc"
