#include "configuration.h"

#include "store_name.h"

#include <QSettings>

Edition configuredEdition()
{
    const QSettings settings(QStringLiteral("iec1000"), QStringLiteral("iec1000"));
    return editionFromName(settings.value(QLatin1String(kEditionSetting)).toString())
        .value_or(kDefaultEdition);
}

Configuration Configuration::fromEnvironment()
{
    Configuration configuration;
    configuration.devices = ComDevices::fromEnvironment();
    configuration.storeName = recordStoreName(QString());
    configuration.choice.edition = configuredEdition();
    return configuration;
}
