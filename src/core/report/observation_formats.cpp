#include "observation_formats.h"

#include "conversions.h"
#include "guard_band.h"
#include "harmonics.h"
#include "header_formats.h"
#include "record_json.h"
#include "report_rows.h"
#include "result_formats.h"
#include "sort_out.h"

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

// A percentage as JSON and CSV keep it: not rounded.
QJsonValue jsonNumber(const std::optional<double>& value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}
QString percentNumber(const std::optional<double>& value)
{
    return value ? NumberText(*value) : QString();
}

QString numberText(const std::optional<double>& value, int decimals)
{
    return value ? QString::number(rounded(*value, decimals), 'f', decimals) : QString();
}

QString typedPower(const ObservationResult& r)
{
    return r.choice.classDPower().text();
}

QString yesNo(bool value)
{
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

QJsonValue rangeJson(const ElectricalValue& value)
{
    if (!value.range)
        return QJsonValue(QJsonValue::Null);
    const int decimals = value.decimals + 1;
    return QJsonObject{{QStringLiteral("average"), rounded(value.range->average, decimals)},
                       {QStringLiteral("minimum"), rounded(value.range->minimum, decimals)},
                       {QStringLiteral("maximum"), rounded(value.range->maximum, decimals)}};
}

QJsonArray sampleNumbersJson(const QList<int>& samples)
{
    QJsonArray numbers;
    for (int sample : samples)
        numbers.append(sample + 1);
    return numbers;
}

// "3, 7, 12", at most 20 of them, "and N more" after.
QString sampleNumbersText(const QList<int>& samples)
{
    constexpr qsizetype kShown = 20;
    QStringList numbers;
    for (qsizetype n = 0; n < std::min(kShown, samples.size()); ++n)
        numbers << QString::number(samples[n] + 1);
    QString text = numbers.join(QStringLiteral(", "));
    if (samples.size() > kShown)
        text += QStringLiteral(" and %1 more").arg(samples.size() - kShown);
    return text;
}

// The samples (indices among all, from 0) that were not judged: their
// replies were invalid, incomplete or missing.
QList<int> notJudgedSamples(const ObservationResult& r)
{
    QList<int> samples;
    for (qsizetype k = 0; k < r.samples.size(); ++k)
        if (!r.samples[k].values)
            samples << int(k);
    return samples;
}

// "2 (Invalid result), 7 (Incomplete result)", at most 20 of them, "and N
// more" after.
QString notJudgedText(const ObservationResult& r, const QList<int>& samples)
{
    constexpr qsizetype kShown = 20;
    QStringList named;
    for (qsizetype n = 0; n < std::min(kShown, samples.size()); ++n)
        named << QStringLiteral("%1 (%2)")
                     .arg(samples[n] + 1)
                     .arg(verdictText(r.samples[samples[n]].verdict));
    QString text = named.join(QStringLiteral(", "));
    if (samples.size() > kShown)
        text += QStringLiteral(" and %1 more").arg(samples.size() - kShown);
    return text;
}

} // namespace

QString shownObservationVerdict(const ObservationResult& result)
{
    if (result.recording && !result.recording->invalid.isEmpty())
        return QStringLiteral("Invalid result");
    const QString text = observationVerdictText(result.verdict);
    const bool judged =
        result.verdict == ObservationVerdict::Pass || result.verdict == ObservationVerdict::Fail;
    return judged ? withGuardBand(text, result.judgement.guardBandPct) : text;
}

QString powerBasisText(const ObservationJudgement& judgement)
{
    const LimitsBasis& basis = judgement.basis;
    if (!basis.basisW)
        return QStringLiteral("-");
    const QString highest = basis.highestPowerW
                                ? NumberText(*basis.highestPowerW) + QStringLiteral(" W")
                                : QStringLiteral("none yet");
    if (basis.powerBasis == PowerBasis::Measured)
        return QStringLiteral("the highest measured power %1 W (not within 10 % of the typed "
                              "%2 W)")
            .arg(NumberText(*basis.basisW), escapedText(basis.typedPower));
    return QStringLiteral("the typed power %1 W (highest measured: %2)")
        .arg(escapedText(basis.typedPower), highest);
}

QString fundamentalBasisText(const ObservationJudgement& judgement)
{
    const LimitsBasis& basis = judgement.basis;
    if (!basis.fundamentalSample)
        return QStringLiteral("-");
    QString text = QStringLiteral("median %1 A (sample %2), power factor %3")
                       .arg(NumberText(basis.fundamentalA))
                       .arg(*basis.fundamentalSample + 1)
                       .arg(NumberText(basis.powerFactor));
    if (!basis.fundamentalVaries.isEmpty())
        text += QStringLiteral("; over 10 % from it in samples %1")
                    .arg(sampleNumbersText(basis.fundamentalVaries));
    return text;
}

std::array<ElectricalValue, 5> electricalValues(const ObservationResult& result)
{
    std::array<ElectricalValue, 5> values{{
        {"volts", "Voltage", "V", 1, std::nullopt},
        {"amps", "Current", "A", 3, std::nullopt},
        {"watts", "Power", "W", 1, std::nullopt},
        {"power_factor", "Power factor", "", 3, std::nullopt},
        {"frequency", "Frequency", "Hz", 2, std::nullopt},
    }};
    // The judged samples' values, or those of every window of a recording
    // whose samples are a selection.
    ShownRanges ranges;
    if (result.rangesOfAll)
        ranges = *result.rangesOfAll;
    else
        for (const ObservedSample& sample : result.samples)
            if (sample.values)
                ranges.add(sample.shown);
    // In the order of ShownValues: volts, amps, watts, power factor, frequency.
    for (std::size_t n = 0; n < values.size(); ++n)
        if (ranges.count[n] > 0)
            values[n].range =
                ValueRange{ranges.sum[n] / ranges.count[n], ranges.lowest[n], ranges.highest[n]};
    return values;
}

QString electricalText(const ElectricalValue& value)
{
    if (!value.range)
        return QStringLiteral("-");
    const QString unit =
        *value.unit ? QLatin1Char(' ') + QString::fromLatin1(value.unit) : QString();
    const auto number = [&value](double x) { return QString::number(x, 'f', value.decimals); };
    return QStringLiteral("%1%2 (%3 to %4%2)")
        .arg(number(value.range->average), unit, number(value.range->minimum),
             number(value.range->maximum));
}

QString observationProblem(const ObservationResult& r)
{
    if (!r.problem.isEmpty())
        return r.problem;
    if (!r.judgement.problem.isEmpty())
        return r.judgement.problem;
    if (r.verdict != ObservationVerdict::IncompleteObservation)
        return QString();
    const int judged = r.judgement.samplesJudged;
    const int taken = judged + r.judgement.samplesNotJudged;
    if (taken == 0)
        return QStringLiteral("No sample was taken.");
    if (judged < 2)
        return QStringLiteral("%1 of %2 samples could be judged; an observation needs at least "
                              "2 to have a verdict.")
            .arg(judged)
            .arg(taken);
    return QStringLiteral("%1 of %2 samples could not be judged; more than 10 % gives no verdict.")
        .arg(r.judgement.samplesNotJudged)
        .arg(taken);
}

QJsonObject observationJson(const ObservationRecord& record)
{
    const ObservationResult& r = record.result;
    const ObservationJudgement& j = r.judgement;
    QJsonObject json;
    json.insert(QStringLiteral("verdict"), shownObservationVerdict(r));
    json.insert(QStringLiteral("class"), classLetter(r.choice.productClass));
    json.insert(QStringLiteral("power"), typedPower(r));
    json.insert(QStringLiteral("duration_s"), r.durationS);
    json.insert(QStringLiteral("elapsed_s"), rounded(r.elapsedS, 1));
    json.insert(QStringLiteral("samples"), j.samplesJudged);
    json.insert(QStringLiteral("samples_not_judged"), r.samplesNotJudged);
    json.insert(QStringLiteral("not_judged_samples"), sampleNumbersJson(notJudgedSamples(r)));
    json.insert(QStringLiteral("sample_interval_s"), rounded(r.sampleIntervalS, 1));
    json.insert(QStringLiteral("sampling"), r.sampling());
    json.insert(QStringLiteral("rules"), r.rules());
    json.insert(QStringLiteral("source"), r.source());
    if (r.recording) {
        json.insert(QStringLiteral("windows"), j.samplesJudged);
        json.insert(QStringLiteral("window_s"), rounded(r.sampleIntervalS, 5));
        const QJsonObject facts = recordingFactsJson(*r.recording);
        for (auto fact = facts.begin(); fact != facts.end(); ++fact)
            if (!json.contains(fact.key()))
                json.insert(fact.key(), fact.value());
    }
    json.insert(QStringLiteral("edition"), editionName(j.edition));
    json.insert(QStringLiteral("professional"), r.choice.professional);
    json.insert(QStringLiteral("judgement_notes"), QJsonArray::fromStringList(j.notes));
    json.insert(QStringLiteral("guard_band_pct"), j.guardBandPct);
    QJsonArray harmonics;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const OrderJudgement& o = j.orders[std::size_t(cell)];
        harmonics.append(QJsonObject{
            {QStringLiteral("order"), harmonicOrder(cell)},
            {QStringLiteral("limit_ma"), jsonNumber(o.limitMa, 3)},
            {QStringLiteral("guarded_limit_ma"), jsonNumber(o.guardedLimitMa, 3)},
            {QStringLiteral("average_ma"), rounded(o.averageMa, 3)},
            {QStringLiteral("maximum_ma"), rounded(o.maximumMa, 3)},
            {QStringLiteral("average_pct"), jsonNumber(o.averagePct)},
            {QStringLiteral("maximum_pct"), jsonNumber(o.maximumPct)},
            {QStringLiteral("state"), cellStateName(o.state)},
            {QStringLiteral("provision_used"), o.provisionUsed},
        });
    }
    json.insert(QStringLiteral("harmonics"), harmonics);
    json.insert(QStringLiteral("closest"), closestJson(closestOrder(j)));
    if (rulesChanged(record))
        json.insert(QStringLiteral("stored_rules"), record.rules);
    if (j.pohc)
        json.insert(
            QStringLiteral("pohc"),
            QJsonObject{{QStringLiteral("measured_ma"), rounded(j.pohc->measuredMa, 3)},
                        {QStringLiteral("limit_ma"), rounded(j.pohc->limitMa, 3)},
                        {QStringLiteral("guarded_limit_ma"), rounded(j.pohc->guardedLimitMa, 3)},
                        {QStringLiteral("allowance_applied"), j.pohc->allowanceApplied}});
    else
        json.insert(QStringLiteral("pohc"), QJsonValue(QJsonValue::Null));
    if (r.choice.productClass == ProductClass::D) {
        json.insert(QStringLiteral("highest_power_w"), jsonNumber(j.basis.highestPowerW, 3));
        json.insert(QStringLiteral("power_differs"), j.basis.powerDiffers);
        json.insert(QStringLiteral("power_basis"), powerBasisName(j.basis.powerBasis));
        json.insert(QStringLiteral("basis_w"), jsonNumber(j.basis.basisW, 3));
    }
    if (r.choice.productClass == ProductClass::C && j.basis.fundamentalSample) {
        json.insert(QStringLiteral("fundamental_a"), j.basis.fundamentalA);
        json.insert(QStringLiteral("power_factor"), j.basis.powerFactor);
        json.insert(QStringLiteral("fundamental_sample"), *j.basis.fundamentalSample + 1);
        json.insert(QStringLiteral("fundamental_varies"), !j.basis.fundamentalVaries.isEmpty());
        json.insert(QStringLiteral("fundamental_varying_samples"),
                    sampleNumbersJson(j.basis.fundamentalVaries));
    }
    json.insert(QStringLiteral("measured_at"), isoTimestamp(record.startedAt));
    QJsonObject electrical;
    for (const ElectricalValue& value : electricalValues(r))
        electrical.insert(QString::fromLatin1(value.key), rangeJson(value));
    json.insert(QStringLiteral("electrical"), electrical);
    if (const QString problem = observationProblem(r); !problem.isEmpty())
        json.insert(QStringLiteral("problem"), problem);
    insertHeader(json, record);
    return json;
}

QString observationCsv(const ObservationRecord& record)
{
    const ObservationResult& r = record.result;
    const ObservationJudgement& j = r.judgement;
    QStringList header{QStringLiteral("verdict"),
                       QStringLiteral("class"),
                       QStringLiteral("power"),
                       QStringLiteral("measured_at"),
                       QStringLiteral("duration_s"),
                       QStringLiteral("elapsed_s"),
                       QStringLiteral("samples"),
                       QStringLiteral("samples_not_judged"),
                       QStringLiteral("sample_interval_s")};
    header << headerColumns() << QStringLiteral("highest_power_w")
           << QStringLiteral("power_differs") << QStringLiteral("power_basis")
           << QStringLiteral("basis_w") << QStringLiteral("problem")
           << QStringList{
                  QStringLiteral("order"),           QStringLiteral("limit_ma"),
                  QStringLiteral("average_ma"),      QStringLiteral("maximum_ma"),
                  QStringLiteral("average_pct"),     QStringLiteral("maximum_pct"),
                  QStringLiteral("state"),           QStringLiteral("pohc_measured_ma"),
                  QStringLiteral("pohc_limit_ma"),   QStringLiteral("pohc_allowance_applied"),
                  QStringLiteral("rules"),           QStringLiteral("sampling"),
                  QStringLiteral("provision_used"),  QStringLiteral("guard_band_pct"),
                  QStringLiteral("guarded_limit_ma")};
    header << QStringLiteral("edition") << QStringLiteral("professional")
           << QStringLiteral("source") << QStringLiteral("file") << QStringLiteral("sha256")
           << QStringLiteral("frequency_hz") << QStringLiteral("thd_pct")
           << QStringLiteral("crest_factor") << QStringLiteral("supply_warning");
    QString csv = csvRow(header);
    const bool classD = r.choice.productClass == ProductClass::D;
    QStringList common{shownObservationVerdict(r),
                       classLetter(r.choice.productClass),
                       typedPower(r),
                       isoTimestamp(record.startedAt),
                       QString::number(r.durationS),
                       numberText(r.elapsedS, 1),
                       QString::number(j.samplesJudged),
                       QString::number(r.samplesNotJudged),
                       numberText(r.sampleIntervalS, 1)};
    common << headerValues(record) << (classD ? numberText(j.basis.highestPowerW, 3) : QString())
           << (classD ? yesNo(j.basis.powerDiffers) : QString())
           << (classD ? powerBasisName(j.basis.powerBasis) : QString())
           << (classD ? numberText(j.basis.basisW, 3) : QString()) << observationProblem(r);
    QStringList recording{r.source(), QString(), QString(), QString(), QString(), QString(),
                          QString()};
    if (const std::optional<RecordingFacts>& f = r.recording)
        recording = {r.source(),
                     f->file,
                     f->sha256,
                     numberText(f->frequencyHz, 3),
                     numberText(f->thdPct, 1),
                     numberText(f->crestFactor, 2),
                     f->supplyWarning};
    QStringList pohc{QString(), QString(), QString()};
    if (j.pohc)
        pohc = {numberText(j.pohc->measuredMa, 3), numberText(j.pohc->limitMa, 3),
                yesNo(j.pohc->allowanceApplied)};
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const OrderJudgement& o = j.orders[std::size_t(cell)];
        csv += csvRow(QStringList(common)
                      << QString::number(harmonicOrder(cell)) << numberText(o.limitMa, 3)
                      << numberText(o.averageMa, 3) << numberText(o.maximumMa, 3)
                      << percentNumber(o.averagePct) << percentNumber(o.maximumPct)
                      << cellStateName(o.state) << pohc << r.rules() << r.sampling()
                      << (o.provisionUsed ? QStringLiteral("yes") : QStringLiteral("no"))
                      << NumberText(j.guardBandPct) << numberText(o.guardedLimitMa, 3)
                      << editionName(j.edition) << yesNo(r.choice.professional) << recording);
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
    text += headerText(record);
    line(QStringLiteral("Started at"), shown(isoTimestamp(record.startedAt)));
    line(QStringLiteral("Class"),
         shown(classWithPower(r.choice.productClass, escapedText(r.choice.power.text()))));
    line(QStringLiteral("Edition"), editionShown(j.edition, r.choice.professional));
    if (r.choice.productClass == ProductClass::D) {
        line(QStringLiteral("Highest power"),
             j.basis.highestPowerW
                 ? QStringLiteral("%1 W%2").arg(
                       numberText(j.basis.highestPowerW, 1),
                       j.basis.powerDiffers
                           ? QStringLiteral(" (differs from the typed power by over 10 %)")
                           : QString())
                 : QStringLiteral("-"));
        line(QStringLiteral("Power basis"), powerBasisText(j));
    }
    if (r.choice.productClass == ProductClass::C)
        line(QStringLiteral("Fundamental"), fundamentalBasisText(j));
    if (j.guardBandPct > 0)
        line(QStringLiteral("Guard band"),
             QStringLiteral("%1 (every limit reduced by it for the verdict)")
                 .arg(guardBandText(j.guardBandPct)));
    if (const std::optional<RecordingFacts>& f = r.recording) {
        line(QStringLiteral("File"), QStringLiteral("%1 (%2 bytes, SHA-256 %3)")
                                         .arg(escapedText(f->file))
                                         .arg(f->sizeBytes)
                                         .arg(f->sha256));
        line(QStringLiteral("Channels"),
             QStringLiteral("voltage \"%1\", current \"%2\", %3 samples/s")
                 .arg(escapedText(f->voltageChannel), escapedText(f->currentChannel),
                      NumberText(f->sampleRate)));
        line(QStringLiteral("Windows"), QStringLiteral("%1 of %2 periods, %3 s each: %4 s")
                                            .arg(j.samplesJudged)
                                            .arg(f->periodsPerWindow)
                                            .arg(numberText(r.sampleIntervalS, 4))
                                            .arg(numberText(r.elapsedS, 1)));
        line(QStringLiteral("Frequency"), QStringLiteral("%1 Hz").arg(numberText(f->frequencyHz, 3)));
        line(QStringLiteral("Highest THD"), QStringLiteral("%1 %").arg(numberText(f->thdPct, 1)));
        line(QStringLiteral("Crest factor"), numberText(f->crestFactor, 2));
        line(QStringLiteral("Supply"),
             f->supplyWarning.isEmpty()
                 ? QStringLiteral("%1-%2 V, %3-%4 Hz: within the test supply's requirements")
                       .arg(numberText(f->voltsLowest, 1), numberText(f->voltsHighest, 1),
                            numberText(f->hzLowest, 2), numberText(f->hzHighest, 2))
                 : escapedMessage(f->supplyWarning));
    } else {
        line(QStringLiteral("Duration"), QStringLiteral("%1 s (%2 s elapsed)")
                                             .arg(r.durationS)
                                             .arg(numberText(r.elapsedS, 1)));
        line(QStringLiteral("Samples"), QStringLiteral("%1 judged, %2 not judged")
                                            .arg(j.samplesJudged)
                                            .arg(r.samplesNotJudged));
    }
    if (const QList<int> notJudged = notJudgedSamples(r); !notJudged.isEmpty())
        line(QStringLiteral("Not judged"),
             QStringLiteral("samples %1").arg(notJudgedText(r, notJudged)));
    line(QStringLiteral("Sampling"), r.sampling());
    line(QStringLiteral("Rules"), r.rules());
    for (const ElectricalValue& value : electricalValues(r))
        line(QString::fromLatin1(value.caption), electricalText(value));
    if (rulesChanged(record))
        line(QStringLiteral("Judged again"),
             QStringLiteral("stored under \"%1\"; judged now by the rules above")
                 .arg(escapedText(record.rules)));

    const bool guarded = j.guardBandPct > 0;
    text += guarded ? QStringLiteral("\nOrder  Limit (mA)  Guarded (mA)  Average (mA)  Average %  "
                                     "Maximum (mA)  Maximum %  State\n")
                    : QStringLiteral("\nOrder  Limit (mA)  Average (mA)  Average %  Maximum (mA)  "
                                     "Maximum %  State\n");
    const auto cellText = [&](const std::optional<double>& value, int decimals, int width) {
        return shown(numberText(value, decimals)).rightJustified(width);
    };
    const auto percentCell = [&](const std::optional<double>& value) {
        return shown(value ? percentFigure(*value) : QString()).rightJustified(9);
    };
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const OrderJudgement& o = j.orders[std::size_t(cell)];
        text += QString::number(harmonicOrder(cell)).rightJustified(5) + QStringLiteral("  ") +
                cellText(o.limitMa, 1, 10) + QStringLiteral("  ") +
                (guarded ? cellText(o.guardedLimitMa, 1, 12) + QStringLiteral("  ") : QString()) +
                cellText(o.averageMa, 1, 12) + QStringLiteral("  ") + percentCell(o.averagePct) +
                QStringLiteral("  ") + cellText(o.maximumMa, 1, 12) + QStringLiteral("  ") +
                percentCell(o.maximumPct) + QStringLiteral("  ") + cellStateName(o.state) +
                (o.provisionUsed ? QStringLiteral(" (200 % provision)") : QString()) +
                QLatin1Char('\n');
    }
    if (j.pohc)
        text += QStringLiteral("\nPOHC (odd orders 21 to 39): %1 mA, limit %2 mA; %3\n")
                    .arg(numberText(j.pohc->measuredMa, 1),
                         guarded ? QStringLiteral("%1 (guarded %2)")
                                       .arg(numberText(j.pohc->limitMa, 1),
                                            numberText(j.pohc->guardedLimitMa, 1))
                                 : numberText(j.pohc->limitMa, 1),
                         j.pohc->allowanceApplied
                             ? QStringLiteral("allowance applied (each may average up to 150 %)")
                             : QStringLiteral("allowance not applied (100 % of each limit)"));
    if (const QString problem = observationProblem(r); !problem.isEmpty())
        text += QStringLiteral("\nProblem: %1\n").arg(escapedMessage(problem));
    for (const QString& note : j.notes)
        text += QStringLiteral("\nNote: %1\n").arg(escapedMessage(note));
    text += QLatin1Char('\n') + closestLine(closestOrder(j)) + QLatin1Char('\n');
    text += QStringLiteral("\nVerdict: %1\n").arg(shownObservationVerdict(r));
    return text;
}
