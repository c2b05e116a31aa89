#include "configuration_options.h"

#include "com_ports.h"
#include "store_name.h"

#include <QCommandLineParser>

void addComOptions(QCommandLineParser& parser)
{
    for (int n = 1; n <= 4; ++n)
        parser.addOption(QCommandLineOption(
            QStringLiteral("com%1").arg(n),
            QStringLiteral("The device behind Com %1 for this run (wins over %2).")
                .arg(n)
                .arg(comPortVariable(qint16(n))),
            QStringLiteral("device")));
}

void addDbOption(QCommandLineParser& parser)
{
    parser.addOption(QCommandLineOption(
        QStringLiteral("db"),
        QStringLiteral("The record store: a SQLite file or postgresql://user@host/dbname "
                       "(default: IEC1000_DB, else %1).")
            .arg(defaultRecordStore()),
        QStringLiteral("store")));
}

bool isConfigurationOption(const QString& argument)
{
    static const QStringList names{QStringLiteral("--com1"), QStringLiteral("--com2"),
                                   QStringLiteral("--com3"), QStringLiteral("--com4"),
                                   QStringLiteral("--db")};
    return names.contains(argument.section(QLatin1Char('='), 0, 0));
}

Configuration configured(const QCommandLineParser& parser, Configuration configuration)
{
    // The options given: a command without Com options has none to ask for.
    const QStringList given = parser.optionNames();
    for (int n = 1; n <= 4; ++n) {
        const QString name = QStringLiteral("com%1").arg(n);
        if (given.contains(name))
            configuration.devices.setDevice(qint16(n), parser.value(name));
    }
    if (given.contains(QStringLiteral("db")) && !parser.value(QStringLiteral("db")).isEmpty())
        configuration.storeName = parser.value(QStringLiteral("db"));
    return configuration;
}
