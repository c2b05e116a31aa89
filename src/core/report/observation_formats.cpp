#include "observation_formats.h"

#include "harmonics.h"
#include "report_rows.h"
#include "result_formats.h"

#include <QJsonArray>
#include <QStringList>

#include <cmath>

namespace {

double rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

QJsonValue jsonNumber(const std::optional<double>& value, int decimals)
{
    return value ? QJsonValue(rounded(*value, decimals)) : QJsonValue(QJsonValue::Null);
}

QString numberText(const std::optional<double>& value, int decimals)
{
    return value ? QString::number(rounded(*value, decimals), 'f', decimals) : QString();
}

QString typedPower(const ObservationResult& r)
{
    return r.choice.productClass == ProductClass::D ? r.choice.power : QString();
}

// The observation's problem, else the class's (a power out of range).
QString problemOf(const ObservationResult& r)
{
    return r.problem.isEmpty() ? r.judgement.problem : r.problem;
}

// The product fields with their JSON keys and text captions.
struct ProductField
{
    const char* key;
    const char* caption;
    QString ProductInfo::*field;
};

const std::array<ProductField, 7> kProductFields{{
    {"product", "Product", &ProductInfo::product},
    {"serial", "Serial", &ProductInfo::serial},
    {"operator", "Operator", &ProductInfo::operatorName},
    {"notes", "Notes", &ProductInfo::notes},
    {"lab", "Lab", &ProductInfo::lab},
    {"instrument", "Analyzer", &ProductInfo::instrument},
    {"conditions", "Conditions", &ProductInfo::conditions},
}};

} // namespace

QJsonObject observationJson(const ObservationRecord& record)
{
    const ObservationResult& r = record.result;
    const ObservationJudgement& j = r.judgement;
    QJsonObject json;
    json.insert(QStringLiteral("verdict"), observationVerdictText(r.verdict));
    json.insert(QStringLiteral("class"), classLetter(r.choice.productClass));
    json.insert(QStringLiteral("power"), typedPower(r));
    json.insert(QStringLiteral("duration_s"), r.durationS);
    json.insert(QStringLiteral("elapsed_s"), rounded(r.elapsedS, 1));
    json.insert(QStringLiteral("samples"), j.samplesJudged);
    json.insert(QStringLiteral("samples_not_judged"), r.samplesNotJudged);
    json.insert(QStringLiteral("sample_interval_s"), rounded(r.sampleIntervalS, 1));
    json.insert(QStringLiteral("sampling"), samplingSentence(r.sampleIntervalS));
    json.insert(QStringLiteral("rules"), QLatin1String(kObservationRules));
    QJsonArray harmonics;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const OrderJudgement& o = j.orders[std::size_t(cell)];
        harmonics.append(QJsonObject{
            {QStringLiteral("order"), harmonicOrder(cell)},
            {QStringLiteral("limit_ma"), jsonNumber(o.limitMa, 3)},
            {QStringLiteral("average_ma"), rounded(o.averageMa, 3)},
            {QStringLiteral("maximum_ma"), rounded(o.maximumMa, 3)},
            {QStringLiteral("average_pct"), jsonNumber(o.averagePct, 2)},
            {QStringLiteral("maximum_pct"), jsonNumber(o.maximumPct, 2)},
            {QStringLiteral("state"), cellStateName(o.state)},
        });
    }
    json.insert(QStringLiteral("harmonics"), harmonics);
    if (j.pohc)
        json.insert(QStringLiteral("pohc"),
                    QJsonObject{{QStringLiteral("measured_ma"), rounded(j.pohc->measuredMa, 3)},
                                {QStringLiteral("limit_ma"), rounded(j.pohc->limitMa, 3)},
                                {QStringLiteral("allowance_applied"), j.pohc->allowanceApplied}});
    else
        json.insert(QStringLiteral("pohc"), QJsonValue(QJsonValue::Null));
    if (r.choice.productClass == ProductClass::D) {
        json.insert(QStringLiteral("highest_power_w"), jsonNumber(j.basis.highestPowerW, 3));
        json.insert(QStringLiteral("power_differs"), j.basis.powerDiffers);
    }
    if (r.choice.productClass == ProductClass::C && j.basis.fundamentalSample) {
        json.insert(QStringLiteral("fundamental_a"), j.basis.fundamentalA);
        json.insert(QStringLiteral("power_factor"), j.basis.powerFactor);
    }
    json.insert(QStringLiteral("measured_at"), isoTimestamp(r.measuredAt));
    if (record.id > 0)
        json.insert(QStringLiteral("record_id"), record.id);
    if (const QString problem = problemOf(r); !problem.isEmpty())
        json.insert(QStringLiteral("problem"), problem);
    for (const ProductField& field : kProductFields)
        if (const QString value = record.product.*field.field; !value.isEmpty())
            json.insert(QString::fromLatin1(field.key), value);
    return json;
}

QString observationCsv(const ObservationRecord& record)
{
    const ObservationResult& r = record.result;
    const ObservationJudgement& j = r.judgement;
    QString csv = csvRow({QStringLiteral("verdict"),
                          QStringLiteral("class"),
                          QStringLiteral("power"),
                          QStringLiteral("measured_at"),
                          QStringLiteral("duration_s"),
                          QStringLiteral("elapsed_s"),
                          QStringLiteral("samples"),
                          QStringLiteral("samples_not_judged"),
                          QStringLiteral("sample_interval_s"),
                          QStringLiteral("record_id"),
                          QStringLiteral("order"),
                          QStringLiteral("limit_ma"),
                          QStringLiteral("average_ma"),
                          QStringLiteral("maximum_ma"),
                          QStringLiteral("average_pct"),
                          QStringLiteral("maximum_pct"),
                          QStringLiteral("state"),
                          QStringLiteral("pohc_measured_ma"),
                          QStringLiteral("pohc_limit_ma"),
                          QStringLiteral("pohc_allowance_applied"),
                          QStringLiteral("rules"),
                          QStringLiteral("sampling")});
    const QStringList common{observationVerdictText(r.verdict),
                             classLetter(r.choice.productClass),
                             typedPower(r),
                             isoTimestamp(r.measuredAt),
                             QString::number(r.durationS),
                             numberText(r.elapsedS, 1),
                             QString::number(j.samplesJudged),
                             QString::number(r.samplesNotJudged),
                             numberText(r.sampleIntervalS, 1),
                             record.id > 0 ? QString::number(record.id) : QString()};
    QStringList pohc{QString(), QString(), QString()};
    if (j.pohc)
        pohc = {numberText(j.pohc->measuredMa, 3), numberText(j.pohc->limitMa, 3),
                j.pohc->allowanceApplied ? QStringLiteral("yes") : QStringLiteral("no")};
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const OrderJudgement& o = j.orders[std::size_t(cell)];
        csv += csvRow(QStringList(common)
                      << QString::number(harmonicOrder(cell)) << numberText(o.limitMa, 3)
                      << numberText(o.averageMa, 3) << numberText(o.maximumMa, 3)
                      << numberText(o.averagePct, 2) << numberText(o.maximumPct, 2)
                      << cellStateName(o.state) << pohc << QLatin1String(kObservationRules)
                      << samplingSentence(r.sampleIntervalS));
    }
    return csv;
}

QString observationText(const ObservationRecord& record)
{
    const ObservationResult& r = record.result;
    const ObservationJudgement& j = r.judgement;
    const auto shown = [](const QString& text) {
        return text.isEmpty() ? QStringLiteral("-") : escapedText(text);
    };
    QString text;
    const auto line = [&text](const QString& caption, const QString& value) {
        text += (caption + QLatin1Char(':')).leftJustified(15) + value + QLatin1Char('\n');
    };
    if (record.id > 0)
        line(QStringLiteral("Record"), QString::number(record.id));
    for (const ProductField& field : kProductFields)
        if (const QString value = record.product.*field.field; !value.isEmpty())
            line(QString::fromLatin1(field.caption), escapedText(value));
    line(QStringLiteral("Started at"), shown(isoTimestamp(r.measuredAt)));
    line(QStringLiteral("Class"),
         shown(classWithPower(r.choice.productClass, escapedText(r.choice.power))));
    if (r.choice.productClass == ProductClass::D)
        line(QStringLiteral("Highest power"),
             j.basis.highestPowerW
                 ? QStringLiteral("%1 W%2").arg(
                       numberText(j.basis.highestPowerW, 1),
                       j.basis.powerDiffers
                           ? QStringLiteral(" (differs from the typed power by over 10 %)")
                           : QString())
                 : QStringLiteral("-"));
    line(QStringLiteral("Duration"),
         QStringLiteral("%1 s (%2 s elapsed)").arg(r.durationS).arg(numberText(r.elapsedS, 1)));
    line(QStringLiteral("Samples"),
         QStringLiteral("%1 judged, %2 not judged").arg(j.samplesJudged).arg(r.samplesNotJudged));
    line(QStringLiteral("Sampling"), samplingSentence(r.sampleIntervalS));
    line(QStringLiteral("Rules"), QLatin1String(kObservationRules));

    text += QStringLiteral(
        "\nOrder  Limit (mA)  Average (mA)  Average %  Maximum (mA)  Maximum %  State\n");
    const auto cellText = [&](const std::optional<double>& value, int decimals, int width) {
        return shown(numberText(value, decimals)).rightJustified(width);
    };
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const OrderJudgement& o = j.orders[std::size_t(cell)];
        text += QString::number(harmonicOrder(cell)).rightJustified(5) + QStringLiteral("  ") +
                cellText(o.limitMa, 1, 10) + QStringLiteral("  ") + cellText(o.averageMa, 1, 12) +
                QStringLiteral("  ") + cellText(o.averagePct, 1, 9) + QStringLiteral("  ") +
                cellText(o.maximumMa, 1, 12) + QStringLiteral("  ") + cellText(o.maximumPct, 1, 9) +
                QStringLiteral("  ") + cellStateName(o.state) + QLatin1Char('\n');
    }
    if (j.pohc)
        text += QStringLiteral("\nPOHC (odd orders 21 to 39): %1 mA, limit %2 mA; %3\n")
                    .arg(numberText(j.pohc->measuredMa, 1), numberText(j.pohc->limitMa, 1),
                         j.pohc->allowanceApplied
                             ? QStringLiteral("allowance applied (each may average up to 150 %)")
                             : QStringLiteral("allowance not applied (100 % of each limit)"));
    if (const QString problem = problemOf(r); !problem.isEmpty())
        text += QStringLiteral("\nProblem: %1\n").arg(escapedMessage(problem));
    text += QStringLiteral("\nVerdict: %1\n").arg(observationVerdictText(r.verdict));
    return text;
}
