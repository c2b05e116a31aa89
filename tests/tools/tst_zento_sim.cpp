// zento-sim as a line: the device it offers, what it logs, what it answers
// and what it ignores. The scenarios themselves are exercised end to end. Talks to it over the
// pseudo-terminal with plain POSIX calls.

#include "raw_device.h"
#include "simulator.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <unistd.h>

#include <sys/stat.h>

namespace {

const QList<QByteArray> configurationSequence = {
    ":DVC\r\n",
    ":HMX:ALL 40\r\n",
    ":AVG:FIX 4\r\n",
    ":CFG 41,1\r\n",
    ":CFG 34,1\r\n",
    ":CFG 26,1\r\n",
    ":DSE 4\r\n",
    ":SEL:CLR\r\n",
    ":SEL:CH1\r\n",
    ":SEL:VLT;:SEL:AMP;:SEL:WAT\r\n",
    ":SEL:PWF;:SEL:FRQ\r\n",
    ":SEL:AHM;:SEL:SER\r\n",
};

} // namespace

class TestZentoSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void printsTheDevicePathFirst();
    void reportsUsageAndRejectsBadArguments_data();
    void reportsUsageAndRejectsBadArguments();

    void logsEveryLineWithItsExactBytesAndTime();
    void joinsALineWrittenInPieces();

    void acceptsOtherCommandsSilently();
    void matchesQueriesWithinALine_data();
    void matchesQueriesWithinALine();

    void misbehavingScenariosSendWhatTheySay_data();
    void misbehavingScenariosSendWhatTheySay();

    void manPageExampleEndsTheSimulator();

private:
    bool startAndOpen(Simulator& sim, RawDevice& device, const QString& scenario = "pass");
};

void TestZentoSim::initTestCase()
{
    QByteArray why;
    QVERIFY2(ptsUsable(&why), why.constData());
}

bool TestZentoSim::startAndOpen(Simulator& sim, RawDevice& device, const QString& scenario)
{
    if (!sim.start(scenario)) {
        qWarning("%s", qPrintable(sim.errorString()));
        return false;
    }
    QByteArray error;
    if (!device.open(sim.devicePath(), &error)) {
        qWarning("%s", error.constData());
        return false;
    }
    return true;
}

void TestZentoSim::printsTheDevicePathFirst()
{
    Simulator sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    QVERIFY2(QRegularExpression(R"(^/dev/pts/\d+$)").match(sim.devicePath()).hasMatch(),
             qPrintable(sim.devicePath()));
    struct stat info = {};
    QCOMPARE(::stat(sim.devicePath().toLocal8Bit().constData(), &info), 0);
    QVERIFY(S_ISCHR(info.st_mode));

    const QList<SimLogEntry> log = sim.log();
    QVERIFY(!log.isEmpty());
    QCOMPARE(log.first().direction, QByteArray("EV"));
    QCOMPARE(log.first().bytes, "start scenario=pass device=" + sim.devicePath().toLocal8Bit());
}

void TestZentoSim::reportsUsageAndRejectsBadArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("expectedOnStdout");
    QTest::addColumn<QByteArray>("expectedOnStderr");

    QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray("--exit-on-stdin-eof")
                          << QByteArray();
    QTest::newRow("unknown scenario") << QStringList{"--scenario", "melting"} << 2 << QByteArray()
                                      << QByteArray("unknown scenario \"melting\"");
    QTest::newRow("scenario without name")
        << QStringList{"--scenario"} << 2 << QByteArray() << QByteArray("--scenario needs a value");
    QTest::newRow("unknown option")
        << QStringList{"--baud", "9600"} << 2 << QByteArray() << QByteArray("unknown argument");
}

void TestZentoSim::reportsUsageAndRejectsBadArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, expectedOnStdout);
    QFETCH(QByteArray, expectedOnStderr);

    QProcess process;
    process.start(Simulator::binaryPath(), arguments);
    QVERIFY2(process.waitForFinished(5000), qPrintable(process.errorString()));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QByteArray out = process.readAllStandardOutput();
    const QByteArray err = process.readAllStandardError();
    QVERIFY2(out.contains(expectedOnStdout), out.constData());
    QVERIFY2(err.contains(expectedOnStderr), err.constData());
    // No device is offered when the arguments are refused.
    if (exitCode != 0)
        QVERIFY(!out.contains("/dev/"));
}

void TestZentoSim::logsEveryLineWithItsExactBytesAndTime()
{
    Simulator sim;
    RawDevice device;
    QVERIFY(startAndOpen(sim, device, "silent"));

    const double before = wallClockSeconds();
    QVERIFY(device.write(":DVC\r\n"));
    QVERIFY(device.write(":HMX:ALL 40\r\n:AVG:FIX 4\r\n")); // two lines in one write
    QVERIFY(device.write("x\"y\\z\t\x01\xff\r\n"));
    QVERIFY(device.write("*RST\n")); // a LF alone ends a line as well
    QVERIFY(sim.waitForReceived(5, 3000));
    const double after = wallClockSeconds();

    const QList<QByteArray> expected = {":DVC\r\n", ":HMX:ALL 40\r\n", ":AVG:FIX 4\r\n",
                                        "x\"y\\z\t\x01\xff\r\n", "*RST\n"};
    QCOMPARE(sim.received(), expected);

    double previous = 0;
    for (const SimLogEntry& entry : sim.entries("RX")) {
        // The log keeps milliseconds, cut rather than rounded.
        QVERIFY2(entry.atSeconds >= before - 0.002 && entry.atSeconds <= after + 0.002,
                 qPrintable(QString::number(entry.atSeconds, 'f', 3)));
        QVERIFY(entry.atSeconds >= previous);
        previous = entry.atSeconds;
    }

    // The exact form of the lines, as other tools read them.
    const QByteArray raw = sim.rawLog();
    const QRegularExpression rxLine(R"re(^\d{10}\.\d{3} RX "(.*)"$)re",
                                    QRegularExpression::MultilineOption);
    QStringList quoted;
    for (auto it = rxLine.globalMatch(QString::fromLatin1(raw)); it.hasNext();)
        quoted << it.next().captured(1);
    const QStringList expectedQuoted = {R"(:DVC\r\n)", R"(:HMX:ALL 40\r\n)", R"(:AVG:FIX 4\r\n)",
                                        R"(x\"y\\z\t\x01\xFF\r\n)", R"(*RST\n)"};
    QCOMPARE(quoted, expectedQuoted);
    QString error;
    Simulator::parseLog(raw, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestZentoSim::joinsALineWrittenInPieces()
{
    Simulator sim;
    RawDevice device;
    QVERIFY(startAndOpen(sim, device));

    QVERIFY(device.write(":SEL:"));
    QThread::msleep(150);
    QVERIFY(sim.received().isEmpty()); // no line before its LF
    const double secondPart = wallClockSeconds();
    QVERIFY(device.write("CLR\r"));
    QThread::msleep(50);
    QVERIFY(device.write("\n*STB"));
    QVERIFY(device.write("?\r\n"));

    QCOMPARE(device.readLines(1, 2000), QByteArray("1\r\n"));
    QCOMPARE(sim.received(), (QList<QByteArray>{":SEL:CLR\r\n", "*STB?\r\n"}));
    // Logged when the line was complete, not when it began.
    QVERIFY(sim.entries("RX").first().atSeconds >= secondPart - 0.002);
}

void TestZentoSim::acceptsOtherCommandsSilently()
{
    Simulator sim;
    RawDevice device;
    QVERIFY(startAndOpen(sim, device));

    QList<QByteArray> lines = configurationSequence;
    lines << "*TRG\r\n"
          << "*RST\r\n"
          << "*IDN?\r\n"
          << "\r\n";
    for (const QByteArray& line : lines)
        QVERIFY(device.write(line));

    // Nothing comes back: no reply and no echo of the commands.
    QCOMPARE(device.readFor(400), QByteArray());
    QVERIFY(sim.waitForReceived(lines.size(), 2000));
    QCOMPARE(sim.received(), lines);
    QVERIFY(sim.entries("TX").isEmpty());
}

void TestZentoSim::matchesQueriesWithinALine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("LF only") << QByteArray("*STB?\n") << QByteArray("1\r\n");
    QTest::newRow("blanks and lower case") << QByteArray(" *stb? \r\n") << QByteArray("1\r\n");
    QTest::newRow("after another command")
        << QByteArray(":SEL:CLR;*STB?\r\n") << QByteArray("1\r\n");
    QTest::newRow("two queries") << QByteArray("*STB?;*STB?\r\n") << QByteArray("1\r\n1\r\n");
    QTest::newRow("query with a suffix") << QByteArray("*STB?X\r\n") << QByteArray();
}

void TestZentoSim::matchesQueriesWithinALine()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, reply);

    Simulator sim;
    RawDevice device;
    QVERIFY(startAndOpen(sim, device));
    QVERIFY(device.write(line));
    QCOMPARE(device.readFor(300), reply);
}

void TestZentoSim::misbehavingScenariosSendWhatTheySay_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("expected");
    // "contains", "ends", "equals", "hang-up", "stream", or "field N": the
    // query is sent three times and field N of the three replies reads the
    // expected texts separated by "|".
    QTest::addColumn<QString>("match");

    // The passing reply's 3rd to 9th harmonic fields are 8.0200E-02, 2.1000E-03,
    // 2.8400E-02, 1.4000E-03, 1.9600E-02, 1.0000E-03, 1.2100E-02.
    QTest::newRow("garbage-nan") << "garbage-nan" << QByteArray(":FRD?\r\n")
                                 << QByteArray("8.0200E-02,nan,inf,   ,,1.0000E-03,") << "contains";
    QTest::newRow("garbage-nul") << "garbage-nul" << QByteArray(":FRD?\r\n")
                                 << QByteArray("1.9600E-02,\0"
                                               "0.5,1.2100E-02",
                                               26)
                                 << "contains";
    QTest::newRow("garbage-ff") << "garbage-ff" << QByteArray(":FRD?\r\n")
                                << QByteArray("1.9600E-02,\xff"
                                              "0.5,1.2100E-02")
                                << "contains";
    QTest::newRow("cut-reply") << "cut-reply" << QByteArray(":FRD?\r\n")
                               << QByteArray("3.1000E-03,0.") << "ends";
    QTest::newRow("stray-line") << "stray-line" << QByteArray("*STB?\r\n")
                                << QByteArray("1\r\n1,\r\n") << "equals";
    QTest::newRow("hang-up") << "hang-up" << QByteArray("*STB?\r\n") << QByteArray() << "hang-up";
    QTest::newRow("hang-up-result")
        << "hang-up-result" << QByteArray(":FRD?\r\n") << QByteArray() << "hang-up";
    QTest::newRow("stream") << "stream" << QByteArray(":DVC\r\n") << QByteArray() << "stream";
    QTest::newRow("stream-lines") << "stream-lines" << QByteArray(":DVC\r\n") << QByteArray("\r\n")
                                  << "stream";

    // Samples 1 to 3 of the Class A product: its harmonics times 1.00, 1.02
    // and 0.98. Field 10 is the 3rd harmonic (limit 2.3 A), 12 the 5th, 28
    // the 21st (limit 107.14 mA).
    const QByteArray result(":FRD?\r\n");
    QTest::newRow("steady") << "steady" << result << QByteArray("1.1500E+00|1.1730E+00|1.1270E+00")
                            << "field 10";
    QTest::newRow("excursion-140") << "excursion-140" << result
                                   << QByteArray("1.1500E+00|3.2200E+00|1.1270E+00") << "field 10";
    QTest::newRow("excursion-160") << "excursion-160" << result
                                   << QByteArray("1.1500E+00|3.6800E+00|1.1270E+00") << "field 10";
    QTest::newRow("average-110") << "average-110" << result
                                 << QByteArray("2.1850E+00|2.5300E+00|2.8750E+00") << "field 10";
    QTest::newRow("pohc-within") << "pohc-within" << result
                                 << QByteArray("1.3400E-01|1.3668E-01|1.3132E-01") << "field 28";
    QTest::newRow("pohc-above") << "pohc-above" << result
                                << QByteArray("1.2900E-01|1.3158E-01|1.2642E-01") << "field 28";
    QTest::newRow("some-unjudged")
        << "some-unjudged" << result << QByteArray("5.6000E-01|5.7120E-01|nan") << "field 12";
}

void TestZentoSim::misbehavingScenariosSendWhatTheySay()
{
    QFETCH(QString, scenario);
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, expected);
    QFETCH(QString, match);

    Simulator sim;
    QVERIFY2(sim.start(scenario, {QStringLiteral("--stream-bytes"), QStringLiteral("5000")}),
             qPrintable(sim.errorString()));
    RawDevice device;
    QByteArray error;
    QVERIFY2(device.open(sim.devicePath(), &error), error.constData());
    if (match.startsWith("field ")) {
        const int field = match.mid(6).toInt();
        QVERIFY(device.write(query + query + query));
        const QByteArray replies = device.readLines(3, 2000);
        QList<QByteArray> fields;
        for (const QByteArray& line : replies.split('\n')) {
            if (line.isEmpty())
                continue;
            QVERIFY2(line.endsWith('\r') && line.count(',') == 46, line.constData());
            fields << line.split(',').value(field - 1);
        }
        QCOMPARE(fields, expected.split('|'));
        return;
    }
    QVERIFY(device.write(query));
    const QByteArray reply = device.readFor(500);

    if (match == "contains") {
        QVERIFY2(reply.contains(expected), reply.toPercentEncoding().constData());
        QVERIFY(reply.endsWith("\r\n"));
    } else if (match == "ends") {
        QVERIFY2(reply.endsWith(expected), reply.toPercentEncoding().constData());
    } else if (match == "equals") {
        QCOMPARE(reply, expected);
    } else if (match == "hang-up") {
        QCOMPARE(reply, QByteArray());
        QVERIFY(sim.waitForLog(
            [](const QList<SimLogEntry>& log) { return log.last().bytes == "closing line"; },
            2000));
    } else {
        QCOMPARE(reply.size(), 5000);
        QCOMPARE(reply.contains("\r\n"), !expected.isEmpty());
        QVERIFY(sim.waitForLog(
            [](const QList<SimLogEntry>& log) {
                return log.last().bytes == "stream end sent=5000";
            },
            2000));
        QVERIFY(sim.entries("TX").isEmpty()); // the stream is not logged byte by byte
    }
}

// The example of the manual page run by bash, the measurement in it a
// stand-in that prints the simulator's device: the shell's kill must end
// the simulator itself, whose device then goes.
namespace {

// The processes of process group `group` that still run (a zombie waiting
// to be reaped has ended), read from /proc.
int livingProcessesOf(pid_t group)
{
    int living = 0;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& pid : pids) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!pid.front().isDigit() || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid pgrp ...": the fields after the last ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields[2].toInt() == group && fields[0] != "Z")
            ++living;
    }
    return living;
}

} // namespace

void TestZentoSim::manPageExampleEndsTheSimulator()
{
    QFile page(QStringLiteral(ZENTO_SIM_MAN_PAGE));
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(page.readAll());
    const qsizetype begin = text.indexOf(QLatin1String("\n.EX\n"));
    const qsizetype end = text.indexOf(QLatin1String("\n.EE\n"), begin);
    QVERIFY(begin >= 0 && end > begin);
    QString script = text.mid(begin + 5, end - begin - 5);
    static const QRegularExpression measurement(QStringLiteral("^iec1000 .*$"),
                                                QRegularExpression::MultilineOption);
    QVERIFY(script.contains(measurement));
    script.replace(measurement, QStringLiteral("echo \"$dev\""));

    QTemporaryDir bin;
    QVERIFY(QFile::link(Simulator::binaryPath(), bin.filePath(QStringLiteral("zento-sim"))));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"),
                       bin.path() + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
    QProcess shell;
    shell.setProcessEnvironment(environment);
    // A process group of its own, so that nothing it leaves outlives the test.
    shell.setChildProcessModifier([] { ::setpgid(0, 0); });
    shell.start(QStringLiteral("bash"), {QStringLiteral("-c"), script});
    QVERIFY(shell.waitForStarted(5000));
    const auto group = pid_t(shell.processId());
    QVERIFY(group > 0);
    // Whatever of the example is left when the test ends.
    const auto endGroup = qScopeGuard([group] { ::kill(-group, SIGTERM); });
    QVERIFY(shell.waitForFinished(10000));
    const QString device = QString::fromLocal8Bit(shell.readAllStandardOutput()).trimmed();
    QVERIFY2(device.startsWith(QLatin1String("/dev/")), qPrintable(device));
    // The example's kill ends the simulator: nothing of the example's process
    // group is left (its device may be handed to another test's terminal at
    // once, so the device's name alone does not tell).
    QTRY_VERIFY_WITH_TIMEOUT(livingProcessesOf(group) == 0, 3000);
}

QTEST_GUILESS_MAIN(TestZentoSim)
#include "tst_zento_sim.moc"
