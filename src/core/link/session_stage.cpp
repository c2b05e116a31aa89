#include "session_stage.h"

QString stageText(SessionStage stage)
{
    switch (stage) {
    case SessionStage::Connecting:
        return QStringLiteral("Connecting");
    case SessionStage::Configuring:
        return QStringLiteral("Configuring");
    case SessionStage::Connected:
        break;
    }
    return QStringLiteral("Connected & Configured");
}

QString connectingText(const QString& device)
{
    return QStringLiteral("%1 to %2").arg(stageText(SessionStage::Connecting), device);
}

QString openFailureText(const QString& port)
{
    return QStringLiteral("%1 could not be opened").arg(port);
}

QString openFailureText(const QString& port, const QString& reason)
{
    return QStringLiteral("%1: %2").arg(openFailureText(port), reason);
}

QString configureFailureText(const QString& port, const QString& reason)
{
    return QStringLiteral("the analyzer on %1 could not be configured: %2").arg(port, reason);
}
