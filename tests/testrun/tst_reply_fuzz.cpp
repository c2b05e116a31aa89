#include "class_evaluation.h"
#include "conversions.h"
#include "fake_form.h"
#include "form_adapters.h"
#include "measurement_cycle.h"
#include "sort_out.h"
#include "test_run.h"

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
    const std::array<Option, 4> classes = kClassOptions;

    for (int round = 0; round < 6000; ++round) {
        const QString reply = generate.reply(round);
        FakeForm form;
        const int cls = generate.below(5);
        if (cls < 4)
            form.select(classes[cls]);
        form.setText(Field::PowerD, generate.below(2) ? QStringLiteral("75") : generate.hostile());
        QString fundAmp = generate.below(2) ? QString() : generate.hostile();
        qint16 testFailed = 0;

        QString result = reply;
        const int found = SortOut(result, form, fundAmp);
        const Evaluation evaluation = Limits(form, fundAmp, testFailed);
        // The same reply as a value, judged as a cycle judges it.
        const ParsedReply parsed = SortOut(reply);
        const ClassChoice choice = selectedClassChoice(form);
        const Judgement judgement =
            Limits(choice.productClass, measuredValues(parsed), choice.power);
        const bool ended = reply.endsWith('\n') || reply.endsWith('\r');
        QString problem;
        const Verdict verdict =
            MeasurementCycle::replyVerdict({reply, ended, true}, parsed, judgement, &problem);
        ++seen[verdict];

        const QByteArray where = "round " + QByteArray::number(round);
        QVERIFY2(found == fieldsIn(reply), where);
        QCOMPARE(parsed.fieldsFound, found);
        QCOMPARE(judgement.anyFailed, testFailed == -1);
        if (found < kReplyFields || !ended || firstFieldNotANumber(parsed) != 0 ||
            firstNegativeField(parsed) != 0 || fieldsReceived(parsed) > kReplyFields)
            QVERIFY2(!isJudged(verdict), where);
        if (!isJudged(verdict))
            QVERIFY2(!problem.isEmpty() || verdict == Verdict::NoResultReceived, where);
        QVERIFY2(testFailed == 0 || testFailed == -1, where);
        for (Field f : {Field::Wattxt, Field::Vlttxt, Field::AmpTxt, Field::PfTxt, Field::FreqTxt})
            QVERIFY2(!looksNonFinite(form.text(f)), where);

        for (int cell = 0; cell < kHarmonicCells; ++cell) {
            const auto& measured = form.no[cell];
            const QString limit = form.hrmLim(cell);
            QVERIFY2(!looksNonFinite(measured.text) && !looksNonFinite(limit), where);
            if (evaluation.status != Evaluation::Judged) {
                QVERIFY2(limit.isEmpty() && measured.back == Colour::Neutral, where);
                continue;
            }
            if (limit.isEmpty())
                continue;
            // A judged cell: above its shown limit means a failed run, and a
            // neutral cell is one that was within its limit and tested.
            QVERIFY2(limit.endsWith("mA"), where);
            const double m = NumericValue(measured.text);
            if (m > NumericValue(limit))
                QVERIFY2(testFailed == -1 && measured.back != Colour::Neutral, where);
            if (measured.back == Colour::Neutral)
                QVERIFY2(m <= NumericValue(limit) && m >= 5, where);
        }
        if (evaluation.status != Evaluation::Judged)
            QVERIFY2(testFailed == 0, where);
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
