#include "configuration.h"

#include "store_name.h"

Configuration Configuration::fromEnvironment()
{
    Configuration configuration;
    configuration.devices = ComDevices::fromEnvironment();
    configuration.storeName = recordStoreName(QString());
    return configuration;
}
