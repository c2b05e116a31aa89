#include "header_formats.h"

#include "report_rows.h"

#include <array>

namespace {

// The product fields with their keys and text captions.
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

QString idText(const RecordHeader& header)
{
    return header.id > 0 ? QString::number(header.id) : QString();
}

} // namespace

QString recordIdText(const RecordHeader& header)
{
    if (header.id <= 0)
        return QString();
    if (header.store.isEmpty())
        return QString::number(header.id);
    return QStringLiteral("%1 (store: %2)").arg(header.id).arg(header.store);
}

void insertHeader(QJsonObject& json, const RecordHeader& header)
{
    if (header.id > 0) {
        json.insert(QStringLiteral("record_id"), header.id);
    } else if (!header.recordProblem.isEmpty()) {
        json.insert(QStringLiteral("record_id"), QJsonValue::Null);
        json.insert(QStringLiteral("record_problem"), header.recordProblem);
    }
    if (!header.store.isEmpty())
        json.insert(QStringLiteral("store"), header.store);
    json.insert(QStringLiteral("port"), header.port);
    json.insert(QStringLiteral("device"), header.device);
    json.insert(QStringLiteral("tool_version"), header.toolVersion);
    json.insert(QStringLiteral("simulated"), header.simulated());
    // What took it: the Zento analyzer, or a recording judged window by window.
    json.insert(QStringLiteral("source"), header.kind == RecordKind::Waveform
                                              ? QStringLiteral("recording")
                                              : QStringLiteral("zento"));
    for (const ProductField& field : kProductFields)
        json.insert(QString::fromLatin1(field.key), header.product.*field.field);
}

QStringList headerColumns()
{
    QStringList columns{QStringLiteral("record_id"),    QStringLiteral("store"),
                        QStringLiteral("port"),         QStringLiteral("device"),
                        QStringLiteral("tool_version"), QStringLiteral("simulated")};
    for (const ProductField& field : kProductFields)
        columns << QString::fromLatin1(field.key);
    return columns;
}

QStringList headerValues(const RecordHeader& header)
{
    QStringList values{
        idText(header),     header.store,
        header.port,        header.device,
        header.toolVersion, header.simulated() ? QStringLiteral("yes") : QStringLiteral("no")};
    for (const ProductField& field : kProductFields)
        values << header.product.*field.field;
    return values;
}

QString headerText(const RecordHeader& header)
{
    QString text;
    const auto line = [&text](const QString& caption, const QString& value) {
        if (!value.isEmpty())
            text += (caption + QLatin1Char(':')).leftJustified(15) + escapedText(value) +
                    QLatin1Char('\n');
    };
    line(QStringLiteral("Record"), recordIdText(header));
    if (header.simulated())
        line(QStringLiteral("Device"), header.device);
    for (const ProductField& field : kProductFields)
        line(QString::fromLatin1(field.caption), header.product.*field.field);
    return text;
}
