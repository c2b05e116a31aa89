#include "recording_formats.h"

#include "conversions.h"
#include "guard_band.h"

#include <QJsonArray>
#include <QStringList>

#include <cmath>

namespace {

QJsonValue number(const std::optional<double>& value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QString figure(const std::optional<double>& value, int decimals)
{
    return value ? QString::number(*value, 'f', decimals) : QStringLiteral("-");
}

// The mean frequency of the windows judged, Hz: 10 (12) periods a window.
double meanFrequency(const JudgedRecording& judged)
{
    return judged.windowSeconds > 0 ? judged.analysis.periodsPerWindow / judged.windowSeconds : 0;
}

QString problemOf(const JudgedRecording& judged)
{
    if (judged.clipped)
        return judged.clipped->message;
    QStringList problems;
    if (judged.analysis.incomplete)
        problems << QStringLiteral("The file ended before the samples it announced: its %1 whole "
                                   "windows were judged.")
                        .arg(judged.judgement.samplesJudged);
    if (!judged.judgement.problem.isEmpty())
        problems << judged.judgement.problem;
    return problems.join(QLatin1Char(' '));
}

} // namespace

QJsonObject recordingJson(const JudgedRecording& judged)
{
    const ObservationJudgement& j = judged.judgement;
    const RecordingAnalysis& a = judged.analysis;
    QJsonObject o;
    o[QStringLiteral("verdict")] = withGuardBand(recordingVerdictText(judged), j.guardBandPct);
    o[QStringLiteral("source")] = QStringLiteral("recording");
    o[QStringLiteral("class")] = classLetter(j.productClass);
    o[QStringLiteral("power")] = j.basis.typedPower;
    o[QStringLiteral("edition")] = editionName(j.edition);
    o[QStringLiteral("guard_band_pct")] = j.guardBandPct;
    o[QStringLiteral("rules")] = recordingRulesSentence(judged);
    o[QStringLiteral("file")] = QJsonObject{{QStringLiteral("name"), judged.file},
                                            {QStringLiteral("size_bytes"), judged.sizeBytes},
                                            {QStringLiteral("sha256"), judged.sha256}};
    o[QStringLiteral("channels")] = QJsonObject{{QStringLiteral("voltage"), a.voltageChannel},
                                                {QStringLiteral("current"), a.currentChannel}};
    o[QStringLiteral("sample_rate_hz")] = a.sampleRate;
    o[QStringLiteral("windows")] = j.samplesJudged;
    o[QStringLiteral("window_s")] = judged.windowSeconds;
    o[QStringLiteral("duration_s")] = judged.judgedSeconds;
    o[QStringLiteral("periods_per_window")] = a.periodsPerWindow;
    o[QStringLiteral("frequency_hz")] = meanFrequency(judged);
    o[QStringLiteral("thd_pct")] = a.maximumThdPercent;
    o[QStringLiteral("crest_factor")] = a.maximumCrestFactor;
    o[QStringLiteral("highest_power_w")] = a.maximumWatts;
    o[QStringLiteral("incomplete")] = a.incomplete;
    o[QStringLiteral("supply")] =
        QJsonObject{{QStringLiteral("volts_lowest"), a.supply.lowestVolts},
                    {QStringLiteral("volts_highest"), a.supply.highestVolts},
                    {QStringLiteral("hz_lowest"), a.supply.lowestHz},
                    {QStringLiteral("hz_highest"), a.supply.highestHz},
                    {QStringLiteral("crest_lowest"), a.supply.lowestCrest},
                    {QStringLiteral("crest_highest"), a.supply.highestCrest},
                    {QStringLiteral("warning"), a.supply.warning}};
    if (j.productClass == ProductClass::D) {
        o[QStringLiteral("power_basis")] = powerBasisName(j.basis.powerBasis);
        o[QStringLiteral("basis_w")] = number(j.basis.basisW);
    }
    QJsonArray harmonics;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const OrderJudgement& order = j.orders[std::size_t(cell)];
        harmonics.append(QJsonObject{{QStringLiteral("order"), harmonicOrder(cell)},
                                     {QStringLiteral("limit_ma"), number(order.limitMa)},
                                     {QStringLiteral("guarded_limit_ma"),
                                      number(order.guardedLimitMa)},
                                     {QStringLiteral("average_ma"), order.averageMa},
                                     {QStringLiteral("maximum_ma"), order.maximumMa},
                                     {QStringLiteral("average_pct"), number(order.averagePct)},
                                     {QStringLiteral("maximum_pct"), number(order.maximumPct)},
                                     {QStringLiteral("state"), cellStateName(order.state)},
                                     {QStringLiteral("provision_used"), order.provisionUsed}});
    }
    o[QStringLiteral("harmonics")] = harmonics;
    if (const std::optional<ClosestOrder> closest = closestOrder(j))
        o[QStringLiteral("closest")] =
            QJsonObject{{QStringLiteral("order"), closest->order},
                        {QStringLiteral("percent_of_limit"), closest->percentOfLimit},
                        {QStringLiteral("guarded"), closest->guarded}};
    else
        o[QStringLiteral("closest")] = QJsonValue(QJsonValue::Null);
    if (j.pohc)
        o[QStringLiteral("pohc")] =
            QJsonObject{{QStringLiteral("measured_ma"), j.pohc->measuredMa},
                        {QStringLiteral("limit_ma"), j.pohc->limitMa},
                        {QStringLiteral("guarded_limit_ma"), j.pohc->guardedLimitMa},
                        {QStringLiteral("allowance_applied"), j.pohc->allowanceApplied}};
    o[QStringLiteral("notes")] = QJsonArray::fromStringList(j.notes);
    o[QStringLiteral("failure_reason")] = j.failureReason;
    if (const QString problem = problemOf(judged); !problem.isEmpty())
        o[QStringLiteral("problem")] = problem;
    return o;
}

QString recordingText(const JudgedRecording& judged)
{
    const ObservationJudgement& j = judged.judgement;
    const RecordingAnalysis& a = judged.analysis;
    QStringList lines;
    const auto line = [&](const QString& caption, const QString& value) {
        lines << QStringLiteral("%1 %2").arg(caption + QLatin1Char(':'), -14).arg(value);
    };
    line(QStringLiteral("File"), QStringLiteral("%1 (%2 bytes, SHA-256 %3)")
                                     .arg(judged.file)
                                     .arg(judged.sizeBytes)
                                     .arg(judged.sha256));
    line(QStringLiteral("Channels"), QStringLiteral("voltage \"%1\", current \"%2\", %3 samples/s")
                                         .arg(a.voltageChannel, a.currentChannel,
                                              NumberText(a.sampleRate)));
    line(QStringLiteral("Class"), classWithPower(j.productClass, j.basis.typedPower));
    line(QStringLiteral("Edition"), editionTitle(j.edition));
    line(QStringLiteral("Windows"), QStringLiteral("%1 of %2 periods, %3 s each: %4 s")
                                        .arg(j.samplesJudged)
                                        .arg(a.periodsPerWindow)
                                        .arg(QString::number(judged.windowSeconds, 'f', 4))
                                        .arg(QString::number(judged.judgedSeconds, 'f', 1)));
    line(QStringLiteral("Frequency"),
         QStringLiteral("%1 Hz").arg(QString::number(meanFrequency(judged), 'f', 3)));
    line(QStringLiteral("Highest power"),
         QStringLiteral("%1 W").arg(QString::number(a.maximumWatts, 'f', 1)));
    line(QStringLiteral("Highest THD"),
         QStringLiteral("%1 %").arg(QString::number(a.maximumThdPercent, 'f', 1)));
    line(QStringLiteral("Crest factor"), QString::number(a.maximumCrestFactor, 'f', 2));
    line(QStringLiteral("Supply"), a.supply.warning.isEmpty()
                                       ? QStringLiteral("within the test supply's requirements")
                                       : a.supply.warning);
    if (j.productClass == ProductClass::D && j.basis.basisW)
        line(QStringLiteral("Power basis"), QStringLiteral("%1 %2 W")
                                                .arg(powerBasisName(j.basis.powerBasis))
                                                .arg(NumberText(*j.basis.basisW)));
    line(QStringLiteral("Rules"), recordingRulesSentence(judged));
    if (j.guardBandPct > 0)
        line(QStringLiteral("Guard band"), guardBandText(j.guardBandPct));
    lines << QString()
          << QStringLiteral("Order  Average (mA)  Maximum (mA)  Limit (mA)  Average %  Maximum %  "
                            "State");
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const OrderJudgement& order = j.orders[std::size_t(cell)];
        lines << QStringLiteral("%1  %2  %3  %4  %5  %6  %7")
                     .arg(harmonicOrder(cell), 5)
                     .arg(QString::number(order.averageMa, 'f', 1), 12)
                     .arg(QString::number(order.maximumMa, 'f', 1), 12)
                     .arg(figure(order.limitMa, 1), 10)
                     .arg(figure(order.averagePct, 1), 9)
                     .arg(figure(order.maximumPct, 1), 9)
                     .arg(cellStateWords(order.state));
    }
    lines << QString() << closestLine(closestOrder(j));
    for (const QString& note : j.notes)
        lines << QStringLiteral("Note: ") + note;
    if (!j.failureReason.isEmpty())
        lines << QStringLiteral("Failed: ") + j.failureReason;
    if (const QString problem = problemOf(judged); !problem.isEmpty())
        lines << QStringLiteral("Problem: ") + problem;
    lines << QString()
          << QStringLiteral("Verdict: ") + withGuardBand(recordingVerdictText(judged), j.guardBandPct);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
