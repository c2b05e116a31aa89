#include "sql_messages.h"

#include <QLatin1StringView>
#include <QMessageLogContext>
#include <QString>

#include <array>
#include <mutex>

namespace {

QtMessageHandler g_previous = nullptr;

// How Qt SQL's warnings about a connection begin.
constexpr std::array<QLatin1StringView, 6> kSqlWarnings{
    QLatin1StringView("QSqlQuery::"),   QLatin1StringView("QSqlDatabasePrivate::"),
    QLatin1StringView("QSqlDatabase:"), QLatin1StringView("Unable to free statement"),
    QLatin1StringView("QPSQLDriver::"), QLatin1StringView("QPSQLResult::")};

bool fromQtSql(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtWarningMsg && type != QtCriticalMsg)
        return false;
    if (context.category && QLatin1StringView(context.category).startsWith(QLatin1String("qt.sql")))
        return true;
    for (const QLatin1StringView start : kSqlWarnings)
        if (message.startsWith(start))
            return true;
    return false;
}

void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (fromQtSql(type, context, message))
        return;
    // Never null: Qt hands back its default handler when none was installed.
    if (g_previous)
        g_previous(type, context, message);
}

} // namespace

void quietSqlWarnings()
{
    static std::once_flag installed;
    std::call_once(installed, [] { g_previous = qInstallMessageHandler(handle); });
}
