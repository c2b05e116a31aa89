#include "history_formats.h"

#include "guard_band.h"
#include "report_rows.h"
#include "result_formats.h"

#include <QJsonObject>

QString historyVerdict(const RecordSummary& r)
{
    const QString text =
        r.observationVerdict.isEmpty() ? verdictText(r.verdict) : r.observationVerdict;
    const bool judged = text == QLatin1String("Pass") || text == QLatin1String("Fail");
    const QString verdict = judged ? withGuardBand(text, r.guardBandPct) : text;
    // The lab's basis says otherwise: "Pass (lab: Fail)".
    if (!r.labVerdict.isEmpty() && r.labVerdict != text)
        return QStringLiteral("%1 (lab: %2)").arg(verdict, r.labVerdict);
    return verdict;
}

QString historyPortText(const RecordSummary& record)
{
    return record.simulated
               ? QStringLiteral("%1 (%2)").arg(record.port, QLatin1String(kSimulatedMark))
               : record.port;
}

QJsonArray historyJson(const QList<RecordSummary>& records)
{
    QJsonArray list;
    for (const RecordSummary& r : records)
        list.append(QJsonObject{{QStringLiteral("id"), r.id},
                                {QStringLiteral("measured_at"), isoTimestamp(r.measuredAt)},
                                {QStringLiteral("class"), classLetter(r.productClass)},
                                {QStringLiteral("power"), r.power},
                                {QStringLiteral("verdict"), historyVerdict(r)},
                                {QStringLiteral("product"), r.product},
                                {QStringLiteral("serial"), r.serial},
                                {QStringLiteral("operator"), r.operatorName},
                                {QStringLiteral("port"), r.port},
                                {QStringLiteral("kind"), r.kind},
                                {QLatin1String(kSimulatedMark), r.simulated},
                                {QStringLiteral("edition"), editionName(r.edition)}});
    return list;
}

QString historyCsv(const QList<RecordSummary>& records)
{
    // The JSON's keys as columns, in its order.
    QString csv =
        csvRow({QStringLiteral("id"), QStringLiteral("measured_at"), QStringLiteral("class"),
                QStringLiteral("power"), QStringLiteral("verdict"), QStringLiteral("product"),
                QStringLiteral("serial"), QStringLiteral("operator"), QStringLiteral("port"),
                QStringLiteral("kind"), QLatin1String(kSimulatedMark), QStringLiteral("edition")});
    for (const RecordSummary& r : records)
        csv +=
            csvRow({QString::number(r.id), isoTimestamp(r.measuredAt), classLetter(r.productClass),
                    r.power, historyVerdict(r), r.product, r.serial, r.operatorName, r.port, r.kind,
                    r.simulated ? QStringLiteral("yes") : QStringLiteral("no"),
                    editionName(r.edition)});
    return csv;
}

QString historyText(const QList<RecordSummary>& records)
{
    // One line a record. Stored texts are escaped (escapedText), so that a line
    // end or an escape sequence in a product name neither breaks the row nor
    // reaches the terminal; the row is joined, not filled in with arg(), so a
    // "%6" in a product name stays as it is.
    const auto row = [](const QString& id, const QString& at, const QString& cls,
                        const QString& verdict, const QString& product, const QString& serial,
                        const QString& port, const QString& kind, const QString& edition) {
        return id.rightJustified(6) + QStringLiteral("  ") + at.leftJustified(25) +
               QStringLiteral("  ") + cls.leftJustified(6) + QStringLiteral("  ") +
               verdict.leftJustified(24) + QStringLiteral("  ") + product.leftJustified(20) +
               QStringLiteral("  ") + kind.leftJustified(11) + QStringLiteral("  ") +
               serial.leftJustified(14) + QStringLiteral("  ") + edition.leftJustified(7) +
               QStringLiteral("  ") + port + QLatin1Char('\n');
    };
    QString table =
        row(QStringLiteral("id"), QStringLiteral("measured at"), QStringLiteral("class"),
            QStringLiteral("verdict"), QStringLiteral("product"), QStringLiteral("serial"),
            QStringLiteral("port"), QStringLiteral("kind"), QStringLiteral("edition"));
    for (const RecordSummary& r : records) {
        const QString cls = r.productClass == ProductClass::D
                                ? QStringLiteral("D ") + escapedText(r.power) + QLatin1Char('W')
                                : classLetter(r.productClass);
        table += row(QString::number(r.id), isoTimestamp(r.measuredAt), cls, historyVerdict(r),
                     escapedText(r.product), escapedText(r.serial), escapedText(historyPortText(r)),
                     r.kind, editionName(r.edition));
    }
    if (records.isEmpty())
        table += QStringLiteral("No measurements recorded.\n");
    return table;
}
