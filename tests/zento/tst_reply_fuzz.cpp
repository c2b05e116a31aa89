#include "class_evaluation.h"
#include "conversions.h"
#include "measurement_cycle.h"
#include "sort_out.h"

#include <QtTest>

#include <map>
#include <random>

namespace {

// Field texts an analyzer, a noisy line or a careless operator might give.
const QStringList kHostile{"",        " ",     "nan",     "NaN",        "inf",      "-inf",
                           "1e308",   "1e309", "-1E+309", "1E+99999",   "1e-99999", "4.9e-324",
                           "0.0457",  "-0",    "+5",      "1.",         ".5",       "e5",
                           "1e",      "--1",   "0x10",    "\t1\n",      "\r",       "75 W",
                           "1.5E+15", "1e-5",  "0.98",    "2.3010E+02", "\x01\x7f", "999999999"};

class Generator
{
public:
    explicit Generator(std::uint32_t seed) : m_random(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    const QString& hostile() { return kHostile[below(kHostile.size())]; }

    QString terminator()
    {
        static const QStringList endings{"\r\n", "", "\n", "\r", "\r\n\r\n"};
        return endings[below(endings.size())];
    }

    QString binary(int length)
    {
        QString text;
        for (int i = 0; i < length; ++i)
            text += QChar(char16_t(below(0x10000)));
        return text;
    }

    // A plausible measurement: small harmonics that often pass.
    QString plausible(int fieldCount)
    {
        QStringList fields{"120.5", "230.1", "0.6", "0.87", "50", "0", "0", "0.55"};
        while (fields.size() < fieldCount)
            fields << QString::number(below(45000) / 1e6);
        return fields.mid(0, fieldCount).join(',') + terminator();
    }

    QString reply(int round)
    {
        if (round % 50 == 0) {
            // A very long line: up to 300000 characters of digits, points and
            // commas, or one endless number.
            static const QString alphabet = "0123456789.,eE-";
            const int length = 40000 + below(260000);
            QString text;
            text.reserve(length);
            const bool oneNumber = below(2) == 0;
            for (int i = 0; i < length; ++i)
                text += oneNumber ? QChar(u'9') : alphabet[below(alphabet.size())];
            return text + terminator();
        }
        switch (below(6)) {
        case 0:
            return {};
        case 1:
            return QString(below(100), QLatin1Char(',')) + terminator();
        case 2:
            return binary(below(300));
        case 3:
            return plausible(40 + below(12));
        default: {
            QStringList fields;
            const int count = below(61);
            for (int i = 0; i < count; ++i)
                fields << (below(3) == 0 ? QString::number(below(2000) / 1000.0) : hostile());
            return fields.join(',') + terminator();
        }
        }
    }

private:
    std::mt19937 m_random;
};

// The fields a reply holds, counted from its commas: one more than its
// commas once a single line end is taken off, none for an empty reply.
int fieldsIn(QString reply)
{
    if (reply.endsWith("\r\n"))
        reply.chop(2);
    else if (reply.endsWith('\n') || reply.endsWith('\r'))
        reply.chop(1);
    if (reply.isEmpty())
        return 0;
    return std::min<int>(reply.count(',') + 1, kReplyFields);
}

bool looksNonFinite(const QString& text)
{
    return text.contains("nan", Qt::CaseInsensitive) || text.contains("inf", Qt::CaseInsensitive);
}

} // namespace

class ReplyFuzz : public QObject
{
    Q_OBJECT

private slots:
    void hostileReplies();
};

void ReplyFuzz::hostileReplies()
{
    Generator generate(20240604);
    std::map<Verdict, int> seen;

    for (int round = 0; round < 6000; ++round) {
        const QString reply = generate.reply(round);
        const int cls = generate.below(5);
        const ProductClass productClass = cls < 4 ? ProductClass(cls + 1) : ProductClass::None;
        const QString power = generate.below(2) ? QStringLiteral("75") : generate.hostile();
        const QString fundAmp = generate.below(2) ? QString() : generate.hostile();

        // The reply judged as a cycle judges it. A reply without field 8
        // leaves the fundamental current to whatever Class C is given.
        const ParsedReply parsed = SortOut(reply);
        MeasuredValues measured = measuredValues(parsed);
        if (parsed.fieldsFound < 8)
            measured.fundAmp = fundAmp;
        const Judgement judgement = Limits(ClassChoice{productClass, power}, measured);
        const Evaluation& evaluation = judgement.evaluation;
        const bool ended = reply.endsWith('\n') || reply.endsWith('\r');
        QString problem;
        const Verdict verdict =
            MeasurementCycle::replyVerdict({reply, ended, true}, parsed, judgement, &problem);
        ++seen[verdict];

        const QByteArray where = "round " + QByteArray::number(round);
        QVERIFY2(parsed.fieldsFound == fieldsIn(reply), where);
        if (parsed.fieldsFound < kReplyFields || !ended || firstFieldNotANumber(parsed) != 0 ||
            firstNegativeField(parsed) != 0 || fieldsReceived(parsed) > kReplyFields)
            QVERIFY2(!isJudged(verdict), where);
        if (!isJudged(verdict))
            QVERIFY2(!problem.isEmpty() || verdict == Verdict::NoResultReceived, where);
        for (const QString* value :
             {&parsed.watts, &parsed.volts, &parsed.amps, &parsed.powerFactor, &parsed.frequency})
            QVERIFY2(!looksNonFinite(*value), where);

        for (int cell = 0; cell < kHarmonicCells; ++cell) {
            const QString& current = judgement.currents[cell];
            const QString& limit = judgement.limits[cell];
            const CellState state = judgement.states[cell];
            QVERIFY2(!looksNonFinite(current) && !looksNonFinite(limit), where);
            if (evaluation.status != Evaluation::Judged) {
                QVERIFY2(limit.isEmpty() && state == CellState::NotJudged, where);
                continue;
            }
            if (limit.isEmpty())
                continue;
            // A judged cell: above its limit means a failed run unless the
            // current is disregarded (not tested), and a cell that passed was
            // within its limit and tested.
            QVERIFY2(limit.endsWith("mA"), where);
            const double m = NumericValue(current);
            if (m > NumericValue(limit))
                QVERIFY2(state == CellState::NotTested ||
                             (judgement.anyFailed && state == CellState::Fail),
                         where);
            if (state == CellState::Pass)
                QVERIFY2(m <= NumericValue(limit) && m >= 5, where);
        }
        if (evaluation.status != Evaluation::Judged)
            QVERIFY2(!judgement.anyFailed, where);
        if (evaluation.status == Evaluation::NotJudged)
            QVERIFY2(!evaluation.problem.isEmpty(), where);
    }

    // The replies reached every outcome, a pass included.
    for (Verdict v : {Verdict::Pass, Verdict::Fail, Verdict::IncompleteResult,
                      Verdict::InvalidResult, Verdict::NoVerdict})
        QVERIFY2(seen[v] > 0, QByteArray::number(int(v)));
}

QTEST_GUILESS_MAIN(ReplyFuzz)
#include "tst_reply_fuzz.moc"
