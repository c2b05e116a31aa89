// iec1000 --demo: the tool starts the simulated analyzer, points Com 1 at it,
// and takes the simulator down with it.

#include "simulator.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <signal.h>

class TestDemo : public QObject
{
    Q_OBJECT

private slots:
    void demoRunsOnTheSimulatedAnalyzer();
    void unknownScenarioNamesTheScenarios();
};

void TestDemo::demoRunsOnTheSimulatedAnalyzer()
{
    QByteArray why;
    QVERIFY2(ptsUsable(&why), why.constData());
    const QString tool = qEnvironmentVariable("IEC1000_BIN");
    QVERIFY2(QFileInfo(tool).isExecutable(), "IEC1000_BIN names the built iec1000");

    QProcess demo;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    demo.setProcessEnvironment(environment);
    demo.start(tool, {QStringLiteral("--demo")});
    QVERIFY(demo.waitForStarted(5000));

    // It says where Com 1 went.
    const QRegularExpression announced(
        QStringLiteral("simulated analyzer \\(pass\\) on (/dev/pts/\\d+) as Com 1"));
    QString device;
    QByteArray said;
    for (int waited = 0; waited < 100 && device.isEmpty(); ++waited) {
        demo.waitForReadyRead(100);
        said += demo.readAllStandardError();
        const auto match = announced.match(QString::fromLocal8Bit(said));
        if (match.hasMatch())
            device = match.captured(1);
    }
    QVERIFY2(!device.isEmpty(), said.constData());
    QVERIFY(QFileInfo::exists(device));
    QCOMPARE(demo.state(), QProcess::Running);

    // The tool ends (here by a signal, as a crash would): the simulator and
    // its device go with it.
    ::kill(pid_t(demo.processId()), SIGTERM);
    QVERIFY(demo.waitForFinished(5000));
    for (int waited = 0; waited < 50 && QFileInfo::exists(device); ++waited)
        QTest::qWait(100);
    QVERIFY2(!QFileInfo::exists(device), "the simulator's device is gone");
}

// Said in the message box, and on standard error for a terminal.
void TestDemo::unknownScenarioNamesTheScenarios()
{
    QProcess demo;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    demo.setProcessEnvironment(environment);
    demo.start(qEnvironmentVariable("IEC1000_BIN"),
               {QStringLiteral("--demo"), QStringLiteral("--scenario"), QStringLiteral("fial")});
    QVERIFY(demo.waitForStarted(5000));
    const QByteArray expected = "iec1000: The simulated analyzer has no scenario \"fial\". Its "
                                "scenarios are: pass, fail, ";
    QByteArray said;
    for (int waited = 0; waited < 100 && !said.contains(expected); ++waited) {
        demo.waitForReadyRead(100);
        said += demo.readAllStandardError();
    }
    // The message box waits for its OK.
    demo.kill();
    demo.waitForFinished(5000);
    QVERIFY2(said.contains(expected), said.constData());
    QVERIFY2(said.contains(", hang-up, "), said.constData());
}

QTEST_GUILESS_MAIN(TestDemo)
#include "tst_demo.moc"
