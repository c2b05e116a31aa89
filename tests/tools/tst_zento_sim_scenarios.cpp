// zento-sim's scenarios: what each one answers to "*STB?" and ":FRD?", with
// which bytes and when. Talks to it over the pseudo-terminal with plain POSIX
// calls.

#include "raw_device.h"
#include "simulator.h"

#include <QMap>
#include <QRegularExpression>
#include <QTest>

#include <cerrno>
#include <cmath>
#include <poll.h>
#include <unistd.h>

namespace {

// The passing measurement: true power, voltage, current, power factor,
// frequency, fundamental current, then harmonics 2 to 40 in mA.
const double passPower = 75.0;
const double passVoltage = 230.1;
const double passCurrent = 0.343;
const double passPowerFactor = 0.95;
const double passFrequency = 50.0;
const double passFundamental = 0.330;
const QList<double> passHarmonicsMilliamperes = {
    3.1, 80.2, 2.1, 28.4, 1.4, 19.6, 1.0, 12.1, 0.9, 8.2, 0.8, 7.1, 0.7,
    6.3, 0.7,  5.6, 0.6,  5.2, 0.6,  4.9, 0.5,  4.7, 0.5, 4.5, 0.5, 4.3,
    0.4, 4.1,  0.4, 3.9,  0.4, 3.7,  0.3, 3.5,  0.3, 3.3, 0.3, 3.1, 0.3,
};

QList<QByteArray> fieldsOf(const QByteArray& line)
{
    QByteArray body = line;
    if (body.endsWith("\r\n"))
        body.chop(2);
    return body.split(',');
}

QList<double> valuesOf(const QList<QByteArray>& fields)
{
    QList<double> values;
    for (const QByteArray& field : fields)
        values.append(field.toDouble());
    return values;
}

bool near(double actual, double expected)
{
    return std::abs(actual - expected) <= 1e-9 * std::max(1.0, std::abs(expected));
}

// The limit of harmonic `order` in mA for the class (Class D taken at 75 W),
// or a negative number when the class does not judge that harmonic.
double limitMilliamperes(char equipmentClass, int order, double fundamental, double powerFactor)
{
    const bool odd = order % 2 == 1;
    if (equipmentClass == 'A' || equipmentClass == 'B') {
        static const QMap<int, double> fixedA = {{2, 1080}, {3, 2300}, {4, 430},
                                                 {5, 1140}, {6, 300},  {7, 770},
                                                 {9, 400},  {11, 330}, {13, 210}};
        double limit = fixedA.value(order, 0);
        if (limit == 0)
            limit = odd ? 15.0 / order * 150 : 8.0 / order * 230;
        return equipmentClass == 'A' ? limit : limit * 1.5;
    }
    if (equipmentClass == 'C') {
        const double f = fundamental * 1000;
        switch (order) {
        case 2:
            return f * 0.02;
        case 3:
            return f * 0.30 * powerFactor;
        case 5:
            return f * 0.10;
        case 7:
            return f * 0.07;
        case 9:
            return f * 0.05;
        default:
            return odd ? f * 0.03 : -1;
        }
    }
    const double power = 75;
    switch (order) {
    case 3:
        return power * 3.4;
    case 5:
        return power * 1.9;
    case 7:
        return power * 1.0;
    case 9:
        return power * 0.5;
    case 11:
        return power * 0.35;
    default:
        return odd ? 3.85 / order * power : -1;
    }
}

// The orders of the harmonics of a 47-field reply above `share` of their limit.
QList<int> ordersAbove(const QList<double>& values, char equipmentClass, double share)
{
    QList<int> orders;
    for (int order = 2; order <= 40; ++order) {
        const double limit = limitMilliamperes(equipmentClass, order, values[7], values[3]);
        const double measured = values[8 + order - 2] * 1000;
        if (limit >= 0 && measured > share * limit)
            orders.append(order);
    }
    return orders;
}

} // namespace

class TestZentoSimScenarios : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void answersTheStatusQuery_data();
    void answersTheStatusQuery();

    void passReplyHas47FieldsInAnalyzerNotation();
    void passAndFailMeetTheirPurposeInEveryClass_data();
    void passAndFailMeetTheirPurposeInEveryClass();
    void shortReplyIsTheStartOfThePassReply();
    void emptyReplyIsABareLineEnd();
    void unansweredQueries_data();
    void unansweredQueries();

    void splitStatusArrivesInPiecesBeforeTheResult();
    void lateLineEndFollowsTheStatusAfter400Ms();

    void closeMidCycleHangsUpTheLineAtTrigger();

private:
    bool startAndOpen(Simulator& sim, RawDevice& device, const QString& scenario);
    QByteArray passReply();
};

void TestZentoSimScenarios::initTestCase()
{
    QByteArray why;
    QVERIFY2(ptsUsable(&why), why.constData());
}

bool TestZentoSimScenarios::startAndOpen(Simulator& sim, RawDevice& device, const QString& scenario)
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

QByteArray TestZentoSimScenarios::passReply()
{
    Simulator sim;
    RawDevice device;
    if (!startAndOpen(sim, device, "pass") || !device.write(":FRD?\r\n"))
        return {};
    return device.readLines(1, 2000);
}

void TestZentoSimScenarios::answersTheStatusQuery_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QByteArray>("status");

    QTest::newRow("pass") << "pass" << QByteArray("1\r\n");
    QTest::newRow("fail") << "fail" << QByteArray("1\r\n");
    QTest::newRow("status-never") << "status-never" << QByteArray("0\r\n");
    QTest::newRow("status-3") << "status-3" << QByteArray("3\r\n");
    QTest::newRow("short") << "short" << QByteArray("1\r\n");
    QTest::newRow("empty") << "empty" << QByteArray("1\r\n");
    QTest::newRow("no-reply") << "no-reply" << QByteArray("1\r\n");
    QTest::newRow("close-mid-cycle") << "close-mid-cycle" << QByteArray("1\r\n");
}

void TestZentoSimScenarios::answersTheStatusQuery()
{
    QFETCH(QString, scenario);
    QFETCH(QByteArray, status);

    Simulator sim;
    RawDevice device;
    QVERIFY(startAndOpen(sim, device, scenario));
    // Asked again and again, the answer stays the same, and comes at once.
    for (int poll = 0; poll < 3; ++poll) {
        QVERIFY(device.write("*STB?\r\n"));
        const QList<RawDevice::Piece> pieces = device.readPieces(1, 2000);
        QVERIFY(!pieces.isEmpty());
        QVERIFY2(pieces.first().atMs < 250, qPrintable(QString::number(pieces.first().atMs)));
        QByteArray reply;
        for (const RawDevice::Piece& piece : pieces)
            reply += piece.bytes;
        QCOMPARE(reply, status);
    }
    QCOMPARE(device.readFor(200), QByteArray());
    QCOMPARE(sim.sent(), status + status + status);
}

void TestZentoSimScenarios::passReplyHas47FieldsInAnalyzerNotation()
{
    Simulator sim;
    RawDevice device;
    QVERIFY(startAndOpen(sim, device, "pass"));
    QVERIFY(device.write("*TRG\r\n*STB?\r\n"));
    QCOMPARE(device.readLines(1, 2000), QByteArray("1\r\n"));
    QVERIFY(device.write(":FRD?\r\n"));
    const QList<RawDevice::Piece> pieces = device.readPieces(1, 2000);
    QVERIFY(!pieces.isEmpty());
    QVERIFY(pieces.first().atMs < 250);
    QByteArray reply;
    for (const RawDevice::Piece& piece : pieces)
        reply += piece.bytes;

    // One line, ended by CR LF, with no other line-end character in it.
    QVERIFY2(reply.endsWith("\r\n"), reply.constData());
    QCOMPARE(reply.count('\r'), 1);
    QCOMPARE(reply.count('\n'), 1);
    const QList<QByteArray> fields = fieldsOf(reply);
    QCOMPARE(fields.size(), 47);
    const QRegularExpression notation(R"(^\d\.\d{4}E[+-]\d{2}$)");
    for (const QByteArray& field : fields)
        QVERIFY2(notation.match(QString::fromLatin1(field)).hasMatch(), field.constData());

    const QList<double> values = valuesOf(fields);
    QVERIFY(near(values[0], passPower));
    QVERIFY(near(values[1], passVoltage));
    QVERIFY(near(values[2], passCurrent));
    QVERIFY(near(values[3], passPowerFactor));
    QVERIFY(near(values[4], passFrequency));
    QVERIFY(near(values[7], passFundamental));
    for (int k = 0; k < 39; ++k) {
        QVERIFY2(near(values[8 + k] * 1000, passHarmonicsMilliamperes[k]),
                 qPrintable(QString("harmonic %1: %2").arg(k + 2).arg(fields[8 + k])));
    }
    QCOMPARE(QByteArray(fields[0] + ',' + fields[1]), QByteArray("7.5000E+01,2.3010E+02"));
    QVERIFY(sim.waitForSent(3 + reply.size(), 1000));
    QCOMPARE(sim.sent(), "1\r\n" + reply);
}

void TestZentoSimScenarios::passAndFailMeetTheirPurposeInEveryClass_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<bool>("fails");
    QTest::newRow("pass") << "pass" << false;
    QTest::newRow("fail") << "fail" << true;
}

void TestZentoSimScenarios::passAndFailMeetTheirPurposeInEveryClass()
{
    QFETCH(QString, scenario);
    QFETCH(bool, fails);

    Simulator sim;
    RawDevice device;
    QVERIFY(startAndOpen(sim, device, scenario));
    QVERIFY(device.write(":FRD?\r\n"));
    const QByteArray reply = device.readLines(1, 2000);
    const QList<QByteArray> fields = fieldsOf(reply);
    QCOMPARE(fields.size(), 47);
    const QList<double> values = valuesOf(fields);

    // An analyzer's numbers belong together: P = V I PF and S = V I.
    const double voltAmperes = values[1] * values[2];
    QVERIFY(std::abs(values[0] - voltAmperes * values[3]) < 0.01 * values[0]);
    QVERIFY(std::abs(values[5] - voltAmperes) < 0.01 * voltAmperes);
    QVERIFY(values[7] < values[2]); // the fundamental is part of the rms current

    for (const char equipmentClass : {'A', 'B', 'C', 'D'}) {
        const QString which = QStringLiteral("Class %1").arg(equipmentClass);
        if (fails) {
            // The 3rd harmonic is over the limit in every class.
            QVERIFY2(ordersAbove(values, equipmentClass, 1.0).contains(3), qPrintable(which));
        } else {
            // Every harmonic clearly within its limit, so the cut limit texts
            // do not matter.
            const QList<int> over = ordersAbove(values, equipmentClass, 0.99);
            QVERIFY2(over.isEmpty(),
                     qPrintable(which + QStringLiteral(": order %1 too high").arg(over.value(0))));
        }
    }
}

void TestZentoSimScenarios::shortReplyIsTheStartOfThePassReply()
{
    const QByteArray full = passReply();
    QCOMPARE(fieldsOf(full).size(), 47);

    Simulator sim;
    RawDevice device;
    QVERIFY(startAndOpen(sim, device, "short"));
    QVERIFY(device.write(":FRD?\r\n"));
    const QByteArray reply = device.readLines(1, 2000);
    QVERIFY2(reply.endsWith("\r\n"), reply.constData());
    QCOMPARE(fieldsOf(reply), fieldsOf(full).mid(0, 20));
}

void TestZentoSimScenarios::emptyReplyIsABareLineEnd()
{
    Simulator sim;
    RawDevice device;
    QVERIFY(startAndOpen(sim, device, "empty"));
    QVERIFY(device.write(":FRD?\r\n"));
    QCOMPARE(device.readFor(400), QByteArray("\r\n"));
}

void TestZentoSimScenarios::unansweredQueries_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("silent") << "silent" << QByteArray();
    QTest::newRow("no-reply") << "no-reply" << QByteArray("1\r\n");
}

void TestZentoSimScenarios::unansweredQueries()
{
    QFETCH(QString, scenario);
    QFETCH(QByteArray, expected);

    Simulator sim;
    RawDevice device;
    QVERIFY(startAndOpen(sim, device, scenario));
    const QList<QByteArray> lines = {":DVC\r\n", "*TRG\r\n", "*STB?\r\n", ":FRD?\r\n"};
    for (const QByteArray& line : lines)
        QVERIFY(device.write(line));
    QCOMPARE(device.readFor(600), expected);
    // Deaf as it is, it hears and logs everything.
    QVERIFY(sim.waitForReceived(lines.size(), 2000));
    QCOMPARE(sim.received(), lines);
    QCOMPARE(sim.sent(), expected);
}

void TestZentoSimScenarios::splitStatusArrivesInPiecesBeforeTheResult()
{
    const QByteArray full = passReply();
    QCOMPARE(fieldsOf(full).size(), 47);

    Simulator sim;
    RawDevice device;
    QVERIFY(startAndOpen(sim, device, "status-split"));
    // Both queries at once: the result must wait for the whole status line.
    QVERIFY(device.write("*STB?\r\n:FRD?\r\n"));
    const QList<RawDevice::Piece> pieces = device.readPieces(2, 3000);

    QByteArray all;
    for (const RawDevice::Piece& piece : pieces)
        all += piece.bytes;
    QCOMPARE(all, " 1\r\n" + full);

    QVERIFY2(pieces.size() >= 4, qPrintable(QString::number(pieces.size())));
    QCOMPARE(pieces[0].bytes, QByteArray(" "));
    QCOMPARE(pieces[1].bytes, QByteArray("1"));
    QCOMPARE(pieces[2].bytes, QByteArray("\r"));
    QVERIFY(pieces[3].bytes.startsWith("\n"));
    QVERIFY(pieces[0].atMs < 250);
    for (int i = 1; i < 4; ++i) {
        const qint64 gap = pieces[i].atMs - pieces[i - 1].atMs;
        QVERIFY2(gap >= 70 && gap <= 400, qPrintable(QString("gap %1: %2 ms").arg(i).arg(gap)));
    }

    // The log shows each piece as a write of its own.
    QVERIFY(sim.waitForSent(all.size(), 1000));
    const QList<SimLogEntry> writes = sim.entries("TX");
    QVERIFY(writes.size() >= 4);
    QCOMPARE(writes[0].bytes, QByteArray(" "));
    QCOMPARE(writes[1].bytes, QByteArray("1"));
    QCOMPARE(writes[2].bytes, QByteArray("\r"));
    QVERIFY(writes[3].bytes.startsWith("\n"));
    QVERIFY(writes[3].atSeconds - writes[0].atSeconds >= 0.25);
}

void TestZentoSimScenarios::lateLineEndFollowsTheStatusAfter400Ms()
{
    const QByteArray full = passReply();

    Simulator sim;
    RawDevice device;
    QVERIFY(startAndOpen(sim, device, "late-line-end"));
    QVERIFY(device.write("*STB?\r\n"));
    const QList<RawDevice::Piece> pieces = device.readPieces(1, 3000);
    QCOMPARE(pieces.size(), 2);
    QCOMPARE(pieces[0].bytes, QByteArray("1"));
    QVERIFY(pieces[0].atMs < 250);
    QCOMPARE(pieces[1].bytes, QByteArray("\r\n"));
    const qint64 gap = pieces[1].atMs - pieces[0].atMs;
    QVERIFY2(gap >= 350 && gap <= 800, qPrintable(QString::number(gap)));

    QVERIFY(device.write(":FRD?\r\n"));
    QCOMPARE(device.readLines(1, 2000), full);
}

void TestZentoSimScenarios::closeMidCycleHangsUpTheLineAtTrigger()
{
    Simulator sim;
    RawDevice device;
    QVERIFY(startAndOpen(sim, device, "close-mid-cycle"));
    for (const QByteArray& line : {QByteArray(":DVC\r\n"), QByteArray(":SEL:CLR\r\n")})
        QVERIFY(device.write(line));
    QVERIFY(device.write("*STB?\r\n"));
    QCOMPARE(device.readLines(1, 2000), QByteArray("1\r\n"));

    QVERIFY(device.write("*TRG\r\n"));
    pollfd pfd = {device.fd(), POLLIN, 0};
    QVERIFY(::poll(&pfd, 1, 2000) == 1);
    char byte = 0;
    errno = 0;
    const ssize_t readResult = ::read(device.fd(), &byte, 1);
    QVERIFY2(readResult == 0 || (readResult < 0 && errno == EIO),
             qPrintable(QString("read gave %1, errno %2").arg(readResult).arg(errno)));
    errno = 0;
    QCOMPARE(::write(device.fd(), "*STB?\r\n", 7), ssize_t(-1));
    QCOMPARE(errno, EIO);

    // The trigger was the last line heard; the simulator stays up without a line.
    QVERIFY(sim.waitForLog(
        [](const QList<SimLogEntry>& log) {
            return !log.isEmpty() && log.last().direction == "EV" &&
                   log.last().bytes == "closing line";
        },
        2000));
    QCOMPARE(sim.received().last(), QByteArray("*TRG\r\n"));
    QVERIFY(sim.isRunning());
    sim.stop();
    QVERIFY(sim.exitedCleanly());
}

QTEST_GUILESS_MAIN(TestZentoSimScenarios)
#include "tst_zento_sim_scenarios.moc"
