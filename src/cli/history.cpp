#include "commands.h"

#include "command_line.h"
#include "history_formats.h"
#include "options.h"
#include "record_store.h"
#include "report_rows.h"
#include "store_name.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonDocument>

namespace cli {

int history(const QStringList& arguments, const Configuration& startConfiguration)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Synopsis: iec1000 history [--limit N] [--filter TEXT] [--format text|json|csv]\n\n"
        "Lists the stored measurements and timed observations, newest first.\n"
        "Exit codes: 0 listed, 4 the record store could not be read, 64 usage "
        "error."));
    parser.addOption(QCommandLineOption(QStringLiteral("limit"),
                                        QStringLiteral("At most this many (default 20; 0: all)."),
                                        QStringLiteral("n"), QStringLiteral("20")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("filter"),
        QStringLiteral("Only records whose product, serial, operator, notes, verdict or class "
                       "holds this text (\"simulated\": those made on the simulated analyzer)."),
        QStringLiteral("text")));
    parser.addOption(QCommandLineOption(QStringLiteral("format"),
                                        QStringLiteral("Output: text (default), json or csv."),
                                        QStringLiteral("format"), QStringLiteral("text")));
    addDbOption(parser);
    int code = kPass;
    if (!parse(parser, arguments, &code))
        return code;
    bool isNumber = false;
    const int limit = parser.value(QStringLiteral("limit")).toInt(&isNumber);
    if (!isNumber || limit < 0)
        return usageError(QStringLiteral("--limit takes a whole number from 0 up."));
    const std::optional<Format> format = formatOf(parser.value(QStringLiteral("format")), true);
    if (!format)
        return usageError(QStringLiteral("--format takes text, json or csv."));

    const Configuration configuration = configured(parser, startConfiguration);
    // A SQLite store is made by the first measure or observe.
    if (const StoreTarget target = parseStoreName(configuration.storeName);
        target.error.isEmpty() && !target.postgres && !QFileInfo::exists(target.path)) {
        err(QStringLiteral("iec1000: there are no records yet; measure and observe will keep "
                           "them in %1.")
                .arg(target.location));
        return kStoreFailed;
    }
    RecordStore store;
    if (!openForReading(store, configuration))
        return kStoreFailed;
    QString error;
    const QString filter = parser.value(QStringLiteral("filter"));
    const QList<RecordSummary> records = store.history(limit, filter, &error);
    if (!error.isEmpty()) {
        err(QStringLiteral("iec1000: %1").arg(error));
        return kStoreFailed;
    }
    switch (*format) {
    case Format::Json:
        out(QString::fromUtf8(QJsonDocument(historyJson(records)).toJson(QJsonDocument::Indented)));
        break;
    case Format::Csv:
        out(historyCsv(records));
        break;
    case Format::Text:
        if (records.isEmpty() && !filter.isEmpty())
            out(QStringLiteral("No records match \"%1\".\n").arg(escapedText(filter)));
        else
            out(historyText(records));
        break;
    }
    return kPass;
}

} // namespace cli
