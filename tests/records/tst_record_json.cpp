#include "record_json.h"

#include <QtTest>

namespace {

// A JSON array of `count` texts: `first`, then "" for the rest.
QString array(int count, const QString& first)
{
    QStringList texts(count, QStringLiteral("\"\""));
    texts[0] = first;
    return QLatin1Char('[') + texts.join(QLatin1Char(',')) + QLatin1Char(']');
}

// Documents as the store keeps them (keys in the order a compact document
// lists them).
QString storedReply()
{
    return QStringLiteral("{\"amps\":\"0.412\",\"fields\":%1,\"frequency\":null,\"fundAmp\":\"\","
                          "\"harmonics\":%2,\"powerFactor\":\"0.79\",\"volts\":\"230.1\","
                          "\"watts\":\"75 µW \\\"x\\\"\"}")
        .arg(array(47, QStringLiteral("\"75\"")), array(39, QStringLiteral("null")));
}

QString storedJudgement()
{
    QStringList states(39, QStringLiteral("\"not_judged\""));
    states[0] = QStringLiteral("\"fail\"");
    states[2] = QStringLiteral("\"not_tested\"");
    states[38] = QStringLiteral("\"pass\"");
    return QStringLiteral("{\"currents\":%1,\"limits\":%2,\"states\":[%3]}")
        .arg(array(39, QStringLiteral("\"2400\"")), array(39, QStringLiteral("\"2300mA\"")),
             states.join(QLatin1Char(',')));
}

} // namespace

class RecordJsonTest : public QObject
{
    Q_OBJECT

private slots:
    // The documents read into the values they stand for, and those values
    // written give the same documents again.
    void storedDocuments()
    {
        ParsedReply reply;
        QVERIFY(readReplyJson(storedReply(), &reply));
        QCOMPARE(reply.fields[0], "75");
        QVERIFY(!reply.fields[46].isNull() && reply.fields[46].isEmpty());
        QCOMPARE(reply.watts, "75 µW \"x\"");
        QCOMPARE(reply.volts, "230.1");
        QCOMPARE(reply.amps, "0.412");
        QCOMPARE(reply.powerFactor, "0.79");
        QVERIFY(reply.frequency.isNull());
        QVERIFY(!reply.fundAmp.isNull() && reply.fundAmp.isEmpty());
        QVERIFY(reply.harmonics[0].isNull() && reply.harmonics[38].isEmpty());
        QCOMPARE(replyJson(reply), storedReply());

        Judgement judgement;
        QVERIFY(readJudgementJson(storedJudgement(), &judgement));
        QCOMPARE(judgement.limits[0], "2300mA");
        QCOMPARE(judgement.currents[0], "2400");
        QVERIFY(!judgement.currents[1].isNull() && judgement.currents[1].isEmpty());
        const CellState states[] = {judgement.states[0], judgement.states[1], judgement.states[2],
                                    judgement.states[38]};
        QCOMPARE(QList<CellState>(std::begin(states), std::end(states)),
                 QList<CellState>({CellState::Fail, CellState::NotJudged, CellState::NotTested,
                                   CellState::Pass}));
        QCOMPARE(judgementJson(judgement), storedJudgement());
    }

    void damagedDocument_data()
    {
        QTest::addColumn<bool>("isReply");
        QTest::addColumn<QString>("json");
        QTest::newRow("reply, 46 fields")
            << true << QString(storedReply()).replace(array(47, "\"75\""), array(46, "\"75\""));
        QTest::newRow("reply, no harmonics")
            << true << QString(storedReply()).replace(array(39, "null"), "null");
        QTest::newRow("reply, not JSON") << true << "{\"fields\":[";
        QTest::newRow("judgement, unknown state")
            << false << QString(storedJudgement()).replace("\"fail\"", "\"red\"");
        QTest::newRow("judgement, 38 limits")
            << false
            << QString(storedJudgement()).replace(array(39, "\"2300mA\""), array(38, "\"2300mA\""));
    }

    void damagedDocument()
    {
        QFETCH(bool, isReply);
        QFETCH(QString, json);
        QVERIFY(json != storedReply() && json != storedJudgement());
        ParsedReply reply;
        Judgement judgement;
        QVERIFY(isReply ? !readReplyJson(json, &reply) : !readJudgementJson(json, &judgement));
    }
};

QTEST_GUILESS_MAIN(RecordJsonTest)
#include "tst_record_json.moc"
