#include "result_formats.h"

#include "class_evaluation.h"
#include "conversions.h"
#include "guard_band.h"
#include "header_formats.h"
#include "power_basis.h"
#include "report_rows.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace {

// The five measured values in the order the formats list them, with their
// key, caption and unit.
struct ValueColumn
{
    const char* key;
    const char* caption;
    const char* unit;
    // The reply's field that holds it (1 to 5).
    int field;
};

const std::array<ValueColumn, 5> kValueColumns{{
    {"volts", "Voltage", "V", 2},
    {"amps", "Current", "A", 3},
    {"watts", "Power", "W", 1},
    {"power_factor", "Power factor", "", 4},
    {"frequency", "Frequency", "Hz", 5},
}};

QString powerText(const CycleResult& result)
{
    return result.judgement.productClass == ProductClass::D ? result.judgement.power : QString();
}

// A field a spreadsheet would run as a formula ("=HYPERLINK(...)", "@SUM(...)",
// "+1-2", a leading tab or CR) gets a leading apostrophe and shows as text. A
// number keeps its sign: "-0.68" stays "-0.68".
QString spreadsheetSafe(const QString& text)
{
    static const QString kFormulaStart = QStringLiteral("=+-@\t\r");
    static const QRegularExpression kNumber(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    if (text.isEmpty() || !kFormulaStart.contains(text.front()) || kNumber.match(text).hasMatch())
        return text;
    return QLatin1Char('\'') + text;
}

QString csvField(const QString& field)
{
    static const QString kSpecial = QStringLiteral(",\"\r\n");
    const QString text = spreadsheetSafe(field);
    for (QChar c : text)
        if (kSpecial.contains(c)) {
            QString quoted = text;
            quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            return QLatin1Char('"') + quoted + QLatin1Char('"');
        }
    return text;
}

QString csvLine(const QStringList& fields)
{
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString& field : fields)
        quoted << csvField(field);
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

// The numbers beside a harmonic's texts, in mA and %; nothing where the
// formats write null.
struct HarmonicNumbers
{
    std::optional<double> currentMa;
    std::optional<double> limitMa;
    // The limit reduced by the guard band: what the cell was judged against.
    std::optional<double> guardedLimitMa;
    std::optional<double> percentOfLimit;
};

HarmonicNumbers harmonicNumbers(const CycleResult& result, int cell)
{
    const auto i = std::size_t(cell);
    HarmonicNumbers numbers;
    numbers.currentMa = StrictNumber(shownCurrent(result, cell));
    // The limit the cell was judged against is this text ("1080mA").
    const QString& limit = result.judgement.limits[i];
    if (!limit.isEmpty()) {
        numbers.limitMa = NumericValue(limit);
        numbers.guardedLimitMa = guardedLimitMa(*numbers.limitMa, result.judgement.guardBandPct);
    }
    if (const std::optional<CellState> state = shownState(result, cell);
        state && *state != CellState::NotJudged)
        if (const std::optional<double> percent = percentOfLimit(result, cell))
            numbers.percentOfLimit = *percent;
    return numbers;
}

// A value text as JSON: null when there is none, as for the numbers.
QJsonValue jsonText(const QString& text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QJsonValue jsonNumber(const std::optional<double>& value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

// The edition, the category, the Class D power basis, the notes and the
// lab's basis of the judgement, as resultJson gives them.
void insertJudgementBasis(QJsonObject& json, const CycleResult& result)
{
    const Judgement& judgement = result.judgement;
    json.insert(QStringLiteral("edition"), editionName(judgement.edition));
    json.insert(QStringLiteral("professional"), judgement.professional);
    if (!powerBasisShown(judgement).isEmpty()) {
        json.insert(QStringLiteral("power_basis"), powerBasisName(judgement.powerBasis));
        json.insert(QStringLiteral("basis_w"), *judgement.basisW);
    }
    json.insert(QStringLiteral("judgement_notes"), QJsonArray::fromStringList(judgement.notes));
    if (const std::optional<LabBasis>& lab = judgement.lab) {
        const std::optional<Verdict> verdict = labVerdict(result);
        json.insert(
            QStringLiteral("lab_basis"),
            QJsonObject{{QStringLiteral("power_basis"), powerBasisName(lab->powerBasis)},
                        {QStringLiteral("basis_w"), lab->basisW},
                        {QStringLiteral("verdict"), verdict ? QJsonValue(verdictText(*verdict))
                                                            : QJsonValue(QJsonValue::Null)},
                        {QStringLiteral("closest"), closestJson(lab->closest)}});
    }
}

} // namespace

QJsonValue closestJson(const std::optional<ClosestOrder>& closest)
{
    if (!closest)
        return QJsonValue(QJsonValue::Null);
    return QJsonObject{{QStringLiteral("order"), closest->order},
                       {QStringLiteral("percent_of_limit"), closest->percentOfLimit},
                       {QStringLiteral("guarded"), closest->guarded}};
}

namespace {

QString csvNumber(const std::optional<double>& value)
{
    return value ? NumberText(*value) : QString();
}

// The header and the 39 harmonic lines, `extraHeader` and `extra` appended
// to each before limit_ma and percent_of_limit; guard_band_pct and
// guarded_limit_ma last.
QString csvLines(const CycleResult& result, const QStringList& extraHeader,
                 const QStringList& extra)
{
    QStringList header{QStringLiteral("verdict"), QStringLiteral("class"), QStringLiteral("power"),
                       QStringLiteral("measured_at")};
    for (const ValueColumn& column : kValueColumns)
        header << QString::fromLatin1(column.key);
    header << QStringLiteral("order") << QStringLiteral("current_ma") << QStringLiteral("limit")
           << QStringLiteral("state") << extraHeader << QStringLiteral("limit_ma")
           << QStringLiteral("percent_of_limit") << QStringLiteral("guard_band_pct")
           << QStringLiteral("guarded_limit_ma") << QStringLiteral("rules")
           << QStringLiteral("edition") << QStringLiteral("professional")
           << QStringLiteral("power_basis") << QStringLiteral("basis_w")
           << QStringLiteral("lab_verdict");

    QStringList common{shownVerdict(result), classLetter(result.judgement.productClass),
                       powerText(result), isoTimestamp(result.measuredAt)};
    for (const ValueColumn& column : kValueColumns)
        common << shownValue(result, column.field);

    const Judgement& judgement = result.judgement;
    const std::optional<Verdict> lab = labVerdict(result);
    const bool based = !powerBasisShown(judgement).isEmpty();
    const QStringList judgementColumns{
        editionName(judgement.edition),
        judgement.professional ? QStringLiteral("yes") : QStringLiteral("no"),
        based ? powerBasisName(judgement.powerBasis) : QString(),
        based ? NumberText(*judgement.basisW) : QString(), lab ? verdictText(*lab) : QString()};

    QString csv = csvLine(header);
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const HarmonicNumbers numbers = harmonicNumbers(result, cell);
        QStringList line = common;
        line << QString::number(harmonicOrder(cell)) << shownCurrent(result, cell)
             << result.judgement.limits[std::size_t(cell)] << shownStateName(result, cell) << extra
             << csvNumber(numbers.limitMa) << csvNumber(numbers.percentOfLimit)
             << NumberText(result.judgement.guardBandPct) << csvNumber(numbers.guardedLimitMa)
             << measurementRules(judgement.edition) << judgementColumns;
        csv += csvLine(line);
    }
    return csv;
}

} // namespace

QString shownVerdict(const CycleResult& result)
{
    const QString text = verdictText(result.verdict);
    return isJudged(result.verdict) ? withGuardBand(text, result.judgement.guardBandPct) : text;
}

QString csvRow(const QStringList& fields)
{
    return csvLine(fields);
}

QString isoTimestamp(const QDateTime& time)
{
    if (!time.isValid())
        return QString();
    const int offset = time.offsetFromUtc();
    const int minutes = (offset < 0 ? -offset : offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           QStringLiteral("%1%2:%3")
               .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QJsonObject resultJson(const CycleResult& result)
{
    QJsonObject json;
    json.insert(QStringLiteral("verdict"), shownVerdict(result));
    json.insert(QStringLiteral("class"), classLetter(result.judgement.productClass));
    if (result.judgement.productClass == ProductClass::D) {
        json.insert(QStringLiteral("power"), result.judgement.power);
        const std::optional<double> measured = StrictNumber(result.measurement().watts);
        json.insert(QStringLiteral("measured_power_w"), jsonNumber(measured));
        json.insert(QStringLiteral("power_differs"),
                    !powerDiffersLine(result.judgement.power, result.measurement().watts).isEmpty());
    }
    insertJudgementBasis(json, result);
    json.insert(QStringLiteral("guard_band_pct"), result.judgement.guardBandPct);
    json.insert(QStringLiteral("fields_found"), result.reply.fieldsFound);
    for (const ValueColumn& column : kValueColumns)
        json.insert(QString::fromLatin1(column.key), jsonText(shownValue(result, column.field)));

    QJsonArray harmonics;
    for (int cell = 0; cell < kHarmonicCells; ++cell) {
        const HarmonicNumbers numbers = harmonicNumbers(result, cell);
        harmonics.append(QJsonObject{
            {QStringLiteral("order"), harmonicOrder(cell)},
            {QStringLiteral("current_ma"), jsonText(shownCurrent(result, cell))},
            {QStringLiteral("limit"), jsonText(result.judgement.limits[std::size_t(cell)])},
            {QStringLiteral("state"), jsonText(shownStateName(result, cell))},
            {QStringLiteral("current_ma_value"), jsonNumber(numbers.currentMa)},
            {QStringLiteral("limit_ma"), jsonNumber(numbers.limitMa)},
            {QStringLiteral("percent_of_limit"), jsonNumber(numbers.percentOfLimit)},
            {QStringLiteral("guarded_limit_ma"), jsonNumber(numbers.guardedLimitMa)},
        });
    }
    json.insert(QStringLiteral("harmonics"), harmonics);
    json.insert(QStringLiteral("rules"), measurementRules(result.judgement.edition));
    json.insert(QStringLiteral("closest"), closestJson(closestOf(result)));

    const QString problem = reportedProblem(result);
    if (!problem.isEmpty())
        json.insert(QStringLiteral("problem"), problem);
    json.insert(QStringLiteral("measured_at"), result.measuredAt.isValid()
                                                   ? QJsonValue(isoTimestamp(result.measuredAt))
                                                   : QJsonValue(QJsonValue::Null));
    json.insert(QStringLiteral("reply"), result.reply.line);
    return json;
}

QString resultCsv(const CycleResult& result)
{
    return csvLines(result, {}, {});
}

QString resultText(const CycleResult& result)
{
    // Every text from the analyzer or the record is escaped (escapedText).
    const auto shown = [](const QString& text) {
        return text.isEmpty() ? QStringLiteral("-") : escapedText(text);
    };
    QString text;
    const QString classText =
        classWithPower(result.judgement.productClass, shown(result.judgement.power));
    const auto line = [&text](const QString& caption, const QString& value) {
        text += (caption + QLatin1Char(':')).leftJustified(15) + value + QLatin1Char('\n');
    };
    // A reply judged from a file has no time.
    if (result.measuredAt.isValid())
        line(QStringLiteral("Measured at"), isoTimestamp(result.measuredAt));
    line(QStringLiteral("Class"), shown(classText));
    line(QStringLiteral("Edition"),
         editionShown(result.judgement.edition, result.judgement.professional));
    if (const QString basis = powerBasisShown(result.judgement); !basis.isEmpty())
        line(QStringLiteral("Power basis"), basis);
    for (const ValueColumn& column : kValueColumns) {
        const QString value = shownValue(result, column.field);
        const QString unit = QString::fromLatin1(column.unit);
        line(QString::fromLatin1(column.caption), value.isEmpty() || unit.isEmpty()
                                                      ? shown(value)
                                                      : shown(value) + QLatin1Char(' ') + unit);
    }
    const double guardBand = result.judgement.guardBandPct;
    if (guardBand > 0)
        line(QStringLiteral("Guard band"),
             QStringLiteral("%1 (every limit reduced by it for the verdict)")
                 .arg(guardBandText(guardBand)));
    if (result.judgement.productClass == ProductClass::D) {
        const QString differs = powerDiffersLine(result.judgement.power, result.measurement().watts);
        if (!differs.isEmpty())
            text += differs + QLatin1Char('\n');
    }

    line(QStringLiteral("Rules"), measurementRules(result.judgement.edition));

    bool anyHarmonic = false;
    for (int cell = 0; cell < kHarmonicCells; ++cell)
        anyHarmonic = anyHarmonic || !shownCurrent(result, cell).isEmpty() ||
                      !result.judgement.limits[std::size_t(cell)].isEmpty();
    if (!anyHarmonic)
        text += QStringLiteral("\nHarmonics:     -\n");
    for (int cell = 0; anyHarmonic && cell < kHarmonicCells; ++cell) {
        if (cell == 0)
            text += guardBand > 0
                        ? QStringLiteral(
                              "\nOrder  Current (mA)  Limit      Guarded    % of limit  State\n")
                        : QStringLiteral("\nOrder  Current (mA)  Limit      % of limit  State\n");
        const QString& limit = result.judgement.limits[std::size_t(cell)];
        const std::optional<double> percent = harmonicNumbers(result, cell).percentOfLimit;
        text += QString::number(harmonicOrder(cell)).rightJustified(5) + QStringLiteral("  ") +
                shown(shownCurrent(result, cell)).rightJustified(12) + QStringLiteral("  ") +
                shown(limit).leftJustified(9) + QStringLiteral("  ");
        if (guardBand > 0)
            text +=
                shown(guardedLimitText(limit, guardBand)).leftJustified(9) + QStringLiteral("  ");
        text += (percent ? percentFigure(*percent) : QStringLiteral("-")).rightJustified(10) +
                QStringLiteral("  ") + shown(shownStateName(result, cell)) + QLatin1Char('\n');
    }

    const QString problem = reportedProblem(result);
    if (!problem.isEmpty())
        text += QStringLiteral("\nProblem: %1\n").arg(escapedMessage(problem));
    for (const QString& note : result.judgement.notes)
        text += QStringLiteral("\nNote: %1\n").arg(escapedMessage(note));
    if (isJudged(result.verdict))
        text += QLatin1Char('\n') + closestLine(closestOf(result)) + QLatin1Char('\n');
    if (const QString lab = labBasisLine(result.judgement); !lab.isEmpty())
        text += QStringLiteral("\nLab basis: %1\n").arg(lab);
    text += QStringLiteral("\nVerdict: %1\n").arg(shownVerdict(result));
    return text;
}

QJsonObject measurementJson(const MeasurementRecord& record)
{
    QJsonObject json = resultJson(record.result);
    insertHeader(json, record);
    return json;
}

QString measurementText(const MeasurementRecord& record)
{
    return headerText(record) + resultText(record.result);
}

QJsonObject recordJson(const MeasurementRecord& record)
{
    QJsonObject json = measurementJson(record);
    json.insert(QStringLiteral("id"), record.id);
    return json;
}

QString recordCsv(const MeasurementRecord& record)
{
    const RecordHeader header = record;
    return csvLines(record.result, headerColumns(), headerValues(header));
}
