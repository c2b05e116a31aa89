#include "record_columns.h"

#include "cycle_result.h"
#include "record_json.h"
#include "record_schema.h"
#include "store_reads.h"

#include <QSqlQuery>
#include <QStringList>

#include <array>
#include <limits>

namespace {

using Column = RecordColumn;
using Record = MeasurementRecord;
constexpr ColumnFault kNone = ColumnFault::None;

// A text column: NULL for a null QString, so that a field that was not found
// loads as null and an empty one as empty.
QString text(const QVariant& value)
{
    if (!value.isValid())
        return {};
    const QString stored = value.toString();
    return stored.isNull() ? QStringLiteral("") : stored;
}

// An unknown measured time sorts as the oldest.
constexpr qint64 kUnknownTime = std::numeric_limits<qint64>::min();

// The evaluation status as stored, in the order of Evaluation::Status.
constexpr std::array<const char*, 4> kStatusNames{"judged", "not_judged", "no_class",
                                                  "not_limited"};

std::optional<Evaluation::Status> statusFromName(const QString& name)
{
    for (std::size_t n = 0; n < kStatusNames.size(); ++n)
        if (name == QLatin1String(kStatusNames[n]))
            return Evaluation::Status(n);
    return std::nullopt;
}

std::optional<ProductClass> classFromColumn(const QString& letter)
{
    if (letter.isEmpty())
        return ProductClass::None;
    return classFromLetter(letter);
}

ColumnFault knownIf(bool known)
{
    return known ? kNone : ColumnFault::UnknownName;
}

QVariant searchText(const Record& m)
{
    return recordSearchText(m.product.product, m.product.serial, m.product.operatorName,
                            m.product.notes, verdictText(m.result.verdict),
                            classLetter(m.choice.productClass));
}

// A TEXT column that holds one text member of a record: At, a lambda
// without captures, gives that member's address.
template <typename At> constexpr Column textColumn(const char* name, int since, int uses, At)
{
    return {name,
            "TEXT",
            since,
            uses,
            [](const Record& m) -> QVariant { return *At{}(m); },
            [](const QVariant& v, Record& m) {
                *At{}(m) = text(v);
                return kNone;
            }};
}

// The columns every record has are written from its header (start, class,
// power, guard band, kind) and read back into the header and, for a
// measurement, into its result as its cycle gave it.
// measured_ms: ms since the epoch (UTC), kUnknownTime when not known;
// utc_offset: its offset from UTC in seconds, NULL when not known.
const Column kColumns[] = {
    {"id", "INTEGER", 1, Column::InHistory, nullptr,
     [](const QVariant& v, Record& m) {
         m.id = v.toLongLong();
         return kNone;
     }},
    {"measured_ms", "BIGINT", 1, Column::InHistory,
     [](const Record& m) -> QVariant {
         const QDateTime& at = m.startedAt;
         return at.isValid() ? at.toMSecsSinceEpoch() : kUnknownTime;
     },
     [](const QVariant& v, Record& m) {
         const qint64 ms = v.toLongLong();
         m.startedAt =
             ms == kUnknownTime ? QDateTime() : QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
         m.result.measuredAt = m.startedAt;
         return kNone;
     }},
    {"utc_offset", "INTEGER", 1, Column::InHistory,
     [](const Record& m) {
         const QDateTime& at = m.startedAt;
         return at.isValid() ? QVariant(at.offsetFromUtc()) : QVariant(QMetaType::fromType<int>());
     },
     [](const QVariant& v, Record& m) {
         QDateTime& at = m.startedAt;
         at = v.isValid() ? QDateTime::fromMSecsSinceEpoch(at.toMSecsSinceEpoch(),
                                                           Qt::OffsetFromUTC, v.toInt())
                          : QDateTime();
         m.result.measuredAt = at;
         return kNone;
     }},
    {"verdict", "TEXT", 1, Column::InHistory | Column::Searched,
     [](const Record& m) -> QVariant { return verdictText(m.result.verdict); },
     [](const QVariant& v, Record& m) {
         const std::optional<Verdict> verdict = verdictFromText(v.toString());
         m.result.verdict = verdict.value_or(Verdict::NoResultReceived);
         return knownIf(verdict.has_value());
     }},
    textColumn("problem", 1, 0, [](auto& m) { return &m.result.problem; }),
    {"product_class", "TEXT", 1, Column::InHistory | Column::Searched,
     [](const Record& m) -> QVariant {
         const QString letter = classLetter(m.choice.productClass);
         return letter.isNull() ? QStringLiteral("") : letter;
     },
     [](const QVariant& v, Record& m) {
         const std::optional<ProductClass> productClass = classFromColumn(v.toString());
         m.choice.productClass = productClass.value_or(ProductClass::None);
         m.result.judgement.productClass = m.choice.productClass;
         return knownIf(productClass.has_value());
     }},
    {"power", "TEXT", 1, Column::InHistory,
     [](const Record& m) -> QVariant { return m.choice.power.text(); },
     [](const QVariant& v, Record& m) {
         m.result.judgement.power = text(v);
         m.choice.power = m.result.judgement.power;
         return kNone;
     }},
    {"evaluation_status", "TEXT", 1, 0,
     [](const Record& m) -> QVariant {
         return QString::fromLatin1(
             kStatusNames[std::size_t(m.result.judgement.evaluation.status)]);
     },
     [](const QVariant& v, Record& m) {
         const std::optional<Evaluation::Status> status = statusFromName(v.toString());
         m.result.judgement.evaluation.status = status.value_or(Evaluation::NoClass);
         return knownIf(status.has_value());
     }},
    textColumn("evaluation_problem", 1, 0,
               [](auto& m) { return &m.result.judgement.evaluation.problem; }),
    {"any_failed", "INTEGER", 1, 0,
     [](const Record& m) -> QVariant { return m.result.judgement.anyFailed ? 1 : 0; },
     [](const QVariant& v, Record& m) {
         m.result.judgement.anyFailed = v.toInt() != 0;
         return kNone;
     }},
    {"reply_line", "BLOB", 1, 0,
     [](const Record& m) { return replyLineValue(m.result.reply.line); },
     [](const QVariant& v, Record& m) {
         m.result.reply.line = replyLineOf(v);
         return kNone;
     }},
    {"fields_found", "INTEGER", 1, 0,
     [](const Record& m) -> QVariant { return m.result.reply.fieldsFound; },
     [](const QVariant& v, Record& m) {
         m.result.reply.fieldsFound = v.toInt();
         return kNone;
     }},
    {"reply", "TEXT", 1, 0, [](const Record& m) -> QVariant { return replyJson(m.result.reply); },
     [](const QVariant& v, Record& m) {
         return readReplyJson(v.toString(), &m.result.reply) ? kNone : ColumnFault::Damaged;
     }},
    {"judgement", "TEXT", 1, 0,
     [](const Record& m) -> QVariant { return judgementJson(m.result.judgement); },
     [](const QVariant& v, Record& m) {
         return readJudgementJson(v.toString(), &m.result.judgement) ? kNone : ColumnFault::Damaged;
     }},
    textColumn("port", 1, Column::InHistory, [](auto& m) { return &m.port; }),
    textColumn("device", 1, Column::InHistory, [](auto& m) { return &m.device; }),
    textColumn("product", 2, Column::InHistory | Column::Product,
               [](auto& m) { return &m.product.product; }),
    textColumn("serial", 2, Column::InHistory | Column::Product,
               [](auto& m) { return &m.product.serial; }),
    textColumn("operator_name", 2, Column::InHistory | Column::Product,
               [](auto& m) { return &m.product.operatorName; }),
    textColumn("notes", 2, Column::Product, [](auto& m) { return &m.product.notes; }),
    textColumn("tool_version", 2, 0, [](auto& m) { return &m.toolVersion; }),
    // What the history filter matches, case-folded.
    {"search", "TEXT", 2, Column::Product, searchText, nullptr},
    textColumn("lab", 3, Column::Product, [](auto& m) { return &m.product.lab; }),
    textColumn("instrument", 3, Column::Product, [](auto& m) { return &m.product.instrument; }),
    textColumn("conditions", 3, Column::Product, [](auto& m) { return &m.product.conditions; }),
    // "measurement", or "observation" for a timed observation's row (which
    // the observation calls of the store write and read).
    {"kind", "TEXT", 4, 0,
     [](const Record& m) -> QVariant {
         switch (m.kind) {
         case RecordKind::Observation:
             return store_internal::kObservationKind;
         case RecordKind::Waveform:
             return store_internal::kWaveformKind;
         case RecordKind::Measurement:
             break;
         }
         return store_internal::kMeasurementKind;
     },
     nullptr},
    // The guard band (%) the record was judged under; NULL (0) for none.
    {"guard_band_pct", "DOUBLE PRECISION", 5, Column::InHistory,
     [](const Record& m) -> QVariant {
         const double pct = m.choice.guardBandPct;
         return pct > 0 ? QVariant(pct) : QVariant(QMetaType::fromType<double>());
     },
     [](const QVariant& v, Record& m) {
         m.choice.guardBandPct = v.isValid() ? v.toDouble() : 0;
         m.result.judgement.guardBandPct = m.choice.guardBandPct;
         return kNone;
     }},
    // The edition it was judged by ("1995", "2018"); NULL for records kept
    // before editions were told apart, all judged by 1995.
    {"edition", "TEXT", 7, Column::InHistory,
     [](const Record& m) -> QVariant { return editionName(m.choice.edition); },
     [](const QVariant& v, Record& m) {
         const std::optional<Edition> edition =
             v.isValid() && !v.isNull() ? editionFromName(v.toString()) : kDefaultEdition;
         m.choice.edition = edition.value_or(kDefaultEdition);
         m.result.judgement.edition = m.choice.edition;
         return knownIf(edition.has_value());
     }},
    // Taken as professional equipment: 1; NULL (0) otherwise.
    {"professional", "INTEGER", 7, Column::InHistory,
     [](const Record& m) -> QVariant {
         return m.choice.professional ? QVariant(1) : QVariant(QMetaType::fromType<int>());
     },
     [](const QVariant& v, Record& m) {
         m.choice.professional = v.isValid() && v.toInt() != 0;
         m.result.judgement.professional = m.choice.professional;
         return kNone;
     }},
    // The verdict at the lab's Class D power basis beside a verdict by the
    // typed power ("Pass", "Fail", "No verdict"); NULL without one. The
    // history's lists read it here, a whole record from its judgement
    // document too.
    {"lab_verdict", "TEXT", 7, Column::InHistory,
     [](const Record& m) -> QVariant {
         const std::optional<Verdict> lab = labVerdict(m.result);
         return lab ? QVariant(verdictText(*lab)) : QVariant(QMetaType::fromType<QString>());
     },
     [](const QVariant& v, Record& m) {
         const std::optional<Verdict> lab =
             v.isValid() ? verdictFromText(v.toString()) : std::nullopt;
         if (!lab) {
             m.result.judgement.lab.reset();
             return v.isValid() ? ColumnFault::UnknownName : kNone;
         }
         LabBasis basis = m.result.judgement.lab.value_or(LabBasis());
         basis.evaluation.status =
             *lab == Verdict::NoVerdict ? Evaluation::NotJudged : Evaluation::Judged;
         basis.anyFailed = *lab == Verdict::Fail;
         m.result.judgement.lab = basis;
         return kNone;
     }},
};

bool isSelected(const Column& column, int uses)
{
    return column.read && (column.uses & uses) == uses;
}

} // namespace

// The reply line as the bytes received (Latin-1, one character a byte).
QVariant replyLineValue(const QString& line)
{
    if (line.isNull())
        return QVariant(QMetaType::fromType<QByteArray>());
    const QByteArray bytes = line.toLatin1();
    return bytes.isEmpty() ? QByteArray("", 0) : bytes;
}

QVariant replyLineValue(const QByteArray& line)
{
    if (line.isNull())
        return QVariant(QMetaType::fromType<QByteArray>());
    return line.isEmpty() ? QByteArray("", 0) : line;
}

QByteArray replyLineBytesOf(const QVariant& value)
{
    if (!value.isValid())
        return {};
    const QByteArray bytes = value.toByteArray();
    return bytes.isNull() ? QByteArray("", 0) : bytes;
}

QString replyLineOf(const QVariant& value)
{
    if (!value.isValid())
        return {};
    const QString line = QString::fromLatin1(value.toByteArray());
    return line.isNull() ? QStringLiteral("") : line;
}

std::span<const RecordColumn> recordColumns()
{
    return kColumns;
}

QString selectedColumns(int uses, int schemaVersion)
{
    QStringList names;
    for (const Column& column : kColumns)
        if (isSelected(column, uses))
            names.append(column.since > schemaVersion ? QStringLiteral("NULL")
                                                      : QLatin1String(column.name));
    return names.join(QStringLiteral(", "));
}

ColumnFault readColumns(const QSqlQuery& query, int uses, MeasurementRecord& record)
{
    ColumnFault fault = kNone;
    int position = 0;
    for (const Column& column : kColumns) {
        if (!isSelected(column, uses))
            continue;
        const QVariant value = query.isNull(position) ? QVariant() : query.value(position);
        ++position;
        if (const ColumnFault found = column.read(value, record); fault == kNone)
            fault = found;
    }
    return fault;
}

QString insertStatement()
{
    QStringList names;
    for (const Column& column : kColumns)
        if (column.write)
            names.append(QLatin1String(column.name));
    const QStringList marks(names.size(), QStringLiteral("?"));
    return QStringLiteral("INSERT INTO measurements (%1) VALUES (%2) RETURNING id")
        .arg(names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
}

QVariantList insertValues(const MeasurementRecord& record)
{
    QVariantList values;
    for (const Column& column : kColumns)
        if (column.write)
            values.append(column.write(record));
    return values;
}

QString updateProductStatement()
{
    QStringList sets;
    for (const Column& column : kColumns)
        if (column.uses & Column::Product)
            sets.append(QLatin1String(column.name) + QStringLiteral(" = ?"));
    return QStringLiteral("UPDATE measurements SET %1 WHERE id = ?")
        .arg(sets.join(QStringLiteral(", ")));
}

QVariantList productValues(const MeasurementRecord& record)
{
    QVariantList values;
    for (const Column& column : kColumns)
        if (column.uses & Column::Product)
            values.append(column.write(record));
    return values;
}
