// The worked examples of docs/rules.md, read from the document and judged by
// the evaluation code: an example whose figures no longer match what the
// tool computes fails here. Each line of an ```example block is
//   [observe] key=value ... -> key=value ...
// inputs on the left, what the tool gives on the right.

#include "class_evaluation.h"
#include "observation_rules.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QtTest>

#include <cmath>

namespace {

using Fields = QMap<QString, QString>;

Fields fieldsOf(const QString& text)
{
    Fields fields;
    for (const QString& token : text.split(u' ', Qt::SkipEmptyParts)) {
        const qsizetype equals = token.indexOf(u'=');
        fields.insert(equals < 0 ? token : token.left(equals),
                      equals < 0 ? QString() : token.mid(equals + 1));
    }
    return fields;
}

// The example lines of every ```example block of the document.
QStringList exampleLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines;
    bool inBlock = false;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(QLatin1String("```")))
            inBlock = !inBlock && line.trimmed() == QLatin1String("```example");
        else if (inBlock && !line.trimmed().isEmpty())
            lines << line.trimmed();
    }
    return lines;
}

ClassChoice choiceOf(const Fields& in)
{
    ClassChoice choice;
    choice.productClass = classFromLetter(in.value("class")).value_or(ProductClass::None);
    choice.power = ClassDPower(in.value("power"));
    choice.guardBandPct = in.value("guard", "0").toDouble();
    choice.edition = in.value("edition") == "2018" ? Edition::Iec2018 : Edition::Iec1995;
    choice.professional = in.value("professional") == "yes";
    return choice;
}

// "2000,800*10": 2000 once, then 800 ten times.
QList<double> sampleValues(const QString& text)
{
    QList<double> values;
    for (const QString& part : text.split(u',')) {
        const QStringList valueAndCount = part.split(u'*');
        values.append(
            QList<double>(valueAndCount.value(1, "1").toInt(), valueAndCount[0].toDouble()));
    }
    return values;
}

QString verdictOf(const Judgement& judgement)
{
    switch (judgement.evaluation.status) {
    case Evaluation::NotLimited:
        return "NotLimited";
    case Evaluation::Judged:
        return judgement.anyFailed ? "Fail" : "Pass";
    default:
        return "NoVerdict";
    }
}

QString verdictOf(ObservationVerdict verdict)
{
    static const QMap<ObservationVerdict, QString> names{
        {ObservationVerdict::Pass, "Pass"},
        {ObservationVerdict::Fail, "Fail"},
        {ObservationVerdict::IncompleteObservation, "Incomplete"},
        {ObservationVerdict::NotLimited, "NotLimited"}};
    return names.value(verdict, "Other");
}

QString number(std::optional<double> value)
{
    return value ? QString::number(*value, 'g', 12) : QStringLiteral("none");
}

// What the tool gives for `key` of a single measurement.
QString measured(const Judgement& judgement, const QString& key)
{
    static const QRegularExpression perOrder("^(limit|state)(\\d+)$");
    const QRegularExpressionMatch match = perOrder.match(key);
    if (match.hasMatch()) {
        const std::size_t cell = std::size_t(match.captured(2).toInt() - 2);
        if (match.captured(1) == "state")
            return cellStateName(judgement.states.at(cell));
        return judgement.limits.at(cell).isEmpty() ? "none" : judgement.limits.at(cell);
    }
    if (key == "verdict")
        return verdictOf(judgement);
    if (key == "basis")
        return powerBasisName(judgement.powerBasis);
    if (key == "basisW")
        return number(judgement.basisW);
    if (key == "lab")
        return judgement.lab ? (judgement.lab->anyFailed ? "Fail" : "Pass") : "none";
    return "unknown key";
}

// What the tool gives for `key` of an observation.
QString observed(const ObservationJudgement& judged, const QString& key)
{
    static const QRegularExpression perOrder("^([a-zA-Z]+?)(\\d+)$");
    const QRegularExpressionMatch match = perOrder.match(key);
    if (match.hasMatch()) {
        const OrderJudgement& order = judged.orders.at(std::size_t(match.captured(2).toInt() - 2));
        const QString name = match.captured(1);
        const QMap<QString, QString> values{{"limit", number(order.limitMa)},
                                            {"guarded", number(order.guardedLimitMa)},
                                            {"average", number(order.averageMa)},
                                            {"maximum", number(order.maximumMa)},
                                            {"averagePct", number(order.averagePct)},
                                            {"maximumPct", number(order.maximumPct)},
                                            {"state", cellStateName(order.state)},
                                            {"provision", order.provisionUsed ? "yes" : "no"}};
        return values.value(name, "unknown key");
    }
    if (key == "verdict")
        return verdictOf(judged.verdict);
    if (key == "pohc")
        return judged.pohc ? number(judged.pohc->measuredMa) : "none";
    if (key == "pohcLimit")
        return judged.pohc ? number(judged.pohc->limitMa) : "none";
    if (key == "allowance")
        return judged.pohc && judged.pohc->allowanceApplied ? "yes" : "no";
    if (key == "basis")
        return powerBasisName(judged.basis.powerBasis);
    if (key == "basisW")
        return number(judged.basis.basisW);
    return "unknown key";
}

ObservationJudgement judgeObservation(const Fields& in)
{
    QMap<int, QList<double>> orders;
    qsizetype count = 0;
    for (auto it = in.begin(); it != in.end(); ++it)
        if (it.key().startsWith(u'h')) {
            orders.insert(it.key().mid(1).toInt(), sampleValues(it.value()));
            count = std::max(count, orders.last().size());
        }
    const double rmsA = in.value("amps", "1").toDouble();
    ObservationTally tally(choiceOf(in));
    for (qsizetype n = 0; n < count; ++n) {
        RuleSample sample;
        sample.rmsA = rmsA;
        sample.powerW = in.value("watts", "100").toDouble();
        sample.fundamentalA = in.value("fund", "1").toDouble();
        sample.powerFactor = in.value("pf", "1").toDouble();
        for (std::size_t cell = 0; cell < kHarmonicCells; ++cell) {
            const double ma = orders.value(int(cell) + 2).value(n, 0);
            sample.currentsMa[cell] = ma;
            sample.notTested[cell] = ma < 5 || ma < 6 * rmsA;
        }
        tally.add(sample);
    }
    return tally.judge(ObservationEnd::Completed, in.value("interval", "8").toDouble());
}

Judgement judgeMeasurement(const Fields& in)
{
    MeasuredValues values;
    values.amps = in.value("amps", "1");
    values.watts = in.value("watts", "100");
    values.fundAmp = in.value("fund", values.amps);
    values.powerFactor = in.value("pf", "0.95");
    for (std::size_t cell = 0; cell < kHarmonicCells; ++cell)
        values.harmonics[cell] = in.value(QStringLiteral("h%1").arg(cell + 2), "0");
    return Limits(choiceOf(in), values);
}

// The expected text matches: the same words, or a number given to as many
// decimals as the document writes.
bool matches(const QString& expected, const QString& actual)
{
    bool isNumber = false;
    const double want = expected.toDouble(&isNumber);
    if (!isNumber)
        return expected == actual;
    const qsizetype point = expected.indexOf(u'.');
    const int decimals = point < 0 ? 0 : int(expected.size() - point - 1);
    return std::abs(actual.toDouble() - want) <= 0.5 * std::pow(10.0, -decimals) + 1e-9;
}

} // namespace

class RulesExamples : public QObject
{
    Q_OBJECT

private slots:
    void documentHasExamples();
    void example_data();
    void example();
};

void RulesExamples::documentHasExamples()
{
    QVERIFY(exampleLines(RULES_MD).size() >= 10);
}

void RulesExamples::example_data()
{
    QTest::addColumn<QString>("line");
    for (const QString& line : exampleLines(RULES_MD))
        QTest::newRow(qPrintable(line)) << line;
}

void RulesExamples::example()
{
    QFETCH(QString, line);
    const QStringList sides = line.split(QStringLiteral("->"));
    QCOMPARE(sides.size(), 2);
    Fields in = fieldsOf(sides[0]);
    const Fields expected = fieldsOf(sides[1]);
    QVERIFY(!expected.isEmpty());
    const bool observation = in.remove("observe") > 0;
    QVERIFY(in.contains("class"));
    const ObservationJudgement judged = observation ? judgeObservation(in) : ObservationJudgement{};
    const Judgement single = observation ? Judgement{} : judgeMeasurement(in);
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        const QString actual =
            observation ? observed(judged, it.key()) : measured(single, it.key());
        if (!matches(it.value(), actual))
            QFAIL(qPrintable(QStringLiteral("%1: the document says %2, the tool gives %3")
                                 .arg(it.key(), it.value(), actual)));
    }
}

QTEST_GUILESS_MAIN(RulesExamples)
#include "tst_rules_examples.moc"
